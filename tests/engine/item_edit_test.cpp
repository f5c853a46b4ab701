// The item editor's changes that touch several fields, and its texts.

#include "engine/editor_text.h"
#include "view_test_util.h"

#include <gtest/gtest.h>
#include <regex>

// Operations on the current item: '+' the end set to the begin plus 30
// minutes; 'D' a begin date x-y-z moving the end along; 'T' a begin time x:y
// moving the end along; 'K' shown busy when x, the todo flag set to y (the
// expectation is then the priority after it).
TEST(ItemEdit, BeginAndEndMoveTogetherAndTheTodoFlagTurnsKinds) {
    const unsigned APPT = PRIO_APPOINTMENT;
    // clang-format off
    const packedDT B = at(2011, 3, 5, 9, 0), E = at(2011, 3, 7, 17, 30);
    const packedDT B10 = at(2011, 3, 5, 10, 0), D5 = on(2011, 3, 5);
    struct Case { const char* rule; unsigned prio; packedDT begin, end; char op; int x, y, z;
                  const char* after; }; // dates of 2011 without the year
    const Case cases[] = {
        {"+30 into the next month", APPT, at(2011, 3, 31, 23, 45), at(2011, 3, 31, 23, 59), '+',
         0, 0, 0, "31.03 23:45 01.04 0:15"},
        {"+30 into the next year", APPT, at(2011, 12, 31, 23, 45), at(2011, 12, 31, 23, 59), '+', 0,
         0, 0, "31.12 23:45 01.01.2012 0:15"},
        {"+30 onto a leap day", APPT, at(2012, 2, 28, 23, 30), at(2012, 2, 28, 23, 59), '+', 0, 0,
         0, "28.02.2012 23:30 29.02.2012 0:00"},
        {"+30 from a day without time: it", APPT, D5, E, '+', 0, 0, 0, "05.03 xx:xx 05.03 xx:xx"},
        {"+30 without a begin: the end stays", 3, DT_EMPTY, E, '+', 0, 0, 0, "none 07.03 17:30"},
        {"new year, length kept", APPT, B, E, 'D', 2011, 12, 30, "30.12 9:00 01.01.2012 17:30"},
        {"no end: the begin alone", APPT, DT_EMPTY, DT_EMPTY, 'D', 2011, 3, 9, "09.03 xx:xx none"},
        {"an impossible date: no change", APPT, B, E, 'D', 2011, 2, 30, "05.03 9:00 07.03 17:30"},
        {"later: the end passes midnight", APPT, B, B10, 'T', 23, 30, 0, "05.03 23:30 06.03 0:30"},
        {"a begin without time gets one", APPT, D5, B10, 'T', 9, 0, 0, "05.03 9:00 05.03 10:00"},
        {"an end without time: the begin alone", APPT, at(2011, 3, 5, 8, 0), on(2011, 3, 6), 'T', 9,
         0, 0, "05.03 9:00 06.03 xx:xx"},
        {"a busy todo becomes an appointment", 5, B, B, 'K', 1, 0, 0, "100"},
        {"a free todo becomes a note", 5, B, B, 'K', 0, 0, 0, "200"},
        {"an appointment becomes a todo of priority 3", APPT, B, B, 'K', 1, 1, 0, "3"},
        // clang-format on
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.rule);
        Velk v;
        v.createRoot(), v.setItem(entry(v, v.getRoot(), "job", k.prio, k.begin, k.end));
        auto dates = [&v] {
            auto s = dateTime2str(v.getDateTime(16)) + " " + dateTime2str(v.getDateTime(0));
            return std::regex_replace(s, std::regex("\\.2011"), "");
        };
        if (k.op == '+') v.setEndToBeginPlus30();
        if (k.op == 'D') v.setBeginDateMovingEnd(k.x, k.y, k.z);
        if (k.op == 'T') v.setBeginTimeMovingEnd(k.x, k.y);
        if (k.op == 'K') v.setShowTimeAs(k.x), v.setItemIsToDo(k.y);
        EXPECT_EQ(k.op == 'K' ? std::to_string(v.getItemPriority()) : dates(), k.after);
    }
}

TEST(EditorText, DatesSumsControlsWrappingAndWordBackspace) {
    const int32_t noon = 1299326400; // 5 March 2011, 13:00 in Europe/Berlin
    auto lines = [](const std::vector<std::string>& all) {
        std::string s;
        for (const std::string& l : all)
            s += l + "|";
        return s;
    };
    auto wrap = [](const std::string& text, int cursor) {
        int blank = -7, indent = -7;
        const bool wrapped = descriptionWrap(text, cursor, blank, indent);
        return wrapped ? std::to_string(blank) + "/" + std::to_string(indent) + " " : "no ";
    };
    auto controls = [](bool todo, packedDT begin, packedDT end) {
        const DateControls c = dateControlsShown(todo, begin, end);
        std::string s;
        for (bool b :
             {c.begDate, c.begTime, c.begBox, c.endDate, c.endTime, c.endBox, c.busy, c.recurrence})
            s += b ? '1' : '0';
        return s + " ";
    };
    auto back = [](auto text, int at) { return std::to_string(wordBackspaceStart(text, at)); };
    const std::string words = "  aaaa " + std::string(80, 'b'), z = std::string(90, 'z');
    const std::string umlauts =
        "a " + std::regex_replace(std::string(79, 'x'), std::regex("x"), "\xc3\xa4");
    const packedDT d = on(2011, 3, 5), none = DT_EMPTY;
    // clang-format off
    struct Case { const char* rule; std::string got, expected; };
    const Case cases[] = {
        {"sums rounded to minutes", timeSumText(29) + "|" + timeSumText(30) + "|" +
         timeSumText(3600 + 59 * 60 + 31) + "|" + timeSumText(360000),
         "Time: 0:00|Time: 0:01|Time: 2:00|Time: 100:00"},
        {"counts", groupCountText(0, 0) + "|" + groupCountText(1, 3) + "|" + groupCountText(3, 3),
         "0/0 ( 100%) done|1/3 (33 %) done|3/3 (100 %) done"},
        {"rules 0 to 6, others unknown", recurrenceLabel(0) + "|" + recurrenceLabel(6) + "|" +
         recurrenceLabel(7) + "|" + recurrenceLabel(-1),
         "Recurrence: none|Recurrence: yearly|Recurring:|Recurring:"},
        {"reminders: none, at the time, minutes, hours, days, weeks",
         reminderLabel(-1) + "|" + reminderLabel(0) + "|" + reminderLabel(90) + "|" +
             reminderLabel(60) + "|" + reminderLabel(120) + "|" + reminderLabel(1440) + "|" +
             reminderLabel(2880) + "|" + reminderLabel(10080) + "|" + reminderLabel(20160),
         "remind|at time|90 min|1 h|2 h|1 day|2 days|1 week|2 weeks"},
        {"completion; working times, only the last open one running",
         completionText(false, 0) + "|" + completionText(true, noon) + "|" +
         lines(workingTimeLines({noon}, {noon + 3600}, false)) +
         lines(workingTimeLines({noon, noon + 7200}, {noon + 3600, 0}, true)),
         "not yet...|05.03.2011 13:00|05.03.2011 13:00|      -> 05.03.2011 14:00|05.03.2011 13:00|"
         "      -> 05.03.2011 14:00|05.03.2011 15:00|   running|"},
        {"date controls of a todo without dates, with a due date, with both; of an appointment",
         controls(true, none, none) + controls(true, none, d) + controls(true, d, d) +
         controls(false, none, none) + controls(false, d, none) + controls(false, d, d),
         "00010100 10111101 11111111 10100000 11110101 11111111 "},
        {"wrapped at the last blank, the indent kept, past 80 characters (not bytes)",
         wrap(words, 87) + wrap(umlauts, 160), "6/2 1/0 "},
        {"not wrapped: 80 characters, not the cursor's line, a '|' line, no blank but the indent, "
         "a cursor outside the text", wrap(umlauts, 158) + wrap("x " + std::string(78, 'y'), 80) +
         wrap(z + "\nshort words", 102) + wrap("|" + words, 88) + wrap(z, 90) +
         wrap("   " + z, 93) + wrap(words, -1) + wrap(words, 88), "no no no no no no no no "},
        {"word backspace: marks then letters; from within, the start, past the end; marks alone; "
         "no character cut in two", back("one two,  ", 10) + back("one", 2) + back("one", 0) +
         back("ab cd", 9) + back("  ...", 5) + back("x gr\xc3\xbc\xc3\x9f", 8), "400302"},
        // clang-format on
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.rule);
        EXPECT_EQ(k.got, k.expected);
    }
}
