#include "engine/editor_text.h"
#include "engine/velk.h"
#include "support/dates.h"
#include "support/organizer.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using namespace std::chrono;

// The packed value of a <chrono> local time (date and time of day).
packedDT packed(sys_seconds t) {
    const sys_days d = floor<days>(t);
    const year_month_day ymd{d};
    const hh_mm_ss hms{t - d};
    return at(int(ymd.year()), int(unsigned(ymd.month())), int(unsigned(ymd.day())),
              int(hms.hours().count()), int(hms.minutes().count()));
}

// An organizer with one current todo in the root.
struct ItemEdit : testing::Test {
    void SetUp() override {
        org = std::make_unique<TestOrganizer>(dir.file("e.dat"));
        t = v().getRoot()->newToDo();
        t->setSummary("job");
        t->setSyncID(++v().itemTree().idmax());
        v().setItem(t);
    }
    Velk& v() { return **org; }
    // Writes both values, then lets the item repair them once, as a stored
    // item would be (the setters repair after each single field).
    void setBoth(packedDT begin, packedDT end) {
        v().clearDate(0);
        v().clearDate(16);
        T_Calendar& cal = v().calendar();
        for (auto [which, value] : {std::pair{0, end}, std::pair{16, begin}}) {
            if (dtHasDate(value))
                t->setDateDontCheck(which, dtYear(value), dtMonth(value), dtDay(value), cal);
            if (dtHasTime(value)) t->setTimeDontCheck(which, dtHour(value), dtMinute(value), cal);
        }
        t->removeFromCalLists(cal);
        t->sanitizeTimeThings();
        t->putIntoCalList(cal);
        ASSERT_EQ(v().getDateTime(16), begin);
        ASSERT_EQ(v().getDateTime(0), end);
    }
    TempDir dir;
    std::unique_ptr<TestOrganizer> org;
    ToDoListToDo* t = nullptr;
};

TEST_F(ItemEdit, BeginPlusThirtyMinutesCarriesIntoDayMonthAndYear) {
    v().setItemPriority(PRIO_APPOINTMENT);
    const sys_days days[] = {sys_days{2011y / March / 5},     sys_days{2011y / March / 31},
                             sys_days{2011y / December / 31}, sys_days{2012y / February / 28},
                             sys_days{2012y / February / 29}, sys_days{2013y / February / 28}};
    for (sys_days d : days) {
        for (minutes m : {minutes{0}, minutes{9 * 60 + 5}, minutes{23 * 60 + 29},
                          minutes{23 * 60 + 30}, minutes{23 * 60 + 45}}) {
            const packedDT begin = packed(d + m);
            setBoth(begin, packed(d + minutes{23 * 60 + 59}));
            v().setEndToBeginPlus30();
            EXPECT_EQ(v().getDateTime(16), begin);
            EXPECT_EQ(dateTime2str(v().getDateTime(0)), dateTime2str(packed(d + m + minutes{30})))
                << dateTime2str(begin);
        }
    }
}

TEST_F(ItemEdit, BeginPlusThirtyMinutesWithoutBeginTimeOrDate) {
    v().setItemPriority(PRIO_APPOINTMENT);
    // A begin without a time: the end takes its date and loses its time.
    setBoth(packDate(5, 3, 2011) | DT_NOTIME, at(2011, 3, 7, 10, 0));
    v().setEndToBeginPlus30();
    EXPECT_EQ(v().getDateTime(0), packDate(5, 3, 2011) | DT_NOTIME);
    // No begin date (a todo, which may have an end alone): the end stays.
    v().setItemPriority(3);
    setBoth(DT_EMPTY, at(2011, 3, 7, 10, 0));
    v().setEndToBeginPlus30();
    EXPECT_EQ(v().getDateTime(0), at(2011, 3, 7, 10, 0));
}

TEST_F(ItemEdit, MovingTheBeginDateKeepsTheLengthInDays) {
    v().setItemPriority(PRIO_APPOINTMENT);
    // A three-day appointment moved by a week, forward and back over its old
    // begin, and over a month and a year end.
    struct Case {
        packedDT begin, end;
        int day, month, year;
        packedDT newBegin, newEnd;
    };
    const Case cases[] = {
        {at(2011, 3, 5, 9, 0), at(2011, 3, 7, 17, 30), 12, 3, 2011, at(2011, 3, 12, 9, 0),
         at(2011, 3, 14, 17, 30)},
        {at(2011, 3, 5, 9, 0), at(2011, 3, 7, 17, 30), 26, 2, 2011, at(2011, 2, 26, 9, 0),
         at(2011, 2, 28, 17, 30)},
        {at(2011, 3, 5, 9, 0), at(2011, 3, 7, 17, 30), 30, 12, 2011, at(2011, 12, 30, 9, 0),
         at(2012, 1, 1, 17, 30)},
        {at(2011, 3, 5, 9, 0), at(2011, 3, 7, 17, 30), 6, 3, 2011, at(2011, 3, 6, 9, 0),
         at(2011, 3, 8, 17, 30)},
    };
    for (const Case& c : cases) {
        setBoth(c.begin, c.end);
        v().setBeginDateMovingEnd(c.year, c.month, c.day);
        EXPECT_EQ(dateTime2str(v().getDateTime(16)), dateTime2str(c.newBegin));
        EXPECT_EQ(dateTime2str(v().getDateTime(0)), dateTime2str(c.newEnd));
    }
    // Without an end date only the begin is set.
    setBoth(DT_EMPTY, DT_EMPTY);
    v().setBeginDateMovingEnd(2011, 3, 9);
    EXPECT_EQ(v().getDateTime(16), packDate(9, 3, 2011) | DT_NOTIME);
    EXPECT_FALSE(dtHasDate(v().getDateTime(0)));
    // An impossible date changes nothing.
    setBoth(at(2011, 3, 5, 9, 0), at(2011, 3, 7, 17, 30));
    v().setBeginDateMovingEnd(2011, 2, 30);
    EXPECT_EQ(v().getDateTime(16), at(2011, 3, 5, 9, 0));
    EXPECT_EQ(v().getDateTime(0), at(2011, 3, 7, 17, 30));
}

TEST_F(ItemEdit, MovingTheBeginTimeMovesTheEndByTheSameMinutes) {
    v().setItemPriority(PRIO_APPOINTMENT);
    setBoth(at(2011, 3, 5, 9, 0), at(2011, 3, 5, 10, 0));
    v().setBeginTimeMovingEnd(23, 30); // the end passes midnight
    EXPECT_EQ(v().getDateTime(16), at(2011, 3, 5, 23, 30));
    EXPECT_EQ(v().getDateTime(0), at(2011, 3, 6, 0, 30));
    v().setBeginTimeMovingEnd(8, 15); // and comes back, earlier than it was
    EXPECT_EQ(v().getDateTime(16), at(2011, 3, 5, 8, 15));
    EXPECT_EQ(v().getDateTime(0), at(2011, 3, 5, 9, 15));
    // A begin that had no time only gets one.
    setBoth(packDate(5, 3, 2011) | DT_NOTIME, at(2011, 3, 5, 10, 0));
    v().setBeginTimeMovingEnd(9, 0);
    EXPECT_EQ(v().getDateTime(16), at(2011, 3, 5, 9, 0));
    EXPECT_EQ(v().getDateTime(0), at(2011, 3, 5, 10, 0));
}

TEST_F(ItemEdit, TheTodoFlagTurnsKindsByTheBusyState) {
    v().setItemPriority(5);
    setBoth(at(2011, 3, 5, 9, 0), at(2011, 3, 5, 10, 0));
    v().setShowTimeAs(1);
    v().setItemIsToDo(false);
    EXPECT_EQ(v().getItemPriority(), PRIO_APPOINTMENT);
    v().setItemIsToDo(true);
    EXPECT_EQ(v().getItemPriority(), 3u);
    v().setShowTimeAs(0);
    v().setItemIsToDo(false);
    EXPECT_EQ(v().getItemPriority(), PRIO_NOTE);
    v().setItemIsToDo(false); // already not a todo: stays a note
    EXPECT_EQ(v().getItemPriority(), PRIO_NOTE);
}

TEST_F(ItemEdit, AChangedRecurrenceIntervalIsAChangeForTheJournal) {
    setBoth(packDate(5, 3, 2011) | DT_NOTIME, packDate(5, 3, 2011) | DT_NOTIME);
    T_recData rec;
    rec.type = REC_DAILY;
    v().setRecData(rec);
    v().incsave_rememberTodo();
    EXPECT_FALSE(v().incsave_todoHasChanged());
    v().setRecData(rec); // the same rule again
    EXPECT_FALSE(v().incsave_todoHasChanged());
    rec.interval = 3;
    v().setRecData(rec);
    EXPECT_TRUE(v().incsave_todoHasChanged()) << "the todo comparison leaves out the interval";
    v().incsave_forgetTodo();
    v().incsave_rememberTodo();
    EXPECT_FALSE(v().incsave_todoHasChanged());
}

TEST_F(ItemEdit, TheCryptFlagIsTheDescriptionsSaveEncryptedFlag) {
    EXPECT_FALSE(v().getItemSaveCrypt());
    v().setItemSaveCrypt(true);
    EXPECT_TRUE(v().getItemSaveCrypt());
    EXPECT_TRUE(t->getDescrData().getFlags() & DescrData::DESCR_SAVECRYPT);
    v().setItemSaveCrypt(false);
    EXPECT_FALSE(v().getItemSaveCrypt());
}

TEST(EditorText, DatesTimeSumsAndCounts) {
    EXPECT_EQ(dateTime2str(DT_EMPTY), "none");
    EXPECT_EQ(dateTime2str(packDate(5, 3, 2011) | DT_NOTIME), "05.03.2011 xx:xx");
    EXPECT_EQ(dateTime2str(at(2011, 3, 5, 9, 5)), "05.03.2011 9:05");
    EXPECT_EQ(dateTime2str(at(2127, 12, 31, 23, 59)), "31.12.2127 23:59");
    EXPECT_EQ(timeSumText(0), "Time: 0:00");
    EXPECT_EQ(timeSumText(29), "Time: 0:00");
    EXPECT_EQ(timeSumText(30), "Time: 0:01");
    EXPECT_EQ(timeSumText(3600 + 59 * 60 + 31), "Time: 2:00");
    EXPECT_EQ(timeSumText(100 * 3600.0), "Time: 100:00");
    EXPECT_EQ(groupCountText(0, 0), "0/0 ( 100%) done");
    EXPECT_EQ(groupCountText(1, 3), "1/3 (33 %) done");
    EXPECT_EQ(groupCountText(3, 3), "3/3 (100 %) done");
    EXPECT_EQ(recurrenceLabel(0), "Recurrence: none");
    EXPECT_EQ(recurrenceLabel(2), "Recurrence: daily, resetable");
    EXPECT_EQ(recurrenceLabel(6), "Recurrence: yearly");
    EXPECT_EQ(completionText(false, 0), "not yet...");
}

TEST(EditorText, WorkingTimeLinesEndWithRunningOnlyForTheOpenInterval) {
    // Local times in the test zone, Europe/Berlin (UTC+1 in March 2011).
    const int32_t noon = 1299326400; // 5 March 2011, 13:00 local
    const std::vector<std::string> closed = {"05.03.2011 13:00", "      -> 05.03.2011 14:00"};
    EXPECT_EQ(workingTimeLines({noon}, {noon + 3600}, false), closed);
    const std::vector<std::string> running = {"05.03.2011 13:00", "      -> 05.03.2011 14:00",
                                              "05.03.2011 15:00", "   running"};
    EXPECT_EQ(workingTimeLines({noon, noon + 7200}, {noon + 3600, 0}, true), running);
}

TEST(EditorText, DateControlsFollowKindAndDates) {
    const packedDT d = packDate(5, 3, 2011) | DT_NOTIME;
    struct Case {
        bool todo;
        packedDT begin, end;
        DateControls c;
    };
    auto ctl = [](bool bd, bool bt, bool bb, bool ed, bool et, bool eb, bool busy, bool rec) {
        DateControls c;
        c.begDate = bd, c.begTime = bt, c.begBox = bb, c.endDate = ed, c.endTime = et,
        c.endBox = eb, c.busy = busy, c.recurrence = rec;
        return c;
    };
    const Case cases[] = {
        {true, DT_EMPTY, DT_EMPTY, ctl(0, 0, 0, 1, 0, 1, 0, 0)},
        {true, DT_EMPTY, d, ctl(1, 0, 1, 1, 1, 1, 0, 1)},
        {true, d, d, ctl(1, 1, 1, 1, 1, 1, 1, 1)},
        {false, DT_EMPTY, DT_EMPTY, ctl(1, 0, 1, 0, 0, 0, 0, 0)},
        {false, d, DT_EMPTY, ctl(1, 1, 1, 1, 0, 1, 0, 1)},
        {false, d, d, ctl(1, 1, 1, 1, 1, 1, 1, 1)},
    };
    for (const Case& k : cases) {
        const DateControls c = dateControlsShown(k.todo, k.begin, k.end);
        EXPECT_EQ((std::vector<bool>{c.begDate, c.begTime, c.begBox, c.endDate, c.endTime, c.endBox,
                                     c.busy, c.recurrence}),
                  (std::vector<bool>{k.c.begDate, k.c.begTime, k.c.begBox, k.c.endDate, k.c.endTime,
                                     k.c.endBox, k.c.busy, k.c.recurrence}))
            << k.todo << " " << dateTime2str(k.begin) << " " << dateTime2str(k.end);
    }
}

TEST(EditorText, WrappingBreaksAtTheLastBlankAndKeepsTheIndent) {
    int blank = -1, indent = -1;
    const std::string words = "  aaaa " + std::string(80, 'b');
    // 87 characters before the cursor: the blank at 6 becomes the break.
    ASSERT_TRUE(descriptionWrap(words, int(words.size()), blank, indent));
    EXPECT_EQ(blank, 6);
    EXPECT_EQ(indent, 2);
    // Exactly 80 characters are not wrapped yet.
    const std::string eighty = "x " + std::string(78, 'y');
    EXPECT_FALSE(descriptionWrap(eighty, 80, blank, indent));
    // Only the line of the cursor counts.
    const std::string second = std::string(90, 'a') + "\nshort words";
    EXPECT_FALSE(descriptionWrap(second, int(second.size()), blank, indent));
    // A line beginning with "|" and a line without a blank are never split;
    // neither is one whose only blanks are its indentation.
    EXPECT_FALSE(descriptionWrap("|" + words, int(words.size()) + 1, blank, indent));
    const std::string solid(90, 'z');
    EXPECT_FALSE(descriptionWrap(solid, 90, blank, indent));
    const std::string indented = "   " + std::string(90, 'z');
    EXPECT_FALSE(descriptionWrap(indented, 93, blank, indent));
    // Characters count, not bytes: 81 umlauts are 162 bytes.
    std::string umlauts = "a ";
    for (int i = 0; i < 79; ++i)
        umlauts += "\xc3\xa4";
    EXPECT_TRUE(descriptionWrap(umlauts, int(umlauts.size()), blank, indent));
    umlauts.erase(umlauts.size() - 2);
    EXPECT_FALSE(descriptionWrap(umlauts, int(umlauts.size()), blank, indent));
}

TEST(EditorText, WordBackspacePassesMarksThenLetters) {
    const std::string text = "one two,  ";
    EXPECT_EQ(wordBackspaceStart(text, int(text.size())), 4);
    EXPECT_EQ(wordBackspaceStart(text, 3), 0);
    EXPECT_EQ(wordBackspaceStart(text, 0), 0);
    EXPECT_EQ(wordBackspaceStart("  ...", 5), 0);
    EXPECT_EQ(wordBackspaceStart("x gr\xc3\xbc\xc3\x9f", 8), 2) << "no character cut in two";
}

} // namespace
