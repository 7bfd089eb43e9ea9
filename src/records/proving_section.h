// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A proving visit in the record file, in sections of their own after the parameters':
// [Proving] with the tolerance and how many runs there are, [Proving.ZeroAsFound] and
// [Proving.ZeroAsLeft], [Proving.RunAsFound.1] … and [Proving.RunAsLeft.1] …, and
// [Proving.SensorFactor] where the factor was corrected. A run keeps what the meter's
// totals were and what the technician typed; its error and meter factor are written for
// the reader of the file and computed again from those when it is read.

#include <optional>
#include <string>

#include "proving/proving_record.h"
#include "settings/profile_file.h"

namespace kelvo {

// The sections as lines of the file, each section after a blank line.
std::string ProvingText(const ProvingRecord& proving);

struct ProvingRead {
    std::optional<ProvingRecord> proving;  // none when the file has no [Proving]
    std::string problem;                   // why the sections there are cannot be read
};
ProvingRead ParseProving(const ProfileFile& file);

}  // namespace kelvo
