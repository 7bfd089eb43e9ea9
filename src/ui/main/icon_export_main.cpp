// SPDX-License-Identifier: GPL-3.0-or-later
// Writes Kelvo's icon as PNG images into an icon-theme tree (<dir>/<n>x<n>/apps/<name>.png),
// the format every desktop's launcher reads. Run at build time for the install target.

#include <QDir>
#include <QImage>
#include <QString>

#include <array>
#include <cstdio>

#include "ui/main/kelvo_icon.h"

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER ICON_NAME\n", argv[0]);
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const QString file = QStringLiteral("/%1.png").arg(QString::fromLocal8Bit(argv[2]));
    constexpr std::array<int, 7> kSizes = {16, 24, 32, 48, 64, 128, 256};
    for (const int size : kSizes) {
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
        if (!QDir().mkpath(folder) || !kelvo::RenderKelvoIcon(size).save(folder + file)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
