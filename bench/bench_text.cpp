// GBK-aware split and search over 1 MB of message-like GBK text, against plain byte scans
// (memchr / memmem) that know nothing of double-byte characters.
#include <cstring>
#include <string>

#include <benchmark/benchmark.h>

#include "common/text/gbktext.h"

using namespace common;

namespace {

// Fields of Chinese words, digits and ASCII, separated by '|'; some characters have the trail
// byte '|' (0x7C), which a byte scan would wrongly take for a separator.
const GbkText& sample_text()
{
    static const GbkText text = [] {
        const char* words[] = {
            "\xD3\xC3\xBB\xA7", "\xC3\xDC\xC2\xEB", "\xCC\xE2\xC4\xBF",         "\xBA\x7C",
            "\xBA\xBA\xD7\xD6", "round12",          "\xB5\xDA\xC8\xFD\xCC\xE2", "192.168.1.20:19730"};
        GbkText t;
        for (unsigned i = 0; t.size() < (1u << 20); ++i) {
            t += words[i % 8];
            t += words[(i * 7 + 3) % 8];
            t += '|';
        }
        t += "\xBD\xE1\xCA\xF8"; // the searched word, only at the very end
        return t;
    }();
    return text;
}

const GbkText kWanted = "\xBD\xE1\xCA\xF8";

void BM_SplitText(benchmark::State& state)
{
    const GbkText& text = sample_text();
    for (auto _ : state)
        benchmark::DoNotOptimize(split_text(text, "|"));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

void BM_SplitMemchr(benchmark::State& state)
{
    const GbkText& text = sample_text();
    for (auto _ : state) {
        TextList pieces;
        const char* p = text.data();
        const char* end = p + text.size();
        while (const void* hit = std::memchr(p, '|', static_cast<std::size_t>(end - p))) {
            const char* bar = static_cast<const char*>(hit);
            pieces.emplace_back(p, bar);
            p = bar + 1;
        }
        if (p != end)
            pieces.emplace_back(p, end);
        benchmark::DoNotOptimize(pieces);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

void BM_FindText(benchmark::State& state)
{
    const GbkText& text = sample_text();
    for (auto _ : state)
        benchmark::DoNotOptimize(find_text(text, kWanted));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

void BM_FindMemmem(benchmark::State& state)
{
    const GbkText& text = sample_text();
    for (auto _ : state)
        benchmark::DoNotOptimize(memmem(text.data(), text.size(), kWanted.data(), kWanted.size()));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

void BM_FindTextAscii(benchmark::State& state)
{
    const GbkText& text = sample_text();
    for (auto _ : state)
        benchmark::DoNotOptimize(find_text(text, "19731"));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

void BM_FindMemmemAscii(benchmark::State& state)
{
    const GbkText& text = sample_text();
    for (auto _ : state)
        benchmark::DoNotOptimize(memmem(text.data(), text.size(), "19731", 5));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

} // namespace

BENCHMARK(BM_SplitText);
BENCHMARK(BM_SplitMemchr);
BENCHMARK(BM_FindText);
BENCHMARK(BM_FindMemmem);
BENCHMARK(BM_FindTextAscii);
BENCHMARK(BM_FindMemmemAscii);

BENCHMARK_MAIN();
