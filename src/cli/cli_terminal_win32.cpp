// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows side of cli_terminal.h: the console's line input, read only once Enter is
// waiting in it, so that Ctrl+C still ends the wait for an answer.

#include "cli/cli_terminal.h"

#include <windows.h>

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

namespace kelvo::cli {
namespace {

// Whether the console holds a pressed Enter, without taking anything from it.
bool EnterWaiting(HANDLE input) {
    DWORD count = 0;
    if (!GetNumberOfConsoleInputEvents(input, &count) || count == 0) return false;
    std::vector<INPUT_RECORD> events(count);
    DWORD read = 0;
    if (!PeekConsoleInputW(input, events.data(), count, &read)) return false;
    return std::any_of(events.begin(), events.begin() + read, [](const INPUT_RECORD& event) {
        return event.EventType == KEY_EVENT && event.Event.KeyEvent.bKeyDown &&
               event.Event.KeyEvent.wVirtualKeyCode == VK_RETURN;
    });
}

}  // namespace

Reply ReadTerminalReply(const InterruptWait& wait) {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    // The wait itself paces the looks at the console.
    while (!EnterWaiting(input)) {
        if (wait(kPrintInterval)) return Reply::Interrupted;
    }
    std::string answer;
    if (!std::getline(std::cin, answer)) return Reply::No;
    return IsYesReply(answer) ? Reply::Yes : Reply::No;
}

bool StdinIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

}  // namespace kelvo::cli
