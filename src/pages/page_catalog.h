// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The parameter pages of each meter kind, as the main window lays them out in its tabs.

#include <memory>
#include <span>

#include "pages/page_definition.h"

namespace kelvo {

class PageControls;
class ParameterPage;
class Prompter;

// MeterKind 1 (W58): common, flow, pulse, alarm, sensor, heat; any other kind: the
// generic page. In tab order, which is also the order the live values reach them.
std::span<const PageDefinition* const> PageDefinitionsOf(int meterKind);

// The logic behind a page's controls: the page's own when its definition names one,
// the plain engine otherwise.
std::unique_ptr<ParameterPage> MakePageLogic(const PageDefinition& definition, PageControls& controls,
                                             Prompter& prompter);

}  // namespace kelvo
