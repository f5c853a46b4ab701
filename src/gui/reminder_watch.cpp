#include "gui/reminder_watch.h"

#include "engine/velk.h"
#include "gui/ask.h"
#include "model/clock.h"

#include <FL/Fl.H>

namespace {

constexpr std::time_t LOOK_EVERY = 30;
constexpr std::time_t SNOOZE = 10 * 60;

} // namespace

ReminderWatch::~ReminderWatch() {
    Fl::remove_timeout(&ReminderWatch::tick, this);
}

void ReminderWatch::start() {
    tick(this);
}

void ReminderWatch::tick(void* self) {
    auto& w = *static_cast<ReminderWatch*>(self);
    const std::time_t now = velkNow();
    std::string error;
    for (const auto& [id, action] : w.notifier.chosen()) {
        const auto key = w.keys.find(id);
        if (key == w.keys.end()) continue;
        if (action == "snooze" && w.engine.snoozeReminder(key->second, now + SNOOZE, error) != 0)
            GuiAsk::alert(("The reminder could not be snoozed: " + error).c_str());
        w.keys.erase(key);
    }
    if (!w.showing && now - w.lastLook >= LOOK_EVERY) w.look(now);
    Fl::repeat_timeout(1.0, &ReminderWatch::tick, self);
}

void ReminderWatch::look(std::time_t now) {
    lastLook = now;
    std::vector<T_DueReminder> due;
    std::vector<std::string> lines;
    std::string error, unshown;
    // A state that is locked elsewhere, or cannot be written, is tried again
    // at the next look: the window never waits for it.
    if (engine.takeDueReminders(now, due, lines, error, false) != 0) return;
    for (std::size_t i = 0; i < due.size(); ++i) {
        const unsigned id = notifier.notify(due[i].entry->getSummary(), lines[i], true, error);
        if (id != 0)
            keys[id] = due[i].key;
        else
            unshown += "\n" + lines[i];
    }
    if (unshown.empty()) return;
    // No notification service: the window says it, one message for all.
    showing = true;
    GuiAsk::alert(("Reminder:" + unshown).c_str());
    showing = false;
}
