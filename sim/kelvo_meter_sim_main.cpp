// SPDX-License-Identifier: GPL-3.0-or-later
// kelvo-meter-sim: a simulated meter on a pseudo-terminal, for trying Kelvo without
// hardware. Serves until SIGINT or SIGTERM, then removes its link.

#include <signal.h>
#include <sys/stat.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "sim/meter_simulator.h"
#include "vocabulary/kelvo_version.h"

namespace {

constexpr const char* kUsage =
    "usage: kelvo-meter-sim [--link PATH] [--kind w58|generic] [--address N] [--model CODE]\n"
    "                       [--firmware VVVV] [--baud N] [--only-baud N] [--only-parity P]\n"
    "                       [--drop-share S] [--garble-share S] [--seed N] [--echo] [--trace]\n"
    "                       [--flow PROFILE] [--period S] [--noise SD] [--true-factor F]\n"
    "                       [--zero-offset Q]\n"
    "\n"
    "Plays a flow meter as a Modbus RTU slave on a new pseudo-terminal until SIGINT or\n"
    "SIGTERM.\n"
    "  --link PATH     make PATH a symbolic link to the pseudo-terminal (removed at the end)\n"
    "  --kind KIND     w58 (default) or generic\n"
    "  --address N     slave address 1..247 (default 8)\n"
    "  --model CODE    model code of the identification answer (default RA03)\n"
    "  --firmware VVVV four firmware version characters (default 2004); the older spelling\n"
    "                  --version VVVV means the same\n"
    "  --baud N        send answers at the wire speed of N baud (default: at once, or at\n"
    "                  the rate of --only-baud)\n"
    "  --only-baud N   answer only requests the master sends at N baud; at other rates the\n"
    "                  meter hears noise and stays silent\n"
    "  --only-parity P answer only at parity none, odd or even, as far as the pseudo-terminal\n"
    "                  shows it: it tells odd from the others, not none from even\n"
    "  --drop-share S  lose this share (0..1) of the answers on the line\n"
    "  --garble-share S  spoil one byte in this share (0..1) of the answers\n"
    "  --seed N        seed of the random sources behind the two shares and the noise\n"
    "                  (default 1)\n"
    "  --flow PROFILE  the true flow, in the meter's flow unit: constant:Q, steps:Q1,Q2,...\n"
    "                  (each held for the period), ramp:FROM,TO (over the period, then held)\n"
    "                  or sine:MEAN,AMPLITUDE; default: wobbling by 1.5 % around 12.5\n"
    "  --period S      the period of the flow profile in seconds (default 60)\n"
    "  --noise SD      noise on the flow the meter reads, standard deviation in its flow unit\n"
    "  --true-factor F the sensor factor at which the meter reads true (default: the factor\n"
    "                  it starts with, 1); it reads the true flow x its sensor factor / F,\n"
    "                  and its totals add up what it reads\n"
    "  --zero-offset Q the flow it reads with nothing flowing, until an auto zero\n"
    "  --echo          send every request back unchanged and nothing else, as an RS-485\n"
    "                  adapter with local echo and no meter does\n"
    "  --trace         print every request and answer on stderr\n"
    "  --help          show this text\n"
    "  --version       show the version of kelvo-meter-sim and its licence\n";

constexpr const char* kLicence =
    "License GPL-3.0-or-later: GNU GPL version 3 or later <https://www.gnu.org/licenses/gpl-3.0.html>.\n"
    "This is free software: you are free to change and redistribute it.\n"
    "There is NO WARRANTY, to the extent permitted by law.\n";

struct Arguments {
    kelvo::sim::SimOptions options;
    std::string linkPath;
    bool trace = false;
    bool echo = false;
    bool help = false;
    bool version = false;
};

template <class Number>
std::optional<Number> ParseNumber(std::string_view text, Number low, Number high) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < low || value > high) return std::nullopt;
    return value;
}

std::optional<int> ParseInt(std::string_view text, int low, int high) { return ParseNumber(text, low, high); }

std::optional<int> ParseParity(std::string_view text) {
    constexpr std::string_view kNames[] = {"none", "odd", "even"};
    for (int parity = 0; parity < 3; ++parity) {
        if (text == kNames[parity]) return parity;
    }
    return std::nullopt;
}

// Empty when the arguments are not understood.
std::optional<Arguments> Parse(int argc, char** argv) {
    Arguments arguments;
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (option == "--help") {
            arguments.help = true;
            continue;
        }
        // Alone, --version asks for the program's version; followed by a value it is the
        // older spelling of --firmware.
        if (option == "--version" && (i + 1 >= argc || std::string_view(argv[i + 1]).starts_with("--"))) {
            arguments.version = true;
            continue;
        }
        if (option == "--trace") {
            arguments.trace = true;
            continue;
        }
        if (option == "--echo") {
            arguments.echo = true;
            continue;
        }
        if (i + 1 >= argc) return std::nullopt;
        const std::string_view value = argv[++i];
        if (option == "--link" && !value.empty()) {
            arguments.linkPath = value;
        } else if (option == "--kind" && (value == "w58" || value == "generic")) {
            arguments.options.kind = value == "w58" ? kelvo::sim::SimMeterKind::W58 : kelvo::sim::SimMeterKind::Generic;
        } else if (option == "--address") {
            const auto address = ParseInt(value, 1, 247);
            if (!address) return std::nullopt;
            arguments.options.address = static_cast<std::uint8_t>(*address);
        } else if (option == "--model" && !value.empty() && value.size() <= 28) {
            arguments.options.model = value;
        } else if ((option == "--firmware" || option == "--version") && value.size() == 4) {
            arguments.options.version = value;
        } else if (option == "--baud" || option == "--only-baud") {
            const auto baud = ParseInt(value, 1, 4000000);
            if (!baud) return std::nullopt;
            (option == "--baud" ? arguments.options.paceBaud : arguments.options.onlyBaud) = *baud;
        } else if (option == "--only-parity") {
            arguments.options.onlyParity = ParseParity(value);
            if (!arguments.options.onlyParity) return std::nullopt;
        } else if (option == "--drop-share" || option == "--garble-share") {
            const auto share = ParseNumber(value, 0.0, 1.0);
            if (!share) return std::nullopt;
            (option == "--drop-share" ? arguments.options.dropShare : arguments.options.garbleShare) = *share;
        } else if (option == "--flow") {
            const auto profile = kelvo::sim::ParseFlowProfile(value);
            if (!profile) return std::nullopt;
            arguments.options.flow.shape = profile->shape;
            arguments.options.flow.values = profile->values;
        } else if (option == "--period" || option == "--noise") {
            const auto number = ParseNumber(value, option == "--period" ? 0.001 : 0.0, 1e9);
            if (!number) return std::nullopt;
            (option == "--period" ? arguments.options.flow.periodSeconds : arguments.options.flow.noise) = *number;
        } else if (option == "--true-factor") {
            const auto factor = ParseNumber(value, 1e-9, 1e9);
            if (!factor) return std::nullopt;
            arguments.options.trueFactor = *factor;
        } else if (option == "--zero-offset") {
            const auto offset = ParseNumber(value, -1e9, 1e9);
            if (!offset) return std::nullopt;
            arguments.options.zeroOffset = *offset;
        } else if (option == "--seed") {
            const auto seed = ParseNumber<std::uint32_t>(value, 0, UINT32_MAX);
            if (!seed) return std::nullopt;
            arguments.options.seed = *seed;
        } else {
            return std::nullopt;
        }
    }
    return arguments;
}

const char* EventLabel(kelvo::sim::SimEvent event) {
    switch (event) {
        case kelvo::sim::SimEvent::Request:
            return "rx";
        case kelvo::sim::SimEvent::Answer:
            return "tx";
        case kelvo::sim::SimEvent::Command:
            return "command";
        case kelvo::sim::SimEvent::Ignored:
            return "ignored";
    }
    return "";
}

}  // namespace

int main(int argc, char** argv) {
    const std::optional<Arguments> arguments = Parse(argc, argv);
    if (!arguments) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (arguments->help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (arguments->version) {
        std::printf("kelvo-meter-sim (Kelvo) %s\n%s", kelvo::kKelvoVersion, kLicence);
        return 0;
    }

    // Blocked before the serving thread exists, so it inherits the mask and the signals
    // wait for sigwait below.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    kelvo::sim::SimOptions options = arguments->options;
    options.requestLogLimit = 1000;  // nobody reads the log of a console run
    kelvo::sim::MeterSimulator simulator(options);
    simulator.SetEcho(arguments->echo);
    const bool trace = arguments->trace;
    simulator.SetEventSink([trace](kelvo::sim::SimEvent event, const std::string& text) {
        const bool wireEvent = event == kelvo::sim::SimEvent::Request || event == kelvo::sim::SimEvent::Answer;
        if (wireEvent && !trace) return;
        std::fprintf(stderr, "kelvo-meter-sim: %s %s\n", EventLabel(event), text.c_str());
    });
    struct stat existing{};
    if (!arguments->linkPath.empty() && lstat(arguments->linkPath.c_str(), &existing) == 0 &&
        !S_ISLNK(existing.st_mode)) {
        std::fprintf(stderr, "kelvo-meter-sim: %s exists and is not a symbolic link; not replaced\n",
                     arguments->linkPath.c_str());
        return 1;
    }
    if (!simulator.Start(arguments->linkPath)) {
        std::fprintf(stderr, "kelvo-meter-sim: cannot open a pseudo-terminal%s%s\n",
                     arguments->linkPath.empty() ? "" : " or link it at ", arguments->linkPath.c_str());
        return 1;
    }

    const char* kind = arguments->options.kind == kelvo::sim::SimMeterKind::W58 ? "W58" : "generic";
    std::printf("kelvo-meter-sim: %s meter at address %d on %s", kind, arguments->options.address,
                simulator.SlavePath().c_str());
    if (arguments->options.onlyBaud != 0) std::printf(", only at %d baud", arguments->options.onlyBaud);
    if (!arguments->linkPath.empty()) std::printf(", linked at %s", arguments->linkPath.c_str());
    std::printf("\n");
    std::fflush(stdout);

    int received = 0;
    sigwait(&stopSignals, &received);
    simulator.Stop();
    return 0;
}
