// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Kelvo's own window icon (icon 140): a flow meter's measuring head on a pipe, on a
// blue tile. Drawn by code so that it is sharp at every size a desktop asks for.

#include <QIcon>
#include <QImage>

namespace kelvo {

// The icon at size × size pixels, transparent around the tile.
QImage RenderKelvoIcon(int size);
// The icon with images for the sizes window managers and docks use.
QIcon KelvoIcon();

}  // namespace kelvo
