// The window during a sync of 1,000 entries with a local Radicale: how long
// its thread is away from the event loop at a stretch, the longest time a
// user waits for a key, a click or a redraw. A timer of 1 ms notes the gaps
// between its calls while the run goes on: "longest_ms" is the longest gap.
// The first run sends every entry up; a second organizer then takes all of
// them in; a last run has nothing to do. Needs an X server.

#include "engine/sync_account.h"
#include "engine/velk.h"
#include "generate.h"
#include "gui/ask.h"
#include "gui/sync_watch.h"
#include "gui/velk_gui.h"
#include "support/radicale.h"

#include <FL/Fl.H>
#include <benchmark/benchmark.h>
#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

// Notes the longest gap between the calls of a 1 ms timer.
struct Probe {
    Clock::time_point last = Clock::now();
    double longest = 0;
    static void tick(void* self) {
        auto& p = *static_cast<Probe*>(self);
        const Clock::time_point now = Clock::now();
        p.longest = std::max(p.longest, std::chrono::duration<double>(now - p.last).count());
        p.last = now;
        Fl::repeat_timeout(0.001, &Probe::tick, self);
    }
};

struct Device {
    Device(const RadicaleServer& server, const std::string& content) {
        writeWholeFile(path, content);
        v.createRoot();
        std::string home, error;
        std::vector<T_SyncCalendar> calendars;
        ok = v.readData(path.c_str()) == 0 &&
             setUpSyncAccount(path, {server.url(), "velk", "echo any"}, "any", home, calendars,
                              error) == 0;
    }
    // One run from "sync now" in the window; the longest gap in seconds.
    double run(double& seconds) {
        make_windows(path.c_str(), 160, 160);
        mainWin->init(&v, dir.file("velkXXXXXX.tmp").c_str());
        mainWin->showMain(SCREEN_LIST);
        mainWin->showList(0);
        mainWin->show();
        Fl::wait(0);
        double longest;
        {
            SyncWatch sync(v, *mainWin, 0);
            sync.start();
            Probe probe;
            Fl::add_timeout(0.001, &Probe::tick, &probe);
            const Clock::time_point start = Clock::now();
            sync.syncNow();
            seconds = std::chrono::duration<double>(Clock::now() - start).count();
            Fl::remove_timeout(&Probe::tick, &probe);
            longest = probe.longest;
            synced = sync.status().rfind("synced ", 0) == 0;
        }
        delete mainWin;
        mainWin = nullptr;
        return longest;
    }
    TempDir dir;
    std::string path = dir.file("o.dat");
    Velk v;
    bool ok = false, synced = false;
};

void BM_WindowSyncLongestBusy1000(benchmark::State& state) {
    GuiAsk::message = [](const char*) {};
    GuiAsk::alert = [](const char*) {};
    RadicaleServer server;
    Device first(server, generateDataFile(1000));
    Device second(server, "<type=Velk>\n<version=0.54>\n<data>\ng\ns<unnamed>\nI1\n>\n</data>\n");
    if (!server.running() || !first.ok || !second.ok)
        return state.SkipWithError("no Radicale, or no organizer");
    for (auto _ : state) {
        double up, in, none, upSeconds, inSeconds, noneSeconds;
        up = first.run(upSeconds);
        const bool upDone = first.synced;
        in = second.run(inSeconds);
        const bool inDone = second.synced;
        none = first.run(noneSeconds);
        if (!upDone || !inDone || !first.synced) state.SkipWithError("a run failed");
        state.SetIterationTime(upSeconds + inSeconds + noneSeconds);
        state.counters["up_longest_ms"] = up * 1000;
        state.counters["in_longest_ms"] = in * 1000;
        state.counters["none_longest_ms"] = none * 1000;
        state.counters["up_s"] = upSeconds;
        state.counters["in_s"] = inSeconds;
    }
    GuiAsk::useToolkit();
}
BENCHMARK(BM_WindowSyncLongestBusy1000)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace
