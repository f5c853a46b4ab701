// A sync of an organizer of 1,000 entries (ten top-level groups, so ten
// calendars) with a local Radicale: the first run, which writes every entry,
// and a run with nothing to do. Beside the time of a run, "server_s" is the
// time spent waiting for the server's answers and "velk_ms" Velk's own share.

#include "engine/velk.h"
#include "generate.h"
#include "net/dav_client.h"
#include "storage/sync_state.h"
#include "support/radicale.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <fstream>
#include <memory>

namespace {

struct Synced {
    Synced() {
        if (!server.running()) return;
        writeWholeFile(path, generateDataFile(1000));
        v.createRoot();
        if (v.readData(path.c_str()) != 0) return;
        state.url = server.url();
        ok = true;
    }
    // One run; false when it failed. seconds and waited get its time and
    // the time spent waiting for the server.
    bool run(double& seconds, double& waited, T_SyncReport& report) {
        net::HttpClient http({"velk", "", "", 15, 600});
        net::DavClient dav(http);
        const auto start = std::chrono::steady_clock::now();
        const int r = v.syncCalendars(dav, state, false, report);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        waited = http.secondsWaiting();
        return r == SYNC_OK;
    }
    RadicaleServer server;
    TempDir dir;
    std::string path = dir.file("o.dat");
    Velk v;
    storage::T_SyncState state;
    bool ok = false;
};

Synced& synced() {
    static Synced s;
    return s;
}

// Times runs; with nothingToDo a run that writes is an error.
void syncBench(benchmark::State& state, bool nothingToDo) {
    Synced& s = synced();
    if (!s.ok) return state.SkipWithError("no Radicale, or no organizer");
    for (auto _ : state) {
        double seconds, waited;
        T_SyncReport r;
        if (!s.run(seconds, waited, r)) state.SkipWithError(r.error.c_str());
        if (nothingToDo && r.puts + r.deletes != 0) state.SkipWithError("the run wrote");
        state.SetIterationTime(seconds);
        state.counters["server_s"] = waited;
        state.counters["velk_ms"] = (seconds - waited) * 1000;
        state.counters["puts"] = r.puts;
    }
}

void BM_SyncFirstRun1000(benchmark::State& state) {
    syncBench(state, false);
}
BENCHMARK(BM_SyncFirstRun1000)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_SyncNothingToDo1000(benchmark::State& state) {
    syncBench(state, true);
}
BENCHMARK(BM_SyncNothingToDo1000)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace
