// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The controls of a page as plain values, built from its PageDefinition: edit texts,
// list selections, date and time pickers and enabled flags, by control id. A list knows
// how many items the view would give it, so an index beyond them leaves no selection
// (−1), as a drop-down list does. An id the page does not have is a test failure.

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "meter/list_items.h"
#include "pages/page_controls.h"
#include "pages/page_definition.h"

namespace kelvo::test {

class FakeControls : public PageControls {
public:
    explicit FakeControls(const PageDefinition& definition) {
        for (const ParamRow& row : definition.rows) {
            switch (row.control) {
                case Control::List: lists_[row.controlId] = {static_cast<int>(ListItems(row).size()), -1}; break;
                case Control::DateTime:
                    times_[row.controlId] = 0;
                    times_[row.secondControlId] = 0;
                    enabled_[row.secondControlId] = !row.alwaysDisabled;
                    break;
                default: texts_[row.controlId] = ""; break;
            }
            enabled_[row.controlId] = !row.alwaysDisabled;
            for (int button : {row.readButton, row.writeButton}) AddButton(button);
        }
        AddButton(definition.readAllButton);
        AddButton(definition.downloadAllButton);
        for (const CommandButton& command : definition.commands) AddButton(command.buttonId);
        for (const SpecialButton& preset : definition.presetButtons) AddButton(preset.buttonId);
        for (const SpecialButton& special : definition.specialButtons) AddButton(special.buttonId);
    }

    std::string Text(int controlId) const override { return Known(texts_, controlId) ? texts_.at(controlId) : ""; }
    void SetText(int controlId, std::string_view text) override {
        if (Known(texts_, controlId)) texts_[controlId] = std::string(text);
    }
    int Selection(int controlId) const override {
        return Known(lists_, controlId) ? lists_.at(controlId).selection : -1;
    }
    void SetSelection(int controlId, int index) override {
        if (!Known(lists_, controlId)) return;
        List& list = lists_[controlId];
        list.selection = index >= 0 && index < list.items ? index : -1;
    }
    std::int64_t DateTime(int controlId) const override { return Known(times_, controlId) ? times_.at(controlId) : 0; }
    void SetDateTime(int controlId, std::int64_t seconds) override {
        if (Known(times_, controlId)) times_[controlId] = seconds;
    }
    void SetEnabled(int controlId, bool enabled) override {
        if (!Known(enabled_, controlId)) return;
        enabled_[controlId] = enabled;
        ++enableCalls_[controlId];
    }

    // The user's side: typing into an edit, choosing an item, looking at a control.
    void Type(int controlId, std::string_view text) { SetText(controlId, text); }
    void Choose(int controlId, int index) { SetSelection(controlId, index); }
    bool Enabled(int controlId) const { return Known(enabled_, controlId) && enabled_.at(controlId); }
    // How often SetEnabled reached each control.
    const std::map<int, int>& EnableCalls() const { return enableCalls_; }

private:
    struct List {
        int items;
        int selection;
    };

    void AddButton(int id) {
        if (id != 0) enabled_[id] = true;
    }

    template <typename Map>
    static bool Known(const Map& map, int controlId) {
        if (map.count(controlId) != 0) return true;
        ADD_FAILURE() << "the page used control " << controlId << ", which it does not have (or not of this kind)";
        return false;
    }

    std::map<int, std::string> texts_;
    std::map<int, List> lists_;
    std::map<int, std::int64_t> times_;
    std::map<int, bool> enabled_;
    std::map<int, int> enableCalls_;
};

}  // namespace kelvo::test
