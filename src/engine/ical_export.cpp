// The organizer's side of writing a group as an iCalendar file: which
// descriptions may leave it deciphered.

#include "engine/velk.h"

#include "model/group.h"
#include "storage/exchange_file.h"
#include "storage/file_tools.h"

bool Velk::holdsEncipheredDescriptions(ToDoListGroup& group) {
    for (std::size_t i = 0; i < group.getNrToDos(); ++i)
        if (group.getToDo(i)->getDescrData().keptEnciphered()) return true;
    for (std::size_t i = 0; i < group.getNrGroups(); ++i)
        if (holdsEncipheredDescriptions(*group.getGroup(i))) return true;
    return false;
}

namespace {

void entriesWithoutUid(ToDoListGroup& group, std::vector<ToDoListToDo*>& out) {
    for (std::size_t i = 0; i < group.getNrToDos(); ++i)
        if (group.getToDo(i)->extras().uid.empty()) out.push_back(group.getToDo(i));
    for (std::size_t i = 0; i < group.getNrGroups(); ++i)
        entriesWithoutUid(*group.getGroup(i), out);
}

// Up to this many new UIDs are journalled one entry at a time; more are
// saved with the whole data file, as one write.
constexpr std::size_t UIDS_JOURNALLED = 32;

} // namespace

int Velk::giveUids(ToDoListGroup& group, std::string& error) {
    std::vector<ToDoListToDo*> fresh;
    entriesWithoutUid(group, fresh);
    if (fresh.empty()) return 0;
    for (ToDoListToDo* t : fresh) {
        std::string uid;
        if (newUid(uid) != 0) {
            for (ToDoListToDo* u : fresh)
                u->setUid(std::string());
            error = "no random numbers for the entries' UIDs could be had";
            return -1;
        }
        t->setUid(uid);
    }
    if (fileName.empty()) return 0;
    const bool waited = journal.hasPending();
    if (fresh.size() <= UIDS_JOURNALLED) {
        for (ToDoListToDo* t : fresh)
            incsave_writeChanged(*t, false);
        if (waited || !journal.hasPending()) return 0;
    }
    // Many entries, or a journal that cannot be written: the data file
    // takes them all at once. Without it, a later export would give other
    // UIDs, and every calendar that took this file would hold the entries
    // twice.
    T_SaveReport saved;
    if (saveData(saved) == -1) {
        if (fresh.size() <= UIDS_JOURNALLED && journal.hasPending()) {
            error = "the UIDs given to the entries could not be saved: " + saved.error;
            return -1; // they wait in memory with their journal entries
        }
        for (ToDoListToDo* t : fresh)
            t->setUid(std::string());
        error = "the UIDs given to the entries could not be saved: " + saved.error;
        return -1;
    }
    return 0;
}

int Velk::exportICalendar(const std::string& path, ToDoListGroup& group, bool withEnciphered,
                          T_IcsExportReport& report) {
    const DescriptionCipher* cipher = withEnciphered && crypt.IsLoggedIn() ? &crypt : nullptr;
    std::string target;
    if (checkExchangeFile(path, fileName, ExchangeUse::Write, target, report.error) != 0) return -2;
    // Every entry leaves with the UID it keeps for life, saved before the
    // file is written.
    if (giveUids(group, report.error) != 0) return -1;
    return ::exportICalendar(target, group, *tree_.root(), cipher, report);
}

std::string Velk::iCalendarGroupName(const std::string& file) {
    std::string name = baseNameOf(file);
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".ics") == 0)
        name.resize(name.size() - 4);
    return name.empty() ? std::string("imported") : name;
}
