// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the kelvo command line may ask for before any window exists: its usage, its
// version, or a start that ends once the main window is shown (an installation's check
// that every library and plugin the window needs is there). Every other argument is
// Qt's (-platform, -style, …) and is left to QApplication.

#include <string>
#include <vector>

namespace kelvo {

struct StartOptions {
    bool help = false;
    bool version = false;
    bool quitWhenShown = false;
};

StartOptions ParseStartOptions(const std::vector<std::string>& args);

// What kelvo --help and kelvo --version print.
std::string StartUsageText();
std::string StartVersionText();

}  // namespace kelvo
