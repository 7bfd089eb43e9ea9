// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A settings folder of the benchmark's own, so that its port mapping never meets a user's:
// XDG_CONFIG_HOME points into a fresh temporary folder, which goes with the object.

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace kelvo::bench {

class TemporaryConfigHome {
public:
    TemporaryConfigHome() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kelvo-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) return;
        root_ = pattern;
        setenv("XDG_CONFIG_HOME", root_.c_str(), 1);
    }
    ~TemporaryConfigHome() {
        std::error_code ignored;
        if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
    }
    TemporaryConfigHome(const TemporaryConfigHome&) = delete;
    TemporaryConfigHome& operator=(const TemporaryConfigHome&) = delete;

    bool Ready() const { return !root_.empty(); }

private:
    std::string root_;
};

}  // namespace kelvo::bench
