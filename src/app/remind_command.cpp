#include "app/remind_command.h"

#include "app/config.h"
#include "app/terminal.h"
#include "desktop/notifier.h"
#include "engine/reminders.h"
#include "engine/velk.h"
#include "model/clock.h"

int fireReminders(Velk& v, const std::string& dataPath, std::ostream& out, std::ostream& err) {
    const std::time_t now = velkNow();
    std::vector<T_DueReminder> due;
    std::string error;
    const int taken = takeDueRemindersOf(dataPath, *v.getRoot(), v.getSearchGroup(), now,
                                         velkconfig.remindDateOnlyMinutes, due, error);
    if (!error.empty()) err << "velk: " << error << "\n";
    if (taken != 0) return EXIT_TERMINAL_REFUSED;
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
