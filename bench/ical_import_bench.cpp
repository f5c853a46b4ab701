// Importing an iCalendar file of 100,000 entries (about 22 MB) into an
// organizer, as a user moving years of data from another program does: the
// file read and checked, the entries made, filed into the calendar lists and
// numbered, and the new group written to the journal.

#include "engine/velk.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>

namespace {

const char* const berlinZone = "BEGIN:VTIMEZONE\r\n"
                               "TZID:Europe/Berlin\r\n"
                               "BEGIN:DAYLIGHT\r\n"
                               "TZOFFSETFROM:+0100\r\n"
                               "TZOFFSETTO:+0200\r\n"
                               "TZNAME:CEST\r\n"
                               "DTSTART:19700329T020000\r\n"
                               "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\n"
                               "END:DAYLIGHT\r\n"
                               "BEGIN:STANDARD\r\n"
                               "TZOFFSETFROM:+0200\r\n"
                               "TZOFFSETTO:+0100\r\n"
                               "TZNAME:CET\r\n"
                               "DTSTART:19701025T030000\r\n"
                               "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\n"
                               "END:STANDARD\r\n"
                               "END:VTIMEZONE\r\n";

std::string twoDigits(unsigned v) {
    return std::string(1, char('0' + v / 10)) + char('0' + v % 10);
}

// An iCalendar file as calendar programs write it: 40 % VTODO, 60 % VEVENT;
// dates over five years, all-day or timed (in a zone, in UTC or floating);
// one in ten repeating (some by rules Velk cannot hold); some with a
// description, some todos completed. The same seed gives the same file.
std::string generateICalendar(unsigned entries, uint32_t seed = 1) {
    std::mt19937 rng(seed);
    std::string out = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Bench//Generator//EN\r\n";
    out += berlinZone;
    static const char* const rules[] = {"RRULE:FREQ=WEEKLY;INTERVAL=2\r\n",
                                        "RRULE:FREQ=MONTHLY\r\n", "RRULE:FREQ=DAILY;COUNT=10\r\n",
                                        "RRULE:FREQ=YEARLY\r\n"};
    for (unsigned i = 0; i < entries; ++i) {
        const unsigned r = rng();
        const bool todo = r % 10 < 4;
        const std::string date = std::to_string(2020 + (r >> 4) % 5) +
                                 twoDigits(1 + (r >> 8) % 12) + twoDigits(1 + (r >> 12) % 28);
        const std::string time = "T" + twoDigits((r >> 17) % 22) + twoDigits((r >> 22) % 60) + "00";
        const unsigned form = (r >> 27) % 4; // all-day, zone, UTC, floating
        auto value = [&](const char* name, const std::string& hhmmss) {
            if (form == 0) return std::string(name) + ";VALUE=DATE:" + date + "\r\n";
            if (form == 1)
                return std::string(name) + ";TZID=Europe/Berlin:" + date + hhmmss + "\r\n";
            if (form == 2) return std::string(name) + ":" + date + hhmmss + "Z\r\n";
            return std::string(name) + ":" + date + hhmmss + "\r\n";
        };
        out += todo ? "BEGIN:VTODO\r\n" : "BEGIN:VEVENT\r\n";
        out += "UID:bench-" + std::to_string(i) + "@example.com\r\n";
        out += "DTSTAMP:20240101T120000Z\r\n";
        out += "SUMMARY:" + std::string(todo ? "Task " : "Meeting ") + std::to_string(i) + "\r\n";
        if (todo) {
            out += value("DUE", time);
            out += "PRIORITY:" + std::to_string(1 + r % 9) + "\r\n";
            if ((r >> 5) % 4 == 0) out += "STATUS:COMPLETED\r\nCOMPLETED:20240102T030405Z\r\n";
        } else {
            out += value("DTSTART", time);
            if (form == 0) {
                out += "DTEND;VALUE=DATE:" + date + "\r\n";
            } else {
                out += value("DTEND", "T" + twoDigits(22 + (r >> 3) % 2) + "0000");
            }
            if ((r >> 6) % 5 == 0) out += "TRANSP:TRANSPARENT\r\n";
        }
        if ((r >> 9) % 10 == 0) out += rules[(r >> 14) % 4];
        if ((r >> 24) % 3 == 0)
            out += "DESCRIPTION:Notes for entry " + std::to_string(i) +
                   "\\, written by someone who likes to write a line or two.\r\n";
        out += todo ? "END:VTODO\r\n" : "END:VEVENT\r\n";
    }
    out += "END:VCALENDAR\r\n";
    return out;
}

struct IcsFile {
    IcsFile() : path("/tmp/velk_ics_bench_" + std::to_string(::getpid()) + ".ics") {
        std::ofstream(path, std::ios::binary) << generateICalendar(100000);
    }
    ~IcsFile() { std::remove(path.c_str()); }
    const std::string path;
};

void BM_ImportICalendar100k(benchmark::State& state) {
    static const IcsFile ics;
    const std::string dataFile = "/tmp/velk_ics_bench_" + std::to_string(::getpid()) + ".dat";
    for (auto _ : state) {
        state.PauseTiming(); // an organizer without entries, its journal empty
        auto v = std::make_unique<Velk>();
        v->createRoot();
        v->readData(dataFile.c_str());
        state.ResumeTiming();
        storage::T_IcsImportReport report;
        if (v->importICalendar(ics.path, *v->getRoot(), "Imported", report) != 0 ||
            report.entries != 100000)
            state.SkipWithError("the import failed");
        state.PauseTiming();
        v->incsave_delFiles();
        v.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ImportICalendar100k)->Unit(benchmark::kMillisecond)->MinTime(3);

} // namespace
