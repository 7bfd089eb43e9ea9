// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Readable failure messages for the settings records (GoogleTest finds PrintTo by lookup in
// the records' namespace).

#include <ostream>

#include "settings/settings.h"

namespace kelvo {

inline void PrintTo(const SerialSettings& s, std::ostream* out) {
    *out << "{port \"" << s.portName << "\", baud " << s.baudRate << ", address " << s.address << ", parity "
         << s.parity << ", timeout " << s.readTotalTimeout << ", byte order " << s.byteOrderMode << "}";
}

inline void PrintTo(const GenericPreset& p, std::ostream* out) {
    *out << "{DN " << p.DN << ", FlowUnit " << p.FlowUnit << ", FlowAccuUnit " << p.FlowAccuUnit << ", FlowScale "
         << p.FlowScale << ", ZeroFact " << p.ZeroFact << ", SnsrFact " << p.SnsrFact << "}";
}

inline void PrintTo(const W58Preset& p, std::ostream* out) {
    *out << "{DN " << p.DN << ", FlowAccuView " << p.FlowAccuView << ", HeatAccuUnit " << p.HeatAccuUnit
         << ", SnsrCode " << p.SnsrCode << ", FlowScale " << p.FlowScale << ", SnsrFact " << p.SnsrFact << ", Addr "
         << p.Addr << ", Baudrate " << p.Baudrate << ", Parity " << p.Parity << ", Swap " << p.Swap << "}";
}

}  // namespace kelvo
