#include "app/remind_command.h"

#include "app/config.h"
#include "app/terminal.h"
#include "desktop/notifier.h"
#include "engine/reminders.h"
#include "engine/velk.h"
#include "model/clock.h"

int fireReminders(Velk& v, std::ostream& out, std::ostream& err) {
    v.setRemindDateOnlyMinutes(velkconfig.remindDateOnlyMinutes);
    std::vector<T_DueReminder> due;
    std::vector<std::string> lines;
    std::string error;
    const int taken = v.takeDueReminders(velkNow(), due, lines, error);
    if (!error.empty()) err << "velk: " << error << "\n";
    if (taken != 0) return EXIT_TERMINAL_REFUSED;
    desktop::Notifier notifier;
    bool told = false;
    for (std::size_t i = 0; i < due.size(); ++i) {
        out << "reminder: " << lines[i] << "\n";
        if (notifier.notify(due[i].entry->getSummary(), lines[i], false, error) == 0 && !told) {
            err << "velk: " << error << "; reminders show here only\n";
            told = true;
        }
    }
    return EXIT_TERMINAL_OK;
}
