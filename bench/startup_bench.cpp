// Loading, starting and quitting at 100,000 and 1,000,000 entries (data files
// of about 9 MB and 93 MB): the floor any loader must pay, the load of the
// engine, the whole run of "velk -q" as a process and the calendar the
// program builds when it starts in the calendar view.

#include "child.h"
#include "engine/velk.h"
#include "model/clock.h"
#include "model/datetime.h"
#include "model/group.h"
#include "model/todo_item.h"

#include <benchmark/benchmark.h>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#ifndef VELK_PROGRAM
#error "VELK_PROGRAM must name the velk program (bench/CMakeLists.txt)"
#endif

namespace {

// ---------------------------------------------------------------------------
// The floor: what a loader of the data file cannot avoid, with nothing of
// Velk in it. One read of the whole file, the lines found in place, one heap
// record per entry, the records written back as text and synced, all freed.

struct FloorRecord {
    std::string summary;
    uint32_t id = 0;
    uint32_t prio = 3;
    uint64_t due = 0;
};

template <class T> T number(std::string_view digits) {
    T value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}

bool readWhole(const std::string& path, std::unique_ptr<char[]>& buffer, std::size_t& size) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return false;
    }
    size = std::size_t(st.st_size);
    buffer.reset(new char[size]);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t r = ::read(fd, buffer.get() + done, size - done);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        done += std::size_t(r);
    }
    ::close(fd);
    return done == size;
}

bool writeAndSync(const std::string& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t r = ::write(fd, text.data() + done, text.size() - done);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        done += std::size_t(r);
    }
    const bool synced = ::fsync(fd) == 0;
    return ::close(fd) == 0 && synced && done == text.size();
}

void appendNumber(std::string& out, uint64_t value) {
    char digits[24];
    const auto r = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, r.ptr);
}

// One pass of the floor over the file at path, the records written to out.
// Returns the number of records, -1 when the file could not be read or written.
long long floorPass(const std::string& path, const std::string& out) {
    std::unique_ptr<char[]> buffer;
    std::size_t size = 0;
    if (!readWhole(path, buffer, size)) return -1;

    std::vector<std::unique_ptr<FloorRecord>> records;
    FloorRecord* current = nullptr; // the entry whose lines are being read
    const char* const text = buffer.get();
    std::size_t pos = 0;
    while (pos < size) {
        const char* nl = static_cast<const char*>(std::memchr(text + pos, '\n', size - pos));
        const std::size_t end = nl ? std::size_t(nl - text) : size;
        const std::string_view line(text + pos, end - pos);
        pos = end + 1;
        if (line.empty()) continue;
        const std::string_view rest = line.substr(1);
        switch (line[0]) {
        case 't':
            if (rest.empty()) {
                records.push_back(std::make_unique<FloorRecord>());
                current = records.back().get();
            }
            break;
        case 'g': // a group: its lines belong to no entry
        case '>':
            current = nullptr;
            break;
        case 's':
            if (current && current->summary.empty()) current->summary.assign(rest);
            break;
        case 'I':
            if (current) current->id = number<uint32_t>(rest);
            break;
        case 'p':
            if (current) current->prio = number<uint32_t>(rest);
            break;
        case 'n':
            if (current) current->due = number<uint64_t>(rest);
            break;
        case 'd': // a description: its length, then that many bytes of text and a newline
            pos += number<std::size_t>(rest) + 1;
            break;
        default:
            break;
        }
    }

    std::string written;
    written.reserve(records.size() * 80);
    for (const auto& r : records) {
        written += "t\ns";
        written += r->summary;
        written += "\nI";
        appendNumber(written, r->id);
        written += "\np";
        appendNumber(written, r->prio);
        written += "\nn";
        appendNumber(written, r->due);
        written += "\n>\n";
    }
    if (!writeAndSync(out, written)) return -1;
    const long long count = (long long)records.size();
    records.clear();
    records.shrink_to_fit();
    return count;
}

void BM_Floor(benchmark::State& state) {
    const std::string& path = generatedDataFile(unsigned(state.range(0)));
    PrivateFolder folder("floor_bench");
    if (path.empty() || folder.path().empty()) {
        state.SkipWithError("cannot write the data file");
        return;
    }
    const std::string out = folder.path() + "/records.txt";
    for (auto _ : state) {
        const long long records = floorPass(path, out);
        state.PauseTiming();
        ::unlink(out.c_str());
        if (records != state.range(0)) {
            state.SkipWithError(records < 0 ? "cannot read or write the files"
                                            : "wrong number of records");
            break;
        }
        state.ResumeTiming();
    }
}

// ---------------------------------------------------------------------------
// The load of the engine: read, parse and every index built.

long long countTodos(Velk& v) {
    long long todos = 0;
    forEachInSubtree(*v.getRoot(), true, [&todos](ToDoListItem& item) {
        if (dynamic_cast<ToDoListToDo*>(&item)) ++todos;
    });
    return todos;
}

void BM_Load(benchmark::State& state) {
    const std::string& path = generatedDataFile(unsigned(state.range(0)));
    if (path.empty()) {
        state.SkipWithError("cannot write the data file");
        return;
    }
    for (auto _ : state) {
        auto v = std::make_unique<Velk>();
        v->createRoot();
        const int r = v->readData(path.c_str());
        state.PauseTiming(); // the check and the deletion of the tree are not timed
        const bool whole = r == 0 && countTodos(*v) == state.range(0);
        v.reset();
        if (!whole) {
            state.SkipWithError(r != 0 ? "load failed" : "wrong number of entries loaded");
            break;
        }
        state.ResumeTiming();
    }
}

// ---------------------------------------------------------------------------
// Whole processes of the program on a generated file, as the user's shell
// sees them, each started through velk_peak, which reports the peak of velk
// alone: "velk -q -f FILE" (start, configuration, lock, load, journal check,
// quit with the engine deleted) and "velk --agenda -c 2011-03-01 -f FILE"
// (load and journal replay without the lock, the 7-day calendar from the day
// the generated entries crowd, its lines printed; output to /dev/null).

void runProcessBench(benchmark::State& state, const std::vector<std::string>& args,
                     const char* what) {
    const std::string& path = generatedDataFile(unsigned(state.range(0)));
    PrivateFolder run("process_bench");
    const std::string home = run.path() + "/home";
    if (path.empty() || run.path().empty() || ::mkdir(home.c_str(), 0700) != 0) {
        state.SkipWithError("cannot write the data file");
        return;
    }
    const double fileMiB = double(fileSize(path)) / (1024.0 * 1024.0);
    ChildStart how;
    how.argv = {VELK_PROGRAM};
    how.argv.insert(how.argv.end(), args.begin(), args.end());
    how.argv.insert(how.argv.end(), {"-f", path});
    how.dir = run.path();
    how.env = {"HOME=" + home};
    for (auto _ : state) {
        std::string error;
        TimedRun r;
        if (!runTimed(VELK_PEAK, run.path() + "/peak", how, r, error)) {
            state.SkipWithError((std::string(what) + ": " + error).c_str());
            break;
        }
        state.SetIterationTime(r.seconds);
        state.counters["peak_MiB"] = r.peakMiB;
        state.counters["above_file_MiB"] = r.peakMiB - fileMiB;
    }
}

void BM_QuitProcess(benchmark::State& state) {
    runProcessBench(state, {"-q"}, "velk -q");
}

void BM_AgendaProcess(benchmark::State& state) {
    runProcessBench(state, {"--agenda", "-c", "2011-03-01"}, "velk --agenda");
}

// ---------------------------------------------------------------------------
// The calendar the program builds when it starts in the calendar view: 7 or
// 14 days from 1 March 2011 (the generated file's calendar date), with today
// pinned to that day so that the overdue section is built as well.

// One loaded engine at a time, so that the process holds at most one tree of
// a million entries: it is kept for the repetitions and the other span of its
// size, and released when the other size is loaded. So each figure is the
// rebuild the user waits for after a change, not the first build of a start.
struct LoadedEngine {
    unsigned entries = 0;
    std::unique_ptr<Velk> v;
};
LoadedEngine loaded;

Velk* loadedEngine(unsigned entries) {
    if (loaded.v && loaded.entries == entries) return loaded.v.get();
    loaded.v.reset();
    const std::string& path = generatedDataFile(entries);
    if (path.empty()) return nullptr;
    auto v = std::make_unique<Velk>();
    v->createRoot();
    if (v->readData(path.c_str()) != 0) return nullptr;
    v->checkCompleted();
    loaded.v = std::move(v);
    loaded.entries = entries;
    return loaded.v.get();
}

void rebuild(Velk& v) {
    v.clearViewData();
    v.getContent();
    v.sortContent();
}

void calendarBench(benchmark::State& state, int days) {
    Velk* v = loadedEngine(unsigned(state.range(0)));
    if (!v) {
        state.SkipWithError("load failed");
        return;
    }
    setVelkNowForTesting(1298980800); // 1 March 2011, 12:00 UTC
    v->setMainViewType(MAINVIEW_CALENDAR);
    v->setCalFirstDay(packDate(1, 3, 2011) | DT_NOTIME);
    v->setCalSpan(days);
    for (auto _ : state)
        rebuild(*v);
    // A day header for each day of the span (a holiday or other marked day has
    // a row of its own beside its header), and entries beside them.
    const auto& rows = v->getViewData();
    long long headers = 0;
    for (const T_viewDataItem& r : rows)
        if (r.kind == 0 && r.prio == PRIO_DAYHEADER) ++headers;
    if (headers != days || rows.size() <= std::size_t(days))
        state.SkipWithError("the calendar does not hold the days and their entries");
    state.counters["rows"] = double(rows.size());
    v->clearViewData();
    v->setMainViewType(MAINVIEW_NORMAL);
    setVelkNowForTesting(-1);
}

void BM_Calendar7Days(benchmark::State& state) {
    calendarBench(state, 7);
}
void BM_Calendar14Days(benchmark::State& state) {
    calendarBench(state, 14);
}

// Every figure is the median of 5 repetitions. Runs at a million entries, and
// every run of a process, are one iteration each; the others as many as the
// library needs.
benchmark::internal::Benchmark* atSize(const char* name, void (*fn)(benchmark::State&), int entries,
                                       bool process) {
    auto* b = benchmark::RegisterBenchmark(name, fn)
                  ->Arg(entries)
                  ->Repetitions(5)
                  ->ReportAggregatesOnly(true)
                  ->Unit(benchmark::kMillisecond);
    if (process || entries >= 1000000) b->Iterations(1);
    if (process) b->UseManualTime();
    return b;
}

[[maybe_unused]] const bool registered = [] {
    for (int entries : {100000, 1000000}) {
        atSize("BM_Floor", BM_Floor, entries, false);
        atSize("BM_Load", BM_Load, entries, false);
        atSize("BM_QuitProcess", BM_QuitProcess, entries, true);
        atSize("BM_AgendaProcess", BM_AgendaProcess, entries, true);
    }
    for (int entries : {100000, 1000000}) {
        atSize("BM_Calendar7Days", BM_Calendar7Days, entries, false);
        atSize("BM_Calendar14Days", BM_Calendar14Days, entries, false);
    }
    return true;
}();

} // namespace
