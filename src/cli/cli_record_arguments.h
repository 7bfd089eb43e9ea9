// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The parsers of the commands that work with a meter's parameters and their files: backup,
// compare, restore, read, write and report; and those that watch its live values: the log,
// the zero check and the verification run.

#include <string>
#include <vector>

#include "cli/cli_arguments.h"

namespace kelvo::cli {

Command ParseLog(const std::vector<std::string>& args);
Command ParseZeroCheck(const std::vector<std::string>& args);
Command ParseVerify(const std::vector<std::string>& args);
Command ParseBackup(const std::vector<std::string>& args);
Command ParseCompare(const std::vector<std::string>& args);
Command ParseRestore(const std::vector<std::string>& args);
Command ParseRead(const std::vector<std::string>& args);
Command ParseWrite(const std::vector<std::string>& args);
Command ParseReport(const std::vector<std::string>& args);

}  // namespace kelvo::cli
