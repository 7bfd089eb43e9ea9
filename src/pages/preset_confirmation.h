// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The question a preset download asks before it sends anything: the preset's values,
// one line each, under "是否确定下传下列配置参数：".

#include <string>

#include "settings/settings.h"

namespace kelvo {

std::string GenericPresetConfirmation(const GenericPreset& preset);
std::string W58PresetConfirmation(const W58Preset& preset);

}  // namespace kelvo
