// The time report cuts recorded intervals at local midnights. The moments are
// written in UTC with <chrono> and the Berlin offsets by hand (CEST +2 until
// 03:00 on 25 October 2026, CET +1 from 03:00 on 29 March 2026 backwards).

#include "engine/time_report.h"
#include "model/group.h"

#include <chrono>
#include <gtest/gtest.h>
#include <sstream>

namespace {

using namespace std::chrono;

std::time_t utc(year_month_day day, int hour, int minute = 0) {
    return system_clock::to_time_t(sys_days{day} + hours{hour} + minutes{minute});
}

std::string csv(const T_WorkReport& r) {
    std::ostringstream os;
    writeWorkCsv(r.pieces, os);
    return os.str();
}

} // namespace

TEST(TimeReport, CutsAtLocalMidnightsAcrossTheClockChangesAndTheSpansEnds) {
    ToDoListGroup root(0, "/", 0);
    ToDoListGroup* work = root.newGroup();
    work->setSummary("Work, \"late\"");
    ToDoListToDo* night = work->newToDo();
    night->setSummary("Night shift");
    // 28 March 23:00 CET to 29 March 04:00 CEST: four hours, the clock skips 02:00.
    night->addTime(utc(2026y / March / 28, 22), utc(2026y / March / 29, 2));
    // 24 October 22:00 CEST to 25 October 03:00 CET: six hours, 02:00 comes twice.
    night->addTime(utc(2026y / October / 24, 20), utc(2026y / October / 25, 2));
    // Running since 31 October 23:00 CET: the open interval keeps its begin as its end.
    ToDoListToDo* running = root.newToDo();
    running->setSummary("Now");
    running->addTime(utc(2026y / October / 31, 22), utc(2026y / October / 31, 22));
    running->setRunningDirect(true);
    const std::time_t now = utc(2026y / November / 1, 0, 30); // 01:30 CET

    const T_WorkReport all =
        collectWork(root, localMidnight(2026, 3, 1), localMidnight(2026, 11, 2), now);
    EXPECT_EQ(csv(all), "group path,summary,date,start,stop,minutes\n"
                        "/,Now,2026-10-31,23:00,24:00,60\n"
                        "/,Now,2026-11-01,00:00,01:30,90\n"
                        "\"/Work, \"\"late\"\"\",Night shift,2026-03-28,23:00,24:00,60\n"
                        "\"/Work, \"\"late\"\"\",Night shift,2026-03-29,00:00,04:00,180\n"
                        "\"/Work, \"\"late\"\"\",Night shift,2026-10-24,22:00,24:00,120\n"
                        "\"/Work, \"\"late\"\"\",Night shift,2026-10-25,00:00,03:00,240\n");
    std::ostringstream table;
    writeWorkTable(all, "T", table);
    // A group's line sums its subtree, the top level's too.
    EXPECT_EQ(table.str(), "T\n\n"
                           "/                 12:30\n"
                           "  Now              2:30\n"
                           "/Work, \"late\"     10:00\n"
                           "  Night shift     10:00\n"
                           "Total             12:30\n");

    // Only 25 October and 1 November: the spans cut the intervals.
    const T_WorkReport oct25 =
        collectWork(root, localMidnight(2026, 10, 25), localMidnight(2026, 10, 26), now);
    EXPECT_EQ(oct25.minutes, 240);
    EXPECT_EQ(oct25.groups.size(), 2u); // the top level and "Work"
    const T_WorkReport nov1 =
        collectWork(root, localMidnight(2026, 11, 1), localMidnight(2026, 11, 2), now);
    EXPECT_EQ(nov1.minutes, 90);
    EXPECT_EQ(collectWork(root, localMidnight(2026, 11, 2), localMidnight(2026, 11, 3), now)
                  .groups.size(),
              0u);
}
