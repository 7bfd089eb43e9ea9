// SPDX-License-Identifier: GPL-3.0-or-later
// The link through real converters on 127.0.0.1: socat as a serial server bridging to the
// simulated meter's pseudo-terminal (RTU over TCP), and pymodbus's Modbus TCP server as an
// independent meter behind a gateway.

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "link/modbus_rtu.h"
#include "messages/failure_text.h"
#include "records/meter_reading.h"
#include "sim/meter_simulator.h"
#include "support/loopback_peers.h"
#include "support/temp_settings.h"

namespace kelvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

SerialSettings Through(int linkType, int port) {
    SerialSettings settings;
    settings.linkType = linkType;
    settings.host = "127.0.0.1";
    settings.tcpPort = port;
    settings.address = 8;
    return settings;
}

std::string ModelOf(CDMRJly& link) {
    std::array<std::uint8_t, kIdentificationBytes> identification{};
    const LinkResult read = link.ReadIdentification(identification.data());
    if (!read) return FailureDetail(read);
    return std::string(identification.begin(), identification.begin() + 4) + "/" +
           std::string(identification.begin() + 4, identification.begin() + 8);
}

TEST(ConverterPeers, ASimulatedMeterBehindASerialServerIsReadWrittenAndBackedUp) {
    test::TempSettings settings;
    sim::SimOptions options;
    options.moveLiveValues = false;
    sim::MeterSimulator meter(options);
    ASSERT_TRUE(meter.Start());
    const int port = test::FreeLoopbackPort();
    test::PeerProcess socat(test::SerialServerCommand(port, meter.SlavePath()));
    ASSERT_TRUE(socat.Started() && test::AcceptsWithin(port)) << "socat did not come up";

    CDMRJly link;
    ASSERT_TRUE(link.OpenPort(Through(kLinkRtuOverTcp, port)));
    EXPECT_EQ(ModelOf(link), "RA03/2004");
    std::array<std::uint8_t, 200> live{};
    ASSERT_TRUE(link.ReadRegisters(99, 200, live.data()));
    EXPECT_EQ(Bytes(live.begin(), live.end()), meter.Bytes(99, 200));
    const Bytes range = {0x00, 0x01, 0x86, 0xA0};
    ASSERT_TRUE(link.WriteRegisters(139, 4, range.data()));
    EXPECT_EQ(meter.Bytes(139, 4), range);

    const MeterReading backup = ReadMeter(link, Through(kLinkRtuOverTcp, port), kW58Meter);
    EXPECT_TRUE(backup.record.has_value()) << ReadingFailureText(backup);
}

TEST(ConverterPeers, AnIndependentModbusTcpServerIsReadAndWrittenThroughTheGatewayTransport) {
    struct Case {
        const char* name;
        bool identifies;
        std::string model;  // or why the identification failed
    };
    const Case cases[] = {
        {"a gateway that forwards 0x41", true, "RA03/2004"},
        {"a gateway that does not", false, std::string(kGatewayNoIdentificationText)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int port = test::FreeLoopbackPort();
        test::PeerProcess server(test::ModbusTcpServerCommand(port, c.identifies));
        ASSERT_TRUE(server.Started() && test::AcceptsWithin(port)) << "the pymodbus server did not come up";
        CDMRJly link;
        ASSERT_TRUE(link.OpenPort(Through(kLinkModbusTcp, port)));
        EXPECT_EQ(ModelOf(link), c.model);
        // The peer holds 12.5 as a float in 99..100; what is written to 139 reads back.
        std::array<std::uint8_t, 4> flow{};
        ASSERT_TRUE(link.ReadRegisters(99, 4, flow.data()));
        EXPECT_EQ(Bytes(flow.begin(), flow.end()), (Bytes{0x41, 0x48, 0x00, 0x00}));
        const Bytes range = {0x00, 0x02, 0x49, 0xF0};
        ASSERT_TRUE(link.WriteRegisters(139, 4, range.data()));
        std::array<std::uint8_t, 4> back{};
        ASSERT_TRUE(link.ReadRegisters(139, 4, back.data()));
        EXPECT_EQ(Bytes(back.begin(), back.end()), range);
    }
}

}  // namespace
}  // namespace kelvo
