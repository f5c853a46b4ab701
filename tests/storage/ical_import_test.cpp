// Reading iCalendar files as other programs write them: every entry checked
// field by field against values worked out by hand from the files in
// tests/data/ics, the report's counts, and the files that are refused.

#include "model/clock.h"
#include "storage/ical_import.h"
#include "support/temp_dir.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const std::string icsDir = std::string(VELK_TEST_DATA_DIR) + "/ics/";
constexpr std::time_t pinnedNow = 1299326400; // 5 March 2011, 13:00 in Berlin

// Packed date-times from the bit layout itself: year - 2000 in bits 24-30,
// month 20-23, day 15-19, hour 9-13, minute 3-8, bit 14 for "no time".
constexpr uint32_t at(int y, int mo, int d, int h, int mi) {
    return uint32_t(y - 2000) << 24 | uint32_t(mo) << 20 | uint32_t(d) << 15 | uint32_t(h) << 9 |
           uint32_t(mi) << 3;
}
constexpr uint32_t on(int y, int mo, int d) {
    return at(y, mo, d, 0, 0) | 0x4000;
}
constexpr uint32_t none = 0x80004000;

struct Read {
    explicit Read(const std::string& name) {
        setVelkNowForTesting(pinnedNow);
        result = storage::readICalendar(icsDir + name, entries, report);
        setVelkNowForTesting(-1);
    }
    ToDoListToDo* find(const std::string& summary) const {
        for (const auto& e : entries)
            if (e->getSummary() == summary) return e.get();
        return nullptr;
    }
    int result;
    std::vector<std::unique_ptr<ToDoListToDo>> entries;
    storage::T_IcsImportReport report;
};

std::string descriptionOf(ToDoListToDo& t) {
    const char* text = nullptr;
    t.GetDescription(text, nullptr);
    return text ? text : "";
}

} // namespace

TEST(IcsImport, EntriesTakeTheirFieldsFromTheComponents) {
    struct Row {
        const char* file;
        const char* summary;
        unsigned priority;
        uint32_t begin, end;
        int recType, interval;
        uint32_t rangeBegin, rangeEnd;
        bool completed;
        int32_t completedAt;
        const char* description;
    };
    constexpr int32_t jan2 = 1704164645; // 2 January 2024, 03:04:05 UTC
    // clang-format off
    const Row rows[] = {
        // All-day events: DTEND is the day after the last one.
        {"all_day.ics", "Single day", 100, on(2024, 3, 15), on(2024, 3, 15), 0, 1, none, none, false, 0, ""},
        {"all_day.ics", "Three days", 100, on(2024, 3, 20), on(2024, 3, 22), 0, 1, none, none, false, 0, ""},
        {"all_day.ics", "Over new year", 200, on(2024, 12, 30), on(2025, 1, 1), 0, 1, none, none, false, 0, ""},
        {"all_day.ics", "No end", 100, on(2024, 4, 1), on(2024, 4, 1), 0, 1, none, none, false, 0, ""},
        {"all_day.ics", "Three days by duration", 100, on(2024, 2, 27), on(2024, 2, 29), 0, 1, none, none, false, 0, ""},
        {"all_day.ics", "End on the start day", 100, on(2024, 5, 10), on(2024, 5, 10), 0, 1, none, none, false, 0, ""},
        // Zones: New York is UTC-4 in July and UTC-5 in January, Berlin UTC+2 and UTC+1.
        {"zones.ics", "New York summer", 100, at(2024, 7, 10, 15, 0), at(2024, 7, 10, 16, 30), 0, 1, none, none, false, 0, ""},
        {"zones.ics", "New York winter", 100, at(2024, 1, 15, 15, 0), at(2024, 1, 15, 15, 15), 0, 1, none, none, false, 0, ""},
        {"zones.ics", "New York new year's eve", 100, at(2025, 1, 1, 2, 0), at(2025, 1, 1, 3, 30), 0, 1, none, none, false, 0, ""},
        {"zones.ics", "Zone of the file only", 100, at(2024, 7, 10, 14, 0), at(2024, 7, 10, 14, 0), 0, 1, none, none, false, 0, ""},
        {"zones.ics", "Builtin zone without VTIMEZONE", 100, at(2024, 3, 1, 2, 0), at(2024, 3, 1, 3, 0), 0, 1, none, none, false, 0, ""},
        {"zones.ics", "UTC across the clock change", 100, at(2024, 3, 31, 1, 59), at(2024, 3, 31, 3, 0), 0, 1, none, none, false, 0, ""},
        {"zones.ics", "Floating", 100, at(2024, 5, 1, 8, 30), at(2024, 5, 1, 9, 15), 0, 1, none, none, false, 0, ""},
        {"zones.ics", "Unknown zone", 100, at(2024, 6, 1, 7, 0), at(2024, 6, 1, 7, 0), 0, 1, none, none, false, 0, ""},
        {"zones.ics", "Due at night in New York", 3, none, at(2024, 7, 11, 4, 0), 0, 1, none, none, false, 0, ""},
        // A place heads the description.
        {"shapes.ics", "daily-until", 100, at(2024, 1, 5, 9, 0), at(2024, 1, 5, 10, 0), 1, 3, none, on(2024, 3, 1), false, 0, "Location: Town hall, room 2\nBring the minutes"},
        // A timed end at midnight is 24:00 of the day before; an end past 2127 is left out.
        {"shapes.ics", "midnight-end", 100, at(2024, 1, 10, 22, 0), at(2024, 1, 10, 24, 0), 0, 1, none, none, false, 0, "A description whose next line"},
        {"shapes.ics", "duration-past-the-years", 100, on(2127, 12, 30), none, 0, 1, none, none, false, 0, ""},
        // Of an entry sent twice the higher SEQUENCE wins over a later stamp; an instance
        // (RECURRENCE-ID) is no second version.
        {"updated.ics", "updated", 100, at(2024, 1, 17, 14, 0), at(2024, 1, 17, 14, 0), 3, 1, none, on(2024, 2, 14), false, 0, ""},
        {"updated.ics", "moved-instance", 100, at(2024, 1, 11, 10, 0), at(2024, 1, 11, 10, 0), 0, 1, none, none, false, 0, ""},
        // Folded lines, escapes, lower-case names.
        {"folded.ics", "Long summary with Gr\xc3\xbc\xc3\x9f" "e that goes on and on, folded twice", 3, none, on(2024, 1, 5), 0, 1, none, none, false, 0,
         "Line one\nLine two, with comma; semicolon and a backslash \\ end"},
        // Rules Velk holds.
        {"rules.ics", "Every third day", 100, at(2024, 1, 5, 10, 0), at(2024, 1, 5, 11, 0), 1, 3, none, on(2024, 2, 1), false, 0, ""},
        {"rules.ics", "Every other Wednesday", 3, on(2024, 1, 8), on(2024, 1, 10), 3, 2, none, none, false, 0, ""},
        {"rules.ics", "Weekly todo without start", 3, on(2024, 1, 10), on(2024, 1, 10), 3, 1, none, none, false, 0, ""},
        {"rules.ics", "Second Tuesday", 100, on(2024, 2, 13), on(2024, 2, 13), 4, 1, none, none, false, 0, ""},
        {"rules.ics", "Last of the month by date", 100, on(2024, 1, 31), on(2024, 1, 31), 5, 2, none, on(2024, 12, 31), false, 0, ""},
        {"rules.ics", "Leap day", 100, on(2024, 2, 29), on(2024, 2, 29), 6, 1, none, none, false, 0, ""},
        {"rules.ics", "Water the plants", 3, on(2024, 3, 1), on(2024, 3, 1), 2, 4, on(2024, 2, 1), none, false, 0, ""},
        // COUNT: the range ends on the last occurrence.
        {"rules.ics", "Five days", 3, at(2024, 1, 10, 12, 0), at(2024, 1, 10, 12, 0), 1, 1, none, on(2024, 1, 14), false, 0, ""},
        // Rules it cannot hold: the first occurrence, the rule's lines first in the description.
        {"rules.ics", "Last Friday by position", 100, at(2024, 1, 26, 18, 0), at(2024, 1, 26, 18, 0), 0, 1, none, none, false, 0, "RRULE:FREQ=MONTHLY;BYDAY=FR;BYSETPOS=-1"},
        {"rules.ics", "Last Friday", 100, at(2024, 1, 26, 18, 0), at(2024, 1, 26, 18, 0), 0, 1, none, none, false, 0, "RRULE:FREQ=MONTHLY;BYDAY=-1FR\nBring snacks"},
        {"rules.ics", "Thursdays from a Friday", 100, on(2024, 1, 5), on(2024, 1, 5), 3, 1, none, none, false, 0, ""},
        {"rules.ics", "Weekly with an exception", 100, on(2024, 1, 5), on(2024, 1, 5), 3, 1, none, none, false, 0, ""},
        {"rules.ics", "Every other year", 100, on(2024, 1, 5), on(2024, 1, 5), 0, 1, none, none, false, 0, "RRULE:FREQ=YEARLY;INTERVAL=2"},
        {"rules.ics", "Twice a day", 100, at(2024, 1, 5, 9, 0), at(2024, 1, 5, 9, 0), 0, 1, none, none, false, 0, "RRULE:FREQ=DAILY;BYHOUR=9,17"},
        {"rules.ics", "Short form of the resetable rule", 3, on(2024, 3, 2), on(2024, 3, 2), 2, 3, none, none, false, 0, ""},
        {"rules.ics", "Unreadable rule", 100, on(2024, 1, 5), on(2024, 1, 5), 0, 1, none, none, false, 0, "RRULE:FREQ=SOMETIMES;BYDAY=XX"},
        // Journal entries are notes.
        {"journal.ics", "Diary", 200, on(2024, 2, 2), on(2024, 2, 2), 0, 1, none, none, false, 0, "Went for a walk."},
        {"journal.ics", "Evening notes", 200, at(2024, 2, 3, 20, 0), at(2024, 2, 3, 20, 0), 0, 1, none, none, false, 0, ""},
        {"journal.ics", "Undated thoughts", 200, none, none, 0, 1, none, none, false, 0, ""},
        // The alarm's summary and description are not the event's.
        {"unknown_parts.ics", "Meeting with alarm", 100, at(2024, 1, 5, 10, 0), at(2024, 1, 5, 11, 0), 0, 1, none, none, false, 0, "Location: Room 1\nThe agenda"},
        // Todos: priorities, completion, start without due.
        {"todos.ics", "Done urgent", 6, none, on(2024, 1, 1), 0, 1, none, none, true, jan2, ""},
        {"todos.ics", "Medium open", 3, none, none, 0, 1, none, none, false, 0, ""},
        {"todos.ics", "Lowest", 1, none, none, 0, 1, none, none, false, 0, ""},
        {"todos.ics", "Low", 2, none, none, 0, 1, none, none, false, 0, ""},
        {"todos.ics", "Undefined priority", 3, none, none, 0, 1, none, none, false, 0, ""},
        {"todos.ics", "Velk priority zero", 0, none, none, 0, 1, none, none, false, 0, ""},
        {"todos.ics", "Completed without time", 3, none, none, 0, 1, none, none, true, int32_t(pinnedNow), ""},
        {"todos.ics", "Completion time in a zone", 4, none, none, 0, 1, none, none, true, 1706950800, ""},
        {"todos.ics", "Start only", 3, none, at(2024, 2, 20, 8, 30), 0, 1, none, none, false, 0, ""},
        {"todos.ics", "Date-only begin", 3, on(2024, 1, 10), at(2024, 1, 12, 15, 0), 0, 1, none, none, false, 0, ""},
        {"todos.ics", "Event marked completed", 100, at(2024, 1, 5, 10, 0), at(2024, 1, 5, 10, 0), 0, 1, none, none, false, 0, ""},
        // An X-VELK-PRIORITY Velk cannot hold gives way to PRIORITY.
        {"todos.ics", "Velk priority out of range", 6, none, none, 0, 1, none, none, false, 0, ""},
        // A floating completion time is local: 12:00 in Berlin is 11:00 UTC.
        {"todos.ics", "Floating completion time", 3, none, none, 0, 1, none, none, true, 1704884400, ""},
        // A negative duration ends the event where it begins.
        {"todos.ics", "Negative duration", 100, at(2024, 6, 1, 10, 0), at(2024, 6, 1, 10, 0), 0, 1, none, none, false, 0, ""},
        // Dates outside 2000..2127 are left out.
        {"years.ics", "Before the years", 100, none, none, 0, 1, none, none, false, 0, ""},
        {"years.ics", "Due after the years", 3, none, none, 0, 1, none, none, false, 0, ""},
        {"years.ics", "Ends after the years", 100, at(2024, 1, 1, 10, 0), none, 0, 1, none, none, false, 0, ""},
        {"years.ics", "Repeats and ends after the years", 100, at(2024, 1, 2, 10, 0), at(2024, 1, 2, 10, 0), 3, 1, none, none, false, 0, ""},
        {"years.ics", "Rule until after the years", 100, on(2024, 1, 1), on(2024, 1, 1), 1, 1, none, none, false, 0, ""},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.file) + ": " + row.summary);
        Read read(row.file);
        ASSERT_EQ(read.result, 0) << read.report.error;
        ToDoListToDo* t = read.find(row.summary);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->getPriority(), row.priority);
        EXPECT_EQ(t->getDateTime(WHICH_BEGIN), row.begin);
        EXPECT_EQ(t->getDateTime(WHICH_END), row.end);
        T_recData rec;
        t->getRecData(rec);
        EXPECT_EQ(rec.type, row.recType);
        EXPECT_EQ(rec.interval, row.interval);
        EXPECT_EQ(rec.rangeBegin, row.rangeBegin);
        EXPECT_EQ(rec.rangeEnd, row.rangeEnd);
        EXPECT_EQ(t->isCompleted(), row.completed);
        if (row.completed) {
            EXPECT_EQ(t->getCompletedTime(), row.completedAt);
        }
        EXPECT_EQ(descriptionOf(*t), row.description);
        // Nothing of a tree yet.
        EXPECT_EQ(t->getID(), 0u);
        EXPECT_EQ(t->getSyncID(), 0u);
        EXPECT_EQ(t->getPath(), "");
        EXPECT_EQ(t->calPlace().entries, 0u);
    }
}

TEST(IcsImport, AnchorDatesAgreeWithASecondReader) {
    // python3-icalendar converts the zones on its own (tests/support/ics_anchors.py).
    const std::string script = std::string(VELK_TEST_DATA_DIR) + "/../support/ics_anchors.py";
    if (std::system("/usr/bin/python3 -c 'import icalendar' 2>/dev/null") != 0)
        GTEST_SKIP() << "/usr/bin/python3 with python3-icalendar is not installed";
    for (const char* file : {"all_day.ics", "zones.ics", "zone_shapes.ics", "folded.ics",
                             "rules.ics", "journal.ics", "todos.ics"}) {
        SCOPED_TRACE(file);
        std::string expected;
        FILE* p = ::popen(
            ("TZ=Europe/Berlin /usr/bin/python3 " + script + " " + icsDir + file).c_str(), "r");
        ASSERT_NE(p, nullptr);
        char buf[256];
        while (std::fgets(buf, sizeof buf, p))
            expected += buf;
        ASSERT_EQ(::pclose(p), 0);

        Read read(file);
        ASSERT_EQ(read.result, 0) << read.report.error;
        std::string got;
        for (const auto& e : read.entries) {
            const uint32_t v = e->getDateTime(e->isToDo() ? WHICH_END : WHICH_BEGIN);
            char line[32];
            if (!dtHasDate(v))
                std::snprintf(line, sizeof line, "-\n");
            else if (!dtHasTime(v))
                std::snprintf(line, sizeof line, "D%04d%02d%02d\n", dtYear(v), dtMonth(v),
                              dtDay(v));
            else
                std::snprintf(line, sizeof line, "T%04d%02d%02d%02d%02d\n", dtYear(v), dtMonth(v),
                              dtDay(v), dtHour(v), dtMinute(v));
            got += line;
        }
        EXPECT_EQ(got, expected);
    }
}

TEST(IcsImport, VelkPropertiesRestoreWhatTheFieldsCannotSay) {
    Read read("todos.ics");
    ASSERT_EQ(read.result, 0) << read.report.error;
    ToDoListToDo& recorded = *read.find("Recorded and running");
    EXPECT_EQ(recorded.getPriority(), 6u);
    EXPECT_EQ(recorded.getDateTime(WHICH_END), at(2024, 3, 1, 17, 0));
    ASSERT_EQ(recorded.getNrTimes(), 2);
    EXPECT_EQ(recorded.getTimeBegin(0), 1700000000);
    EXPECT_EQ(recorded.getTimeEnd(0), 1700003600);
    EXPECT_EQ(recorded.getTimeBegin(1), 1700010000);
    EXPECT_EQ(recorded.getTimeEnd(1), 1700010000);
    EXPECT_TRUE(recorded.isRunning());
    EXPECT_EQ(recorded.getShowTimeAs(), 1);

    ToDoListToDo& secret = *read.find("Secret");
    EXPECT_EQ(descriptionOf(secret), "Keep this safe");
    EXPECT_NE(secret.getDescrData().getFlags() & DescrData::DESCR_SAVECRYPT, 0);
    EXPECT_EQ(read.find("Done urgent")->getDescrData().getFlags() & DescrData::DESCR_SAVECRYPT, 0);

    // An appointment is shown as busy, a note as free.
    Read days("all_day.ics");
    EXPECT_EQ(days.find("Single day")->getShowTimeAs(), 1);
    EXPECT_EQ(days.find("Over new year")->getShowTimeAs(), 0);
}

TEST(IcsImport, ReportCountsEntriesRulesAsTextAndDroppedDates) {
    struct Row {
        const char* file;
        unsigned entries, rulesAsText, datesDropped;
    };
    const Row rows[] = {
        {"all_day.ics", 6, 0, 0},     {"zones.ics", 9, 0, 0},   {"folded.ics", 1, 0, 0},
        {"rules.ics", 16, 5, 0},      {"journal.ics", 3, 0, 0}, {"unknown_parts.ics", 1, 0, 0},
        {"todos.ics", 16, 0, 0},      {"years.ics", 5, 0, 5},   {"shapes.ics", 26, 0, 1},
        {"zone_shapes.ics", 6, 0, 0}, {"updated.ics", 3, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        Read read(row.file);
        ASSERT_EQ(read.result, 0) << read.report.error;
        EXPECT_EQ(read.entries.size(), row.entries);
        EXPECT_EQ(read.report.entries, row.entries);
        EXPECT_EQ(read.report.rulesAsText, row.rulesAsText);
        EXPECT_EQ(read.report.datesDropped, row.datesDropped);
        EXPECT_EQ(read.report.error, "");
    }
    EXPECT_EQ(Read("updated.ics").report.duplicatesDropped, 1u);
    // The entries come in the order of the file.
    Read read("journal.ics");
    ASSERT_EQ(read.entries.size(), 3u);
    EXPECT_EQ(read.entries[0]->getSummary(), "Diary");
    EXPECT_EQ(read.entries[2]->getSummary(), "Undated thoughts");
}

TEST(IcsImport, RefusesFilesThatAreNotICalendarOrWouldLoseData) {
    struct Row {
        const char* file;
        int result;
        const char* error;
    };
    // clang-format off
    const Row rows[] = {
        {"not_icalendar.txt", -1, "it is not an iCalendar file (it does not begin with BEGIN:VCALENDAR)"},
        {"empty.ics", -1, "it is empty, not an iCalendar file"},
        {"truncated.ics", -1, "it ends inside VEVENT"},
        {"crossed.ics", -1, "line 8: END:VTODO does not close BEGIN:VEVENT"},
        {"broken_line.ics", -1, "line 8 is not an iCalendar line"},
        {"bad_date.ics", -1, "line 11: the date cannot be read"},
        {"no_entries.ics", -2, "it holds no todo, event or journal entry"},
        {"zone_secondly.ics", -1, "line 16: the time zone \"Every second\" (line 4) repeats by a rule other than yearly on a day of one month (FREQ=SECONDLY)"},
        {"missing.ics", -1, "No such file or directory"},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        Read read(row.file);
        EXPECT_EQ(read.result, row.result);
        EXPECT_EQ(read.report.error, row.error);
        EXPECT_TRUE(read.entries.empty());
        EXPECT_EQ(read.report.entries + read.report.rulesAsText + read.report.datesDropped, 0u);
    }
}

TEST(IcsImport, NeverWaitsOnAFifoNorReadsAHugeFile) {
    TempDir dir;
    const std::string fifo = dir.file("pipe.ics"), huge = dir.file("huge.ics");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::vector<std::unique_ptr<ToDoListToDo>> entries;
    storage::T_IcsImportReport report;
    EXPECT_EQ(storage::readICalendar(fifo, entries, report), -1);
    EXPECT_EQ(report.error, "it is a FIFO, not a regular file");
    // A sparse file one byte over the bound is refused before it is read.
    writeWholeFile(huge, "BEGIN:VCALENDAR\n");
    ASSERT_EQ(::truncate(huge.c_str(), off_t(storage::ICS_MAX_FILE_SIZE) + 1), 0);
    EXPECT_EQ(storage::readICalendar(huge, entries, report), -1);
    EXPECT_EQ(report.error, "it is larger than 256 MB");
}

namespace {

// A calendar with zones "Z0", "Z1", ... of the observances given (a
// VTIMEZONE of 8 lines and the observance's from line 4), then one event of
// 6 lines in each zone, read: the error, empty when it was taken.
std::string readZones(const std::vector<std::string>& observances) {
    std::string text = "BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//Test//EN\n", events;
    for (std::size_t i = 0; i < observances.size(); ++i) {
        const std::string z = "Z" + std::to_string(i);
        text += "BEGIN:VTIMEZONE\nTZID:" + z + "\nBEGIN:STANDARD\nDTSTART:19700101T000000\n" +
                observances[i] +
                "\nTZOFFSETFROM:+0100\nTZOFFSETTO:+0200\nEND:STANDARD\nEND:VTIMEZONE\n";
        events += "BEGIN:VEVENT\nUID:" + z + "\nSUMMARY:" + z + "\nDTSTART;TZID=" + z +
                  ":20240101T100000\nDTEND;TZID=" + z + ":20240101T110000\nEND:VEVENT\n";
    }
    TempDir dir;
    writeWholeFile(dir.file("z.ics"), text + events + "END:VCALENDAR\n");
    std::vector<std::unique_ptr<ToDoListToDo>> entries;
    storage::T_IcsImportReport report;
    const int r = storage::readICalendar(dir.file("z.ics"), entries, report);
    EXPECT_EQ(r == 0, report.error.empty());
    // A zone of UTC+2 turns 10:00 into 9:00 in Berlin in January.
    EXPECT_TRUE(entries.empty() || entries[0]->getDateTime(WHICH_BEGIN) == at(2024, 1, 1, 9, 0));
    return report.error;
}

// n changes as RDATE lines of 500 dates, the most libical takes from one line.
std::string rdates(int n) {
    std::string lines;
    for (int i = 0; i < n; ++i)
        lines += (i % 500 == 0 ? (i == 0 ? "RDATE:" : "\nRDATE:") : ",") +
                 std::string("19700102T000000");
    return lines;
}

} // namespace

// Zones whose work for libical cannot be bounded, or that pass the bounds, are
// refused: only zones that repeat yearly on a day of one month are taken ("+").
TEST(IcsImport, BoundsTheWorkOfTheTimeZonesAFileUses) {
    for (const std::string rule :
         {"+FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU",
          "+FREQ=YEARLY;BYMONTH=3;BYMONTHDAY=8,9,10,11,12,13,14;BYDAY=SU",
          "+FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=29;BYDAY=SU", "+FREQ=YEARLY;BYMONTH=3;BYMONTHDAY=21",
          "+FREQ=YEARLY;BYMINUTE=0;BYHOUR=2;BYMONTH=10;BYDAY=5SU;UNTIL=20100101T000000Z",
          "+FREQ=YEARLY", "+FREQ=SOMETIMES", // libical makes nothing of the last
          "-FREQ=MINUTELY", "-FREQ=MONTHLY;BYDAY=-1SU",
          "-FREQ=YEARLY;INTERVAL=2;BYMONTH=3;BYDAY=-1SU", "-FREQ=YEARLY;BYMONTH=3,10;BYDAY=-1SU",
          "-FREQ=YEARLY;BYDAY=-1SU", "-FREQ=YEARLY;BYMONTH=3;BYDAY=1SU,-1SU",
          "-FREQ=YEARLY;BYMONTH=2;BYDAY=5SU", "-FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=30,31",
          "-FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU;BYHOUR=1,2",
          "-FREQ=YEARLY;BYMONTH=3;BYDAY=SU;BYSETPOS=-1", "-FREQ=YEARLY;BYYEARDAY=100",
          "-FREQ=YEARLY;BYWEEKNO=10;BYDAY=SU"}) {
        const std::string told = "line 16: the time zone \"Z0\" (line 4) repeats by a rule other "
                                 "than yearly on a day of one month (" +
                                 rule.substr(1, 9);
        EXPECT_EQ(readZones({"RRULE:" + rule.substr(1)}).substr(0, told.size()),
                  rule[0] == '+' ? "" : told)
            << rule;
    }
    std::vector<std::string> zones(6, rdates(4999)); // and the start: 5000 each
    EXPECT_EQ(readZones(zones), "");
    EXPECT_EQ(readZones({rdates(5000)}),
              "line 25: the time zone \"Z0\" (line 4) has more than 5000 offset changes");
    zones.push_back(rdates(1));
    EXPECT_EQ(readZones(zones), "line 160: the time zone \"Z6\" (line 112) brings the zones the "
                                "file uses to more than 30000 offset changes");
}
