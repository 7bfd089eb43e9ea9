// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What every page table must hold, checked when the table is compiled:
//
//     static_assert(FirstTableFault(kDefinition) == TableFault::None);
//
// A page that breaks one of these would send a meter something nobody meant (a
// register no row fills goes out as zero), overrun a buffer, or show a live value
// converted by another rule than the one its row decodes by.

#include <cstdint>

#include "link/modbus_rtu.h"
#include "meter/register_maps.h"
#include "meter/value_codec.h"
#include "pages/page_definition.h"

namespace kelvo {

enum class TableFault {
    None,
    DuplicateId,          // two controls or buttons of the page share an id
    BlockShape,           // a batch block is empty, of odd length, or longer than one request
    BlockOutsideRecord,   // a read block does not lie in one piece of the live record
    NoMap,                // the page names no register map
    RowOutsideRecord,     // a row's registers leave the live record (and so a read's host record)
    RowNotOfMap,          // a row's parameter is not what its kind's map keeps at its register
    FrameOutOfRange,      // a row or button names a frame the page does not have
    RowOutsideReadAll,    // a row with registers lies in no read-all block and is not read alone
    RowStraddlesBlock,    // a row lies partly inside a batch block
    LooseReadBlockEdge,   // a read block begins or ends on a register that no row uses
    UncoveredDownload,    // a download block holds a register that no row, or two rows, fill
    CommandOutsideImage,  // a command names a register beyond the register image
    EnableOrderMismatch,  // the enable order is not exactly the page's controls and buttons
};

namespace page_checks_detail {

constexpr bool RowHasRegisters(const ParamRow& row) { return row.kind != Kind::None; }
constexpr int LastRegister(const ParamRow& row) { return row.LastRegister(); }

constexpr bool IdsUnique(const PageDefinition& page) {
    int ids[512] = {};
    int count = 0;
    bool unique = true;
    ForEachPageId(page, true, [&](int id) {
        for (int i = 0; i < count; ++i) unique = unique && ids[i] != id;
        if (count == 512) {
            unique = false;  // more ids than any page has: not checked, so not passed
        } else {
            ids[count++] = id;
        }
    });
    return unique;
}

constexpr int BlockLast(const BatchBlock& block) { return block.start + block.bytes / 2 - 1; }

constexpr bool BlockShapeSound(const BatchBlock& block) {
    return block.bytes > 0 && block.bytes % 2 == 0 && block.bytes <= kChunkBytes;
}

// Every register of the row lies in the live record, and each is converted there by the
// rule the row's kind decodes by.
constexpr bool RowInRecord(const ParamRow& row) {
    if (!RowHasRegisters(row)) return true;
    for (int reg = row.reg; reg <= LastRegister(row); ++reg) {
        if (!LiveOffset(reg)) return false;
    }
    return true;
}

// The polling converts the live block by the map; a row decodes by its own kind. They
// agree when the row's parameter is the map's at its register (and the map keeps no two
// parameters on one register but views).
constexpr bool RowOfMap(const ParamRow& row, const RegisterMap& map) {
    if (!RowHasRegisters(row)) return true;
    const auto held = ParameterAt(map, row.reg);
    return held && held->name == row.name && held->reg == row.reg && held->kind == row.kind;
}

constexpr bool FramesInRange(const PageDefinition& page) {
    const auto inRange = [&page](int frame) { return frame >= 0 && frame < static_cast<int>(page.frames.size()); };
    for (const ParamRow& row : page.rows) {
        if (!inRange(row.frame)) return false;
    }
    for (const CommandButton& command : page.commands) {
        if (!inRange(command.frame)) return false;
    }
    for (const auto* buttons : {&page.presetButtons, &page.specialButtons}) {
        for (const SpecialButton& button : *buttons) {
            if (!inRange(button.frame)) return false;
        }
    }
    return true;
}

// A read all reads every row of its page, but those read by their own button alone.
constexpr bool RowReadByReadAll(const PageDefinition& page, const ParamRow& row) {
    if (page.readAllButton == 0 || !RowHasRegisters(row) || row.readAlone) return true;
    for (const BatchBlock& block : page.readAllBlocks) {
        if (row.reg >= block.start && LastRegister(row) <= BlockLast(block)) return true;
    }
    return false;
}


// A read all places its blocks in a host record; a block it cannot place would be lost.
constexpr bool BlockInRecord(const BatchBlock& block) {
    const auto first = LiveOffset(block.start);
    const auto last = LiveOffset(BlockLast(block));
    return first && last && *last - *first == block.bytes - 2;
}

constexpr bool RowsWholeInside(const PageDefinition& page, const BatchBlock& block) {
    for (const ParamRow& row : page.rows) {
        if (!RowHasRegisters(row)) continue;
        const bool overlaps = row.reg <= BlockLast(block) && LastRegister(row) >= block.start;
        const bool inside = row.reg >= block.start && LastRegister(row) <= BlockLast(block);
        if (overlaps && !inside) return false;
    }
    return true;
}

constexpr int RowsCovering(const PageDefinition& page, int reg) {
    int rows = 0;
    for (const ParamRow& row : page.rows) {
        if (RowHasRegisters(row) && reg >= row.reg && reg <= LastRegister(row)) ++rows;
    }
    return rows;
}

// A read block may pass over registers no row uses (the meter's layout has gaps), but
// it starts and ends on a row's register.
constexpr bool ReadBlockEdgesUsed(const PageDefinition& page, const BatchBlock& block) {
    return RowsCovering(page, block.start) == 1 && RowsCovering(page, BlockLast(block)) == 1;
}

constexpr bool DownloadBlockCovered(const PageDefinition& page, const BatchBlock& block) {
    for (int reg = block.start; reg <= BlockLast(block); ++reg) {
        if (RowsCovering(page, reg) != 1) return false;
    }
    return true;
}

// The enable order names every control and button SetControlsEnabled acts on, once.
constexpr bool EnableOrderComplete(const PageDefinition& page) {
    if (page.enableOrder.empty()) return true;
    int expected = 0;
    bool known = true;
    ForEachLockedId(page, [&](int id) {
        ++expected;
        bool listed = false;
        for (int entry : page.enableOrder) listed = listed || entry == id;
        known = known && listed;
    });
    // With ids unique, every locked id listed and the counts equal, nothing else is listed.
    return known && static_cast<int>(page.enableOrder.size()) == expected;
}

}  // namespace page_checks_detail

constexpr TableFault FirstTableFault(const PageDefinition& page) {
    using namespace page_checks_detail;
    if (!IdsUnique(page)) return TableFault::DuplicateId;
    for (const auto* blocks : {&page.readAllBlocks, &page.downloadBlocks}) {
        for (const BatchBlock& block : *blocks) {
            if (!BlockShapeSound(block)) return TableFault::BlockShape;
        }
    }
    // A map without parameters stands for none: sanitizer builds cannot compare addresses,
    // a null pointer's included, in constant expressions.
    if (page.map.parameters.empty()) return TableFault::NoMap;
    for (const ParamRow& row : page.rows) {
        if (!RowInRecord(row)) return TableFault::RowOutsideRecord;
        if (!RowOfMap(row, page.map)) return TableFault::RowNotOfMap;
    }
    if (!FramesInRange(page)) return TableFault::FrameOutOfRange;
    for (const auto* blocks : {&page.readAllBlocks, &page.downloadBlocks}) {
        for (const BatchBlock& block : *blocks) {
            if (!RowsWholeInside(page, block)) return TableFault::RowStraddlesBlock;
        }
    }
    for (const BatchBlock& block : page.readAllBlocks) {
        if (!BlockInRecord(block)) return TableFault::BlockOutsideRecord;
        if (!ReadBlockEdgesUsed(page, block)) return TableFault::LooseReadBlockEdge;
    }
    for (const ParamRow& row : page.rows) {
        if (!RowReadByReadAll(page, row)) return TableFault::RowOutsideReadAll;
    }
    for (const BatchBlock& block : page.downloadBlocks) {
        if (!DownloadBlockCovered(page, block)) return TableFault::UncoveredDownload;
    }
    for (const CommandButton& command : page.commands) {
        if (command.reg >= kRegisterSpace) return TableFault::CommandOutsideImage;
    }
    if (!EnableOrderComplete(page)) return TableFault::EnableOrderMismatch;
    return TableFault::None;
}

// The live record lies inside the register image the downloads are laid out in.
static_assert(kLiveSecondBlockLast < kRegisterSpace);

}  // namespace kelvo
