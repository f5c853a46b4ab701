#include "app/remind_command.h"

#include "app/config.h"
#include "app/terminal.h"
#include "desktop/notifier.h"
#include "engine/reminders.h"
#include "engine/velk.h"
#include "model/clock.h"
#include "storage/file_lock.h"

#include <chrono>
#include <thread>

int fireReminders(Velk& v, const std::string& dataPath, std::ostream& out, std::ostream& err) {
    const std::string statePath = storage::reminderStatePath(dataPath);
    // The window takes the same lock for a moment each minute.
    DataFileLock lock;
    int locked = lock.acquire(statePath);
    for (int i = 0; locked == -1 && i < 50; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        locked = lock.acquire(statePath);
    }
    if (locked != 0) {
        err << "velk: the reminder state " << statePath << " cannot be locked (" << lock.reason()
            << "); nothing was fired\n";
        return EXIT_TERMINAL_REFUSED;
    }
    storage::T_ReminderState state;
    std::string error;
    if (storage::readReminderState(statePath, state, error) < 0)
        err << "velk: " << error << "; reminders are taken from now on\n";
    const std::time_t now = velkNow();
    const std::vector<T_DueReminder> due = takeDueReminders(*v.getRoot(), v.getSearchGroup(), state,
                                                            now, velkconfig.remindDateOnlyMinutes);
    // Recorded before they are shown: a reminder never fires twice.
    if (storage::writeReminderState(statePath, state, error) != 0) {
        err << "velk: " << error << "; nothing was fired, so that nothing fires twice\n";
        return EXIT_TERMINAL_REFUSED;
    }
    desktop::Notifier notifier;
    bool told = false;
    for (const T_DueReminder& r : due) {
        const std::vector<std::string> names = v.getRoot()->getPathNames(r.entry->getPath());
        const std::string text = reminderText(r, names.empty() ? std::string() : names.back(), now);
        out << "reminder: " << text << "\n";
        if (notifier.notify(r.entry->getSummary(), text, false, error) == 0 && !told) {
            err << "velk: " << error << "; reminders show here only\n";
            told = true;
        }
    }
    return EXIT_TERMINAL_OK;
}
