// SPDX-License-Identifier: GPL-3.0-or-later
// kelvo-cli on Windows: the meter search, the traffic monitor and a meter's parameters for a
// technician's scripts. Ctrl+C (or Ctrl+Break, or closing the console) ends a command early,
// with the port closed.

#include <windows.h>
#include <shellapi.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_run.h"
#include "cli/cli_terminal.h"
#include "link/tcp_socket.h"
#include "settings/win32_handle.h"
#include "settings/win32_text.h"

namespace {

// The console calls its control handler on a thread of its own, with no argument: the
// handler finds the event by this process's name for it, so no variable is shared.
std::wstring InterruptEventName() {
    return L"Local\\kelvo-cli-interrupt-" + std::to_wstring(GetCurrentProcessId());
}

BOOL WINAPI OnConsoleControl(DWORD) {
    const kelvo::Win32Handle interrupt(OpenEventW(EVENT_MODIFY_STATE, FALSE, InterruptEventName().c_str()));
    if (interrupt.valid()) SetEvent(interrupt.get());
    // Handled: the command ends itself and closes the port.
    return TRUE;
}

// The arguments as typed, in UTF-8: main's argv holds them in the ANSI code page, which
// cannot hold a Chinese file name on most systems.
std::vector<std::string> Utf8Arguments() {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    if (wide == nullptr) return arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(kelvo::Utf8FromWide(wide[i]));
    LocalFree(wide);
    return arguments;
}

}  // namespace

int main() {
    // The program writes UTF-8; the console shows it as such instead of in its OEM code page.
    SetConsoleOutputCP(CP_UTF8);
    // Winsock, for --tcp and --modbus-tcp, from start to end.
    const kelvo::SocketsLayer sockets;
    // Auto-reset: a wait takes the interrupt, as sigtimedwait takes the signal on Linux.
    const kelvo::Win32Handle interrupt(CreateEventW(nullptr, FALSE, FALSE, InterruptEventName().c_str()));
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);

    const kelvo::cli::InterruptWait waitForInterrupt = [&interrupt](std::chrono::milliseconds timeout) {
        if (!interrupt.valid()) {
            Sleep(static_cast<DWORD>(timeout.count()));
            return false;
        }
        return WaitForSingleObject(interrupt.get(), static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
    };
    kelvo::cli::ReadReply reply;
    if (kelvo::cli::StdinIsTerminal()) {
        reply = [&waitForInterrupt] { return kelvo::cli::ReadTerminalReply(waitForInterrupt); };
    }
    return kelvo::cli::RunCli(Utf8Arguments(), std::cout, std::cerr, waitForInterrupt, reply);
}
