#include "storage/reminder_state.h"

#include "storage/file_tools.h"

#include <cstdlib>
#include <sstream>

namespace storage {

namespace {

const char* const FIRST_LINE = "<velk-reminders=1>";

std::time_t parseTime(const std::string& text) {
    return std::time_t(std::strtoll(text.c_str(), nullptr, 10));
}

} // namespace

std::string reminderKey(unsigned syncID, unsigned occurrence) {
    return std::to_string(syncID) + " " + std::to_string(occurrence);
}

std::string reminderStatePath(const std::string& dataPath) {
    return dataPath + ".remind";
}

int readReminderState(const std::string& path, T_ReminderState& state, std::string& error) {
    state = T_ReminderState();
    ReadFile in;
    std::string why, text;
    const int opened = openRegularFile(path, false, in, why);
    if (opened == -1) return 1;
    if (opened != 0 || !std::getline(in, text) || text != FIRST_LINE) {
        error = path + (opened != 0 ? ": " + why : std::string(" is not Velk's reminder state"));
        return -1;
    }
    // "last=T", "fired=SYNCID OCCURRENCE T", "snoozed=SYNCID OCCURRENCE T"
    while (std::getline(in, text)) {
        const std::size_t eq = text.find('='), blank = text.rfind(' ');
        if (eq == std::string::npos) continue;
        const std::string key = text.substr(0, eq);
        if (key == "last") state.last = parseTime(text.substr(eq + 1));
        if (blank == std::string::npos || blank < eq) continue;
        const std::string reminder = text.substr(eq + 1, blank - eq - 1);
        if (key == "fired") state.fired[reminder] = parseTime(text.substr(blank + 1));
        if (key == "snoozed") state.snoozed[reminder] = parseTime(text.substr(blank + 1));
    }
    if (in.error() != 0) {
        error = path + ": " + in.errorText();
        state = T_ReminderState();
        return -1;
    }
    return 0;
}

int writeReminderState(const std::string& path, const T_ReminderState& state, std::string& error) {
    std::ostringstream os;
    os << FIRST_LINE << "\nlast=" << state.last << "\n";
    for (const auto& [key, at] : state.fired)
        os << "fired=" << key << ' ' << at << "\n";
    for (const auto& [key, at] : state.snoozed)
        os << "snoozed=" << key << ' ' << at << "\n";
    return writePrivateFile(path, os.str(), error);
}

} // namespace storage
