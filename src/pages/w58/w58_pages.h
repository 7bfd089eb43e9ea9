// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The six parameter pages of a W58 meter, each a table on the one engine (the tables
// are the w58_*_table.h headers).

#include "pages/page_definition.h"

namespace kelvo {

const PageDefinition& W58NormalDefinition();  // common parameters and functions, dialog 146
const PageDefinition& W58FlowDefinition();    // flow configuration, dialog 145
const PageDefinition& W58PulseDefinition();   // pulse and frequency output, dialog 147
const PageDefinition& W58AlarmDefinition();   // alarms, dialog 148
const PageDefinition& W58SensorDefinition();  // sensor, dialog 149
const PageDefinition& W58HeatDefinition();    // heat, dialog 150

}  // namespace kelvo
