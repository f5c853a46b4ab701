// The iCalendar export of an organizer of 100,000 entries (a data file of
// about 10 MB): the text built with libical and written to a file.

#include "engine/velk.h"
#include "generate.h"
#include "storage/ical_export.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

void BM_ExportICalendar100k(benchmark::State& state) {
    const std::string path = "/tmp/velk_ics_bench_" + std::to_string(::getpid());
    std::ofstream(path + ".dat", std::ios::binary) << generateDataFile(100000);
    Velk v;
    v.createRoot();
    const int loaded = v.readData((path + ".dat").c_str());
    std::remove((path + ".dat").c_str());
    if (loaded != 0) {
        state.SkipWithError("load failed");
        return;
    }
    T_IcsExportReport report;
    for (auto _ : state)
        if (exportICalendar(path + ".ics", *v.getRoot(), *v.getRoot(), nullptr, report) != 0)
            state.SkipWithError("export failed");
    state.counters["entries"] = report.entries;
    std::remove((path + ".ics").c_str());
}
BENCHMARK(BM_ExportICalendar100k)->Unit(benchmark::kMillisecond)->Iterations(5);

// The same organizer's export read back into an empty one: the file read, the
// entries made, filed and numbered in a new group.
void BM_ImportExportedICalendar100k(benchmark::State& state) {
    const std::string path = "/tmp/velk_ics_bench_" + std::to_string(::getpid());
    std::ofstream(path + ".dat", std::ios::binary) << generateDataFile(100000);
    T_IcsExportReport exported;
    {
        Velk v;
        v.createRoot();
        const int loaded = v.readData((path + ".dat").c_str());
        std::remove((path + ".dat").c_str());
        if (loaded != 0 ||
            exportICalendar(path + ".ics", *v.getRoot(), *v.getRoot(), nullptr, exported) != 0) {
            state.SkipWithError("load or export failed");
            return;
        }
    }
    storage::T_IcsImportReport report;
    for (auto _ : state) {
        state.PauseTiming();
        auto v = std::make_unique<Velk>();
        v->createRoot();
        state.ResumeTiming();
        if (v->importICalendar(path + ".ics", *v->getRoot(), "Imported", report) != 0 ||
            report.entries != exported.entries)
            state.SkipWithError("the import failed");
        state.PauseTiming();
        v.reset();
        state.ResumeTiming();
    }
    state.counters["entries"] = report.entries;
    std::remove((path + ".ics").c_str());
}
BENCHMARK(BM_ImportExportedICalendar100k)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
