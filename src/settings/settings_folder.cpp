// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdlib>
#include <string>

#include "settings/settings.h"

namespace kelvo {

std::string GetSettingsFolder() {
    // The XDG base directory rule: an empty or relative XDG_CONFIG_HOME is ignored.
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (configHome != nullptr && configHome[0] == '/') {
        base = configHome;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home != nullptr ? home : "") + "/.config";
    }
    return base + "/Kelvo";
}

std::string GetSettingsFilePath() { return GetSettingsFolder() + "/config.ini"; }

}  // namespace kelvo
