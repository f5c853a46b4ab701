// The recurrence picker: the sentence and unit of each rule, the interval
// bounds, and the range dates as the type changes or a day is picked.

#include "engine/recurrence_edit.h"
#include "support/dates.h"

#include <gtest/gtest.h>

TEST(RecurrenceEdit, EachRuleExplainedBoundedAndRanged) {
    // The rule of type t every n, its interval stepped by d, then, unless
    // u < 0, set to type u: "interval after opening, after the step | type
    // interval begin end | sentence for Monday 14 March | unit".
    auto picked = [](int t, int n, int d, int u, bool todo) {
        T_recData r{t, n, on(2011, 3, 5), at(2011, 4, 1, 9, 30)};
        normaliseRecurrenceInterval(r);
        std::string s = std::to_string(r.interval) + ",";
        stepRecurrenceInterval(r, d);
        s += std::to_string(r.interval) + "|";
        if (u >= 0) applyRecurrenceType(r, u, todo);
        return s + std::to_string(r.type) + " " + std::to_string(r.interval) + " " +
               rangeDateText(r.rangeBegin) + " " + rangeDateText(r.rangeEnd) + "|" +
               recurrenceExplanation(r, 14, 3, 0) + "|" + recurrenceUnit(r.type);
    };
    const std::string range = " 05.03.2011 01.04.2011|";
    // clang-format off
    struct Case { const char* rule; std::string got, expected; };
    const Case cases[] = {
        {"none: interval 1, no range", picked(1, 7, 1, 0, true), "7,8|0 1 none none|No recurrence.|"},
        {"daily, opened at 0, stepped down", picked(1, 0, -1, -1, true), "1,1|1 1" + range + "Repeat every 1 day(s).|day(s)"},
        {"resetable daily for a todo", picked(1, 3, 0, 2, true), "3,3|2 3" + range + "Repeat every 3 days,\nreset when done.\nUseful if you have to do it\n AT LEAST every n day(s).|day(s)"},
        {"resetable daily for an appointment is daily", picked(1, 3, 0, 2, false), "3,3|1 3" + range + "Repeat every 3 day(s).|day(s)"},
        {"weekly, opened at 1001, stepped up", picked(3, 1001, 1, -1, true), "1000,1000|3 1000" + range + "Repeat on Monday\nevery 1000 week(s).|week(s)"},
        {"monthly by weekday: the second Monday", picked(4, 999, 1, -1, true), "999,1000|4 1000" + range + "Repeat on 2. Monday\nevery 1000 month(s).|month(s)"},
        {"monthly by date", picked(5, 2, -1, -1, true), "2,1|5 1" + range + "Repeat on day 14\nevery 1 month(s).|month(s)"},
        {"yearly: interval 1", picked(6, 4, 1, -1, true), "1,1|6 1" + range + "Repeat on 14.3.\n every 1 year(s).|year(s)"},
        {"a picked day keeps the time; an empty value gets none", std::to_string(withPickedDate(at(2011, 4, 1, 9, 30), 2, 5, 2012) == at(2012, 5, 2, 9, 30)) + std::to_string(withPickedDate(DT_EMPTY, 2, 5, 2012) == on(2012, 5, 2)), "11"},
        // clang-format on
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.rule);
        EXPECT_EQ(k.got, k.expected);
    }
}
