// Kelvo: commissioning and service of electromagnetic flow and heat meters over a
// Modbus RTU serial line.

#include <QApplication>

#include <clocale>
#include <mutex>

#include "link/stop_event.h"
#include "ui/main/kelvo_dlg.h"
#include "ui/main/kelvo_icon.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Qt switches the C locale to the user's; the core formats and parses numbers
    // (settings file, live values) with the C rules, as the meters and the file expect.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("Kelvo"));
    QApplication::setDesktopFileName(QStringLiteral("kelvo"));
    QApplication::setWindowIcon(kelvo::KelvoIcon());

    // Process-wide, created before the main window and outliving it.
    kelvo::StopEvent stopEvent;
    std::mutex liveMutex;

    kelvo::CKelvoDlg mainWindow(stopEvent, liveMutex);
    QObject::connect(&mainWindow, &QDialog::finished, &app, &QApplication::quit);
    mainWindow.show();
    return app.exec();
}
