// SPDX-License-Identifier: GPL-3.0-or-later
// The COM ports the serial settings dialog and the meter search offer on Windows.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "link/win32_port_list.h"

namespace kelvo {
namespace {

TEST(Win32PortList, ComNumbersAreThoseWindowsGives) {
    const struct {
        const char* name;
        int number;
    } cases[] = {
        {"COM1", 1}, {"com7", 7}, {"COM10", 10}, {"COM256", 256}, {"COM257", 0},
        {"COM0", 0}, {"COM01", 0}, {"COM", 0},   {"LPT1", 0},     {"COM1X", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(ComNumber(c.name), c.number) << c.name;
}

TEST(Win32PortList, APresentPortIsOfferedByNumberUnderItsOwnName) {
    const auto ports = PresentComPorts();
    for (std::size_t i = 0; i < ports.size(); ++i) {
        EXPECT_NE(ComNumber(ports[i].name), 0) << ports[i].name;
        EXPECT_TRUE(ports[i].label == ports[i].name ||
                    ports[i].label.find("(" + ports[i].name + ")") != std::string::npos)
            << ports[i].label;
        if (i > 0) {
            EXPECT_LT(ComNumber(ports[i - 1].name), ComNumber(ports[i].name));
        }
    }
    const char* mapped = std::getenv("KELVO_TEST_COM_PORT");
    if (mapped == nullptr || *mapped == '\0') GTEST_SKIP() << "KELVO_TEST_COM_PORT names no mapped port";
    EXPECT_TRUE(std::any_of(ports.begin(), ports.end(), [mapped](const PresentPort& port) { return port.name == mapped; }))
        << mapped << " is not offered";
}

}  // namespace
}  // namespace kelvo
