// The iCalendar export's rules against an independent reader: the days on
// which Velk's own calendar shows each recurring entry (a todo on its due
// day, an appointment or note on its begin) must be the days on which
// python3-icalendar with recurring-ical-events (an RFC 5545 expansion of the
// exported RRULEs) has it start.

#include "engine/velk.h"
#include "storage/ical_export.h"
#include "support/dates.h"
#include "support/temp_dir.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <set>
#include <string>

#ifndef VELK_ICS_OCCURRENCES
#error "VELK_ICS_OCCURRENCES must name tests/ics/occurrences.py (tests/CMakeLists.txt)"
#endif

namespace {

using Occurrences = std::map<std::string, std::set<std::string>>; // UID -> start days

std::string isoDay(packedDT d) {
    char s[16];
    std::snprintf(s, sizeof s, "%04d-%02d-%02d", dtYear(d), dtMonth(d), dtDay(d));
    return s;
}

// What the independent reader expands from the file, days from first to the day before end.
Occurrences readerOccurrences(const std::string& file, packedDT first, packedDT end) {
    const std::string command = "/usr/bin/python3 " VELK_ICS_OCCURRENCES " '" + file + "' " +
                                isoDay(first) + " " + isoDay(end) + " 2>&1";
    Occurrences out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return out;
    char line[512];
    while (std::fgets(line, sizeof line, pipe.get())) {
        std::string s(line);
        if (!s.empty() && s.back() == '\n') s.pop_back();
        const std::size_t space = s.find(' ');
        out[s.substr(0, space)].insert(space == std::string::npos ? "" : s.substr(space + 1));
    }
    return out;
}

// The days on which Velk's calendar, built in spans of 14 days, shows each
// entry starting, by the UID the export gives it or by its summary.
Occurrences velkOccurrences(Velk& v, packedDT first, packedDT end, bool bySummary = false) {
    Occurrences out;
    v.setMainViewType(MAINVIEW_CALENDAR);
    v.setCalSpan(14);
    for (packedDT day = first; day < end; moveDate(day, 14)) {
        v.setCalFirstDay(day);
        v.buildView();
        const auto& rows = v.getViewData();
        const auto& items = v.getViewItems();
        // A todo repeats by its due date, which the export writes as DTSTART
        // where the begin lies on another day; an event by its begin.
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (items[i] && dtDateOnly(rows[i].day) < end &&
                (rows[i].prio <= PRIO_MAXTODO ? rows[i].endsHere : rows[i].startsHere))
                out[bySummary ? items[i]->getSummary()
                              : "velk-" + std::to_string(items[i]->getSyncID()) + "@velk.invalid"]
                    .insert(isoDay(rows[i].day));
    }
    return out;
}

std::string listed(const std::set<std::string>& days) {
    std::string s;
    for (const auto& d : days)
        s += " " + d;
    return s;
}

} // namespace

// Six years, so that the leap-day rule yields two occurrences. "Today" is the
// first day, so that no overdue rows appear.
TEST(IcsOracle, VelksCalendarAndAnRfcReaderAgreeOnTheStartOfEveryOccurrence) {
    const packedDT first = on(2011, 1, 1), end = on(2017, 1, 1);
    PinnedClock clock(1293879600); // 12:00 on 1 January 2011 in Europe/Berlin
    TempDir dir;
    const std::string data = dir.file("recurring.dat"), ics = dir.file("recurring.ics");
    writeWholeFile(data, readWholeFile(VELK_TEST_DATA_DIR "/ics/recurring.dat"));
    Velk v;
    v.createRoot();
    ASSERT_EQ(v.readData(data.c_str()), 0) << v.getReadDataError();
    T_IcsExportReport report;
    ASSERT_EQ(exportICalendar(ics, *v.getRoot(), *v.getRoot(), nullptr, report), 0);
    ASSERT_EQ(report.entries, 19u);

    const Occurrences rfc = readerOccurrences(ics, first, end);
    const Occurrences velk = velkOccurrences(v, first, end);

    std::set<std::string> uids;
    for (const auto& [uid, days] : rfc)
        uids.insert(uid);
    for (const auto& [uid, days] : velk)
        uids.insert(uid);
    EXPECT_EQ(uids.size(), 19u);
    for (const std::string& uid : uids) {
        const std::set<std::string> r = rfc.count(uid) ? rfc.at(uid) : std::set<std::string>();
        const std::set<std::string> o = velk.count(uid) ? velk.at(uid) : std::set<std::string>();
        EXPECT_EQ(listed(o), listed(r)) << uid << ": Velk's days, then the reader's";
        EXPECT_GE(o.size(), 2u) << uid;
    }
}

// Calendars as other programs write them, imported in two time zones (and
// imported twice): Velk's calendar shows each entry (whose UID is its
// summary) starting on the days the reader expands, over two years.
TEST(IcsOracle, ImportedCalendarsShowOnTheDaysAnRfcReaderExpands) {
    const packedDT first = on(2024, 1, 1), end = on(2026, 1, 1);
    const std::string file = VELK_TEST_DATA_DIR "/ics/shapes.ics";
    const std::string zoneBefore = std::getenv("TZ") ? std::getenv("TZ") : "";
    for (const char* zone : {"Europe/Berlin", "America/New_York"}) {
        SCOPED_TRACE(zone);
        ::setenv("TZ", zone, 1), ::tzset();
        PinnedClock clock(1704067200); // the first day, 2024-01-01 00:00 UTC
        TempDir dir;
        Velk v;
        ASSERT_EQ(v.openDataFile(dir.file("empty.dat").c_str()), 0);
        storage::T_IcsImportReport report;
        ASSERT_EQ(v.importICalendar(file, *v.getRoot(), "shapes", report), 0) << report.error;
        EXPECT_EQ(report.rulesAsText, 0u);
        EXPECT_EQ(report.linesSkipped, 2u) << "a broken X- line and a fold without its blank";
        // Imported again: the same group, no entry twice.
        ASSERT_EQ(v.importICalendar(file, *v.getRoot(), "shapes", report), 0) << report.error;
        EXPECT_EQ(report.unchanged, 26u);
        EXPECT_EQ(v.getRoot()->getNrGroups(), 1u);
        EXPECT_EQ(v.getRoot()->getGroup(0)->getNrToDos(), 26u);
        const Occurrences rfc = readerOccurrences(file, first, end);
        const Occurrences velk = velkOccurrences(v, first, end, true);
        EXPECT_EQ(rfc.size(), 21u);
        for (const auto& [uid, days] : rfc)
            EXPECT_EQ(listed(velk.count(uid) ? velk.at(uid) : std::set<std::string>()),
                      listed(days))
                << uid << ": Velk's days, then the reader's";
        EXPECT_EQ(velk.size(), rfc.size());
    }
    ::setenv("TZ", zoneBefore.c_str(), 1), ::tzset();
}
