// Rebuilding the lists of a data file of 100,000 entries: the flat view of the
// root, a 14-day calendar and a search, each cleared, built and sorted as the
// user interface does before it shows a list.

#include "engine/velk.h"
#include "generate.h"
#include "model/clock.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

// The generated data file, loaded once into an engine shared by the benchmarks;
// with extras, 10 % of its recurring entries skip days and repeat on weekday sets.
struct Loaded {
    explicit Loaded(bool extras) {
        const std::string path = "/tmp/velk_views_bench_" + std::to_string(::getpid()) + ".dat";
        std::ofstream(path, std::ios::binary) << generateDataFile(100000, 1, extras ? 10 : 0);
        v.createRoot();
        ok = v.readData(path.c_str()) == 0;
        std::remove(path.c_str());
        v.checkCompleted();
    }
    Velk v;
    bool ok = false;
};

Velk* engine(benchmark::State& state, bool extras = false) {
    static Loaded plain(false);
    if (!extras) {
        if (!plain.ok) state.SkipWithError("load failed");
        return &plain.v;
    }
    static Loaded withExtras(true);
    if (!withExtras.ok) state.SkipWithError("load failed");
    return &withExtras.v;
}

void rebuild(Velk& v) {
    v.clearViewData();
    v.getContent();
    v.sortContent();
}

void BM_FlatViewOfRoot100k(benchmark::State& state) {
    Velk& v = *engine(state);
    v.setGroup(v.getRoot());
    v.setMainViewType(MAINVIEW_NORMAL);
    v.setOptViewtype(VIEWTYPE_FLAT);
    v.setOptsSort(int(state.range(0)));
    v.setOptShowCompleted(true);
    v.setOptCompletedLast(true);
    for (auto _ : state)
        rebuild(v);
    state.counters["rows"] = double(v.getViewData().size());
}
BENCHMARK(BM_FlatViewOfRoot100k)->Arg(SORT_DATE)->Arg(SORT_PRIORITY)->Unit(benchmark::kMillisecond);

// Rebuilds a 14-day calendar from firstDay with today pinned to now.
void calendarBench(benchmark::State& state, int64_t now, packedDT firstDay, bool extras) {
    Velk& v = *engine(state, extras);
    setVelkNowForTesting(now);
    v.setMainViewType(MAINVIEW_CALENDAR);
    v.setCalFirstDay(firstDay);
    v.setCalSpan(14);
    for (auto _ : state)
        rebuild(v);
    state.counters["rows"] = double(v.getViewData().size());
    v.clearViewData();
    v.setMainViewType(MAINVIEW_NORMAL);
    setVelkNowForTesting(-1);
}

// The file's calendar starts on 1 March 2011. With the argument 1 today is
// pinned to that day, so that the overdue section is built as well; with 0
// today lies after the span. Every todo due after the first day and without a
// begin fills each of the 14 days: about 460,000 rows. The second argument
// takes the file whose recurring entries carry skipped days and weekday sets.
void BM_Calendar14Days100k(benchmark::State& state) {
    calendarBench(state, state.range(0) ? 1298980800 : 1400000000, // 1 March 2011 / May 2014
                  packDate(1, 3, 2011) | DT_NOTIME, state.range(1) != 0);
}
BENCHMARK(BM_Calendar14Days100k)
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond);

// The same file seen from the end of its years (the entries run from 2008 to
// 2014): the calendar starts today, 15 December 2014, as it does for a user
// whose entries lie mostly in the past. Overdue section included.
void BM_Calendar14DaysAtTheEnd100k(benchmark::State& state) {
    calendarBench(state, 1418644800, packDate(15, 12, 2014) | DT_NOTIME, // 12:00
                  state.range(0) != 0);
}
BENCHMARK(BM_Calendar14DaysAtTheEnd100k)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A search from the root and the rebuild of its list; the search view is left
// again between searches (not timed).
void searchBench(benchmark::State& state, const char* text) {
    Velk& v = *engine(state);
    v.setGroup(v.getRoot());
    v.setMainViewType(MAINVIEW_NORMAL);
    for (auto _ : state) {
        if (v.search(text) != 0) state.SkipWithError("search refused");
        rebuild(v);
        state.PauseTiming();
        state.counters["hits"] = double(v.getViewItems().size());
        v.leaveCurGroup();
        v.clearViewData();
        state.ResumeTiming();
    }
}
void BM_SearchFewHits100k(benchmark::State& state) {
    searchBench(state, "NUMBER 777");
}
void BM_SearchEveryEntry100k(benchmark::State& state) {
    searchBench(state, "Ordinary");
}
BENCHMARK(BM_SearchFewHits100k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchEveryEntry100k)->Unit(benchmark::kMillisecond);

} // namespace
