// An organizer written as an iCalendar file and read back into an empty one
// gives the same entries: every kind, every repetition, dates with and
// without times, appointments and notes without a date or without length, a
// place (LOCATION, the description's first line), a span over the new year,
// a completed todo, recorded and running time, a description with line
// breaks, a comma, a semicolon and text beyond ASCII, weekday sets, skipped
// days, added dates, a counted rule and a moved occurrence of a series
// (tests/data/ics/round_trip.dat).

#include "engine/velk.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <libical/ical.h>
#include <cstdio>
#include <map>
#include <memory>
#include <regex>

namespace {

void collect(ToDoListGroup& g, std::map<std::string, ToDoListToDo*>& entries) {
    for (std::size_t i = 0; i < g.getNrToDos(); ++i)
        entries[g.getToDo(i)->getSummary()] = g.getToDo(i);
    for (std::size_t i = 0; i < g.getNrGroups(); ++i)
        collect(*g.getGroup(i), entries);
}

std::string descriptionOf(ToDoListToDo& t) {
    const char* text = nullptr;
    t.GetDescription(text, nullptr);
    return text ? std::string(text) : std::string();
}

} // namespace

TEST(ICalendarRoundTrip, AnExportReadBackGivesTheSameEntries) {
    TempDir dir;
    Velk original;
    // A copy: the export journals the UIDs it gives beside the data file.
    const std::string data = dir.file("round_trip.dat");
    writeWholeFile(data, readWholeFile(VELK_TEST_DATA_DIR "/ics/round_trip.dat"));
    ASSERT_EQ(original.openDataFile(data.c_str()), 0);
    T_IcsExportReport out;
    const std::string file = dir.file("organizer.ics");
    ASSERT_EQ(original.exportICalendar(file, *original.getRoot(), false, out), 0) << out.error;
    EXPECT_EQ(out.entries, 22u);
    // Every event has the start RFC 5545 requires, and an end after it.
    icalcomponent* cal = icalparser_parse_string(readWholeFile(file).c_str());
    ASSERT_NE(cal, nullptr);
    EXPECT_EQ(icalcomponent_count_components(cal, ICAL_VJOURNAL_COMPONENT), 2);
    EXPECT_NE(readWholeFile(file).find("\r\nLOCATION:Room 4\\, second floor\r\n"), std::string::npos)
        << "a first line \"Location: \" goes out as LOCATION";
    for (icalcomponent* e = icalcomponent_get_first_component(cal, ICAL_VEVENT_COMPONENT); e;
         e = icalcomponent_get_next_component(cal, ICAL_VEVENT_COMPONENT)) {
        const icaltimetype start = icalcomponent_get_dtstart(e), end = icalcomponent_get_dtend(e);
        EXPECT_FALSE(icaltime_is_null_time(start)) << icalcomponent_get_summary(e);
        EXPECT_TRUE(!icalcomponent_get_first_property(e, ICAL_DTEND_PROPERTY) ||
                    icaltime_compare(end, start) > 0)
            << icalcomponent_get_summary(e);
    }
    // RFC 5545's property counts hold (libical's restriction check), and an
    // independent reader takes the file: the moved stand-up shows on its new
    // day, its original occurrence no more.
    EXPECT_EQ(icalrestriction_check(cal), 1);
    icalcomponent_free(cal);
    const std::string reader = "/usr/bin/python3 " VELK_ICS_OCCURRENCES " '" + file +
                               "' 2026-12-01 2027-12-31 2>&1";
    std::string expanded;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(reader.c_str(), "r"), pclose);
    ASSERT_TRUE(pipe);
    char line[512];
    while (std::fgets(line, sizeof line, pipe.get()))
        expanded += line;
    EXPECT_NE(expanded.find("stand-up-4711@example.org 2026-12-23\n"), std::string::npos) << expanded;
    EXPECT_EQ(expanded.find("stand-up-4711@example.org 2026-12-21"), std::string::npos);
    EXPECT_EQ(expanded.find("Traceback"), std::string::npos) << expanded;
    EXPECT_EQ(readWholeFile(file).find(":20261221T090000"), std::string::npos)
        << "no EXDATE for the day a moved occurrence replaces";

    Velk copy;
    ASSERT_EQ(copy.openDataFile(dir.file("empty.dat").c_str()), 0);
    storage::T_IcsImportReport in;
    ASSERT_EQ(copy.importICalendar(file, *copy.getRoot(), "organizer", in), 0) << in.error;
    EXPECT_EQ(in.entries, 22u);
    EXPECT_EQ(in.rulesAsText, 0u);
    ASSERT_EQ(copy.getRoot()->getNrGroups(), 1u);
    EXPECT_EQ(copy.getRoot()->getGroup(0)->getSummary(), "organizer");

    std::map<std::string, ToDoListToDo*> before, after;
    collect(*original.getRoot(), before);
    collect(*copy.getRoot(), after);
    ASSERT_EQ(after.size(), before.size());
    for (const auto& [summary, a] : before) {
        SCOPED_TRACE(summary);
        ASSERT_TRUE(after.count(summary));
        ToDoListToDo& b = *after[summary];
        EXPECT_EQ(b.getPriority(), a->getPriority());
        EXPECT_EQ(b.getDateTime(WHICH_BEGIN), a->getDateTime(WHICH_BEGIN));
        EXPECT_EQ(b.getDateTime(WHICH_END), a->getDateTime(WHICH_END));
        T_recData ra, rb;
        a->getRecData(ra);
        b.getRecData(rb);
        EXPECT_EQ(rb.type, ra.type);
        EXPECT_EQ(rb.interval, ra.interval);
        EXPECT_EQ(rb.rangeBegin, ra.rangeBegin);
        EXPECT_EQ(rb.rangeEnd, ra.rangeEnd);
        EXPECT_EQ(rb.weekdays, ra.weekdays);
        EXPECT_EQ(rb.counted, ra.counted);
        EXPECT_EQ(b.extras().skipped, a->extras().skipped);
        EXPECT_EQ(b.extras().added, a->extras().added);
        EXPECT_FALSE(a->extras().uid.empty()) << "the export gives every entry its UID";
        if (summary.rfind("Stand-up", 0) != 0) {
            EXPECT_TRUE(std::regex_match(a->extras().uid,
                                         std::regex("[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-"
                                                    "[89ab][0-9a-f]{3}-[0-9a-f]{12}")))
                << a->extras().uid << ": a random (version 4) UUID";
        }
        EXPECT_EQ(b.extras().uid, a->extras().uid);
        EXPECT_EQ(b.extras().recurrenceId, a->extras().recurrenceId);
        EXPECT_EQ(b.extras().sequence, a->extras().sequence);
        EXPECT_EQ(b.isCompleted(), a->isCompleted());
        if (a->isCompleted()) {
            EXPECT_EQ(b.getCompletedTime(), a->getCompletedTime());
        }
        EXPECT_EQ(b.getShowTimeAs(), a->getShowTimeAs());
        EXPECT_EQ(b.isRunning(), a->isRunning());
        ASSERT_EQ(b.getNrTimes(), a->getNrTimes());
        for (int k = 0; k < a->getNrTimes(); ++k) {
            EXPECT_EQ(b.getTimeBegin(k), a->getTimeBegin(k));
            EXPECT_EQ(b.getTimeEnd(k), a->getTimeEnd(k));
        }
        EXPECT_EQ(descriptionOf(b), descriptionOf(*a));
    }
    // The running recording counts in the organizer it came into.
    EXPECT_EQ(copy.getNrActiveJobs(), 1u);
}
