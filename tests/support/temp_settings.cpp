// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/temp_settings.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kelvo::test {

namespace fs = std::filesystem;

TempSettings::TempSettings() {
    std::string pattern = (fs::temp_directory_path() / "kelvo-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
    if (const char* old = std::getenv("XDG_CONFIG_HOME")) previous_ = old;
    setenv("XDG_CONFIG_HOME", root_.c_str(), 1);
}

TempSettings::~TempSettings() {
    if (previous_) {
        setenv("XDG_CONFIG_HOME", previous_->c_str(), 1);
    } else {
        unsetenv("XDG_CONFIG_HOME");
    }
    std::error_code ignored;
    fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(root_, ignored);
}

std::string TempSettings::ReadIni() const {
    std::ifstream in(IniPath(), std::ios::binary);
    if (!in) return {};
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void TempSettings::WriteIni(const std::string& text) const {
    fs::create_directories(KelvoFolder());
    std::ofstream(IniPath(), std::ios::binary | std::ios::trunc) << text;
}

void TempSettings::MapPort(const std::string& name, const std::string& devicePath) const {
    const fs::path ports = fs::path(KelvoFolder()) / "ports";
    fs::create_directories(ports);
    std::error_code ignored;
    fs::remove(ports / name, ignored);
    fs::create_symlink(devicePath, ports / name);
}

}  // namespace kelvo::test
