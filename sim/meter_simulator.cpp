// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/meter_simulator.h"

#include <chrono>
#include <ctime>

#include "sim/meter_server.h"
#include "sim/pseudo_terminal.h"
#include "sim/shared_meter.h"

namespace kelvo::sim {

struct MeterSimulator::State {
    explicit State(const SimOptions& options) : shared(options) {}

    SharedMeter shared;
    // Owned by the caller's thread: made by Start, released by Stop.
    PseudoTerminal pty;
    SymbolicLink link;
    WakeEvent wake;
    std::thread server;
    std::string slavePath;
};

namespace {

// Every switch changes under the meter's mutex, so the serving thread sees all or nothing.
template <class State, class Change>
void ChangeFaults(State& state, Change change) {
    const std::lock_guard lock(state.shared.mutex);
    change(state.shared.faults);
}

}  // namespace

MeterSimulator::MeterSimulator(SimOptions options) : state_(std::make_unique<State>(options)) {}

MeterSimulator::~MeterSimulator() { Stop(); }

bool MeterSimulator::Start(const std::string& linkPath) {
    State& state = *state_;
    if (state.server.joinable()) return false;
    PseudoTerminal pty;
    if (!pty.Open().empty()) return false;
    WakeEvent wake;
    if (!wake.Open()) return false;
    if (!linkPath.empty() && !state.link.Create(linkPath, pty.SlavePath()).empty()) return false;
    state.pty = std::move(pty);
    state.wake = std::move(wake);
    state.slavePath = state.pty.SlavePath();
    state.server = std::thread(ServeMeter, state.pty.MasterFd(), std::cref(state.wake), std::ref(state.shared));
    return true;
}

void MeterSimulator::Stop() {
    State& state = *state_;
    if (state.server.joinable()) {
        state.wake.Signal();
        state.server.join();
    }
    state.link.Remove();
    state.pty = PseudoTerminal{};
    state.wake = WakeEvent{};
}

const std::string& MeterSimulator::SlavePath() const { return state_->slavePath; }

std::uint16_t MeterSimulator::Reg(int reg) const {
    const std::lock_guard lock(state_->shared.mutex);
    return state_->shared.meter.Image().Reg(reg);
}

void MeterSimulator::SetReg(int reg, std::uint16_t value) {
    const std::lock_guard lock(state_->shared.mutex);
    state_->shared.meter.Image().SetReg(reg, value);
}

std::uint32_t MeterSimulator::Reg32(int reg) const {
    const std::lock_guard lock(state_->shared.mutex);
    return state_->shared.meter.Image().Reg32(reg);
}

void MeterSimulator::SetReg32(int reg, std::uint32_t value) {
    const std::lock_guard lock(state_->shared.mutex);
    state_->shared.meter.Image().SetReg32(reg, value);
}

float MeterSimulator::Float(int reg) const {
    const std::lock_guard lock(state_->shared.mutex);
    return state_->shared.meter.Image().Float(reg);
}

void MeterSimulator::SetFloat(int reg, float value) {
    const std::lock_guard lock(state_->shared.mutex);
    state_->shared.meter.Image().SetFloat(reg, value);
}

std::vector<std::uint8_t> MeterSimulator::Bytes(int reg, int byteCount) const {
    const std::lock_guard lock(state_->shared.mutex);
    return state_->shared.meter.Image().Bytes(reg, byteCount);
}

void MeterSimulator::SetBytes(int reg, const std::vector<std::uint8_t>& bytes) {
    const std::lock_guard lock(state_->shared.mutex);
    state_->shared.meter.Image().SetBytes(reg, bytes);
}

void MeterSimulator::ResetImage() {
    const std::lock_guard lock(state_->shared.mutex);
    state_->shared.meter.Reset(std::time(nullptr));
}

void MeterSimulator::SetIdentification(const std::string& model, const std::string& version) {
    const std::lock_guard lock(state_->shared.mutex);
    state_->shared.SetIdentification(model, version);
}

void MeterSimulator::SetIdentificationBytes(const std::vector<std::uint8_t>& bytes) {
    const std::lock_guard lock(state_->shared.mutex);
    state_->shared.UseIdentification(bytes);
}

void MeterSimulator::SetSilent(bool on) {
    ChangeFaults(*state_, [&](FaultSwitches& faults) { faults.silent = on; });
}

void MeterSimulator::SetEcho(bool on) {
    ChangeFaults(*state_, [&](FaultSwitches& faults) { faults.echo = on; });
}

void MeterSimulator::SetBadCrc(bool on) {
    ChangeFaults(*state_, [&](FaultSwitches& faults) { faults.badCrc = on; });
}

void MeterSimulator::SetWrongAddress(bool on) {
    ChangeFaults(*state_, [&](FaultSwitches& faults) { faults.wrongAddress = on; });
}

void MeterSimulator::SetShortAnswers(bool on) {
    ChangeFaults(*state_, [&](FaultSwitches& faults) { faults.shortAnswers = on; });
}

void MeterSimulator::SetExtraDelayMs(int ms) {
    ChangeFaults(*state_, [&](FaultSwitches& faults) { faults.extraDelayMs = ms; });
}

void MeterSimulator::SetPaceBaud(int baud) {
    ChangeFaults(*state_, [&](FaultSwitches& faults) { faults.paceBaud = baud; });
}

void MeterSimulator::SetExceptionRange(int first, int last, int times) {
    ChangeFaults(*state_, [&](FaultSwitches& faults) {
        if (times == 0) {
            faults.exceptions.reset();
        } else {
            faults.exceptions = ExceptionRange{.first = first, .last = last, .times = times};
        }
    });
}

void MeterSimulator::SetOnlyBaud(int baud) {
    ChangeFaults(*state_, [&](FaultSwitches& faults) { faults.onlyBaud = baud; });
}

void MeterSimulator::SetOnlyParity(std::optional<int> parity) {
    ChangeFaults(*state_, [&](FaultSwitches& faults) { faults.onlyParity = parity; });
}

void MeterSimulator::SetDropShare(double share) {
    ChangeFaults(*state_, [&](FaultSwitches& faults) { faults.dropShare = share; });
}

void MeterSimulator::SetGarbleShare(double share) {
    ChangeFaults(*state_, [&](FaultSwitches& faults) { faults.garbleShare = share; });
}

void MeterSimulator::ClearFaults() {
    ChangeFaults(*state_, [this](FaultSwitches& faults) { faults = state_->shared.setUpFaults; });
}

void MeterSimulator::SetFlowProfile(const FlowProfile& profile) {
    const std::lock_guard lock(state_->shared.mutex);
    state_->shared.meter.Motion().SetProfile(state_->shared.meter.Image(), profile);
}

void MeterSimulator::SetTrueFactor(std::optional<double> factor) {
    const std::lock_guard lock(state_->shared.mutex);
    state_->shared.meter.Motion().SetTrueFactor(factor);
}

void MeterSimulator::SetZeroOffset(double flow) {
    const std::lock_guard lock(state_->shared.mutex);
    state_->shared.meter.Motion().SetZeroOffset(flow);
}

double MeterSimulator::TrueVolume() const {
    const std::lock_guard lock(state_->shared.mutex);
    return state_->shared.meter.TrueVolume();
}

void MeterSimulator::AdvanceLiveValues(double seconds) {
    const std::lock_guard lock(state_->shared.mutex);
    state_->shared.meter.MoveLiveValues(seconds, std::time(nullptr));
}

std::vector<std::vector<std::uint8_t>> MeterSimulator::Requests() const {
    const std::lock_guard lock(state_->shared.mutex);
    return state_->shared.requests;
}

void MeterSimulator::ClearRequests() {
    const std::lock_guard lock(state_->shared.mutex);
    state_->shared.requests.clear();
}

bool MeterSimulator::WaitForRequests(std::size_t n, int timeoutMs) const {
    std::unique_lock lock(state_->shared.mutex);
    return state_->shared.framesArrived.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                                 [&] { return state_->shared.requests.size() >= n; });
}

std::vector<std::string> MeterSimulator::CommandLog() const {
    const std::lock_guard lock(state_->shared.mutex);
    return state_->shared.commands;
}

void MeterSimulator::SetEventSink(SimEventSink sink) {
    const std::lock_guard lock(state_->shared.mutex);
    state_->shared.sink = std::move(sink);
}

}  // namespace kelvo::sim
