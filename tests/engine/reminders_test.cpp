// When reminders are due, with a pinned clock in Europe/Berlin; the moments
// expected are worked out in UTC with <chrono>, apart from Velk's own dates.

#include "engine/reminders.h"
#include "model/calendar.h"
#include "support/dates.h"

#include <chrono>
#include <gtest/gtest.h>

using namespace std::chrono;

namespace {

std::time_t utc(year_month_day day, int hour, int minute) {
    return system_clock::to_time_t(sys_days(day) + hours(hour) + minutes(minute));
}

struct Tree {
    ToDoListGroup root{0, "", 0};
    T_Calendar cal;
    ToDoListToDo& add(const char* summary, unsigned priority, packedDT begin, packedDT end,
                      int before, int recurrence = REC_NONE) {
        ToDoListToDo& t = *root.newToDo();
        t.setSyncID(unsigned(root.getNrToDos()));
        t.setSummary(summary);
        t.setPriority(priority);
        t.setDateTimeDirect(WHICH_BEGIN, begin);
        t.setDateTimeDirect(WHICH_END, end);
        T_recData rec;
        rec.type = recurrence;
        rec.rangeBegin = on(2025, 1, 1);
        t.setRecDataDirect(rec);
        t.setRemindBefore(before);
        return t;
    }
    // What fires at now, as "summary at" lines.
    std::vector<std::string> fire(storage::T_ReminderState& state, std::time_t now) {
        std::vector<std::string> out;
        for (const T_DueReminder& r : takeDueReminders(root, nullptr, state, now, 9 * 60))
            out.push_back(r.entry->getSummary() + " " + std::to_string(r.at) +
                          (r.missed ? " missed" : ""));
        return out;
    }
};

using Fired = std::vector<std::string>;
std::string line(const char* summary, std::time_t at, bool missed = false) {
    return summary + std::string(" ") + std::to_string(at) + (missed ? " missed" : "");
}

} // namespace

TEST(Reminders, FireOnceAtTheirTimeAcrossClockChangesAndGaps) {
    Tree tree;
    const std::time_t start = utc(2025y / March / 10, 6, 0); // 07:00 in Berlin
    tree.add("Dentist", PRIO_APPOINTMENT, at(2025, 3, 10, 9, 0), at(2025, 3, 10, 10, 0), 15);
    tree.add("Report", 3, DT_EMPTY, at(2025, 3, 10, 17, 0), 60);
    tree.add("Rent", 3, DT_EMPTY, on(2025, 3, 11), 30);
    ToDoListToDo& plants =
        tree.add("Plants", 3, at(2025, 3, 12, 8, 0), at(2025, 3, 12, 8, 0), 0, REC_WEEKLY);
    tree.add("Choir", PRIO_APPOINTMENT, at(2025, 3, 13, 19, 0), at(2025, 3, 13, 21, 0), 10,
             REC_WEEKLY);
    tree.add("Spring", PRIO_APPOINTMENT, at(2025, 3, 30, 10, 0), DT_EMPTY, 12 * 60);
    tree.add("Autumn", PRIO_APPOINTMENT, at(2025, 10, 26, 10, 0), DT_EMPTY, 12 * 60);
    tree.add("Silent", 3, DT_EMPTY, at(2025, 3, 10, 9, 0), NO_REMINDER);

    storage::T_ReminderState state;
    state.last = start;
    EXPECT_EQ(tree.fire(state, start + 60), Fired{}) << "nothing due yet";
    const std::time_t dentist = utc(2025y / March / 10, 7, 45);
    EXPECT_EQ(tree.fire(state, dentist), Fired{line("Dentist", dentist)});
    EXPECT_EQ(tree.fire(state, dentist + 60), Fired{}) << "a second run fires nothing again";
    const std::time_t report = utc(2025y / March / 10, 15, 0),
                      rent = utc(2025y / March / 11, 7, 30);
    EXPECT_EQ(tree.fire(state, report), Fired{line("Report", report)});
    EXPECT_EQ(tree.fire(state, rent), Fired{line("Rent", rent)}) << "09:00 less 30 minutes";

    // A repeating todo reminds of the date it has; done, of the next one. A
    // weekly appointment reminds of each occurrence.
    const std::time_t plantsAt = utc(2025y / March / 12, 7, 0),
                      choir = utc(2025y / March / 13, 17, 50);
    EXPECT_EQ(tree.fire(state, plantsAt), Fired{line("Plants", plantsAt)});
    EXPECT_EQ(tree.fire(state, choir + 60), Fired{line("Choir", choir)});
    PinnedClock clock(choir);
    ASSERT_EQ(plants.setCompleted(tree.cal), 1);
    EXPECT_EQ(tree.fire(state, plantsAt + 7 * 86400), Fired{line("Plants", plantsAt + 7 * 86400)});
    // The computer off for over a week: what it missed in the last week fires.
    EXPECT_EQ(tree.fire(state, utc(2025y / March / 28, 12, 0)),
              Fired{line("Choir", choir + 14 * 86400, true)});

    // Twelve hours before 10:00 on the days the clocks change: 21:00 and
    // 23:00 the evening before, in elapsed time.
    EXPECT_EQ(tree.fire(state, utc(2025y / March / 29, 19, 59)), Fired{});
    const std::time_t spring = utc(2025y / March / 29, 20, 0);
    EXPECT_EQ(tree.fire(state, spring), Fired{line("Spring", spring)});
    state.last = utc(2025y / October / 25, 12, 0);
    const std::time_t autumn = utc(2025y / October / 25, 21, 0);
    EXPECT_EQ(tree.fire(state, autumn), Fired{line("Autumn", autumn)});
}

TEST(Reminders, ALateReminderFiresAtOnceAndASnoozedOneAgainLater) {
    Tree tree;
    const std::time_t now = utc(2025y / March / 10, 8, 30); // 09:30 in Berlin
    ToDoListToDo& call = tree.add("Call", PRIO_APPOINTMENT, at(2025, 3, 10, 10, 0), DT_EMPTY, 0);
    storage::T_ReminderState state;
    state.last = now - 60;
    EXPECT_EQ(tree.fire(state, now), Fired{});
    call.setRemindBefore(60); // set after its time: due at 09:00, the call still ahead
    const std::time_t due = now - 30 * 60;
    EXPECT_EQ(tree.fire(state, now + 60), Fired{line("Call", due, true)});
    EXPECT_EQ(tree.fire(state, now + 120), Fired{});

    // Snoozed for ten minutes: back at its new time, once.
    const std::string key = storage::reminderKey(call.getSyncID(), at(2025, 3, 10, 10, 0));
    state.snoozed[key] = now + 720;
    EXPECT_EQ(tree.fire(state, now + 719), Fired{});
    EXPECT_EQ(tree.fire(state, now + 720), Fired{line("Call", now + 720)});
    EXPECT_TRUE(state.snoozed.empty());
    EXPECT_EQ(tree.fire(state, now + 780), Fired{});

    // Only 0 to four weeks before is a reminder.
    call.setRemindBefore(MAX_REMIND_BEFORE + 1);
    EXPECT_EQ(call.extras().remindBefore, NO_REMINDER);
    call.setRemindBefore(MAX_REMIND_BEFORE);
    EXPECT_EQ(call.extras().remindBefore, MAX_REMIND_BEFORE);

    T_DueReminder shown{&call, at(2025, 3, 10, 10, 0), now, false, key};
    EXPECT_EQ(reminderText(shown, "Work", now), "10:00 Call (Work)");
    shown.occurrence = on(2025, 3, 11);
    shown.missed = true;
    EXPECT_EQ(reminderText(shown, "", now), "11.03.2025 Call, missed");
}
