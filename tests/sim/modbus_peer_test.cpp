// SPDX-License-Identifier: GPL-3.0-or-later
// libmodbus as an independent Modbus master against the simulated meter: if a stock
// implementation reads, writes and checks CRCs happily, the frames are right.

#include <errno.h>
#include <gtest/gtest.h>
#include <modbus.h>
#include <poll.h>
#include <unistd.h>

#include <memory>
#include <vector>

#include "sim/meter_simulator.h"
#include "wire_port.h"

namespace kelvo::sim::test {
namespace {

struct ModbusCloser {
    void operator()(modbus_t* context) const {
        modbus_close(context);
        modbus_free(context);
    }
};
using ModbusContext = std::unique_ptr<modbus_t, ModbusCloser>;

// Whatever arrives until the line has been quiet for a while.
Bytes ReadAnswer(int fd) {
    Bytes answer;
    int waitMs = 2000;
    pollfd entry{.fd = fd, .events = POLLIN, .revents = 0};
    while (poll(&entry, 1, waitMs) > 0) {
        std::uint8_t buffer[256];
        const ssize_t count = read(fd, buffer, sizeof buffer);
        if (count <= 0) break;
        answer.insert(answer.end(), buffer, buffer + count);
        waitMs = 50;
    }
    return answer;
}

class ModbusPeerTest : public ::testing::Test {
protected:
    ModbusPeerTest() : sim_(StillOptions()) {}

    static SimOptions StillOptions() {
        SimOptions options;
        options.moveLiveValues = false;
        return options;
    }

    void SetUp() override {
        ASSERT_TRUE(sim_.Start());
        // A pty takes the line settings without applying them; libmodbus insists on some.
        master_.reset(modbus_new_rtu(sim_.SlavePath().c_str(), 57600, 'N', 8, 1));
        ASSERT_NE(master_, nullptr);
        ASSERT_EQ(modbus_set_slave(master_.get(), 8), 0);
        ASSERT_EQ(modbus_set_response_timeout(master_.get(), 2, 0), 0);
        ASSERT_EQ(modbus_connect(master_.get()), 0) << modbus_strerror(errno);
    }

    MeterSimulator sim_;
    ModbusContext master_;
};

TEST_F(ModbusPeerTest, ReadsSeeTheRegisterImage) {
    struct Block {
        int first;
        int count;
    };
    // The blocks a W58 and a generic polling cycle read, and a full-size request.
    const Block blocks[] = {{99, 100}, {199, 88}, {321, 13}, {99, 59}, {323, 2}, {185, 1}, {189, 2}, {0, 125}, {275, 125}};
    for (const Block& block : blocks) {
        SCOPED_TRACE(block.first);
        std::vector<std::uint16_t> read(static_cast<std::size_t>(block.count));
        ASSERT_EQ(modbus_read_input_registers(master_.get(), block.first, block.count, read.data()), block.count)
            << modbus_strerror(errno);
        for (int i = 0; i < block.count; ++i) EXPECT_EQ(read[static_cast<std::size_t>(i)], sim_.Reg(block.first + i));
    }
}

TEST_F(ModbusPeerTest, WritesChangeTheImageAndLaterReadsSeeThem) {
    struct Write {
        const char* what;
        int first;
        std::vector<std::uint16_t> values;
    };
    const Write writes[] = {
        {"flow range", 139, {0x0000, 0x0002}},
        {"meter number digits", 225, {0x0807, 0x0605, 0x0403, 0x0201}},
        {"meter clock", 273, {0x1801, 0x0F0C, 0x1E2D}},
        {"a hundred registers", 150, std::vector<std::uint16_t>(100, 0xA55A)},
        {"the last register", 399, {0xBEEF}},
    };
    for (const Write& write : writes) {
        SCOPED_TRACE(write.what);
        const int count = static_cast<int>(write.values.size());
        ASSERT_EQ(modbus_write_registers(master_.get(), write.first, count, write.values.data()), count)
            << modbus_strerror(errno);
        std::vector<std::uint16_t> read(write.values.size());
        ASSERT_EQ(modbus_read_input_registers(master_.get(), write.first, count, read.data()), count);
        EXPECT_EQ(read, write.values);
        EXPECT_EQ(sim_.Reg(write.first), write.values.front());
    }
}

TEST_F(ModbusPeerTest, RefusedRequestsAreModbusExceptions) {
    std::uint16_t registers[2];
    EXPECT_EQ(modbus_read_input_registers(master_.get(), 399, 2, registers), -1);
    EXPECT_EQ(errno, EMBXILADD);
    sim_.SetExceptionRange(140, 140);
    EXPECT_EQ(modbus_read_input_registers(master_.get(), 139, 2, registers), -1);
    EXPECT_EQ(errno, EMBXILADD);
    const std::uint16_t value = 7;
    EXPECT_EQ(modbus_write_registers(master_.get(), 140, 1, &value), -1);
    EXPECT_EQ(errno, EMBXILADD);
}

TEST_F(ModbusPeerTest, IdentificationCarriesModelAndVersion) {
    struct Case {
        const char* model;
        const char* version;
    };
    const Case cases[] = {{"RA03", "2004"}, {"RA06", "2002"}, {"XY99", "1:00"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model);
        sim_.SetIdentification(c.model, c.version);
        // libmodbus frames the request and adds its own CRC. It cannot take the answer
        // apart (it knows no length rule for function code 0x41), so the answer is read
        // off its port as it came.
        const std::uint8_t request[] = {8, 0x41, 0x00, 0x00};
        ASSERT_EQ(modbus_send_raw_request(master_.get(), request, sizeof request), 6);
        const Bytes answer = ReadAnswer(modbus_get_socket(master_.get()));
        Bytes expected = {8, 0x41, 0x00, 8};
        for (const char* text : {c.model, c.version}) {
            for (const char* p = text; *p != '\0'; ++p) expected.push_back(static_cast<std::uint8_t>(*p));
        }
        EXPECT_EQ(answer, WithCrc(expected));
    }
}

}  // namespace
}  // namespace kelvo::sim::test
