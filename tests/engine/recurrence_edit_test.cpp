// The recurrence picker: the sentence and unit of each rule, the interval
// bounds, and the range dates as the type changes or a day is picked.

#include "engine/recurrence_edit.h"
#include "support/dates.h"

#include <gtest/gtest.h>

// A rule of type t every n is opened, its interval stepped by d, its type set
// to u (when u >= 0, for a todo or not): "the interval as opened|type interval
// range|the sentence for Monday 14 March".
TEST(RecurrenceEdit, EachRuleExplainedBoundedAndRanged) {
    // clang-format off
    const std::string R = " 05.03.2011 01.04.2011|", resetable = "Repeat every 3 days,\nreset when"
        " done.\nUseful if you have to do it\n AT LEAST every n day(s).";
    struct Case { const char* rule; int t, n, d, u; bool todo; std::string expected; };
    const Case cases[] = {
        {"none: interval 1, no range", 1, 7, 1, 0, 1, "7|0 1 none none|No recurrence."},
        {"daily: opened at 0, down", 1, 0, -1, -1, 1, "1|1 1" + R + "Repeat every 1 day(s)."},
        {"resetable daily for a todo", 1, 3, 0, 2, 1, "3|2 3" + R + resetable},
        {"resetable for others: daily", 1, 3, 0, 2, 0, "3|1 3" + R + "Repeat every 3 day(s)."},
        {"weekly: opened at 1001, up", 3, 1001, 1, -1, 1,
         "1000|3 1000" + R + "Repeat on Monday\nevery 1000 week(s)."},
        {"monthly by weekday: the second Monday", 4, 999, 1, -1, 1,
         "999|4 1000" + R + "Repeat on 2. Monday\nevery 1000 month(s)."},
        {"monthly by date", 5, 2, -1, -1, 1, "2|5 1" + R + "Repeat on day 14\nevery 1 month(s)."},
        {"yearly: interval 1", 6, 4, 1, -1, 1, "1|6 1" + R + "Repeat on 14.3.\n every 1 year(s)."},
        // clang-format on
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.rule);
        T_recData r{k.t, k.n, on(2011, 3, 5), at(2011, 4, 1, 9, 30)};
        normaliseRecurrenceInterval(r);
        const std::string opened = std::to_string(r.interval) + "|";
        stepRecurrenceInterval(r, k.d);
        if (k.u >= 0) applyRecurrenceType(r, k.u, k.todo);
        EXPECT_EQ(opened + std::to_string(r.type) + " " + std::to_string(r.interval) + " " +
                      rangeDateText(r.rangeBegin) + " " + rangeDateText(r.rangeEnd) + "|" +
                      recurrenceExplanation(r, 14, 3, 0),
                  k.expected);
    }
    SCOPED_TRACE("the unit of each rule; a picked day keeps the time, an empty value gets none");
    std::string units;
    for (int t = -1; t <= 7; ++t)
        units += recurrenceUnit(t) + std::string("|");
    EXPECT_EQ(units, "||day(s)|day(s)|week(s)|month(s)|month(s)|year(s)||");
    const T_recData monSun{REC_WEEKLY, 2, DT_EMPTY, DT_EMPTY, 1 << 0 | 1 << 6};
    EXPECT_EQ(recurrenceExplanation(monSun, 14, 3, 0), "Repeat on\nMo, Su\nevery 2 week(s).");
    EXPECT_EQ(withPickedDate(at(2011, 4, 1, 9, 30), 2, 5, 2012), at(2012, 5, 2, 9, 30));
    EXPECT_EQ(withPickedDate(DT_EMPTY, 2, 5, 2012), on(2012, 5, 2));
}
