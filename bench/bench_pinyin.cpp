#include <benchmark/benchmark.h>

#include "server/builder/pinyin.h"
#include "server/builder/pinyin_table.h"

// Each character is found by a linear search of the table; a word of 20 characters should still
// take well under a millisecond, so a pick never holds the window noticeably.
static void BM_TextToPinyin20(benchmark::State& state)
{
    const common::GbkText text = "床前明月光疑是地上霜举头望明月低头思故乡";
    for (auto _ : state)
        benchmark::DoNotOptimize(server::text_to_pinyin(text));
}
BENCHMARK(BM_TextToPinyin20)->Unit(benchmark::kMicrosecond);

// The worst single lookup: a character near the end of the table.
static void BM_LookupLastEntry(benchmark::State& state)
{
    const common::GbkText& table = server::pinyin_table();
    const common::GbkText last = table.substr(table.rfind(',', table.size() - 2) + 1, 2);
    for (auto _ : state)
        benchmark::DoNotOptimize(server::lookup_pinyin_entry(table, last, ","));
}
BENCHMARK(BM_LookupLastEntry)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
