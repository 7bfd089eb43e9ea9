// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/proving_section.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>
#include <utility>
#include <vector>

#include "records/meter_record.h"
#include "vocabulary/value_tables.h"

namespace kelvo {
namespace {

constexpr char kProving[] = "Proving";
constexpr char kZeroAsFound[] = "Proving.ZeroAsFound";
constexpr char kZeroAsLeft[] = "Proving.ZeroAsLeft";
constexpr char kRunAsFound[] = "Proving.RunAsFound.";
constexpr char kRunAsLeft[] = "Proving.RunAsLeft.";
constexpr char kFactor[] = "Proving.SensorFactor";

constexpr std::array<std::pair<ZeroVerdict, std::string_view>, 4> kVerdictNames = {{
    {ZeroVerdict::Pass, "pass"},
    {ZeroVerdict::Fail, "fail"},
    {ZeroVerdict::TooFewCycles, "too_few_cycles"},
    {ZeroVerdict::Undecided, "undecided"},
}};

// The shortest text that reads back as the same double, whatever the locale.
std::string Number(double value) {
    std::array<char, 32> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value);
    return std::string(text.data(), result.ptr);
}

// A flow the meter sent, a single float: the shortest text that reads back as it.
std::string FloatNumber(double value) {
    std::array<char, 32> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), static_cast<float>(value));
    return std::string(text.data(), result.ptr);
}

// A result the file shows its reader (reading computes it again): to a few decimals.
std::string Rounded(double value, int decimals) {
    std::array<char, 64> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed, decimals);
    return std::string(text.data(), result.ptr);
}

// A total as the meter holds it, whole units and thousandths: "1234.567".
std::string TotalText(const TotalReading& total) {
    std::string fraction = std::to_string(total.thousandths);
    fraction.insert(0, fraction.size() < 3 ? 3 - fraction.size() : 0, '0');
    return std::to_string(total.whole) + "." + fraction;
}

class Writer {
public:
    void Section(const std::string& name) { text_ += "\n[" + name + "]\n"; }
    void Key(std::string_view key, const std::string& value) { text_.append(key).append("=").append(value).append("\n"); }
    void Time(std::string_view key, std::int64_t timeMs) {
        Key(std::string(key) + "Ms", std::to_string(timeMs));
        Key(key, TimeText(timeMs));  // for the reader of the file; the milliseconds count
    }
    std::string Take() { return std::move(text_); }

private:
    std::string text_;
};

void WriteZero(Writer& out, const char* section, const ZeroCheckRecord& zero) {
    const ZeroStatistics& s = zero.check.statistics;
    const ZeroLimits& limits = zero.check.limits;
    out.Section(section);
    out.Time("Start", zero.startMs);
    out.Time("End", zero.endMs);
    for (const auto& [verdict, name] : kVerdictNames) {
        if (verdict == zero.check.verdict) out.Key("Verdict", std::string(name));
    }
    out.Key("Reason", zero.check.reason);
    out.Key("GoodCycles", std::to_string(s.goodCycles));
    out.Key("MissingCycles", std::to_string(s.missingCycles));
    out.Key("ExpectedCycles", std::to_string(s.expectedCycles));
    out.Key("Unit", s.unit);
    out.Key("Range", Number(s.range));
    out.Key("Mean", Number(s.mean));
    out.Key("StandardDeviation", Number(s.standardDeviation));
    out.Key("Minimum", FloatNumber(s.minimum));
    out.Key("Maximum", FloatNumber(s.maximum));
    if (s.meanPercent) out.Key("MeanPercent", Number(*s.meanPercent));
    if (s.deviationPercent) out.Key("DeviationPercent", Number(*s.deviationPercent));
    out.Key("MeanLimitPercent", Number(limits.meanPercent));
    out.Key("DeviationLimitPercent", Number(limits.deviationPercent));
    out.Key("GoodShareLimitPercent", Number(limits.goodSharePercent));
    out.Key("MinimumGoodCycles", std::to_string(limits.minimumGoodCycles));
}

void WriteRun(Writer& out, const std::string& section, const RunRecord& record) {
    const VerificationRun& run = record.run;
    out.Section(section);
    out.Time("Start", record.startMs);
    out.Time("End", record.endMs);
    out.Key("Seconds", Number(run.durationSeconds));
    out.Key("StartTotal", TotalText(record.startTotal));
    out.Key("EndTotal", TotalText(record.endTotal));
    out.Key("TotalUnit", std::string(TextAt(VolumeUnits, record.startTotal.unit)));
    out.Key("Reference", record.referenceText);
    out.Key("ReferenceValue", Number(record.referenceValue));
    out.Key("ReferenceUnit", std::string(TextAt(VolumeUnits, record.referenceUnit)));
    out.Key("Measured", Rounded(run.Measured(), 3));
    out.Key("ErrorPercent", Rounded(run.errorPercent, 4));
    if (run.meterFactor) out.Key("MeterFactor", Rounded(*run.meterFactor, 6));
    out.Key("TooShort", run.tooShort ? "1" : "0");
}

// Reads keys of one section and remembers the first that is missing or malformed.
class Reader {
public:
    Reader(const ProfileFile& file, std::string section) : file_(file), section_(std::move(section)) {}

    bool Has(const std::string& key) const { return file_.Find(section_, key).has_value(); }
    std::string Text(const std::string& key) {
        auto value = file_.Find(section_, key);
        if (!value) Fault(key);
        return value.value_or("");
    }
    double Real(const std::string& key) {
        const std::string text = Text(key);
        double value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) Fault(key);
        return value;
    }
    // A flow the meter sent as a single float.
    double Float(const std::string& key) {
        const double value = Real(key);
        if (std::fabs(value) > std::numeric_limits<float>::max()) {
            Fault(key);
            return 0;
        }
        return static_cast<float>(value);
    }
    std::optional<double> OptionalReal(const std::string& key) {
        return Has(key) ? std::optional<double>(Real(key)) : std::nullopt;
    }
    template <typename Integer>
    Integer Whole(const std::string& key) {
        const std::string text = Text(key);
        Integer value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc{} || end != text.data() + text.size()) Fault(key);
        return value;
    }
    int Unit(const std::string& key) {
        const std::string text = Text(key);
        for (std::size_t i = 0; i < VolumeUnits.size(); ++i) {
            if (VolumeUnits[i] == text) return static_cast<int>(i);
        }
        Fault(key);
        return 0;
    }
    TotalReading Total(const std::string& key, int unit) {
        const std::string text = Text(key);
        const auto point = text.find('.');
        TotalReading total{.whole = 0, .thousandths = 0, .unit = unit};
        if (point == std::string::npos || text.size() - point != 4) {
            Fault(key);
            return total;
        }
        const char* begin = text.data();
        const auto whole = std::from_chars(begin, begin + point, total.whole);
        const auto fraction = std::from_chars(begin + point + 1, begin + text.size(), total.thousandths);
        if (whole.ec != std::errc{} || whole.ptr != begin + point || fraction.ec != std::errc{} ||
            fraction.ptr != begin + text.size() || text[point + 1] == '-') {
            Fault(key);
        }
        return total;
    }
    void Fault(const std::string& key) {
        if (problem_.empty()) problem_ = "记录文件中 [" + section_ + "] 的 " + key + " 缺失或不是有效的值。";
    }
    const std::string& Problem() const { return problem_; }

private:
    const ProfileFile& file_;
    std::string section_;
    std::string problem_;
};

std::optional<ZeroCheckRecord> ReadZero(const ProfileFile& file, const char* section, std::string& problem) {
    Reader in(file, section);
    if (!in.Has("StartMs")) return std::nullopt;
    ZeroCheckRecord zero;
    zero.startMs = in.Whole<std::int64_t>("StartMs");
    zero.endMs = in.Whole<std::int64_t>("EndMs");
    const std::string verdict = in.Text("Verdict");
    bool known = false;
    for (const auto& [value, name] : kVerdictNames) {
        if (name == verdict) {
            zero.check.verdict = value;
            known = true;
        }
    }
    if (!known) in.Fault("Verdict");
    zero.check.reason = in.Text("Reason");
    ZeroStatistics& s = zero.check.statistics;
    s.goodCycles = in.Whole<std::size_t>("GoodCycles");
    s.missingCycles = in.Whole<std::size_t>("MissingCycles");
    s.expectedCycles = in.Whole<std::size_t>("ExpectedCycles");
    s.unit = in.Text("Unit");
    s.range = in.Real("Range");
    s.mean = in.Real("Mean");
    s.standardDeviation = in.Real("StandardDeviation");
    s.minimum = in.Float("Minimum");
    s.maximum = in.Float("Maximum");
    s.meanPercent = in.OptionalReal("MeanPercent");
    s.deviationPercent = in.OptionalReal("DeviationPercent");
    ZeroLimits& limits = zero.check.limits;
    limits.meanPercent = in.Real("MeanLimitPercent");
    limits.deviationPercent = in.Real("DeviationLimitPercent");
    limits.goodSharePercent = in.Real("GoodShareLimitPercent");
    limits.minimumGoodCycles = in.Whole<std::size_t>("MinimumGoodCycles");
    problem = in.Problem();
    return zero;
}

std::optional<RunRecord> ReadRun(const ProfileFile& file, const std::string& section, double tolerance,
                                 std::string& problem) {
    Reader in(file, section);
    RunRecord record;
    record.startMs = in.Whole<std::int64_t>("StartMs");
    record.endMs = in.Whole<std::int64_t>("EndMs");
    const double seconds = in.Real("Seconds");
    const int unit = in.Unit("TotalUnit");
    record.startTotal = in.Total("StartTotal", unit);
    record.endTotal = in.Total("EndTotal", unit);
    record.referenceText = in.Text("Reference");
    record.referenceValue = in.Real("ReferenceValue");
    record.referenceUnit = in.Unit("ReferenceUnit");
    if (!in.Problem().empty()) {
        problem = in.Problem();
        return std::nullopt;
    }
    const std::array<TotalReading, 2> totals = {record.startTotal, record.endTotal};
    RunResult result = EvaluateRun(totals, seconds, {record.referenceValue, record.referenceUnit}, tolerance);
    if (!result.run) {
        problem = "记录文件中 [" + section + "] 的核查数据无法计算：" + result.problem;
        return std::nullopt;
    }
    record.run = *result.run;
    return record;
}

std::optional<FactorChange> ReadFactor(const ProfileFile& file, std::string& problem) {
    Reader in(file, kFactor);
    if (!in.Has("Before")) return std::nullopt;
    FactorChange factor;
    factor.before = in.Real("Before");
    factor.after = in.Real("After");
    factor.beforeText = in.Text("BeforeText");
    factor.afterText = in.Text("AfterText");
    factor.timeMs = in.Whole<std::int64_t>("TimeMs");
    problem = in.Problem();
    return factor;
}

}  // namespace

std::string ProvingText(const ProvingRecord& proving) {
    Writer out;
    out.Section(kProving);
    out.Key("TolerancePercent", Number(proving.tolerancePercent));
    out.Key("RunsAsFound", std::to_string(proving.runsAsFound.size()));
    out.Key("RunsAsLeft", std::to_string(proving.runsAsLeft.size()));
    if (proving.zeroAsFound) WriteZero(out, kZeroAsFound, *proving.zeroAsFound);
    if (proving.zeroAsLeft) WriteZero(out, kZeroAsLeft, *proving.zeroAsLeft);
    for (std::size_t i = 0; i < proving.runsAsFound.size(); ++i) {
        WriteRun(out, kRunAsFound + std::to_string(i + 1), proving.runsAsFound[i]);
    }
    for (std::size_t i = 0; i < proving.runsAsLeft.size(); ++i) {
        WriteRun(out, kRunAsLeft + std::to_string(i + 1), proving.runsAsLeft[i]);
    }
    if (proving.factor) {
        out.Section(kFactor);
        out.Key("Before", Number(proving.factor->before));
        out.Key("After", Number(proving.factor->after));
        out.Key("BeforeText", proving.factor->beforeText);
        out.Key("AfterText", proving.factor->afterText);
        out.Time("Time", proving.factor->timeMs);
    }
    return out.Take();
}

ProvingRead ParseProving(const ProfileFile& file) {
    Reader in(file, kProving);
    if (!in.Has("TolerancePercent")) return {};
    ProvingRecord proving;
    proving.tolerancePercent = in.Real("TolerancePercent");
    const auto asFound = in.Whole<std::size_t>("RunsAsFound");
    const auto asLeft = in.Whole<std::size_t>("RunsAsLeft");
    if (!in.Problem().empty()) return {std::nullopt, in.Problem()};
    std::string problem;
    const auto fail = [&problem]() { return ProvingRead{std::nullopt, problem}; };
    proving.zeroAsFound = ReadZero(file, kZeroAsFound, problem);
    if (!problem.empty()) return fail();
    proving.zeroAsLeft = ReadZero(file, kZeroAsLeft, problem);
    if (!problem.empty()) return fail();
    struct Phase {
        const char* prefix;
        std::size_t count;
        std::vector<RunRecord>& runs;
    };
    const Phase phases[] = {{kRunAsFound, asFound, proving.runsAsFound}, {kRunAsLeft, asLeft, proving.runsAsLeft}};
    for (const Phase& phase : phases) {
        for (std::size_t i = 0; i < phase.count; ++i) {
            auto run = ReadRun(file, phase.prefix + std::to_string(i + 1), proving.tolerancePercent, problem);
            if (!run) return fail();
            phase.runs.push_back(std::move(*run));
        }
    }
    proving.factor = ReadFactor(file, problem);
    if (!problem.empty()) return fail();
    return {std::move(proving), {}};
}

}  // namespace kelvo
