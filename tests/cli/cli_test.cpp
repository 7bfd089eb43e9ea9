// kelvo-cli run in-process against the simulated meter: what it prints and the exit
// status a script sees, for a meter found, none found, a port that cannot be opened and
// arguments it does not understand.

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_run.h"
#include "support/simulated_meter_port.h"

namespace kelvo::cli {
namespace {

using Args = std::vector<std::string>;

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome RunKelvoCli(const Args& args) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunCli(args, out, err, [](std::chrono::milliseconds timeout) {
        std::this_thread::sleep_for(timeout);
        return false;
    });
    return {status, out.str(), err.str()};
}

sim::SimOptions MeterAt(int address, int onlyBaud) {
    sim::SimOptions options = test::SimulatedMeterPort::DefaultOptions();
    options.address = static_cast<std::uint8_t>(address);
    options.onlyBaud = onlyBaud;
    return options;
}

const Args kScan = {"scan", "--port", "SIM1", "--address", "15-18", "--baud", "9600,4800", "--parity", "none",
                    "--turnaround", "20"};

TEST(KelvoCli, ScanPrintsTheMeterItFound) {
    test::SimulatedMeterPort port(MeterAt(17, 4800));
    ASSERT_TRUE(port.Start());
    const Outcome outcome = RunKelvoCli(kScan);
    EXPECT_EQ(outcome.status, kExitFound) << outcome.err;
    EXPECT_EQ(outcome.out, "地址 17 波特率 4800 校验 无校验 型号 RA03 版本 2004\n");
}

TEST(KelvoCli, ScanExitStatusWhenNothingAnswersOrThePortCannotBeOpened) {
    test::SimulatedMeterPort port(MeterAt(17, 4800));
    ASSERT_TRUE(port.Start());
    port.Meter().SetSilent(true);
    const Outcome nothing = RunKelvoCli(kScan);
    EXPECT_EQ(nothing.status, kExitNothing);
    EXPECT_EQ(nothing.out, "");
    EXPECT_NE(nothing.err.find("没有找到仪表"), std::string::npos) << nothing.err;

    port.Settings().MapPort("SIM1", port.Settings().ConfigHome() + "/no-such-device");
    const Outcome unopenable = RunKelvoCli(kScan);
    EXPECT_EQ(unopenable.status, kExitPort);
    EXPECT_NE(unopenable.err.find("打开串口失败！找不到该串口设备，请检查串口名称和连接线。（SIM1）"), std::string::npos)
        << unopenable.err;
}

TEST(KelvoCli, MonitorPrintsTheTrafficOfItsPolling) {
    test::SimulatedMeterPort port;
    ASSERT_TRUE(port.Start());
    const Outcome outcome = RunKelvoCli({"monitor", "--port", "SIM1", "--seconds", "1"});
    EXPECT_EQ(outcome.status, kExitFound) << outcome.err;
    EXPECT_NE(outcome.out.find("发送  [轮询]  地址 8 读仪表标识  08 41 00 00 52 50"), std::string::npos) << outcome.out;
    EXPECT_NE(outcome.out.find("地址 8 读输入寄存器 起始 99 数量 59"), std::string::npos) << outcome.out;
    EXPECT_NE(outcome.out.find("应答 118 字节"), std::string::npos) << outcome.out;
    EXPECT_NE(outcome.err.find("正确应答"), std::string::npos) << outcome.err;
}

TEST(KelvoCli, MonitorExitStatusWhenTheMeterIsSilentOrThePortCannotBeOpened) {
    test::SimulatedMeterPort port;
    ASSERT_TRUE(port.Start());
    port.Meter().SetSilent(true);
    const Outcome silent = RunKelvoCli({"monitor", "--port", "SIM1", "--seconds", "1"});
    EXPECT_EQ(silent.status, kExitNothing);
    EXPECT_NE(silent.out.find("无应答"), std::string::npos) << silent.out;
    // The simulated meter's settings file keeps 57600 baud, where the link waits 200 ms.
    EXPECT_NE(silent.err.find("读取仪表串号失败！无应答（等待 200 ms，共 1 次）\n"), std::string::npos) << silent.err;

    const Outcome unopenable = RunKelvoCli({"monitor", "--port", "NONE1", "--seconds", "1"});
    EXPECT_EQ(unopenable.status, kExitPort);
    EXPECT_NE(unopenable.err.find("打开串口失败！找不到该串口设备，请检查串口名称和连接线。\n"), std::string::npos)
        << unopenable.err;
}

TEST(KelvoCli, ArgumentsItDoesNotUnderstand) {
    const Args cases[] = {
        {},
        {"scan"},
        {"scan", "--port", "SIM1", "--address", "0-300"},
        {"scan", "--port", "SIM1", "--baud", "4800,600"},
        {"scan", "--port", "SIM1", "--parity", "mark"},
        {"monitor", "--port", "SIM1"},
        {"monitor", "--port", "SIM1", "--seconds", "ten"},
        {"probe", "--port", "SIM1"},
    };
    for (const Args& args : cases) {
        const Outcome outcome = RunKelvoCli(args);
        EXPECT_EQ(outcome.status, kExitUsage) << testing::PrintToString(args);
        EXPECT_NE(outcome.err.find("用法"), std::string::npos);
    }
    EXPECT_EQ(RunKelvoCli({"--help"}).status, kExitFound);
}

}  // namespace
}  // namespace kelvo::cli
