// The list of the main window over a data file of 100,000 entries: a todo
// of the flat view of the root completed and completed again from its marker,
// each time with the list rebuilt and the browser filled, as the user sees it.
// And the start of the real program up to the first complete picture of its
// window, at 100,000 and 1,000,000 entries, in the list and in the calendar.
// Needs an X server (make bench runs it under Xvfb).

#include "child.h"
#include "engine/velk.h"
#include "generate.h"
#include "gui/ask.h"
#include "gui/velk_gui.h"
#include "model/clock.h"

#include <FL/Fl.H>
#include <FL/x.H>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#ifndef VELK_PROGRAM
#error "VELK_PROGRAM must name the velk program (bench/CMakeLists.txt)"
#endif

namespace {

void BM_ToggleCompletionAndRefillFlatList100k(benchmark::State& state) {
    fl_open_display();
    // The data file, the clipboard and the journal files the toggles write
    // beside the data file live in a private folder, removed at the end.
    PrivateFolder folder("gui_toggle");
    const std::string path = folder.path() + "/velk.dat";
    std::error_code copied;
    if (folder.path().empty() ||
        !std::filesystem::copy_file(generatedDataFile(100000), path, copied)) {
        state.SkipWithError("cannot write the data file");
        return;
    }
    Velk v;
    v.createRoot();
    if (v.readData(path.c_str()) != 0) {
        state.SkipWithError("load failed");
        return;
    }
    v.checkCompleted();
    v.setGroup(v.getRoot());
    v.setMainViewType(MAINVIEW_NORMAL);
    v.setOptViewtype(VIEWTYPE_FLAT);
    GuiAsk::message = [](const char*) {};
    GuiAsk::alert = [](const char*) {};

    const std::string clipboard = folder.path() + "/velkXXXXXX.tmp";
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

// ---------------------------------------------------------------------------
// From the start of the real program to the first complete picture of its
// main window. The benchmark watches the window from outside, as another
// client of the same display: it sees the window mapped, then grabs its
// contents again and again and keeps a hash of each picture with its time.
// Once the picture has stayed the same for half a second, the window counts
// as painted from the first grab that showed that final picture.

constexpr double kSettled = 0.5;       // the picture stays unchanged this long at the end
constexpr int kGrabPauseMicros = 2000; // between two grabs, so that the program and the
                                       // X server get the processor
constexpr double kGiveUp = 300.0;      // a start taking longer counts as failed

// The watcher's own connection to the display (DISPLAY), opened once.
Display* watchDisplay = nullptr;
XErrorHandler toolkitErrors = nullptr;

// Errors of the watcher's requests (a grab of a window that has just gone)
// show as a failed grab; those of the toolkit go to its own handler.
int onXError(Display* d, XErrorEvent* e) {
    if (d == watchDisplay) return 0;
    return toolkitErrors ? toolkitErrors(d, e) : 0;
}

Display* watcher() {
    if (!watchDisplay) {
        watchDisplay = XOpenDisplay(nullptr);
        if (watchDisplay) {
            toolkitErrors = XSetErrorHandler(onXError);
            XSelectInput(watchDisplay, DefaultRootWindow(watchDisplay), SubstructureNotifyMask);
            XSync(watchDisplay, False);
        }
    }
    return watchDisplay;
}

// A hash of the window's picture and size; 0 when it could not be grabbed.
uint64_t grabPicture(Display* d, Window w) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, w, &a) || a.map_state != IsViewable) return 0;
    XImage* image =
        XGetImage(d, w, 0, 0, unsigned(a.width), unsigned(a.height), AllPlanes, ZPixmap);
    if (!image) return 0;
    // FNV-1a over the pixels of each line, without the padding at its end.
    uint64_t h = 1469598103934665603ull;
    auto mix = [&h](uint64_t x) { h = (h ^ x) * 1099511628211ull; };
    mix(uint64_t(a.width) << 32 | uint64_t(a.height));
    const std::size_t lineBytes = std::size_t(a.width) * std::size_t(image->bits_per_pixel) / 8;
    for (int y = 0; y < a.height; ++y) {
        const char* line = image->data + std::size_t(y) * std::size_t(image->bytes_per_line);
        std::size_t i = 0;
        for (; i + 8 <= lineBytes; i += 8) {
            uint64_t word;
            std::memcpy(&word, line + i, 8);
            mix(word);
        }
        for (; i < lineBytes; ++i)
            mix(uint8_t(line[i]));
    }
    XDestroyImage(image);
    return h ? h : 1;
}

// What one start showed.
struct StartWatch {
    double mapped = 0;  // the main window mapped
    double painted = 0; // the first grab of the final picture
    uint64_t finalPicture = 0;
    int pictures = 0; // different pictures seen, counting each change
    int grabs = 0;
    std::string error; // empty when the start was watched to the end
};

// The main window of the child among the top-level windows mapped: the one
// whose title names the data file.
bool isMainWindow(Display* d, Window w, const std::string& dataFile) {
    char* name = nullptr;
    if (!XFetchName(d, w, &name) || !name) return false;
    const bool mine = std::strstr(name, dataFile.c_str()) != nullptr;
    XFree(name);
    return mine;
}

// Starts velk on a copy of the data file source in a private folder (its
// lock, clipboard and journal files land there too), watches it up to its
// first complete picture, then kills it and removes the folder.
StartWatch watchStart(const std::string& source) {
    StartWatch watch;
    Display* d = watcher();
    if (!d) {
        watch.error = "cannot open the display";
        return watch;
    }
    PrivateFolder run("gui_start");
    const std::string home = run.path() + "/home", dataFile = run.path() + "/velk.dat";
    std::error_code copied;
    if (run.path().empty() || ::mkdir(home.c_str(), 0700) != 0 ||
        !std::filesystem::copy_file(source, dataFile, copied)) {
        watch.error = "cannot copy the data file";
        return watch;
    }
    ChildStart how;
    how.argv = {VELK_PROGRAM, "-f", dataFile};
    how.dir = run.path();
    // Today pinned to the calendar's first day, so that every run draws the same.
    how.env = {"HOME=" + home, "VELK_NOW=1298980800"};

    // Events of windows mapped before this start are not this start's.
    XSync(d, True);
    const double start = monotonicSeconds();
    const pid_t pid = startChild(how, watch.error);
    if (pid < 0) return watch;
    ChildEnd end;
    auto failed = [&](const std::string& why) {
        watch.error = why;
        if (childHasEnded(pid, end))
            watch.error += " (velk ended with " + describeStatus(end.status) + ")";
        else
            killChild(pid);
        return watch;
    };

    // The map of the main window.
    Window window = 0;
    while (!window) {
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
            if (e.type == MapNotify && !e.xmap.override_redirect &&
                isMainWindow(d, e.xmap.window, dataFile))
                window = e.xmap.window;
        }
        if (window) break;
        if (monotonicSeconds() - start > kGiveUp) return failed("no window after 300 s");
        if (childHasEnded(pid, end)) {
            watch.error =
                "velk ended with " + describeStatus(end.status) + " before its window showed";
            return watch;
        }
        struct pollfd p = {ConnectionNumber(d), POLLIN, 0};
        ::poll(&p, 1, 5);
    }
    watch.mapped = monotonicSeconds() - start;

    // Grabs until the picture has settled.
    std::vector<std::pair<double, uint64_t>> grabs;
    double since = 0; // the first grab of the current picture
    for (;;) {
        const uint64_t picture = grabPicture(d, window);
        const double now = monotonicSeconds() - start;
        if (grabs.empty() || picture != grabs.back().second) {
            since = now;
            ++watch.pictures;
        }
        grabs.emplace_back(now, picture);
        if (picture != 0 && now - since >= kSettled) break;
        if (now > kGiveUp) return failed("the picture did not settle within 300 s");
        if (childHasEnded(pid, end))
            return failed("velk ended with " + describeStatus(end.status) + " while painting");
        ::usleep(kGrabPauseMicros);
    }
    killChild(pid);
    watch.grabs = int(grabs.size());
    watch.finalPicture = grabs.back().second;
    for (const auto& g : grabs)
        if (g.second == watch.finalPicture) {
            watch.painted = g.first;
            break;
        }
    // The map events of this start are done with.
    XSync(d, True);
    return watch;
}

// The data files of the starts, written once per process into a private
// folder: the generated file made to start in a 7-day calendar, and the
// files of an empty organizer (the root group alone) with the same window.
PrivateFolder& startFiles() {
    static PrivateFolder folder("gui_bench_data");
    return folder;
}

const std::vector<std::pair<std::string, std::string>> calendarHeaders = {{"mainviewtype", "3"},
                                                                          {"cal.days", "7"}};

const std::string& calendarFile(unsigned entries) {
    static std::map<unsigned, std::string> files;
    auto it = files.find(entries);
    if (it != files.end()) return it->second;
    std::string path = startFiles().path() + "/calendar_" + std::to_string(entries) + ".dat", text;
    if (startFiles().path().empty() || !readTextFile(generatedDataFile(entries), text) ||
        !writeTextFile(path, withHeaders(text, calendarHeaders)))
        path.clear();
    return files.emplace(entries, path).first->second;
}

// The final picture of an empty organizer in the list or the calendar; the
// picture of a full one must differ from it, or the rows were not painted.
uint64_t emptyPicture(bool calendar, std::string& error) {
    static std::map<bool, uint64_t> pictures;
    auto it = pictures.find(calendar);
    if (it != pictures.end()) return it->second;
    std::string text = generateDataFile(0);
    const std::string root = "\ng\ns<unnamed>\nI1\n";
    text = text.substr(0, text.find(root) + root.size()) + ">\n</data>\n";
    if (calendar) text = withHeaders(text, calendarHeaders);
    const std::string path =
        startFiles().path() + (calendar ? "/empty_calendar.dat" : "/empty_list.dat");
    if (startFiles().path().empty() || !writeTextFile(path, text)) {
        error = "cannot write the empty data file";
        return 0;
    }
    const StartWatch watch = watchStart(path);
    if (!watch.error.empty()) {
        error = "empty organizer: " + watch.error;
        return 0;
    }
    return pictures[calendar] = watch.finalPicture;
}

void startToPainted(benchmark::State& state, bool calendar) {
    const unsigned entries = unsigned(state.range(0));
    const std::string& source = calendar ? calendarFile(entries) : generatedDataFile(entries);
    if (source.empty()) {
        state.SkipWithError("cannot write the data file");
        return;
    }
    std::string error;
    const uint64_t empty = emptyPicture(calendar, error);
    if (!error.empty()) {
        state.SkipWithError(error.c_str());
        return;
    }
    for (auto _ : state) {
        const StartWatch watch = watchStart(source);
        if (!watch.error.empty()) {
            state.SkipWithError(watch.error.c_str());
            break;
        }
        if (watch.finalPicture == empty) {
            state.SkipWithError("the window shows no more than that of an empty organizer");
            break;
        }
        state.SetIterationTime(watch.painted);
        state.counters["mapped_ms"] = watch.mapped * 1e3;
        state.counters["pictures"] = watch.pictures;
        state.counters["grabs"] = watch.grabs;
    }
}

// The list as the generated file starts: the tree of the root, its groups
// with the completion markers of all the entries below them.
void BM_StartToPaintedList(benchmark::State& state) {
    startToPainted(state, false);
}
// The 7-day calendar from 1 March 2011 with today on that day.
void BM_StartToPaintedCalendar7Days(benchmark::State& state) {
    startToPainted(state, true);
}
// Each start is one iteration; the figure is the median of 5.
void startSizes(benchmark::internal::Benchmark* b) {
    b->Arg(100000)->Arg(1000000)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true);
    b->UseManualTime()->Unit(benchmark::kMillisecond);
}
BENCHMARK(BM_StartToPaintedList)->Apply(startSizes);
BENCHMARK(BM_StartToPaintedCalendar7Days)->Apply(startSizes);

} // namespace
