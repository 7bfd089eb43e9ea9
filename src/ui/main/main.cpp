// SPDX-License-Identifier: GPL-3.0-or-later
// Kelvo: commissioning and service of electromagnetic flow and heat meters over a
// Modbus RTU serial line.

#include <QApplication>
#include <QTimer>

#include <clocale>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "link/stop_event.h"
#include "link/tcp_socket.h"
#include "ui/main/kelvo_dlg.h"
#include "ui/main/kelvo_icon.h"
#include "ui/main/start_options.h"
#include "vocabulary/kelvo_version.h"

int main(int argc, char* argv[]) {
    // Before QApplication, which needs a display: --help and --version work without one.
    const kelvo::StartOptions options = kelvo::ParseStartOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (options.help || options.version) {
        const std::string text = options.help ? kelvo::StartUsageText() : kelvo::StartVersionText();
        std::fputs(text.c_str(), stdout);
        return 0;
    }

    QApplication app(argc, argv);
    // Qt switches the C locale to the user's; the core formats and parses numbers
    // (settings file, live values) with the C rules, as the meters and the file expect.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("Kelvo"));
    QApplication::setDesktopFileName(QString::fromLatin1(kelvo::kKelvoAppId));
    QApplication::setWindowIcon(kelvo::KelvoIcon());

    // Process-wide, created before the main window and outliving it. The sockets layer is
    // Winsock's start-up on Windows, for the connections to serial servers and gateways.
    const kelvo::SocketsLayer sockets;
    kelvo::StopEvent stopEvent;
    std::mutex liveMutex;

    kelvo::CKelvoDlg mainWindow(stopEvent, liveMutex);
    QObject::connect(&mainWindow, &QDialog::finished, &app, &QApplication::quit);
    mainWindow.show();
    if (options.quitWhenShown) {
        // Queued, so that it runs once the event loop has shown and laid out the window.
        QTimer::singleShot(0, &mainWindow, [&mainWindow] {
            const bool shown = mainWindow.isVisible();
            std::printf("%s %s\n", qPrintable(mainWindow.windowTitle()), shown ? "主窗口已显示" : "主窗口未能显示");
            std::fflush(stdout);
            QApplication::exit(shown ? 0 : 1);
        });
    }
    return app.exec();
}
