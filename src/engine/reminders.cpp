#include "engine/reminders.h"

#include "engine/occurrence_on_day.h"
#include "engine/velk.h"

#include "storage/file_lock.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

packedDT localDay(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    return packDate(tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900) | DT_NOTIME;
}

// Calls f with the begin of each occurrence of the appointment or note t
// that is not skipped and begins on a day from first to last (date-only).
template <class F> void occurrences(const ToDoListToDo& t, packedDT first, packedDT last, F f) {
    packedDT b = t.getDateTime(WHICH_BEGIN), e = t.getDateTime(WHICH_END);
    T_recData rec;
    t.getRecData(rec);
    // A daily or weekly rule jumps to the days looked at; a rule counted from
    // today does not move on: the walk ends where the begin stops moving.
    const bool ruleReaches = skipToSpan(t, rec, first, b, e);
    for (int steps = 0; ruleReaches && dtHasDate(b) && dtDateOnly(b) <= last && steps < 1000000;
         ++steps) {
        const packedDT day = dtDateOnly(b);
        if (day >= first && !t.isSkipped(day)) f(b);
        if (t.setFollowingRecurrenceDate(b, e) != 1 || dtDateOnly(b) <= day) break;
    }
    for (const packedDT d : t.extras().added) {
        if (dtDateOnly(d) < first || dtDateOnly(d) > last || t.isSkipped(d)) continue;
        t.addedOccurrence(d, b, e);
        f(b);
    }
}

// Takes the lock of the reminder state at path, waiting up to five seconds
// for another run that holds it (with wait).
int lockState(DataFileLock& lock, const std::string& path, std::string& error, bool wait = true) {
    int locked = lock.acquire(path);
    for (int i = 0; wait && locked == -1 && i < 50; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        locked = lock.acquire(path);
    }
    if (locked != 0)
        error = "the reminder state " + path + " cannot be locked (" + lock.reason() + ")";
    return locked == 0 ? 0 : -1;
}

} // namespace

std::time_t reminderMoment(packedDT anchor, int dateOnlyMinutes) {
    std::tm tm{};
    tm.tm_year = dtYear(anchor) - 1900;
    tm.tm_mon = dtMonth(anchor) - 1;
    tm.tm_mday = dtDay(anchor);
    tm.tm_hour = dtHasTime(anchor) ? dtHour(anchor) : 0;
    tm.tm_min = dtHasTime(anchor) ? dtMinute(anchor) : dateOnlyMinutes;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

std::vector<T_DueReminder> takeDueReminders(const ToDoListGroup& root, const ToDoListGroup* skip,
                                            storage::T_ReminderState& state, std::time_t now,
                                            int dateOnlyMinutes, std::size_t* withReminder) {
    std::size_t carrying = 0;
    const std::time_t from =
        state.last == 0 ? now - 60 : std::max(state.last, now - REMIND_LOOKBACK);
    std::vector<T_DueReminder> due;
    std::map<unsigned, const ToDoListToDo*> snoozedEntries;
    auto visit = [&](const ToDoListGroup& g, auto& self) -> void {
        if (&g == skip) return;
        for (std::size_t i = 0; i < g.getNrToDos(); ++i) {
            const ToDoListToDo& t = *g.getToDo(i);
            const int before = t.extras().remindBefore;
            if (before == NO_REMINDER) continue;
            ++carrying;
            if (!state.snoozed.empty()) snoozedEntries[t.getSyncID()] = &t;
            auto consider = [&](packedDT anchor) {
                const std::time_t moment = reminderMoment(anchor, dateOnlyMinutes),
                                  at = moment - std::time_t(before) * 60;
                if (at > now || (at <= from && moment <= now)) return;
                std::string key = storage::reminderKey(t.getSyncID(), anchor);
                if (state.fired.count(key) || state.snoozed.count(key)) return;
                state.fired[key] = moment;
                due.push_back({&t, anchor, at, now - at > REMIND_MISSED_AFTER, std::move(key)});
            };
            if (t.isToDo()) {
                if (!t.isCompleted() && dtHasDate(t.getDateTime(WHICH_END)))
                    consider(t.getDateTime(WHICH_END));
            } else {
                // Occurrences that begin from the day before the earliest
                // time looked at up to the day after the latest.
                occurrences(t, localDay(from - 86400),
                            localDay(now + std::time_t(before) * 60 + 86400), consider);
            }
        }
        for (std::size_t i = 0; i < g.getNrGroups(); ++i)
            self(*g.getGroup(i), self);
    };
    visit(root, visit);

    // Snoozed reminders whose time came; those of entries gone are dropped.
    for (auto it = state.snoozed.begin(); it != state.snoozed.end();) {
        const unsigned syncID = unsigned(std::strtoul(it->first.c_str(), nullptr, 10));
        const auto entry = snoozedEntries.find(syncID);
        if (it->second > now && entry != snoozedEntries.end()) {
            ++it;
            continue;
        }
        if (entry != snoozedEntries.end()) {
            const packedDT occurrence =
                packedDT(std::strtoul(it->first.c_str() + it->first.find(' ') + 1, nullptr, 10));
            due.push_back({entry->second, occurrence, it->second, false, it->first});
            state.fired[it->first] = reminderMoment(occurrence, dateOnlyMinutes);
        }
        it = state.snoozed.erase(it);
    }
    for (auto it = state.fired.begin(); it != state.fired.end();)
        it = it->second < now - REMIND_LOOKBACK ? state.fired.erase(it) : std::next(it);
    state.last = now;
    if (withReminder) *withReminder = carrying;
    std::stable_sort(due.begin(), due.end(),
                     [](const T_DueReminder& a, const T_DueReminder& b) { return a.at < b.at; });
    return due;
}

std::string reminderText(const T_DueReminder& r, const std::string& group, std::time_t now) {
    char when[32];
    const packedDT o = r.occurrence;
    if (!dtHasTime(o))
        std::snprintf(when, sizeof when, "%02d.%02d.%04d", dtDay(o), dtMonth(o), dtYear(o));
    else if (dtDateOnly(o) != localDay(now))
        std::snprintf(when, sizeof when, "%02d.%02d.%04d %02d:%02d", dtDay(o), dtMonth(o),
                      dtYear(o), dtHour(o), dtMinute(o));
    else
        std::snprintf(when, sizeof when, "%02d:%02d", dtHour(o), dtMinute(o));
    std::string text = std::string(when) + " " + r.entry->getSummary();
    if (!group.empty()) text += " (" + group + ")";
    if (r.missed) text += ", missed";
    return text;
}

int takeDueRemindersOf(const std::string& dataPath, const ToDoListGroup& root,
                       const ToDoListGroup* skip, std::time_t now, int dateOnlyMinutes,
                       std::vector<T_DueReminder>& due, std::string& error, bool wait) {
    due.clear();
    const std::string path = storage::reminderStatePath(dataPath);
    DataFileLock lock;
    if (lockState(lock, path, error, wait) != 0) return -1;
    storage::T_ReminderState state;
    std::string unreadable;
    const int read = storage::readReminderState(path, state, unreadable);
    if (read < 0) error = unreadable + "; reminders are taken from now on";
    std::size_t carrying = 0;
    const storage::T_ReminderState before = state;
    std::vector<T_DueReminder> taken =
        takeDueReminders(root, skip, state, now, dateOnlyMinutes, &carrying);
    if (read == 1 && carrying == 0) return 0;
    // Nothing fired, snoozed or forgotten: the file is written at most hourly
    // (the window looks twice a minute, the timer once), which only moves
    // the time the next run looks back to.
    const bool same = read == 0 && state.fired == before.fired && state.snoozed == before.snoozed &&
                      now - before.last < 3600;
    if (same) return 0;
    if (storage::writeReminderState(path, state, error) != 0) {
        error += "; nothing was fired, so that nothing fires twice";
        return -1;
    }
    due = std::move(taken);
    return 0;
}

int snoozeReminderOf(const std::string& dataPath, const std::string& key, std::time_t until,
                     std::string& error) {
    const std::string path = storage::reminderStatePath(dataPath);
    DataFileLock lock;
    if (lockState(lock, path, error) != 0) return -1;
    storage::T_ReminderState state;
    if (storage::readReminderState(path, state, error) < 0) return -1;
    state.snoozed[key] = until;
    state.fired.erase(key);
    return storage::writeReminderState(path, state, error);
}

int Velk::takeDueReminders(std::time_t now, std::vector<T_DueReminder>& due,
                           std::vector<std::string>& lines, std::string& error, bool wait) {
    lines.clear();
    const int r = takeDueRemindersOf(fileName, *tree_.root(), tree_.searchGroup(), now,
                                     remindDateOnlyMinutes_, due, error, wait);
    for (const T_DueReminder& d : due) {
        const std::vector<std::string> names = tree_.root()->getPathNames(d.entry->getPath());
        lines.push_back(reminderText(d, names.empty() ? std::string() : names.back(), now));
    }
    return r;
}
