// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shared pieces of the widget tests: an offscreen QApplication, controls found by
// their ids, a config.ini writer and a guard under which every file write fails.

#include <signal.h>
#include <sys/resource.h>

#include <QApplication>
#include <QString>
#include <QtTest>

#include <chrono>
#include <clocale>
#include <functional>
#include <cstdlib>
#include <string>

namespace kelvo::test {

// The control or action whose object name is `id`; null when there is none.
template <class T>
T* ById(const QObject* root, int id) {
    return root->findChild<T*>(QString::number(id));
}

inline std::string Utf8(const QString& text) { return text.toStdString(); }

// Runs the event loop (the windows' timers included) until `done` holds or the time is up.
inline bool WaitProcessingEvents(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        QTest::qWait(20);
    }
    return true;
}

// A config.ini with every "ComSet" key and the meter kind.
inline std::string SettingsText(int meterKind, int baudRate = 57600, int parity = 0, const std::string& port = "COM1") {
    return "[ComSet]\nAddr=8\nCOM=" + port + "\nBaudRate=" + std::to_string(baudRate) +
           "\nParity=" + std::to_string(parity) + "\nReadTotalTimeoutConstant=100\nSwap=1\n[MeterType]\nType=" +
           std::to_string(meterKind) + "\n";
}

// While alive, writing a byte to any file fails as on a full disk (also for root, whom
// permissions would not stop).
class FileWritesFail {
public:
    FileWritesFail() {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = signal(SIGXFSZ, SIG_IGN);
        rlimit none = saved_;
        none.rlim_cur = 0;
        setrlimit(RLIMIT_FSIZE, &none);
    }
    ~FileWritesFail() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        signal(SIGXFSZ, previousHandler_);
    }
    FileWritesFail(const FileWritesFail&) = delete;
    FileWritesFail& operator=(const FileWritesFail&) = delete;

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = SIG_DFL;
};

}  // namespace kelvo::test

// main() of a widget test: offscreen unless a platform was chosen, C number formats
// as in the program.
#define KELVO_UI_TEST_MAIN(TestClass)                                         \
    int main(int argc, char* argv[]) {                                        \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))                   \
            qputenv("QT_QPA_PLATFORM", "offscreen");                          \
        QApplication app(argc, argv);                                         \
        std::setlocale(LC_NUMERIC, "C");                                      \
        TestClass test;                                                       \
        return QTest::qExec(&test, argc, argv);                               \
    }

// main() of a widget test written with GoogleTest (those that run threads the thread
// sanitizer must see): offscreen unless a platform was chosen, C number formats.
#define KELVO_UI_GTEST_MAIN()                                                 \
    int main(int argc, char* argv[]) {                                        \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))                   \
            qputenv("QT_QPA_PLATFORM", "offscreen");                          \
        QApplication app(argc, argv);                                         \
        std::setlocale(LC_NUMERIC, "C");                                      \
        testing::InitGoogleTest(&argc, argv);                                 \
        return RUN_ALL_TESTS();                                               \
    }
