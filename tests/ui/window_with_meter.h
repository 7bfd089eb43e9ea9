// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A main window over a private settings folder, with a simulated meter mapped to COM1:
// the bench of the widget tests that drive the window against a meter.

#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>

#include "link/stop_event.h"
#include "settings/settings.h"
#include "sim/meter_simulator.h"
#include "support/scripted_prompter.h"
#include "support/temp_settings.h"
#include "ui/main/kelvo_dlg.h"

namespace kelvo::test {

class WindowWithMeter {
public:
    // The window starts from `settingsText` as config.ini.
    WindowWithMeter(const sim::SimOptions& options, const std::string& settingsText) : meter(options) {
        settings.WriteIni(settingsText);
        if (!meter.Start()) throw std::runtime_error("the simulated meter cannot open a pseudo-terminal");
        settings.MapPort("COM1", meter.SlavePath());
        dlg.emplace(stopEvent, liveMutex, &prompter);
    }
    ~WindowWithMeter() {
        dlg.reset();
        meter.Stop();
    }
    WindowWithMeter(const WindowWithMeter&) = delete;
    WindowWithMeter& operator=(const WindowWithMeter&) = delete;

    // Stores `settingsText` again and hands it to the line as a save does: a W58 window
    // stores 2400 baud when it opens, and the tests talk at another rate.
    void StoreSettings(const std::string& settingsText) {
        settings.WriteIni(settingsText);
        dlg->Line().UseSettings(LoadSerialSettings());
    }

    TempSettings settings;  // first in, last out: the window and the meter go before it
    sim::MeterSimulator meter;
    StopEvent stopEvent;
    std::mutex liveMutex;
    ScriptedPrompter prompter;
    std::optional<CKelvoDlg> dlg;
};

}  // namespace kelvo::test
