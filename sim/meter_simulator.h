// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A simulated meter on a pseudo-terminal: a Modbus RTU slave for function codes 0x04,
// 0x10 and 0x41 over a register image 0..399. kelvo-meter-sim runs it as a program;
// tests run it in-process and look at every frame Kelvo sends.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "sim/flow_profile.h"

namespace kelvo::sim {

enum class SimMeterKind { Generic, W58 };

struct SimOptions {
    SimMeterKind kind = SimMeterKind::W58;
    std::uint8_t address = 8;
    std::string model = "RA03";    // model code of the identification answer
    std::string version = "2004";  // four version characters
    // Answers are paced at this baud rate (10 bit times per byte) so that wire time is
    // real; 0 sends each answer at once.
    int paceBaud = 0;
    // The live values move once a second (flow wobbles, totals grow, the meter clock
    // ticks) when true; false keeps the whole image still for exact comparisons.
    bool moveLiveValues = true;
    // The request log keeps at least this many of the latest frames (0: every
    // frame), so a simulator that runs for days does not grow without end.
    std::size_t requestLogLimit = 0;
    // The meter answers only requests the master sends at this baud rate (0: at any): a
    // real meter set to one rate hears only noise at the others. Its answers then travel
    // at this rate unless paceBaud says otherwise.
    int onlyBaud = 0;
    // The meter answers only at this parity (0 none, 1 odd, 2 even), as far as the pty
    // shows the master's parity: odd apart from the other two (see sim/line_watch.h).
    std::optional<int> onlyParity;
    // Shares (0..1) of answers lost on the line and of answers with one byte spoilt on it,
    // drawn from a random source with this seed, so that a run can be repeated.
    double dropShare = 0;
    double garbleShare = 0;
    std::uint32_t seed = 1;  // also of the noise on the flow
    // The sensor behind the flow (sim/live_motion.h): how the true flow runs, the factor at
    // which the meter reads true (none: the sensor factor of its fresh image), and what it
    // reads with nothing flowing until an auto zero. The meter reads the true flow × its
    // sensor factor ÷ the true factor, and its totals integrate what it reads.
    FlowProfile flow;
    std::optional<double> trueFactor;
    double zeroOffset = 0;
};

inline constexpr int kRegisterCount = 400;

// What the simulator reports as it serves, e.g. for a console. Request and Answer carry
// the frame in hex; Command the name of a command carried out ("auto zero"); Ignored a
// frame that got no answer and why.
enum class SimEvent { Request, Answer, Command, Ignored };
using SimEventSink = std::function<void(SimEvent event, const std::string& text)>;

class MeterSimulator {
public:
    explicit MeterSimulator(SimOptions options = {});
    ~MeterSimulator();  // stops the thread, removes the link, closes the pty
    MeterSimulator(const MeterSimulator&) = delete;
    MeterSimulator& operator=(const MeterSimulator&) = delete;

    // Opens the pty and starts serving. linkPath, when not empty, becomes a symbolic
    // link to the slave side (replacing an existing link). False when the pty fails.
    bool Start(const std::string& linkPath = {});
    void Stop();
    const std::string& SlavePath() const;

    // Register image (host values). 32-bit values are stored in the meter's byte order,
    // which is register 204 for both kinds (default mode 1).
    std::uint16_t Reg(int reg) const;
    void SetReg(int reg, std::uint16_t value);
    std::uint32_t Reg32(int reg) const;
    void SetReg32(int reg, std::uint32_t value);
    float Float(int reg) const;
    void SetFloat(int reg, float value);
    // Raw wire bytes of registers [reg, reg + bytes/2).
    std::vector<std::uint8_t> Bytes(int reg, int byteCount) const;
    void SetBytes(int reg, const std::vector<std::uint8_t>& bytes);
    void ResetImage();  // the plausible values of a fresh meter of the kind

    void SetIdentification(const std::string& model, const std::string& version);
    // Raw identification data bytes (overrides model and version), e.g. for odd lengths.
    void SetIdentificationBytes(const std::vector<std::uint8_t>& bytes);

    // Fault switches. Each acts on every request until switched off. A silent meter and
    // an exception answer leave the image untouched; with the other switches the meter
    // has carried the request out and only its answer is spoilt.
    void SetSilent(bool on);            // no answer at all
    // Every frame comes back as it was sent and the meter does nothing: an RS-485
    // adapter with local echo and no meter on the line.
    void SetEcho(bool on);
    void SetBadCrc(bool on);            // answer with a corrupted CRC
    void SetWrongAddress(bool on);      // answer from address + 1
    void SetShortAnswers(bool on);      // 0x04 answers carry half the data bytes, valid CRC
                                        // (the byte count says the half)
    void SetExtraDelayMs(int ms);       // wait before answering
    void SetPaceBaud(int baud);         // 0 = answer at once
    // Answer requests that touch [first, last] with exception code 02 (function | 0x80).
    // times < 0: always; otherwise only the next `times` such requests.
    void SetExceptionRange(int first, int last, int times = -1);
    // The line settings the meter is set to and the shares of spoilt answers, as in
    // SimOptions; each acts until changed.
    void SetOnlyBaud(int baud);                   // 0: any rate
    void SetOnlyParity(std::optional<int> parity);  // nullopt: any parity
    void SetDropShare(double share);
    void SetGarbleShare(double share);
    // Every switch returns to what SimOptions set up: no faults, unless they asked for
    // some, and their pacing and line settings.
    void ClearFaults();

    // The sensor behind the flow, as in SimOptions. A new profile starts at 0 s.
    void SetFlowProfile(const FlowProfile& profile);
    void SetTrueFactor(std::optional<double> factor);
    void SetZeroOffset(double flow);
    // The volume that truly flowed since the meter started, in the unit of its totals: what
    // a reference would have measured. It grows at the live steps, as the totals do.
    double TrueVolume() const;
    // Moves the live values on by `seconds` at once, as a step of the meter would: a run of
    // exact length for a test (with moveLiveValues false nothing else moves them).
    void AdvanceLiveValues(double seconds);

    // Every complete frame received (also those for other addresses), in order.
    std::vector<std::vector<std::uint8_t>> Requests() const;
    void ClearRequests();
    // Blocks until at least n frames have been received or timeoutMs passed.
    bool WaitForRequests(std::size_t n, int timeoutMs) const;

    // Commands the meter has acted on, e.g. "auto zero", for tests and the console.
    std::vector<std::string> CommandLog() const;

    // Called on the simulator's thread, outside its lock, for every event.
    void SetEventSink(SimEventSink sink);

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace kelvo::sim
