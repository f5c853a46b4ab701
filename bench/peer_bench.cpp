// Velk beside calcurse, the fastest terminal organizer on Debian, on the same
// items: whole processes of both programs, started in turn (Velk, calcurse,
// Velk, calcurse ...) through velk_peak, at 100,000 and 1,000,000 entries.
//
// The items are those of generateDataFile(N, 1, 10) (10 % of the recurring
// entries skip days, and weekly ones of them repeat on several weekdays),
// written once as a Velk data file and once as calcurse's own data files:
//   - an appointment or note with a timed begin: a calcurse appointment from
//     its begin to its end; one with a date-only begin: a calcurse event;
//   - the rule of a recurring one: a calcurse recurrent item with the same
//     interval (daily, weekly with its weekdays, monthly by date, yearly), its
//     range end as calcurse's end date and its skipped days as exceptions;
//   - a todo: a calcurse todo with the same priority (1..6 of calcurse's
//     1..9), completed ones as completed todos; calcurse's todos have neither
//     a due date nor a rule, so those of a todo are not written;
//   - a description: a calcurse note, a file named by the SHA-1 of its text.
// The files are written in the order calcurse writes them when it saves, so
// that its loader appends each item at the end of its sorted list (in another
// order it walks the list for each item: the 7-day query at 100,000 entries
// took 3.4 s from shuffled appointments instead of 0.15 s).
// The bench checks that order once per size by letting calcurse save a copy.
//
// Each figure is the median of the pairs (5 at 100,000 entries, 3 at a
// million), the ratio Velk/calcurse taken per pair; peaks are the highest of
// each side's runs. Run these alone with --benchmark_filter=BM_Peer.

#include "child.h"
#include "common/text.h"
#include "crypt/sha1.h"
#include "generate.h"
#include "model/datetime.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#ifndef VELK_PROGRAM
#error "VELK_PROGRAM must name the velk program (bench/CMakeLists.txt)"
#endif
#ifndef VELK_PEAK
#error "VELK_PEAK must name the velk_peak launcher (bench/CMakeLists.txt)"
#endif

namespace {

// Where Debian's package puts it; scripts/install-deps --bench installs it.
const char* const CALCURSE = "/usr/bin/calcurse";

// ---------------------------------------------------------------------------
// The entries of a Velk data file, as far as calcurse can hold them.

struct PeerEntry {
    std::string_view summary;
    std::string_view description;
    unsigned prio = 3;
    packedDT begin = DT_EMPTY;
    packedDT end = DT_EMPTY;
    int recType = 0; // the record's kind of repetition, 0 none
    int interval = 1;
    packedDT rangeEnd = DT_EMPTY;
    unsigned weekdays = 0; // bit 0 Monday .. bit 6 Sunday
    std::vector<packedDT> skipped;
    bool completed = false;
};

template <class T> T number(std::string_view digits) {
    T value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}

// The entries ("t" records) of a data file's text; the views point into text.
// Group records and header lines are passed over. False when a description
// runs past the end of the text.
bool readEntries(std::string_view text, std::vector<PeerEntry>& entries) {
    std::size_t pos = 0;
    PeerEntry* current = nullptr;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (line.empty()) continue;
        const std::string_view rest = line.substr(1);
        if (line == "t") {
            entries.emplace_back();
            current = &entries.back();
            continue;
        }
        if (line[0] == 'g' && rest.empty()) {
            current = nullptr;
            continue;
        }
        if (line[0] == 'd') { // its length, then that many bytes and a newline
            const std::size_t length = number<std::size_t>(rest);
            if (length > text.size() || pos + length > text.size()) return false;
            if (current) current->description = text.substr(pos, length);
            pos += length + 1;
            continue;
        }
        if (!current) continue;
        switch (line[0]) {
        case 's':
            if (current->summary.empty()) current->summary = rest;
            break;
        case 'p':
            current->prio = number<unsigned>(rest);
            break;
        case 'm':
            current->begin = number<packedDT>(rest);
            break;
        case 'n':
            current->end = number<packedDT>(rest);
            break;
        case '1':
            current->recType = number<int>(rest);
            break;
        case '2':
            current->interval = number<int>(rest);
            break;
        case '4':
            current->rangeEnd = number<packedDT>(rest);
            break;
        case '5':
            current->weekdays = number<unsigned>(rest) & 0x7f;
            break;
        case 'x':
            for (std::size_t p = 0; p < rest.size();) {
                std::size_t comma = rest.find(',', p);
                if (comma == std::string_view::npos) comma = rest.size();
                current->skipped.push_back(number<packedDT>(rest.substr(p, comma - p)));
                p = comma + 1;
            }
            break;
        case 'f':
            current->completed = true;
            break;
        case '>':
            current = nullptr;
            break;
        default:
            break;
        }
    }
    return true;
}

// ---------------------------------------------------------------------------
// calcurse's data files.

void appendTwo(std::string& out, int value) {
    out += char('0' + value / 10 % 10);
    out += char('0' + value % 10);
}

// MM/DD/YYYY, as calcurse writes its dates.
void appendDate(std::string& out, packedDT v) {
    appendTwo(out, dtMonth(v));
    out += '/';
    appendTwo(out, dtDay(v));
    out += '/';
    char year[8];
    out.append(year, std::to_chars(year, year + sizeof year, dtYear(v)).ptr);
}

// MM/DD/YYYY @ HH:MM
void appendDateTime(std::string& out, packedDT v) {
    appendDate(out, v);
    out += " @ ";
    appendTwo(out, dtHour(v));
    out += ':';
    appendTwo(out, dtMinute(v));
}

// 24:00, the end of a day, is 00:00 of the next one for calcurse.
packedDT withoutHour24(packedDT v) {
    if (dtHasDate(v) && dtHasTime(v) && dtHour(v) == 24) {
        moveDate(v, 1);
        v = withDate(packTime(0, 0), dtDay(v), dtMonth(v), dtYear(v));
    }
    return v;
}

// What calcurse holds of one entry, and the line it writes for it.
struct PeerItem {
    enum Kind { RecurEvent, RecurApt, Apt, Event, Todo } kind;
    packedDT key; // the start (date-time or date) that calcurse orders by
    int prio;     // todos: the priority; completed ones sort after the open ones
    bool completed;
    std::string_view summary;
    std::string line;
};

// The SHA-1 of text as 40 lower-case hex digits: a calcurse note's name.
std::string sha1Hex(std::string_view text) {
    const auto digest =
        Hash_SHA1::Of(reinterpret_cast<const unsigned char*>(text.data()), text.size());
    return lowerHex(digest.data(), digest.size());
}

// The rule part of a recurrent item, " {2W -> 12/31/2012 w0 w2 !03/15/2011}",
// or an empty text when calcurse has no such rule (error then says why).
std::string ruleText(const PeerEntry& e, packedDT start, std::string& error) {
    char freq = 0;
    switch (e.recType) {
    case 1: // daily
    case 2: // daily, counted from today (todos only)
        freq = 'D';
        break;
    case 3:
        freq = 'W';
        break;
    case 5:
        freq = 'M';
        break;
    case 6:
        freq = 'Y';
        break;
    default:
        error = "a rule calcurse cannot hold (kind " + std::to_string(e.recType) + ")";
        return {};
    }
    std::string out = " {" + std::to_string(std::max(e.interval, 1)) + freq;
    if (dtHasDate(e.rangeEnd)) {
        out += " -> ";
        appendDate(out, e.rangeEnd);
    }
    // calcurse numbers weekdays from Sunday (w0) and wants the start's among
    // them; Velk's bits run from Monday. The start's weekday alone is the
    // plain rule, written without weekdays.
    const unsigned anchor = 1u << Wochentag(dtDay(start), dtMonth(start), dtYear(start));
    if (freq == 'W' && (e.weekdays & ~anchor) != 0) {
        const unsigned days = e.weekdays | anchor;
        for (int w = 0; w < 7; ++w)
            if (days & (1u << ((w + 6) % 7))) out += " w" + std::to_string(w);
    }
    std::vector<packedDT> skipped;
    for (packedDT d : e.skipped)
        if (dtHasDate(d)) skipped.push_back(dtDateOnly(d));
    std::sort(skipped.begin(), skipped.end());
    for (packedDT d : skipped) {
        out += " !";
        appendDate(out, d);
    }
    out += '}';
    return out;
}

// The item of entry e, its note (when it has a description) added to notes
// by name. False with error set for an entry calcurse cannot hold.
bool toItem(const PeerEntry& e, std::map<std::string, std::string_view>& notes, PeerItem& item,
            std::string& error) {
    std::string note;
    if (!e.description.empty()) {
        // A note file holds the text and a newline; its name is their SHA-1.
        std::string content(e.description);
        content += '\n';
        note = sha1Hex(content);
        notes.emplace(note, e.description);
    }
    item.summary = e.summary;
    item.completed = e.completed;
    item.prio = int(e.prio);
    std::string& line = item.line;
    if (e.prio <= 6) {
        item.kind = PeerItem::Todo;
        item.key = 0;
        line = "[" + std::string(e.completed ? "-" : "") + std::to_string(e.prio) + "]";
        line += note.empty() ? " " : ">" + note + " ";
        line += e.summary;
        return true;
    }
    if (!dtHasDate(e.begin)) {
        error = "an appointment without a begin date";
        return false;
    }
    const bool recurring = e.recType != 0;
    if (!dtHasTime(e.begin)) {
        item.kind = recurring ? PeerItem::RecurEvent : PeerItem::Event;
        item.key = dtDateOnly(e.begin);
        appendDate(line, e.begin);
        line += " [1]";
        if (recurring) {
            const std::string rule = ruleText(e, e.begin, error);
            if (rule.empty()) return false;
            line += rule;
        }
        line += ' ';
        if (!note.empty()) line += ">" + note + " ";
        line += e.summary;
        return true;
    }
    const packedDT start = withoutHour24(e.begin);
    packedDT end = withoutHour24(e.end);
    if (!dtHasDate(end) || !dtHasTime(end) || end < start) end = start;
    item.kind = recurring ? PeerItem::RecurApt : PeerItem::Apt;
    item.key = start;
    appendDateTime(line, start);
    line += " -> ";
    appendDateTime(line, end);
    if (recurring) {
        const std::string rule = ruleText(e, start, error);
        if (rule.empty()) return false;
        line += rule;
        line += ' ';
    }
    if (!note.empty()) line += ">" + note + " ";
    line += '|';
    line += e.summary;
    return true;
}

// calcurse's order: recurrent events, recurrent appointments, appointments,
// events, each by start and then by text; the todo list open todos first, by
// priority and then by text. Items equal in all of these keep the file's
// order, as calcurse's sorted insertion does.
bool calcurseBefore(const PeerItem& a, const PeerItem& b) {
    if (a.kind != b.kind) return a.kind < b.kind;
    if (a.kind == PeerItem::Todo) {
        if (a.completed != b.completed) return b.completed;
        if (a.prio != b.prio) return a.prio < b.prio;
    } else if (a.key != b.key) {
        return a.key < b.key;
    }
    return a.summary < b.summary; // bytewise, as strcmp
}

// Writes calcurse's apts, todo and notes/ into the folder dir from the text
// of a Velk data file. False with error set when something cannot be written
// or an entry cannot be held.
bool writeCalcurseData(std::string_view velkText, const std::string& dir, std::string& error) {
    std::vector<PeerEntry> entries;
    if (!readEntries(velkText, entries)) {
        error = "the data file's text is cut off";
        return false;
    }
    std::vector<PeerItem> items(entries.size());
    std::map<std::string, std::string_view> notes;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (!toItem(entries[i], notes, items[i], error)) return false;
    entries.clear();
    std::stable_sort(items.begin(), items.end(), calcurseBefore);
    std::string apts, todo;
    apts.reserve(items.size() * 80);
    todo.reserve(items.size() * 64);
    for (const PeerItem& item : items) {
        std::string& out = item.kind == PeerItem::Todo ? todo : apts;
        out += item.line;
        out += '\n';
    }
    if (::mkdir((dir + "/notes").c_str(), 0700) != 0 && errno != EEXIST) {
        error = "cannot make " + dir + "/notes";
        return false;
    }
    for (const auto& [name, text] : notes)
        if (!writeTextFile(dir + "/notes/" + name, std::string(text) + '\n')) {
            error = "cannot write the note " + name;
            return false;
        }
    if (!writeTextFile(dir + "/apts", apts) || !writeTextFile(dir + "/todo", todo)) {
        error = "cannot write apts or todo in " + dir;
        return false;
    }
    return true;
}

bool copyFile(const std::string& from, const std::string& to) {
    std::string text;
    return readTextFile(from, text) && writeTextFile(to, text);
}

// A fresh copy of a calcurse folder: apts and todo copied, the notes (which
// calcurse never changes in place: a note's name is its text's hash) linked.
bool copyCalcurseData(const std::string& from, const std::string& to) {
    if (!removeTree(to) || ::mkdir(to.c_str(), 0700) != 0 ||
        ::mkdir((to + "/notes").c_str(), 0700) != 0 || !copyFile(from + "/apts", to + "/apts") ||
        !copyFile(from + "/todo", to + "/todo"))
        return false;
    DIR* d = ::opendir((from + "/notes").c_str());
    if (!d) return false;
    bool whole = true;
    while (const dirent* ent = ::readdir(d)) {
        if (ent->d_name[0] == '.') continue;
        const std::string name = std::string("/notes/") + ent->d_name;
        if (::link((from + name).c_str(), (to + name).c_str()) != 0) whole = false;
    }
    ::closedir(d);
    return whole;
}

// ---------------------------------------------------------------------------
// Running one program.

using RunResult = TimedRun;

// The environment of every child: a home and XDG folders of its own, and a
// fixed time zone and locale.
std::vector<std::string> childEnv(const std::string& home) {
    return {"HOME=" + home,
            "XDG_CONFIG_HOME=" + home + "/.config",
            "XDG_DATA_HOME=" + home + "/.local/share",
            "XDG_CACHE_HOME=" + home + "/.cache",
            "XDG_STATE_HOME=" + home + "/.local/state",
            "TZ=Europe/Berlin",
            "LC_ALL=C.UTF-8"};
}

// Runs argv (the program and its arguments) through velk_peak in the folder
// dir, standard output to out and error to err (runTimed).
bool runTimed(const std::vector<std::string>& argv, const std::string& dir, const std::string& home,
              const std::string& out, const std::string& err, RunResult& result,
              std::string& error) {
    ChildStart how;
    how.argv = argv;
    how.dir = dir;
    how.env = childEnv(home);
    how.out = out;
    how.err = err;
    return ::runTimed(VELK_PEAK, dir + "/peak", how, result, error);
}

// ---------------------------------------------------------------------------
// The same items for both programs, made once per size.

struct PeerData {
    std::string velkFile; // the Velk data file
    std::string calDir;   // calcurse's apts, todo and notes/
    std::string ics;      // calcurse's own export of the items, made on first use
    std::string error;    // why the data could not be made
};

PrivateFolder& dataFolder() {
    static PrivateFolder folder("peer_data");
    return folder;
}

std::string runFolderPath(const std::string& base, const char* name) {
    const std::string path = base + "/" + name;
    ::mkdir(path.c_str(), 0700);
    return path;
}

// Runs calcurse once untimed in a private home below dir.
bool runCalcurseOnce(const std::vector<std::string>& args, const std::string& dir,
                     const std::string& out, std::string& error) {
    const std::string home = runFolderPath(dir, "home");
    std::vector<std::string> argv = {CALCURSE};
    argv.insert(argv.end(), args.begin(), args.end());
    RunResult ignored;
    return runTimed(argv, dir, home, out, dir + "/stderr", ignored, error);
}

const PeerData& peerData(unsigned entries) {
    static std::map<unsigned, PeerData> made;
    auto it = made.find(entries);
    if (it != made.end()) return it->second;
    PeerData& data = made[entries];
    const std::string& base = dataFolder().path();
    if (base.empty()) {
        data.error = "cannot make a private folder";
        return data;
    }
    const std::string n = std::to_string(entries);
    data.velkFile = base + "/velk_" + n + ".dat";
    data.calDir = base + "/calcurse_" + n;
    {
        const std::string text = generateDataFile(entries, 1, 10);
        if (!writeTextFile(data.velkFile, text)) {
            data.error = "cannot write the data file";
            return data;
        }
        if (::mkdir(data.calDir.c_str(), 0700) != 0 ||
            !writeCalcurseData(text, data.calDir, data.error)) {
            if (data.error.empty()) data.error = "cannot make " + data.calDir;
            return data;
        }
    }
    // calcurse saves a copy after importing an empty calendar: the files must
    // come back as they are, or calcurse would sort them on every load.
    const std::string check = base + "/check_" + n;
    const std::string empty = base + "/empty.ics";
    std::string apts, todo, savedApts, savedTodo;
    if (!writeTextFile(empty, "BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//Velk//bench//EN\n"
                              "END:VCALENDAR\n") ||
        ::mkdir(check.c_str(), 0700) != 0 || !copyCalcurseData(data.calDir, check + "/cal")) {
        data.error = "cannot copy calcurse's data";
        return data;
    }
    if (!runCalcurseOnce({"-D", check + "/cal", "-i", empty}, check, check + "/stdout", data.error))
        return data;
    if (!readTextFile(data.calDir + "/apts", apts) || !readTextFile(data.calDir + "/todo", todo) ||
        !readTextFile(check + "/cal/apts", savedApts) ||
        !readTextFile(check + "/cal/todo", savedTodo)) {
        data.error = "cannot read calcurse's saved files";
    } else if (apts != savedApts || todo != savedTodo) {
        data.error = "calcurse saved the converted items in another order or form";
    }
    removeTree(check);
    return data;
}

// calcurse's export of the items (-x ical), the input of both imports.
const std::string& peerIcs(unsigned entries, std::string& error) {
    static std::map<unsigned, std::pair<std::string, std::string>> made; // path, error
    auto it = made.find(entries);
    if (it != made.end()) {
        error = it->second.second;
        return it->second.first;
    }
    const PeerData& data = peerData(entries);
    std::string& path = made[entries].first;
    const std::string dir = dataFolder().path() + "/export_" + std::to_string(entries);
    const std::string out = dataFolder().path() + "/calcurse_" + std::to_string(entries) + ".ics";
    if (!data.error.empty()) {
        error = data.error;
    } else if (::mkdir(dir.c_str(), 0700) != 0 || !copyCalcurseData(data.calDir, dir + "/cal")) {
        error = "cannot copy calcurse's data";
    } else if (runCalcurseOnce({"-D", dir + "/cal", "--export=ical"}, dir, out, error)) {
        path = out;
    }
    removeTree(dir);
    made[entries].second = error;
    return path;
}

// ---------------------------------------------------------------------------
// The pairs.

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// One side of a pair: made ready before each run (untimed), then argv run.
struct Side {
    std::function<bool(std::string& error)> prepare;
    std::vector<std::string> argv;
};

// The folder of one benchmark: a home for the children, and the files each
// side's last run wrote on standard output.
struct PeerRun {
    PrivateFolder folder{"peer_bench"};
    std::string home, velkOut, peerOut;
    bool ok() {
        if (folder.path().empty()) return false;
        home = runFolderPath(folder.path(), "home");
        velkOut = folder.path() + "/velk.out";
        peerOut = folder.path() + "/peer.out";
        return true;
    }
};

int pairsFor(unsigned entries) {
    return entries >= 1000000 ? 3 : 5;
}

// Runs velk and calcurse in turn, pairs times; sets the counters and the
// manual time (Velk's median). False after SkipWithError.
bool runPairs(benchmark::State& state, PeerRun& run, const Side& velk, const Side& peer) {
    std::vector<double> velkTimes, peerTimes, ratios;
    double velkPeak = 0, peerPeak = 0;
    const int pairs = pairsFor(unsigned(state.range(0)));
    const std::string err = run.folder.path() + "/stderr";
    for (int i = 0; i < pairs; ++i) {
        RunResult a, b;
        std::string error;
        if ((velk.prepare && !velk.prepare(error)) ||
            !runTimed(velk.argv, run.folder.path(), run.home, run.velkOut, err, a, error) ||
            (peer.prepare && !peer.prepare(error)) ||
            !runTimed(peer.argv, run.folder.path(), run.home, run.peerOut, err, b, error)) {
            state.SkipWithError(error.c_str());
            return false;
        }
        velkTimes.push_back(a.seconds);
        peerTimes.push_back(b.seconds);
        ratios.push_back(a.seconds / b.seconds);
        velkPeak = std::max(velkPeak, a.peakMiB);
        peerPeak = std::max(peerPeak, b.peakMiB);
    }
    state.SetIterationTime(median(velkTimes));
    state.counters["velk_s"] = median(velkTimes);
    state.counters["peer_s"] = median(peerTimes);
    state.counters["ratio"] = median(ratios);
    state.counters["velk_peak_MiB"] = velkPeak;
    state.counters["peer_peak_MiB"] = peerPeak;
    return true;
}

long long countLines(const std::string& path) {
    std::string text;
    if (!readTextFile(path, text)) return -1;
    return (long long)std::count(text.begin(), text.end(), '\n');
}

long long countRecords(const std::string& text, const char* start) {
    long long n = 0;
    for (std::size_t p = text.find(start); p != std::string::npos; p = text.find(start, p + 1))
        ++n;
    return n;
}

// The data of the benchmark's size, or null after SkipWithError.
const PeerData* dataOrSkip(benchmark::State& state) {
    if (::access(CALCURSE, X_OK) != 0) {
        state.SkipWithError("calcurse is not installed (scripts/install-deps --bench)");
        return nullptr;
    }
    const PeerData& data = peerData(unsigned(state.range(0)));
    if (!data.error.empty()) {
        state.SkipWithError(data.error.c_str());
        return nullptr;
    }
    return &data;
}

// The 7-day agenda from 1 March 2011, the day the generated entries crowd.
// calcurse: its query of appointments and events for 7 days from that day
// (-Q with --filter-type cal: plain -Q would add the whole todo list, which
// has no dates in calcurse; Velk's agenda shows the todos due in the span).
void BM_PeerAgenda(benchmark::State& state) {
    const PeerData* data = dataOrSkip(state);
    PeerRun run;
    if (!data) return;
    if (!run.ok()) return state.SkipWithError("cannot make a private folder");
    const std::string cal = run.folder.path() + "/cal";
    if (!copyCalcurseData(data->calDir, cal)) return state.SkipWithError("cannot copy data");
    for (auto _ : state) {
        if (!runPairs(
                state, run,
                {nullptr, {VELK_PROGRAM, "--agenda", "-c", "2011-03-01", "-f", data->velkFile}},
                {nullptr,
                 {CALCURSE, "-D", cal, "--input-datefmt", "4", "-Q", "--filter-type", "cal",
                  "--from", "2011-03-01", "--days", "7"}}))
            break;
        state.counters["velk_lines"] = double(countLines(run.velkOut));
        state.counters["peer_lines"] = double(countLines(run.peerOut));
    }
}

// The text searched for: in the summaries "Entry number N ...", the numbers
// that begin with 12, about 1.1 % of the entries at either size.
const char* const SEARCHED = "number 12";

// Every entry whose text holds SEARCHED. calcurse: -G (grep) with the same
// text as its pattern: every matching appointment, event and todo of any
// date once, each as a line of its data file.
void BM_PeerSearch(benchmark::State& state) {
    const PeerData* data = dataOrSkip(state);
    PeerRun run;
    if (!data) return;
    if (!run.ok()) return state.SkipWithError("cannot make a private folder");
    const std::string cal = run.folder.path() + "/cal";
    if (!copyCalcurseData(data->calDir, cal)) return state.SkipWithError("cannot copy data");
    for (auto _ : state) {
        if (!runPairs(state, run,
                      {nullptr, {VELK_PROGRAM, "--search", SEARCHED, "-f", data->velkFile}},
                      {nullptr, {CALCURSE, "-D", cal, "-G", "--filter-pattern", SEARCHED}}))
            break;
        const long long velkHits = countLines(run.velkOut);
        const long long peerHits = countLines(run.peerOut);
        state.counters["velk_hits"] = double(velkHits);
        state.counters["peer_hits"] = double(peerHits);
        if (velkHits != peerHits) state.SkipWithError("the two programs found different numbers");
    }
}

// Whether one of the files in the folder dir holds text.
bool folderHolds(const std::string& dir, const char* text) {
    DIR* d = ::opendir(dir.c_str());
    if (!d) return false;
    bool found = false;
    while (const dirent* ent = ::readdir(d)) {
        std::string content;
        if (ent->d_name[0] != '.' && readTextFile(dir + "/" + ent->d_name, content) &&
            content.find(text) != std::string::npos)
            found = true;
    }
    ::closedir(d);
    return found;
}

// One todo added on a fresh copy of the data each time (the copy not timed).
// calcurse: the import of a calendar of one todo, after which it saves.
void BM_PeerAdd(benchmark::State& state) {
    const PeerData* data = dataOrSkip(state);
    PeerRun run;
    if (!data) return;
    if (!run.ok()) return state.SkipWithError("cannot make a private folder");
    const std::string dir = run.folder.path() + "/velk";
    const std::string file = dir + "/velk.dat";
    const std::string cal = run.folder.path() + "/cal";
    const std::string one = run.folder.path() + "/one.ics";
    const char* summary = "Call the printer's service about the paper feed";
    if (!writeTextFile(one, std::string("BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//Velk//bench//EN\n"
                                        "BEGIN:VTODO\nUID:peer-bench-add-1\nSUMMARY:") +
                                summary +
                                "\nPRIORITY:3\nDUE;VALUE=DATE:20110305\nEND:VTODO\n"
                                "END:VCALENDAR\n"))
        return state.SkipWithError("cannot write the calendar of one todo");
    const Side velk{[&](std::string& error) {
                        if (removeTree(dir) && ::mkdir(dir.c_str(), 0700) == 0 &&
                            copyFile(data->velkFile, file))
                            return true;
                        error = "cannot copy the data file";
                        return false;
                    },
                    {VELK_PROGRAM, "--add", summary, "--due", "2011-03-05", "-f", file}};
    const Side peer{[&](std::string& error) {
                        if (copyCalcurseData(data->calDir, cal)) return true;
                        error = "cannot copy calcurse's data";
                        return false;
                    },
                    {CALCURSE, "-D", cal, "-i", one}};
    for (auto _ : state) {
        if (!runPairs(state, run, velk, peer)) break;
        // Both kept the new todo: calcurse in its todo file, Velk in a
        // journal entry beside the data file (which it merges at the next save).
        std::string todo;
        if (!readTextFile(cal + "/todo", todo) || todo.find(summary) == std::string::npos ||
            !folderHolds(dir, summary))
            state.SkipWithError("the added todo is not in the saved data");
    }
}

// The iCalendar export of every item. Velk's first export of a file gives
// each entry a UID and saves the file; it is done once before the pairs, so
// that they export a file that already has them. calcurse writes the
// calendar on its standard output, which goes to the file.
void BM_PeerExport(benchmark::State& state) {
    const PeerData* data = dataOrSkip(state);
    PeerRun run;
    if (!data) return;
    if (!run.ok()) return state.SkipWithError("cannot make a private folder");
    const std::string dir = runFolderPath(run.folder.path(), "velk");
    const std::string file = dir + "/velk.dat";
    const std::string velkIcs = run.folder.path() + "/velk.ics";
    const std::string cal = run.folder.path() + "/cal";
    if (!copyFile(data->velkFile, file) || !copyCalcurseData(data->calDir, cal))
        return state.SkipWithError("cannot copy data");
    const std::vector<std::string> velkArgv = {VELK_PROGRAM, "--export-ics", velkIcs, "-f", file};
    RunResult first;
    std::string error;
    if (!runTimed(velkArgv, run.folder.path(), run.home, run.velkOut, run.folder.path() + "/stderr",
                  first, error))
        return state.SkipWithError(error.c_str());
    for (auto _ : state) {
        if (!runPairs(state, run, {nullptr, velkArgv},
                      {nullptr, {CALCURSE, "-D", cal, "--export=ical"}}))
            break;
        state.counters["velk_out_MiB"] = double(fileSize(velkIcs)) / (1024.0 * 1024.0);
        state.counters["peer_out_MiB"] = double(fileSize(run.peerOut)) / (1024.0 * 1024.0);
    }
}

// The import of calcurse's own export of the items into empty data: for Velk
// a data file that is not there yet, for calcurse an empty folder, fresh for
// each run.
void BM_PeerImport(benchmark::State& state) {
    const PeerData* data = dataOrSkip(state);
    PeerRun run;
    if (!data) return;
    if (!run.ok()) return state.SkipWithError("cannot make a private folder");
    std::string error;
    const std::string& ics = peerIcs(unsigned(state.range(0)), error);
    if (ics.empty()) return state.SkipWithError(("no calendar to import: " + error).c_str());
    const std::string dir = run.folder.path() + "/velk";
    const std::string file = dir + "/velk.dat";
    const std::string cal = run.folder.path() + "/cal";
    const Side velk{[&](std::string& e) {
                        if (removeTree(dir) && ::mkdir(dir.c_str(), 0700) == 0) return true;
                        e = "cannot empty " + dir;
                        return false;
                    },
                    {VELK_PROGRAM, "--import-ics", ics, "-f", file}};
    const Side peer{[&](std::string& e) {
                        if (removeTree(cal) && ::mkdir(cal.c_str(), 0700) == 0) return true;
                        e = "cannot empty " + cal;
                        return false;
                    },
                    {CALCURSE, "-D", cal, "-i", ics}};
    for (auto _ : state) {
        if (!runPairs(state, run, velk, peer)) break;
        // The items each took in: Velk's entry records, calcurse's lines.
        std::string text;
        const long long velkItems = readTextFile(file, text) ? countRecords(text, "\nt\n") : -1;
        state.counters["velk_items"] = double(velkItems);
        state.counters["peer_items"] =
            double(countLines(cal + "/apts") + countLines(cal + "/todo"));
        state.counters["ics_MiB"] = double(fileSize(ics)) / (1024.0 * 1024.0);
        state.counters["velk_file_MiB"] = double(fileSize(file)) / (1024.0 * 1024.0);
        state.counters["peer_files_MiB"] =
            double(fileSize(cal + "/apts") + fileSize(cal + "/todo")) / (1024.0 * 1024.0);
    }
}

// One iteration each: the pairs are the repetitions, and their medians the figures.
[[maybe_unused]] const bool registered = [] {
    for (int entries : {100000, 1000000})
        for (auto [name, fn] : {std::pair{"BM_PeerAgenda", BM_PeerAgenda},
                                {"BM_PeerSearch", BM_PeerSearch},
                                {"BM_PeerAdd", BM_PeerAdd},
                                {"BM_PeerExport", BM_PeerExport},
                                {"BM_PeerImport", BM_PeerImport}})
            benchmark::RegisterBenchmark(name, fn)
                ->Arg(entries)
                ->Iterations(1)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
    return true;
}();

} // namespace
