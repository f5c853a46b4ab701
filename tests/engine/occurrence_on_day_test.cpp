// "skip this day": the occurrence whose calendar rows include the day of the
// row clicked is left out by its anchor day, journalled and read back.

#include "support/organizer.h"
#include "support/temp_dir.h"
#include "view_test_util.h"

#include <gtest/gtest.h>

// The entry e is saved and, current, skipped from its row in the calendar of
// 7 to 20 March on each day clicked in turn (-d: the row of the appointment "o"
// on day d; 0: e's overdue row in the calendar of 5 March): the results and
// the rows left, which a start that replays the journal shows too.
TEST(SkipDay, LeavesOutTheOccurrenceWhoseRowsIncludeTheDayClicked) {
    const T_recData weekly{REC_WEEKLY, 1}, none{};
    // clang-format off
    struct Case { const char* rule; unsigned prio; packedDT begin, end; T_recData rec;
                  packedDT added; std::vector<int> clicked; std::string result; };
    const Case cases[] = {
        {"two days: by its begin, from its second day", 100, at(2011, 3, 7, 20, 0),
         at(2011, 3, 8, 8, 0), weekly, 0, {15}, "0|07.03 e [|08.03 e ]|14.03 o [ ]|"},
        {"of overlapping ones the first not skipped", 100, at(2011, 3, 7, 20, 0),
         at(2011, 3, 16, 8, 0), weekly, 0, {15, 15}, "00|14.03 o [ ]|"},
        {"a todo by its due day, from its begin day", 3, on(2011, 3, 8), on(2011, 3, 10), weekly,
         0, {15}, "0|08.03 e [|09.03 e|10.03 e ]|14.03 o [ ]|"},
        {"an added date by its own day, of the entry's length", 100, at(2011, 3, 7, 9, 0),
         at(2011, 3, 8, 10, 0), none, on(2011, 3, 16), {17}, "0|07.03 e [|08.03 e ]|14.03 o [ ]|"},
        {"refused: another entry's row", 3, on(2011, 3, 7), on(2011, 3, 8), weekly, 0, {-14},
         "-1|07.03 e [|08.03 e ]|14.03 e [|14.03 o [ ]|15.03 e ]|"},
        {"refused: an overdue todo's row", 3, on(2011, 3, 3), on(2011, 3, 4), weekly, 0, {0},
         "-1|10.03 e [|11.03 e ]|14.03 o [ ]|17.03 e [|18.03 e ]|"},
    };
    // clang-format on
    for (const Case& k : cases) {
        SCOPED_TRACE(k.rule);
        TempDir dir;
        const std::string file = dir.file("s.dat");
        std::string results, shown;
        auto rows = [](Velk& v, packedDT first = on(2011, 3, 7), int span = 14) {
            v.setMainViewType(MAINVIEW_CALENDAR), v.setCalFirstDay(first), v.setCalSpan(span);
            return shownRows(v, ENTRIES);
        };
        {
            TestOrganizer org(file);
            Velk& v = *org;
            entry(v, v.getRoot(), "o", 100, at(2011, 3, 14, 9, 0), at(2011, 3, 14, 10, 0));
            ToDoListToDo* e = entry(v, v.getRoot(), "e", k.prio, k.begin, k.end);
            v.setItem(e), v.setRecData(k.rec);
            if (k.added) e->setAdded({k.added}, v.calendar());
            for (ToDoListToDo* t : {v.getRoot()->getToDo(0), e})
                t->setSyncID(v.itemTree().newSyncID());
            T_SaveReport report;
            ASSERT_EQ(v.saveData(report), 0) << report.error;
            for (const int day : k.clicked) {
                rows(v, day ? on(2011, 3, 7) : on(2011, 3, 5), day ? 14 : 1);
                unsigned row = 0;
                while (row < v.getViewData().size() &&
                       (v.getViewItems()[row] != v.getRoot()->getToDo(day < 0 ? 0 : 1) ||
                        dtDay(v.getViewData()[row].day) != (day ? std::abs(day) : 4)))
                    ++row;
                results += std::to_string(v.skipDayAtRow(row));
            }
            shown = rows(v);
            EXPECT_EQ(results + "|" + shown, k.result);
        }
        TestOrganizer again(file);
        EXPECT_EQ(rows(*again), shown);
    }
}
