// The item editor's changes that touch several fields, and its texts.

#include "engine/editor_text.h"
#include "view_test_util.h"

#include <gtest/gtest.h>

// '+': the end set to the begin plus 30 minutes; 'D': a begin date y-m-d
// moving the end along; 'T': a begin time y:m moving the end along.
TEST(ItemEdit, BeginAndEndMoveTogether) {
    const unsigned APPT = PRIO_APPOINTMENT;
    const packedDT B = at(2011, 3, 5, 9, 0), E = at(2011, 3, 7, 17, 30);
    struct Case {
        const char* rule;
        unsigned prio;
        packedDT begin, end;
        char op;
        int y, m, d;
        packedDT newBegin, newEnd;
    } cases[] = {
        {"+30", APPT, at(2011, 3, 5, 9, 5), E, '+', 0, 0, 0, at(2011, 3, 5, 9, 5), at(2011, 3, 5, 9, 35)},
        {"+30 up to 23:59", APPT, at(2011, 3, 5, 23, 29), E, '+', 0, 0, 0, at(2011, 3, 5, 23, 29),
         at(2011, 3, 5, 23, 59)},
        {"+30 into the next day", APPT, at(2011, 3, 5, 23, 30), E, '+', 0, 0, 0, at(2011, 3, 5, 23, 30),
         at(2011, 3, 6, 0, 0)},
        {"+30 into the next month", APPT, at(2011, 3, 31, 23, 45), at(2011, 3, 31, 23, 59), '+', 0, 0, 0,
         at(2011, 3, 31, 23, 45), at(2011, 4, 1, 0, 15)},
        {"+30 into the next year", APPT, at(2011, 12, 31, 23, 45), at(2011, 12, 31, 23, 59), '+', 0, 0, 0,
         at(2011, 12, 31, 23, 45), at(2012, 1, 1, 0, 15)},
        {"+30 onto a leap day", APPT, at(2012, 2, 28, 23, 30), at(2012, 2, 28, 23, 59), '+', 0, 0, 0,
         at(2012, 2, 28, 23, 30), at(2012, 2, 29, 0, 0)},
        {"+30 from a leap day", APPT, at(2012, 2, 29, 23, 45), at(2012, 2, 29, 23, 59), '+', 0, 0, 0,
         at(2012, 2, 29, 23, 45), at(2012, 3, 1, 0, 15)},
        {"+30, no leap day in 2013", APPT, at(2013, 2, 28, 23, 45), at(2013, 2, 28, 23, 59), '+', 0, 0, 0,
         at(2013, 2, 28, 23, 45), at(2013, 3, 1, 0, 15)},
        {"+30 from a begin without time: its day", APPT, on(2011, 3, 5), E, '+', 0, 0, 0, on(2011, 3, 5),
         on(2011, 3, 5)},
        {"+30 without a begin: the end stays", 3, DT_EMPTY, E, '+', 0, 0, 0, DT_EMPTY, E},
        {"a week later keeps the length", APPT, B, E, 'D', 2011, 3, 12, at(2011, 3, 12, 9, 0),
         at(2011, 3, 14, 17, 30)},
        {"back over a month's end", APPT, B, E, 'D', 2011, 2, 26, at(2011, 2, 26, 9, 0),
         at(2011, 2, 28, 17, 30)},
        {"the end into the next year", APPT, B, E, 'D', 2011, 12, 30, at(2011, 12, 30, 9, 0),
         at(2012, 1, 1, 17, 30)},
        {"one day on, before the old end", APPT, B, E, 'D', 2011, 3, 6, at(2011, 3, 6, 9, 0),
         at(2011, 3, 8, 17, 30)},
        {"without an end only the begin", APPT, DT_EMPTY, DT_EMPTY, 'D', 2011, 3, 9, on(2011, 3, 9),
         DT_EMPTY},
        {"an impossible date changes nothing", APPT, B, E, 'D', 2011, 2, 30, B, E},
        {"later: the end passes midnight", APPT, B, at(2011, 3, 5, 10, 0), 'T', 23, 30, 0,
         at(2011, 3, 5, 23, 30), at(2011, 3, 6, 0, 30)},
        {"earlier", APPT, B, at(2011, 3, 5, 10, 0), 'T', 8, 15, 0, at(2011, 3, 5, 8, 15),
         at(2011, 3, 5, 9, 15)},
        {"a begin without time only gets one", APPT, on(2011, 3, 5), at(2011, 3, 5, 10, 0), 'T', 9, 0, 0,
         at(2011, 3, 5, 9, 0), at(2011, 3, 5, 10, 0)},
        {"an end without time: the begin alone", APPT, at(2011, 3, 5, 8, 0), on(2011, 3, 6), 'T', 9, 0, 0,
         B, on(2011, 3, 6)},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.rule);
        Velk v;
        v.createRoot();
        v.setItem(entry(v, v.getRoot(), "job", k.prio, k.begin, k.end));
        auto dates = [&v] { return dateTime2str(v.getDateTime(16)) + " " + dateTime2str(v.getDateTime(0)); };
        ASSERT_EQ(dates(), dateTime2str(k.begin) + " " + dateTime2str(k.end));
        if (k.op == '+') v.setEndToBeginPlus30();
        if (k.op == 'D') v.setBeginDateMovingEnd(k.y, k.m, k.d);
        if (k.op == 'T') v.setBeginTimeMovingEnd(k.y, k.m);
        EXPECT_EQ(dates(), dateTime2str(k.newBegin) + " " + dateTime2str(k.newEnd));
    }
}

// The todo flag turns an item into a todo of priority 3, or into an
// appointment when shown busy and a note when free.
TEST(ItemEdit, TheTodoFlagTurnsKindsByTheBusyState) {
    struct Case {
        unsigned prio;
        int busy;
        bool todo;
        unsigned after;
    } cases[] = {{5, 1, false, PRIO_APPOINTMENT}, {5, 0, false, PRIO_NOTE}, {PRIO_APPOINTMENT, 1, true, 3},
                 {PRIO_NOTE, 0, true, 3}, {PRIO_NOTE, 0, false, PRIO_NOTE}, {5, 0, true, 5}};
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.prio << " busy " << k.busy << " todo " << k.todo);
        Velk v;
        v.createRoot();
        v.setItem(entry(v, v.getRoot(), "job", k.prio, at(2011, 3, 5, 9, 0), at(2011, 3, 5, 10, 0)));
        v.setShowTimeAs(k.busy);
        v.setItemIsToDo(k.todo);
        EXPECT_EQ(v.getItemPriority(), k.after);
    }
}

TEST(EditorText, DatesTimesSumsControlsWrappingAndWordBackspace) {
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
        return std::to_string(wrapped) + " " + std::to_string(blank) + " " + std::to_string(indent);
    };
    auto controls = [](bool todo, packedDT begin, packedDT end) {
        const DateControls c = dateControlsShown(todo, begin, end);
        std::string s;
        for (bool b : {c.begDate, c.begTime, c.begBox, c.endDate, c.endTime, c.endBox, c.busy, c.recurrence})
            s += b ? '1' : '0';
        return s;
    };
    const std::string words = "  aaaa " + std::string(80, 'b'), no = "0 -7 -7";
    std::string umlauts = "a ";
    for (int i = 0; i < 79; ++i)
        umlauts += "\xc3\xa4";
    const packedDT d = on(2011, 3, 5), none = DT_EMPTY;
    struct Case {
        const char* rule;
        std::string got, expected;
    } cases[] = {
        {"dates", dateTime2str(none) + "|" + dateTime2str(d) + "|" + dateTime2str(at(2011, 3, 5, 9, 5)) +
                      "|" + dateTime2str(at(2127, 12, 31, 23, 59)),
         "none|05.03.2011 xx:xx|05.03.2011 9:05|31.12.2127 23:59"},
        {"sums rounded to minutes", timeSumText(29) + "|" + timeSumText(30) + "|" +
                                        timeSumText(3600 + 59 * 60 + 31) + "|" + timeSumText(360000),
         "Time: 0:00|Time: 0:01|Time: 2:00|Time: 100:00"},
        {"counts", groupCountText(0, 0) + "|" + groupCountText(1, 3) + "|" + groupCountText(3, 3),
         "0/0 ( 100%) done|1/3 (33 %) done|3/3 (100 %) done"},
        {"rules 0 to 6, others unknown", recurrenceLabel(2) + "|" + recurrenceLabel(6) + "|" +
                                             recurrenceLabel(7) + "|" + recurrenceLabel(-1),
         "Recurrence: daily, resetable|Recurrence: yearly|Recurring:|Recurring:"},
        {"completion", completionText(false, 0) + "|" + completionText(true, noon), "not yet...|05.03.2011 13:00"},
        {"a closed working time", lines(workingTimeLines({noon}, {noon + 3600}, false)),
         "05.03.2011 13:00|      -> 05.03.2011 14:00|"},
        {"only the last interval runs", lines(workingTimeLines({noon, noon + 7200}, {noon + 3600, 0}, true)),
         "05.03.2011 13:00|      -> 05.03.2011 14:00|05.03.2011 15:00|   running|"},
        {"todo: none, due date, both", controls(true, none, none) + " " + controls(true, none, d) + " " +
                                           controls(true, d, d), "00010100 10111101 11111111"},
        {"appointment: none, begin, both", controls(false, none, none) + " " + controls(false, d, none) +
                                               " " + controls(false, d, d), "10100000 11110101 11111111"},
        {"87 characters: the last blank breaks, the indent kept", wrap(words, 87), "1 6 2"},
        {"80 characters are not wrapped", wrap("x " + std::string(78, 'y'), 80), no},
        {"only the cursor's line counts", wrap(std::string(90, 'a') + "\nshort words", 102), no},
        {"a line beginning with | is never split", wrap("|" + words, 88), no},
        {"a line without a blank, or only those of its indent", wrap(std::string(90, 'z'), 90) + " " +
                                                                   wrap("   " + std::string(90, 'z'), 93),
         no + " " + no},
        {"characters count, not bytes: 81 and 80", wrap(umlauts, 160) + " " + wrap(umlauts, 158), "1 1 0 " + no},
        {"a cursor before or past the text", wrap(words, -1) + " " + wrap(words, 88), no + " " + no},
        {"word backspace: marks, then letters; from within, the start, past the end; marks alone",
         std::to_string(wordBackspaceStart("one two,  ", 10)) + std::to_string(wordBackspaceStart("one", 2)) +
             std::to_string(wordBackspaceStart("one", 0)) + std::to_string(wordBackspaceStart("ab cd", 9)) +
             std::to_string(wordBackspaceStart("  ...", 5)),
         "40030"},
        {"word backspace cuts no character in two", std::to_string(wordBackspaceStart("x gr\xc3\xbc\xc3\x9f", 8)),
         "2"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.rule);
        EXPECT_EQ(k.got, k.expected);
    }
}
