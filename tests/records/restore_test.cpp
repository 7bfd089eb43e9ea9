// SPDX-License-Identifier: GPL-3.0-or-later
// A restore that cannot write every ticked parameter says so, on the fake transport: the
// question before writing names them, nothing of theirs reaches the meter, and the box
// after it calls the restore incomplete. The files are written by hand, as a technician
// edits one or as a backup of another meter reads.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/meter_record.h"
#include "records/restore.h"
#include "support/fake_meter.h"
#include "support/temp_settings.h"

namespace kelvo {
namespace {

using test::Bytes;

// The first register of every write request (function code 0x10) the meter received.
std::vector<int> WrittenRegisters(const std::vector<Bytes>& frames) {
    std::vector<int> registers;
    for (const Bytes& frame : frames) {
        if (frame.size() > 9 && frame[1] == 0x10) registers.push_back(frame[2] << 8 | frame[3]);
    }
    return registers;
}

std::string RecordHead(const char* kind, int encoding) {
    return std::string("[Record]\nFormat=1\nKind=") + kind + "\nModel=RA03\nVersion=2004\nByteOrder=1\nEncoding=" +
           std::to_string(encoding) + "\n";
}

std::string Section(const char* name, int reg, const char* raw) {
    return std::string("[") + name + "]\nRegister=" + std::to_string(reg) + "\nRaw=" + raw + "\n";
}

struct Restored {
    RestoreOutcome outcome;
    std::vector<std::string> asked;
    std::vector<int> written;  // on the wire: the first register of each write request
};

// A restore of `file` onto a meter of `kind` that answers `identification` and has time
// constant 9, every question answered yes.
Restored RestoreFile(sim::SimMeterKind kind, const char* identification, const std::string& file) {
    test::TempSettings config;
    test::FakeMeterLink meter(kind, identification);
    meter.meter.Edit([](sim::RegisterImage& image) { image.SetReg(142, 9); });
    const RecordRead read = ParseRecord(file);
    Restored restored;
    if (!read.record) return restored;
    std::vector<std::string> unknown;
    restored.outcome = Restore(meter.link, meter.settings, kind == sim::SimMeterKind::W58 ? kW58Meter : kGenericMeter,
                               RestoreChoices(*read.record, {}, unknown), [&restored](const std::string& question) {
                                   restored.asked.push_back(question);
                                   return true;
                               });
    restored.written = WrittenRegisters(meter.wire->Written());
    return restored;
}

TEST(Restore, ParametersTheMeterCannotTakeAsRecordedAreNamedAndNotWritten) {
    struct Case {
        const char* what;
        sim::SimMeterKind kind;
        const char* identification;  // of the meter at hand
        std::string file;            // beside time constant 4, which the meter (at 9) is given
        std::string refused;         // the parameter named as not written, with its reason
    };
    const auto generic = [](int encoding, const char* name, int reg, const char* raw) {
        return RecordHead("generic", encoding) + Section(name, reg, raw);
    };
    const std::vector<Case> cases = {
        {"a factor of 30000 from a legacy meter, beyond what this one holds", sim::SimMeterKind::Generic, "RA032004",
         generic(0, "sensor_factor", 147, "A3 00 11 E1"),
         "传感器系数（sensor_factor）：本仪表不能写入备份的值 30000（请输入一个 -21474.83648 至 21474.83647 之间的数字）"},
        {"a factor of five decimals onto a legacy meter, which keeps four", sim::SimMeterKind::Generic, "RA062003",
         generic(1, "sensor_factor", 147, "E2 40 00 01"),
         "传感器系数（sensor_factor）：本仪表不能写入备份的值 1.23456（仪表保存的将是 1.2345，不是 1.23456）"},
        {"a legacy diameter code beyond the table, as a hand-edited file has it", sim::SimMeterKind::Generic,
         "RA062003", generic(0, "diameter", 149, "00 28"), "口径（diameter）：备份文件中的寄存器值不是该参数的有效值"},
        {"a compensation of -5 ℃ where the page takes -3 to 3", sim::SimMeterKind::W58, "RA032004",
         RecordHead("w58", 1) + Section("supply_compensation", 258, "FF CE"),
         "供温补偿(℃)（supply_compensation）：本仪表不能写入备份的值 -5（请输入一个 -3 至 3 之间的数字）"},
    };
    for (const bool alone : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (alone ? ", alone" : ""));
            const auto [outcome, asked, written] = RestoreFile(
                c.kind, c.identification, c.file + (alone ? "" : Section("time_constant", 142, "00 04")));
            const RestoreReport report = DescribeRestore(outcome);
            if (alone) {
                EXPECT_TRUE(asked.empty()) << "nothing to write, nothing to ask";
                EXPECT_EQ(report.text, "恢复未完成：1 个参数不能写入，没有写入任何参数");
                EXPECT_EQ(report.detail, "未写入（不能写入）：" + c.refused + "。");
            } else {
                EXPECT_EQ(asked, std::vector<std::string>{"将向仪表写入 1 个与仪表不同的参数，写入后读回核对。以下 1 个参数不能"
                                                          "写入，将不写入：" + c.refused + "。是否继续？"});
                EXPECT_EQ(report.text, "恢复未完成：写入并核对了 1 个参数，1 个参数不能写入");
                EXPECT_EQ(report.detail, "已写入：time_constant。未写入（不能写入）：" + c.refused + "。");
            }
            EXPECT_FALSE(outcome.Complete()) << "the command line's exit status is 1";
            EXPECT_EQ(written, alone ? std::vector<int>{} : std::vector<int>{142}) << "nothing of the refused one is sent";
        }
    }
}

}  // namespace
}  // namespace kelvo
