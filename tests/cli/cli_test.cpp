// SPDX-License-Identifier: GPL-3.0-or-later
// kelvo-cli run in-process against the simulated meter: what it prints, what the meter
// receives, the files it writes and the exit status a script sees.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_run.h"
#include "records/meter_record.h"
#include "records/record_parameters.h"
#include "settings/atomic_file.h"
#include "settings/proving_settings.h"
#include "settings/settings.h"
#include "messages/failure_text.h"
#include "support/loopback_peers.h"
#include "support/simulated_meter_port.h"
#include "vocabulary/kelvo_version.h"

namespace kelvo::cli {
namespace {

using Args = std::vector<std::string>;

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome RunKelvoCli(const Args& args, const InterruptWait& wait = {}) {
    std::ostringstream out;
    std::ostringstream err;
    const auto sleep = [](std::chrono::milliseconds timeout) {
        std::this_thread::sleep_for(timeout);
        return false;
    };
    const int status = RunCli(args, out, err, wait ? wait : InterruptWait(sleep));
    return {status, out.str(), err.str()};
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string ReadFile(const std::string& path) { return ReadWholeFile(path).text; }

void WriteFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

sim::SimOptions MeterAt(int address, int onlyBaud) {
    sim::SimOptions options = test::SimulatedMeterPort::DefaultOptions();
    options.address = static_cast<std::uint8_t>(address);
    options.onlyBaud = onlyBaud;
    return options;
}

// A W58 meter, and the kind stored as the window would store it.
::testing::AssertionResult StartW58(test::SimulatedMeterPort& port) {
    auto started = port.Start();
    port.Settings().WriteIni(test::ComSetIni(1) + "[MeterType]\nType=1\n");
    return started;
}

// One function code 0x10 request as the meter received it: first register and data.
struct WriteRequest {
    int start;
    std::vector<std::uint8_t> data;
    bool operator==(const WriteRequest&) const = default;
};

std::vector<WriteRequest> WriteRequestsOf(const std::vector<std::vector<std::uint8_t>>& frames) {
    std::vector<WriteRequest> writes;
    for (const auto& frame : frames) {
        if (frame.size() > 9 && frame[1] == 0x10) {
            writes.push_back({frame[2] << 8 | frame[3], {frame.begin() + 7, frame.end() - 2}});
        }
    }
    return writes;
}

std::ostream& operator<<(std::ostream& out, const WriteRequest& write) {
    out << "{" << write.start << ",";
    for (int byte : write.data) out << " " << byte;
    return out << "}";
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

// Unattended logging, with a meter that refuses its live blocks for a while in the middle.
TEST(KelvoCli, LogWritesEveryCycleWithTheValuesTheMeterSent) {
    test::SimulatedMeterPort port;
    ASSERT_TRUE(StartW58(port));
    port.Meter().SetFloat(99, 12.5F);
    const std::string chosen = port.Settings().ConfigHome() + "/泵站.csv";
    const auto start = std::chrono::steady_clock::now();
    const auto refusing = [&](std::chrono::milliseconds pause) {
        std::this_thread::sleep_for(pause);
        const auto elapsed = std::chrono::steady_clock::now() - start;
        port.Meter().SetExceptionRange(99, 333, elapsed > std::chrono::milliseconds(1500) &&
                                                        elapsed < std::chrono::milliseconds(3000) ? -1 : 0);
        return false;
    };
    const Outcome outcome = RunKelvoCli({"log", "-o", chosen, "--seconds", "5"}, refusing);
    ASSERT_EQ(outcome.status, kExitDone) << outcome.err;
    const std::size_t named = outcome.out.find("记录文件：");
    ASSERT_NE(named, std::string::npos) << outcome.out;
    const std::string file = outcome.out.substr(named + std::string("记录文件：").size(),
                                                outcome.out.find('\n', named) - named - std::string("记录文件：").size());
    EXPECT_EQ(file.rfind(port.Settings().ConfigHome() + "/泵站-", 0), 0U) << file;

    const std::string text = ReadFile(file);
    EXPECT_EQ(text.rfind("\xEF\xBB\xBF型号,RA03\r\n版本,2004\r\n表号,", 0), 0U) << text.substr(0, 80);
    EXPECT_TRUE(Has(text, "仪表类型,W58仪表\r\n串口,SIM1\r\n地址,8\r\n波特率,57600\r\n"));
    std::istringstream rows(text.substr(text.find("时间,状态,瞬时流量 (m3/h)")));
    std::string row;
    std::getline(rows, row);
    std::vector<char> kinds;  // g for a good row, F for a failed one
    while (std::getline(rows, row)) {
        ASSERT_EQ(std::count(row.begin(), row.end(), ','), 13) << row;
        const bool failed = Has(row, ",通讯中断,");
        EXPECT_TRUE(failed ? Has(row, ",通讯中断,,,,,,,,,,,,\r") : Has(row, ",,12.5,")) << "no old value in a failed row";
        if (kinds.empty() || kinds.back() != (failed ? 'F' : 'g')) kinds.push_back(failed ? 'F' : 'g');
    }
    EXPECT_EQ(std::string(kinds.begin(), kinds.end()), "gFg") << "good rows, the refused stretch, good rows again";
    EXPECT_TRUE(Has(outcome.out, "已记录 ")) << outcome.out;
}

TEST(KelvoCli, LogExitStatusWhenTheMeterNeverAnswers) {
    test::SimulatedMeterPort port;
    ASSERT_TRUE(StartW58(port));
    const std::string chosen = port.Settings().ConfigHome() + "/x.csv";
    port.Meter().SetSilent(true);
    const Outcome silent = RunKelvoCli({"log", "-o", chosen, "--seconds", "1"});
    EXPECT_EQ(silent.status, kExitPort);
    EXPECT_TRUE(Has(silent.err, "读取仪表串号失败！")) << silent.err;

    port.Meter().SetSilent(false);
    port.Meter().SetExceptionRange(99, 333);
    const Outcome refused = RunKelvoCli({"log", "-o", chosen, "--seconds", "1"});
    EXPECT_EQ(refused.status, kExitPort);
    EXPECT_TRUE(Has(refused.err, "仪表没有应答轮询，没有写入记录文件。")) << refused.err;
    for (const auto& entry : std::filesystem::directory_iterator(port.Settings().ConfigHome())) {
        EXPECT_NE(entry.path().filename().string().rfind("x-", 0), 0U) << "no file for a log without a good cycle";
    }
}

// The commissioning round: a backup, three parameters changed on the meter, found by a
// compare, put back by a restore — the per-meter one only when named.
TEST(KelvoCli, BackupCompareAndRestoreAMeter) {
    test::SimulatedMeterPort port;
    ASSERT_TRUE(StartW58(port));
    sim::MeterSimulator& meter = port.Meter();
    const std::string file = port.Settings().ConfigHome() + "/备份.ini";
    const std::vector<const ParamRow*> parameters = RecordedParameters(kW58Meter);

    const Outcome backup = RunKelvoCli({"backup", "-o", file});
    ASSERT_EQ(backup.status, kExitDone) << backup.err;
    EXPECT_EQ(backup.out, "已备份 " + std::to_string(parameters.size()) + " 个参数（W58仪表，型号 RA03，版本 2004）到 " +
                              file + "\n");
    const RecordRead read = ReadRecord(file);
    ASSERT_TRUE(read.record) << read.problem;
    EXPECT_EQ(read.record->meterKind, kW58Meter);
    for (const ParamRow* parameter : parameters) {
        const RecordedValue* value = read.record->Find(parameter->name);
        ASSERT_NE(value, nullptr) << parameter->name;
        EXPECT_EQ(value->raw, meter.Bytes(parameter->reg, parameter->Bytes())) << parameter->name;
    }
    EXPECT_TRUE(Has(ReadFile(file), "[spike_time]\nLabel=尖峰抑制时间(s)\nRegister=180\nRaw=00 02\nValue=2\nUnit=s\n"));
    // Every value with its unit as the page and the live display show it, in the file and the report.
    const std::string html = port.Settings().ConfigHome() + "/report.html";
    ASSERT_EQ(RunKelvoCli({"report", file, "-o", html}).status, kExitDone);
    const std::pair<const char*, const char*> units[] = {
        {"flow_range", "m3/h"}, {"forward_total", "m3"},  {"heat_total", "kWh"},         {"correction_point_1", "m/s"},
        {"density", "kg/m3"},   {"sensor_factor", ""},    {"supply_compensation", "℃"}, {"energy_pulse_equivalent", "kWh/P"},
    };
    for (const auto& [name, unit] : units) {
        const RecordedValue* value = read.record->Find(name);
        ASSERT_NE(value, nullptr) << name;
        EXPECT_EQ(value->unit, unit) << name;
        EXPECT_TRUE(Has(ReadFile(html), "<tr><td>" + value->label + "</td><td>" + value->value + "</td><td>" + unit + "</td>"))
            << name;
    }

    meter.SetReg(180, 9);                                        // spike_time 2 → 9
    meter.SetReg(191, 4);                                        // pulse_width → 10ms
    meter.SetBytes(225, {8, 7, 6, 5, 4, 3, 2, 1});               // meter_number, per meter
    const Outcome changed = RunKelvoCli({"compare", file});
    EXPECT_EQ(changed.status, kExitNotDone) << changed.err;
    EXPECT_EQ(changed.out, "对比：仪表 / " + file +
                               "\n"
                               "meter_number 表号：87654321 / 12345678（不同）\n"
                               "spike_time 尖峰抑制时间(s)：9 s / 2 s（不同）\n"
                               "pulse_width 脉冲宽度：10ms / 200ms（不同）\n"
                               "共 3 处不同\n");

    // Nobody to answer and no --yes: the meter is read, nothing is written.
    meter.ClearRequests();
    const Outcome unasked = RunKelvoCli({"restore", file});
    EXPECT_EQ(unasked.status, kExitNotDone);
    EXPECT_TRUE(Has(unasked.err, "将向仪表写入 2 个与仪表不同的参数")) << unasked.err;
    EXPECT_TRUE(Has(unasked.err, "没有终端可以回答，不写入；要不经询问写入，请加 --yes。")) << unasked.err;
    EXPECT_EQ(WriteRequestsOf(meter.Requests()), std::vector<WriteRequest>{});

    const Outcome restored = RunKelvoCli({"restore", file, "--yes"});
    EXPECT_EQ(restored.status, kExitDone) << restored.err;
    EXPECT_TRUE(Has(restored.out, "不写入仪表自身的参数（要写入请用 --only 列出）：")) << restored.out;
    EXPECT_TRUE(Has(restored.out, "meter_number 表号")) << restored.out;
    EXPECT_TRUE(Has(restored.out, "恢复成功：写入并核对了 2 个参数")) << restored.out;
    EXPECT_EQ(meter.Reg(180), 2);
    EXPECT_EQ(meter.Reg(191), 0);
    EXPECT_EQ(meter.Bytes(225, 8), (std::vector<std::uint8_t>{8, 7, 6, 5, 4, 3, 2, 1}));

    const Outcome named = RunKelvoCli({"restore", file, "--only", "meter_number", "--yes"});
    EXPECT_EQ(named.status, kExitDone) << named.err;
    EXPECT_FALSE(Has(named.out, "不写入仪表自身的参数")) << named.out;
    EXPECT_EQ(meter.Bytes(225, 8), (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
    const Outcome same = RunKelvoCli({"compare", file, "--all"});
    EXPECT_EQ(same.status, kExitDone) << same.out;
    EXPECT_TRUE(Has(same.out, "spike_time 尖峰抑制时间(s)：2 s / 2 s（相同）\n")) << same.out;
    EXPECT_TRUE(Has(same.out, "\n参数相同\n")) << same.out;
}

TEST(KelvoCli, ReadAndWriteNamedParameters) {
    test::SimulatedMeterPort port;
    ASSERT_TRUE(StartW58(port));
    sim::MeterSimulator& meter = port.Meter();
    meter.ClearRequests();

    const Outcome written = RunKelvoCli({"write", "spike_time=7", "pulse_width=20ms", "supply_compensation=-1.5"});
    EXPECT_EQ(written.status, kExitDone) << written.err;
    EXPECT_EQ(written.out,
              "spike_time 尖峰抑制时间(s)：写入 7 s，读回 7 s\n"
              "pulse_width 脉冲宽度：写入 20ms，读回 20ms\n"
              "supply_compensation 供温补偿(℃)：写入 -1.5 ℃，读回 -1.5 ℃\n");
    EXPECT_EQ(WriteRequestsOf(meter.Requests()),
              (std::vector<WriteRequest>{{180, {0x00, 0x07}}, {191, {0x00, 0x03}}, {258, {0xFF, 0xF1}}}));
    EXPECT_EQ((test::ReadRequestsOf(meter.Requests())),
              (std::vector<test::ReadRequest>{{180, 1}, {191, 1}, {258, 1}}));

    meter.ClearRequests();
    const Outcome read = RunKelvoCli({"read", "pulse_width", "flow_range"});
    EXPECT_EQ(read.status, kExitDone) << read.err;
    EXPECT_EQ(read.out, "pulse_width 脉冲宽度 = 20ms\nflow_range 流量量程 = 20\n");
    EXPECT_EQ(test::ReadRequestsOf(meter.Requests()), (std::vector<test::ReadRequest>{{191, 1}, {139, 2}}));

    // Refused before the port is opened: nothing reaches the meter.
    const struct {
        const char* assignment;
        const char* says;
    } refused[] = {
        {"supply_compensation=5", "-3"},
        {"meter_address=70000", "请输入一个 0 至 65535 之间的整数。"},
        {"spike_coefficient=0.0005", "仪表保存的将是 0，不是 0.0005"},
        {"pulse_width=1ms", "可选：200ms、100ms、52ms、20ms、10ms、50%"},
    };
    meter.ClearRequests();
    for (const auto& [assignment, says] : refused) {
        const Outcome outcome = RunKelvoCli({"write", "spike_time=3", assignment});
        EXPECT_EQ(outcome.status, kExitUsage) << assignment;
        EXPECT_TRUE(Has(outcome.err, says)) << outcome.err;
    }
    EXPECT_TRUE(meter.Requests().empty());
    EXPECT_EQ(meter.Reg(180), 7);

    // A silent meter, Ctrl+C and a port that is not there.
    meter.SetSilent(true);
    const Outcome silent = RunKelvoCli({"backup", "-o", port.Settings().ConfigHome() + "/x.ini"});
    EXPECT_EQ(silent.status, kExitNotDone);
    EXPECT_EQ(silent.err, "读取仪表参数失败！标识：无应答（等待 200 ms，共 1 次）\n");
    const Outcome interrupted = RunKelvoCli({"read", "spike_time"}, [](std::chrono::milliseconds) { return true; });
    EXPECT_EQ(interrupted.status, kExitNotDone);
    EXPECT_EQ(interrupted.err, "已中断，串口已关闭。\n");
    const Outcome unopenable = RunKelvoCli({"write", "spike_time=3", "--port", "NONE1"});
    EXPECT_EQ(unopenable.status, kExitPort);
    EXPECT_EQ(unopenable.err, "打开串口失败！找不到该串口设备，请检查串口名称和连接线。（NONE1）\n");
    EXPECT_FALSE(std::filesystem::exists(port.Settings().ConfigHome() + "/x.ini"));
}

TEST(KelvoCli, ParametersOfTheGenericMeterThatDependOnItsEncodingAreReadAfterTheIdentification) {
    sim::SimOptions options = test::SimulatedMeterPort::DefaultOptions();
    options.kind = sim::SimMeterKind::Generic;
    test::SimulatedMeterPort port(options);
    ASSERT_TRUE(port.Start());
    const Outcome read = RunKelvoCli({"read", "sensor_factor", "--kind", "generic"});
    EXPECT_EQ(read.status, kExitDone) << read.err;
    EXPECT_EQ(read.out, "sensor_factor 传感器系数 = 1\n");
    const auto frames = port.Meter().Requests();
    ASSERT_EQ(frames.size(), 2U);
    EXPECT_EQ(frames[0][1], 0x41);
    EXPECT_EQ(test::ReadRequestsOf(frames), (std::vector<test::ReadRequest>{{147, 2}}));
}

constexpr char kRecordHead[] = "[Record]\nFormat=1\nKind=w58\nModel=RA03\nVersion=2004\nByteOrder=1\nEncoding=1\n";

std::string SpikeTimeRecord(int seconds) {
    return std::string(kRecordHead) + "[spike_time]\nLabel=尖峰抑制时间(s)\nRegister=180\nRaw=00 0" +
           std::to_string(seconds) + "\nValue=" + std::to_string(seconds) + "\nUnit=s\n";
}

// A restore that leaves a ticked parameter out is not done: a script sees exit status 1.
TEST(KelvoCli, ARestoreThatCannotWriteEveryParameterIsNotDone) {
    test::SimulatedMeterPort port;
    ASSERT_TRUE(StartW58(port));
    sim::MeterSimulator& meter = port.Meter();
    const std::string file = port.Settings().ConfigHome() + "/edited.ini";
    // By hand: spike time 5 s, and a supply compensation of -5 ℃ where the page takes -3 to 3.
    WriteFile(file, std::string(kRecordHead) + "[spike_time]\nRegister=180\nRaw=00 05\n" +
                        "[supply_compensation]\nRegister=258\nRaw=FF CE\n");
    const std::uint16_t compensation = meter.Reg(258);

    const Outcome restored = RunKelvoCli({"restore", file, "--yes"});
    EXPECT_EQ(restored.status, kExitNotDone);
    EXPECT_TRUE(Has(restored.err, "恢复未完成：写入并核对了 1 个参数，1 个参数不能写入\n")) << restored.err;
    EXPECT_TRUE(Has(restored.err, "供温补偿(℃)（supply_compensation）：本仪表不能写入备份的值 -5")) << restored.err;
    EXPECT_EQ(meter.Reg(180), 5);
    EXPECT_EQ(meter.Reg(258), compensation);
}

TEST(KelvoCli, FilesComparedAndReported) {
    test::TempSettings settings;
    settings.WriteIni("[Report]\nTechnician=张工\nSite=一号泵房\n");
    const std::string a = settings.ConfigHome() + "/a.ini";
    const std::string b = settings.ConfigHome() + "/b.ini";
    WriteFile(a, SpikeTimeRecord(2));
    WriteFile(b, SpikeTimeRecord(5));

    const Outcome differ = RunKelvoCli({"compare", a, b});
    EXPECT_EQ(differ.status, kExitNotDone);
    EXPECT_EQ(differ.out, "对比：" + a + " / " + b + "\nspike_time 尖峰抑制时间(s)：2 s / 5 s（不同）\n共 1 处不同\n");
    EXPECT_EQ(RunKelvoCli({"compare", a, a}).status, kExitDone);

    const std::string html = settings.ConfigHome() + "/报告.html";
    const Outcome report = RunKelvoCli({"report", b, "-o", html, "--site", "二号井"});
    EXPECT_EQ(report.status, kExitDone) << report.err;
    EXPECT_EQ(report.out, "已生成调试报告 " + html + "\n");
    const std::string text = ReadFile(html);
    EXPECT_TRUE(Has(text, "张工")) << text;
    EXPECT_TRUE(Has(text, "二号井")) << text;
    EXPECT_FALSE(Has(text, "一号泵房")) << text;
    EXPECT_TRUE(Has(text, "尖峰抑制时间(s)")) << text;
#ifdef KELVO_CLI_PDF
    const std::string pdf = settings.ConfigHome() + "/报告.pdf";
    EXPECT_EQ(RunKelvoCli({"report", b, "-o", pdf}).status, kExitDone);
    EXPECT_EQ(ReadFile(pdf).substr(0, 5), "%PDF-");
#endif
}

TEST(KelvoCli, CommandsReachTheMeterThroughASerialServerAndAGateway) {
    test::SimulatedMeterPort port(MeterAt(17, 0));
    ASSERT_TRUE(port.Start());
    const int serialServer = test::FreeLoopbackPort();
    test::PeerProcess socat(test::SerialServerCommand(serialServer, port.Meter().SlavePath()));
    ASSERT_TRUE(socat.Started() && test::AcceptsWithin(serialServer));
    const std::string where = "127.0.0.1:" + std::to_string(serialServer);
    const Outcome scan = RunKelvoCli({"scan", "--tcp", where, "--address", "15-18", "--turnaround", "20"});
    EXPECT_EQ(scan.status, kExitFound) << scan.err;
    EXPECT_EQ(scan.out, "地址 17 经由 " + where + " 型号 RA03 版本 2004\n");
    EXPECT_TRUE(Has(scan.err, "只试地址")) << scan.err;

    const int gateway = test::FreeLoopbackPort();
    test::PeerProcess refusing(test::ModbusTcpServerCommand(gateway, false));
    ASSERT_TRUE(refusing.Started() && test::AcceptsWithin(gateway));
    const std::string backup = port.Settings().ConfigHome() + "/gateway.ini";
    const Outcome refused = RunKelvoCli({"backup", "-o", backup, "--modbus-tcp", "127.0.0.1:" + std::to_string(gateway)});
    EXPECT_EQ(refused.status, kExitNotDone);
    EXPECT_TRUE(Has(refused.err, std::string(kGatewayNoIdentificationText))) << refused.err;
    refusing.Stop();
    const Outcome unreachable = RunKelvoCli({"read", "flow_range", "--modbus-tcp", "127.0.0.1:" + std::to_string(gateway)});
    EXPECT_EQ(unreachable.status, kExitPort);
    EXPECT_TRUE(Has(unreachable.err, "打开串口失败！连接被拒绝")) << unreachable.err;
}

TEST(KelvoCli, ArgumentsItDoesNotUnderstand) {
    test::TempSettings settings;
    settings.WriteIni(test::ComSetIni(1) + "[MeterType]\nType=1\n");
    const std::string w58 = settings.ConfigHome() + "/w58.ini";
    const std::string generic = settings.ConfigHome() + "/generic.ini";
    const std::string other = settings.ConfigHome() + "/other.ini";
    WriteFile(w58, kRecordHead);
    WriteFile(generic, "[Record]\nFormat=1\nKind=generic\n");
    WriteFile(other, "[ComSet]\nAddr=8\n");
    const struct {
        Args args;
        std::string says;
    } cases[] = {
        {{}, "缺少命令"},
        {{"probe", "--port", "SIM1"}, "不认识的命令 probe"},
        {{"help", "probe"}, "不认识的命令 probe"},
        {{"--version", "scan"}, "不认识的命令 --version"},
        {{"scan"}, "缺少 --port"},
        {{"scan", "--port", "SIM1", "--address", "0-300"}, "--address"},
        {{"scan", "--port", "SIM1", "--baud", "4800,600"}, "--baud"},
        {{"scan", "--port", "SIM1", "--parity", "mark"}, "--parity"},
        {{"monitor", "--port", "SIM1"}, "缺少 --seconds"},
        {{"monitor", "--port", "SIM1", "--seconds", "ten"}, "--seconds"},
        {{"log", "--port", "SIM1"}, "缺少 -o"},
        {{"log", "-o", "x.csv", "--seconds", "0"}, "--seconds"},
        {{"zero-check", "--seconds", "0"}, "--seconds"},
        {{"verify", "--reference", "1"}, "缺少 --seconds"},
        {{"verify", "--seconds", "20"}, "缺少 --reference"},
        {{"verify", "--seconds", "20", "--reference", "-2"}, "--reference"},
        {{"verify", "--seconds", "20", "--reference", "2", "--unit", "m³"}, "--unit"},
        {{"verify", "--seconds", "20", "--reference", "2", "--tolerance", "0"}, "--tolerance"},
        {{"backup"}, "缺少 -o"},
        {{"backup", "-o"}, "参数 -o 缺少值"},
        {{"backup", "-o", "x.ini", "--kind", "w59"}, "--kind"},
        {{"backup", "-o", "x.ini", "extra"}, "多余的参数 extra"},
        {{"compare"}, "缺少备份文件"},
        {{"compare", w58, w58, w58}, "多余的参数"},
        {{"compare", w58, w58, "--port", "SIM1"}, "不需要串口参数"},
        {{"compare", other}, "不是 Kelvo 参数备份文件"},
        {{"compare", settings.ConfigHome() + "/none.ini"}, "找不到文件"},
        {{"compare", w58, generic}, "仪表类型不同"},
        {{"compare", w58, "--kind", "generic"}, "--kind"},
        {{"restore", w58, "--only", "a,,b"}, "--only"},
        {{"restore", w58, "--only", "no_such"}, "备份文件中没有这些参数：no_such"},
        {{"restore", w58, "--yes", "--all"}, "不认识的参数 --all"},
        {{"read"}, "缺少参数名"},
        {{"read", "no_such", "flow_range", "other_such"}, "W58仪表没有这些参数：no_such、other_such"},
        {{"read", "low_flow_cutoff"}, "W58仪表没有这些参数"},
        {{"write", "flow_range"}, "不是 参数名=值"},
        {{"write", "no_such=1"}, "没有这些参数：no_such"},
        {{"write", "flow_range=fast"}, "flow_range 流量量程 的值“fast”不对"},
        {{"report", w58}, "缺少 -o"},
        {{"report", w58, "-o", "x.txt"}, ".pdf 或 .html"},
        {{"report", w58, "-o", "x.html", "--port", "SIM1"}, "不认识的参数 --port"},
        {{"backup", "-o", "x.ini", "--port", "SIM1", "--tcp", "127.0.0.1:4001"}, "只能给出一个"},
        {{"backup", "-o", "x.ini", "--tcp", "::1:4001"}, "--tcp"},
        {{"backup", "-o", "x.ini", "--modbus-tcp", "127.0.0.1:70000"}, "--modbus-tcp"},
        {{"backup", "-o", "x.ini", "--modbus-tcp", "127.0.0.1:502", "--net-timeout", "10"}, "--net-timeout"},
        {{"monitor", "--tcp", "local host:4001", "--seconds", "1"}, "--tcp"},
        {{"scan", "--tcp", "127.0.0.1:4001", "--baud", "9600"}, "只试地址"},
    };
    for (const auto& [args, says] : cases) {
        const Outcome outcome = RunKelvoCli(args);
        EXPECT_EQ(outcome.status, kExitUsage) << testing::PrintToString(args);
        EXPECT_TRUE(Has(outcome.err, says)) << testing::PrintToString(args) << "\n" << outcome.err;
    }
}

// The zero check and a verification run against a still meter whose zero is off, and one
// whose sensor factor is 2 % from true: the exit status a script acts on. The meter's
// totals move once, by 1000 s of its flow, after the run has taken its start.
TEST(KelvoCli, ZeroCheckAndVerifyExitByTheirVerdict) {
    struct Case {
        const char* what;
        double zeroOffset;                // m3/h, of a range of 20 m3/h
        std::optional<double> trueFactor;  // the meter's is 1
        bool silent;
        std::optional<double> storedMeanLimit;  // [Proving] ZeroMeanLimit, % of the range
        Args args;
        int status;
        std::vector<std::string> said;  // on out, or on err for a failure
    };
    const Args zero = {"zero-check", "--seconds", "5"};  // some 15 cycles: 10 good ones are the least
    const Args verify = {"verify", "--seconds", "2", "--reference", "10"};
    const auto with = [](Args args, std::initializer_list<std::string> more) {
        args.insert(args.end(), more);
        return args;
    };
    const std::vector<Case> cases = {
        {"a zero of 0.2 % of the range", 0.04, std::nullopt, false, {}, zero, kExitPass,
         {"平均值：0.0400 m3/h", "平均值占量程：0.200 %", "结论：合格"}},
        {"a zero of 1 % of the range", 0.2, std::nullopt, false, {}, zero, kExitFail,
         {"平均值占量程：1.000 %", "结论：不合格", "零点平均值为量程的 1.000 %，超出限值 ±0.500 %。"}},
        {"the same zero against the 0.1 % the window stored", 0.04, std::nullopt, false, 0.1, zero, kExitFail,
         {"结论：不合格", "零点平均值为量程的 0.200 %，超出限值 ±0.100 %。"}},
        {"a silent meter: no verdict", 0, std::nullopt, true, {}, zero, kExitNoVerdict, {"读取仪表串号失败！"}},
        {"a meter that reads true", 0, std::nullopt, false, {}, verify, kExitPass,
         {"测得体积：10.000 m3", "误差：+0.000 %", "仪表系数：1.00000", "结论：合格（允许误差 ±0.500 %）"}},
        {"a sensor factor 2 % from true, the reference in litres", 0, 1.02, false, {},
         with(verify, {"--unit", "L", "--reference", "10000"}), kExitFail,
         // 35.294 m3/h for 1000 s, as the meter's total counts it in whole thousandths.
         {"测得体积：9.803 m3", "参考体积：10000 L（= 10.000 m3）", "误差：-1.970 %", "仪表系数：1.02010",
          "结论：不合格（允许误差 ±0.500 %）"}},
        {"the same within a tolerance of 2 %", 0, 1.02, false, {}, with(verify, {"--tolerance", "2"}), kExitPass,
         {"误差：-1.970 %", "结论：合格（允许误差 ±2.000 %）"}},
        {"a silent meter: no run", 0, std::nullopt, true, {}, verify, kExitNoVerdict, {"读取仪表串号失败！"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::SimOptions options = test::SimulatedMeterPort::DefaultOptions();
        options.flow = {.shape = sim::FlowShape::Constant, .values = {c.zeroOffset > 0 ? 0.0 : 36.0}};
        options.zeroOffset = c.zeroOffset;
        options.trueFactor = c.trueFactor;
        test::SimulatedMeterPort port(options);
        ASSERT_TRUE(port.Start());
        port.Meter().SetSilent(c.silent);
        if (c.storedMeanLimit) {
            ProvingSettings stored;
            stored.zeroMeanPercent = c.storedMeanLimit;
            ASSERT_TRUE(SaveProvingSettings(stored));
        }
        bool advanced = false;
        const auto moveOnceStarted = [&](std::chrono::milliseconds pause) {
            std::this_thread::sleep_for(pause);
            // Two polls of the live block: the first cycle, the run's start, has ended.
            const auto reads = test::ReadRequestsOf(port.Meter().Requests());
            if (!advanced && std::count_if(reads.begin(), reads.end(), [](const test::ReadRequest& r) {
                                 return r.start == 99;
                             }) >= 2) {
                port.Meter().AdvanceLiveValues(1000);
                advanced = true;
            }
            return false;
        };
        const Outcome outcome = RunKelvoCli(with(c.args, {"--port", "SIM1"}), moveOnceStarted);
        EXPECT_EQ(outcome.status, c.status) << outcome.out << outcome.err;
        for (const std::string& text : c.said) {
            EXPECT_TRUE(Has(outcome.out, text) || Has(outcome.err, text)) << text << "\n" << outcome.out << outcome.err;
        }
        const auto writes = WriteRequestsOf(port.Meter().Requests());
        EXPECT_TRUE(writes.empty()) << "nothing is written to the meter";
    }
}

TEST(KelvoCli, HelpAfterEveryCommand) {
    for (const std::string command : {"scan", "monitor", "log", "zero-check", "verify", "backup", "compare", "restore",
                                      "read", "write", "report"}) {
        for (const Args& args : {Args{command, "--help"}, Args{command, "--port", "-h"}, Args{"help", command}}) {
            const Outcome outcome = RunKelvoCli(args);
            EXPECT_EQ(outcome.status, kExitFound) << testing::PrintToString(args) << outcome.err;
            EXPECT_EQ(outcome.out.rfind("用法：\n  kelvo-cli " + command + " ", 0), 0U) << outcome.out;
            if (command != "scan") {
                EXPECT_FALSE(Has(outcome.out, "kelvo-cli scan")) << outcome.out;
            }
        }
    }
    const Outcome all = RunKelvoCli({"help"});
    EXPECT_EQ(all.status, kExitFound);
    EXPECT_TRUE(Has(all.out, "kelvo-cli restore") && Has(all.out, "退出状态") && Has(all.out, "kelvo-cli --version"))
        << all.out;

    // The version a bug report quotes, and the licence it is given under.
    const Outcome version = RunKelvoCli({"--version"});
    EXPECT_EQ(version.status, kExitFound);
    EXPECT_EQ(version.out.rfind("kelvo-cli (Kelvo) " + std::string(kKelvoVersion) + "\n", 0), 0U) << version.out;
    EXPECT_TRUE(Has(version.out, "GPL-3.0-or-later")) << version.out;
}

}  // namespace
}  // namespace kelvo::cli
