// The list of the main window over a data file of 100,000 entries: a todo
// of the flat view of the root completed and completed again from its marker,
// each time with the list rebuilt and the browser filled, as the user sees it.
// Needs an X server (make bench runs it under Xvfb).

#include "engine/velk.h"
#include "generate.h"
#include "gui/ask.h"
#include "gui/velk_gui.h"
#include "model/clock.h"

#include <FL/Fl.H>
#include <FL/x.H>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

void BM_ToggleCompletionAndRefillFlatList100k(benchmark::State& state) {
    fl_open_display();
    const std::string dir = "/tmp/velk_gui_bench_" + std::to_string(::getpid());
    const std::string path = dir + ".dat";
    std::ofstream(path, std::ios::binary) << generateDataFile(100000);
    Velk v;
    v.createRoot();
    if (v.readData(path.c_str()) != 0) {
        state.SkipWithError("load failed");
        return;
    }
    std::remove(path.c_str());
    v.checkCompleted();
    v.setGroup(v.getRoot());
    v.setMainViewType(MAINVIEW_NORMAL);
    v.setOptViewtype(VIEWTYPE_FLAT);
    GuiAsk::message = [](const char*) {};
    GuiAsk::alert = [](const char*) {};

    const std::string clipboard = dir + ".tmp";
    make_windows(path.c_str(), 320, 320);
    mainWin->init(&v, clipboard.c_str());
    mainWin->showMain(SCREEN_LIST);
    mainWin->setMenuActive();
    mainWin->showList(0);
    mainWin->show();
    Fl::wait(0);

    // The first row that is a plain todo, not recurring, so that each toggle
    // completes it or opens it again.
    int row = -1;
    for (std::size_t i = 0; i < v.getViewData().size() && row < 0; ++i) {
        const T_viewDataItem& r = v.getViewData()[v.getViewOrder()[i]];
        auto* t = dynamic_cast<ToDoListToDo*>(v.getViewItems()[v.getViewOrder()[i]]);
        if (r.kind != 0 || r.prio > 6 || !t) continue;
        T_recData rec;
        t->getRecData(rec);
        if (rec.type == 0) row = int(v.getViewOrder()[i]);
    }
    if (row < 0) {
        state.SkipWithError("no todo in the list");
    } else {
        for (auto _ : state) {
            ToDoListItem* item = v.getViewItems()[std::size_t(row)];
            mainWin->toggleCompleted(row, false);
            Fl::flush();
            state.PauseTiming();
            // The rebuilt list may hold the todo in another row.
            for (std::size_t i = 0; i < v.getViewItems().size(); ++i)
                if (v.getViewItems()[i] == item) row = int(i);
            state.ResumeTiming();
        }
        state.counters["lines"] = double(mainWin->listView()->size());
    }
    delete mainWin;
    mainWin = nullptr;
    std::remove(clipboard.c_str());
    GuiAsk::useToolkit();
}
BENCHMARK(BM_ToggleCompletionAndRefillFlatList100k)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace
