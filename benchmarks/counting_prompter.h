// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A benchmark's messages are counted, never shown: a box would stall the window's thread
// by waiting for a person.

#include <string_view>

#include "messages/prompter.h"

namespace kelvo::bench {

class CountingPrompter : public Prompter {
public:
    void Warn(std::string_view, std::string_view) override { ++messages; }
    bool Confirm(std::string_view) override { return true; }
    int messages = 0;
};

}  // namespace kelvo::bench
