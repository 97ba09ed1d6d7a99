// The scanner's search kernel at each step width the program has, on a block of
// real-shaped log lines held in the processor's cache: how fast it finds violation lines
// while counting line ends, beside memchr counting line ends alone. Memory delivers a
// log far slower than any of these, which is why no wider kernel is worth its code.

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "scan/ByteSearch.h"
#include "scan/LogScanner.h"
#include "scan/PatternMatcher.h"

namespace {

// 256 KiB of lines in the proportions of a real log: about one in 55 a violation line.
std::string block() {
    const char* const kLines[] = {
        "[05.14.2003 20:14:55] PunkBuster Server: Player GUID Computed "
        "0123456789abcdef0123456789abcdef(-) (slot #3) 198.51.100.7:27960 Some Player\n",
        "[05.14.2003 20:14:56] PunkBuster Server: New Connection (slot #3) 198.51.100.7:27960 "
        "[?] \"Some Player\" (seq 41234)\n",
        "[05.14.2003 20:14:57] PunkBuster Server: Player Message (slot #3) Some Player: gg\n",
        "[05.14.2003 20:14:58] PunkBuster Server: Lost Connection (slot #3) 198.51.100.7:27960 "
        "0123456789abcdef0123456789abcdef(-) Some Player\n",
        "[05.14.2003 20:14:59] PunkBuster Server: Kick Command Issued (Violation (AIMBOT) "
        "#50001) 0123456789abcdef0123456789abcdef(-) (for 2 minutes)\n",
    };
    const std::string violation =
        "[05.14.2003 20:15:00] VIOLATION (AIMBOT) #50001: Some Player (slot #3) Illegal "
        "program detected [0123456789abcdef0123456789abcdef(VALID) 198.51.100.7:27960]\n";
    std::string text;
    for (size_t i = 0; text.size() < (256u << 10); ++i)
        text += i % 55 == 54 ? violation : std::string(kLines[i % 5]);
    return text;
}

void literalSearch(benchmark::State& state) {
    th::setSearchWidth(static_cast<th::SearchWidth>(state.range(0)));
    th::PatternMatcher matcher;
    matcher.setPattern(th::kLinePattern);
    const th::LiteralSearch search(matcher.requiredLiteral());
    const std::string text = block();
    for (auto _ : state) {
        uint64_t lines = 0, hits = 0;
        const char* p = text.data();
        const char* end = p + text.size();
        while (const char* hit = search.find(p, end, lines)) {
            ++hits;
            p = hit + 1;
        }
        benchmark::DoNotOptimize(lines + hits);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    th::setSearchWidth(th::SearchWidth::Widest);
}
BENCHMARK(literalSearch)
    ->ArgName("width")
    ->Arg(static_cast<int>(th::SearchWidth::Widest))
    ->Arg(static_cast<int>(th::SearchWidth::Sixteen))
    ->Arg(static_cast<int>(th::SearchWidth::Bytewise));

void memchrLineEnds(benchmark::State& state) {
    const std::string text = block();
    for (auto _ : state) {
        uint64_t lines = 0;
        const char* p = text.data();
        const char* end = p + text.size();
        while (const void* lf = std::memchr(p, '\n', static_cast<size_t>(end - p))) {
            ++lines;
            p = static_cast<const char*>(lf) + 1;
        }
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(memchrLineEnds);

// What the kernel reads from: a copy out of the page cache, as the scan's reads make.
void copyBlock(benchmark::State& state) {
    const std::string text = block();
    std::string into(text.size(), '\0');
    for (auto _ : state) {
        std::memcpy(into.data(), text.data(), text.size());
        benchmark::DoNotOptimize(into.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(copyBlock);

}  // namespace

BENCHMARK_MAIN();
