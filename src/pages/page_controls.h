// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a page's logic needs from its controls, by control id. The Qt view implements
// it over its widgets; tests implement it over plain maps.

#include <cstdint>
#include <string>
#include <string_view>

namespace kelvo {

class PageControls {
public:
    virtual ~PageControls() = default;
    virtual std::string Text(int controlId) const = 0;
    virtual void SetText(int controlId, std::string_view text) = 0;
    // Selected item of a drop-down list, −1 for none.
    virtual int Selection(int controlId) const = 0;
    // An index outside the list leaves the list without a selection.
    virtual void SetSelection(int controlId, int index) = 0;
    // Date and time pickers hold points in time, seconds since 1970-01-01 00:00:00 UTC.
    virtual std::int64_t DateTime(int controlId) const = 0;
    virtual void SetDateTime(int controlId, std::int64_t seconds) = 0;
    virtual void SetEnabled(int controlId, bool enabled) = 0;
};

}  // namespace kelvo
