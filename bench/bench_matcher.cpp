// The scanner's three patterns on typical log lines and on 1 MiB lines made of the
// characters the line pattern backtracks over (spaces, parentheses, brackets, "#"). The
// line pattern is read directly, and matched as any other pattern beside it.

#include <benchmark/benchmark.h>

#include <string>

#include "scan/FieldSplitter.h"
#include "scan/LinePattern.h"
#include "scan/PatternMatcher.h"

namespace {

using th::kLinePattern;
constexpr const char* kAddressPattern = "{[0-9+\\.0-9+\\.0-9+\\.0-9+:0-9+]*}";
constexpr const char* kGuidPattern = "{.*} {.*[\\[]*}";

const std::string kViolationLine =
    "[06.01.2003 20:14:55] VIOLATION (AIMBOT) #50001: Some Player (slot #3) Aimbot detected "
    "[0123456789abcdef0123456789abcdef(VALID) 192.0.2.1:27960]";
const std::string kOrdinaryLine =
    "[06.01.2003 20:14:56] Player \"Some Player\" connected (slot #3) from 192.0.2.1:27960";

std::string noise(size_t size) {
    static const char kPieces[] = {' ', '(', ')', '[', ']', '#', ' ', ')'};
    std::string s;
    s.reserve(size);
    for (size_t i = 0; s.size() < size; ++i) s.push_back(kPieces[(i * 7 + i / 3) % 8]);
    return s;
}

void runLine(benchmark::State& state, const std::string& line, bool prefilter = true,
             bool direct = true) {
    th::PatternMatcher m;
    m.setPrefilter(prefilter);
    m.setDirectReading(direct);
    m.setPattern(kLinePattern);
    for (auto _ : state) {
        m.setText(line);
        benchmark::DoNotOptimize(m.tagCount());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * line.size()));
}

void BM_LineViolation(benchmark::State& state) {
    runLine(state, kViolationLine);
}
BENCHMARK(BM_LineViolation);

void BM_LineViolationGeneral(benchmark::State& state) {
    runLine(state, kViolationLine, true, false);
}
BENCHMARK(BM_LineViolationGeneral);

void BM_LineOrdinary(benchmark::State& state) {
    runLine(state, kOrdinaryLine);
}
BENCHMARK(BM_LineOrdinary);

void BM_LineOrdinaryNoPrefilter(benchmark::State& state) {
    runLine(state, kOrdinaryLine, false);
}
BENCHMARK(BM_LineOrdinaryNoPrefilter);

// 1 MiB of noise: the prefilter rules it out, and without it the match fails at the start.
void BM_Line1MiBNoise(benchmark::State& state) {
    runLine(state, noise(1 << 20), state.range(0));
}
BENCHMARK(BM_Line1MiBNoise)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// The literal is there, so the full match runs over the whole noise and fails.
void BM_Line1MiBWithLiteral(benchmark::State& state) {
    const std::string half = noise(1 << 19);
    runLine(state, "[" + half + "] VIOLATION " + half);
}
BENCHMARK(BM_Line1MiBWithLiteral)->Unit(benchmark::kMillisecond);

// Slot groups scattered through the noise let every tag go deep before failing.
void BM_Line1MiBWithSlots(benchmark::State& state) {
    std::string line = "[x] VIOLATION (K) #1: P ";
    const std::string chunk = noise(200);
    while (line.size() < (1 << 20)) line += "(slot " + chunk + "] ";
    runLine(state, line);
}
BENCHMARK(BM_Line1MiBWithSlots)->Unit(benchmark::kMillisecond);

// A 1 MiB line that does match, with the slot group and description over the noise.
void BM_Line1MiBMatching(benchmark::State& state) {
    const std::string half = noise(1 << 19);
    runLine(state, "[x] VIOLATION (K) #1: P (slot " + half + ") d" + half + "x y");
}
BENCHMARK(BM_Line1MiBMatching)->Unit(benchmark::kMillisecond);

void BM_Line1MiBMatchingGeneral(benchmark::State& state) {
    const std::string half = noise(1 << 19);
    runLine(state, "[x] VIOLATION (K) #1: P (slot " + half + ") d" + half + "x y", true, false);
}
BENCHMARK(BM_Line1MiBMatchingGeneral)->Unit(benchmark::kMillisecond);

// The rest of a kept line's work: address and GUID out of tags 7 and 6.
void BM_AddressAndGuid(benchmark::State& state) {
    th::PatternMatcher ip;
    th::PatternMatcher guid;
    ip.setPattern(kAddressPattern);
    guid.setPattern(kGuidPattern);
    for (auto _ : state) {
        ip.setText("192.0.2.1:27960]");
        guid.setText("Aimbot detected [0123456789abcdef0123456789abcdef(VALID)");
        benchmark::DoNotOptimize(ip.matchCount() + guid.tagCount());
    }
}
BENCHMARK(BM_AddressAndGuid);

void BM_AddressOn1MiBOfNumbers(benchmark::State& state) {
    std::string text;
    while (text.size() < (1 << 20)) text += "1.2.3.4:5 ";
    th::PatternMatcher ip;
    ip.setPattern(kAddressPattern);
    for (auto _ : state) {
        ip.setText(text);
        benchmark::DoNotOptimize(ip.matchCount());
    }
}
BENCHMARK(BM_AddressOn1MiBOfNumbers)->Unit(benchmark::kMillisecond);

void BM_SplitBanLine(benchmark::State& state) {
    th::FieldSplitter s;
    s.setSeparators("[] ");
    s.setCollapseSeparators(true);
    s.setQuotedFields(true);
    const std::string line =
        "[12.07.2002 21:14:03] 0123abcd0123abcd0123abcd0123abcd \"Player Name\" "
        "\"192.0.2.1:27960\" \"VIOLATION DETECTED -> (AIMBOT) #50001\"";
    for (auto _ : state) {
        s.setText(line);
        benchmark::DoNotOptimize(s.fieldCount());
    }
}
BENCHMARK(BM_SplitBanLine);

}  // namespace

BENCHMARK_MAIN();
