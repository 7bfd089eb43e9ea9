// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The records as config.ini holds them, read from and written into a file held in memory.
// Load* and Save* of settings.h are these over the file on disk; the fuzz target of the
// settings parser takes them without the disk.

#include "settings/profile_file.h"
#include "settings/settings.h"

namespace kelvo {

SerialSettings SerialSettingsFrom(const ProfileFile& file);
int MeterKindFrom(const ProfileFile& file);
PresetStore PresetsFrom(const ProfileFile& file);

// In the key order of a new section (see settings.cpp).
void PutSerialSettings(ProfileFile& file, const SerialSettings& settings);
void PutMeterKind(ProfileFile& file, int meterKind);
void PutPresets(ProfileFile& file, const PresetStore& presets);

}  // namespace kelvo
