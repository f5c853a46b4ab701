// Importing an iCalendar file into the tree: the entries are read and checked
// by storage first, so that a refused file changes nothing, and then join the
// tree as pasted entries do.

#include "storage/ical_import.h"
#include "engine/velk.h"
#include "model/sync_ids.h"
#include "storage/exchange_file.h"

#include <map>

namespace {

// The key by which an imported entry finds its earlier version: its UID and,
// for one occurrence of a series, its RECURRENCE-ID; empty without a UID.
std::string identityKey(const ToDoListToDo& t) {
    const T_EntryExtras& x = t.extras();
    return x.uid.empty() ? std::string() : x.uid + "\n" + x.recurrenceId;
}

void indexByIdentity(ToDoListGroup& g, std::map<std::string, ToDoListToDo*>& index) {
    for (std::size_t i = 0; i < g.getNrToDos(); ++i) {
        const std::string key = identityKey(*g.getToDo(i));
        if (!key.empty()) index.emplace(key, g.getToDo(i));
    }
    for (std::size_t i = 0; i < g.getNrGroups(); ++i)
        indexByIdentity(*g.getGroup(i), index);
}

// Whether the version of a (SEQUENCE, then LAST-MODIFIED or DTSTAMP) is older
// than that of b.
bool olderVersion(const T_EntryExtras& a, const T_EntryExtras& b) {
    if (a.sequence != b.sequence) return a.sequence < b.sequence;
    return a.stamp < b.stamp;
}

ToDoListGroup* childGroupNamed(ToDoListGroup& parent, const std::string& name) {
    for (std::size_t i = 0; i < parent.getNrGroups(); ++i)
        if (parent.getGroup(i)->getSummary() == name) return parent.getGroup(i);
    return nullptr;
}

} // namespace

int Velk::importICalendar(const std::string& path, ToDoListGroup& parent,
                          const std::string& groupName, storage::T_IcsImportReport& report) {
    report = storage::T_IcsImportReport();
    // The whole import is one step.
    UndoStep step(*this, "import " + iCalendarGroupName(path));
    // A calendar imported again goes into the group its first import made.
    ToDoListGroup* const earlier = groupName.empty() ? nullptr : childGroupNamed(parent, groupName);
    if (!groupName.empty() && !earlier && parent.getLevel() >= MAX_GROUP_LEVEL) {
        report.error = GROUPS_TOO_DEEP;
        return INSERT_TOO_DEEP;
    }
    // The organizer's own files are never read as a calendar.
    std::string source;
    if (checkExchangeFile(path, fileName, ExchangeUse::Read, source, report.error) != 0) return -1;
    std::vector<std::unique_ptr<ToDoListToDo>> entries;
    if (storage::readICalendar(source, entries, report) != 0) return -1;

    ToDoListGroup& root = *tree_.root();
    T_Calendar& cal = tree_.calendar();
    ToDoListGroup* const group = groupName.empty() || earlier ? nullptr : parent.newGroup();
    ToDoListGroup& target = group ? *group : earlier ? *earlier : parent;
    if (group) group->setSummary(groupName);
    // Entries already there with the same identity are updated, not copied.
    std::map<std::string, ToDoListToDo*> known;
    if (!group) indexByIdentity(target, known);
    std::vector<ToDoListToDo*> updated;
    // Many entries are filed at once: the dated lists are sorted once at the end.
    cal.deferDatedLists(true);
    std::vector<ToDoListToDo*> added;
    added.reserve(entries.size());
    for (std::unique_ptr<ToDoListToDo>& entry : entries) {
        const auto there = known.find(identityKey(*entry));
        if (there == known.end()) {
            ToDoListToDo* t = target.adoptToDo(std::move(entry));
            t->putIntoCalList(cal);
            added.push_back(t);
            continue;
        }
        ToDoListToDo& old = *there->second;
        // The copy as it would stand in the old one's place, its version
        // aside: an entry exported again with a new DTSTAMP is unchanged.
        ToDoListToDo incoming(*entry);
        incoming.setID(old.getID());
        incoming.setPath(old.getPath());
        incoming.setSyncID(old.getSyncID());
        const T_EntryExtras version = entry->extras();
        incoming.setVersion(old.extras().sequence, old.extras().stamp);
        if (olderVersion(version, old.extras()) || incoming == old) {
            ++report.unchanged;
            continue;
        }
        incoming.setVersion(version.sequence, version.stamp);
        noteBefore(old, false);
        old.removeFromCalLists(cal);
        old = incoming;
        old.putIntoCalList(cal);
        updated.push_back(&old);
    }
    cal.deferDatedLists(false);
    report.added = unsigned(added.size());
    report.updated = unsigned(updated.size());
    // What joins the tree: the new group with its entries, or the entries.
    std::vector<ToDoListItem*> joined(added.begin(), added.end());
    if (group) joined.assign(1, group);
    // Sync IDs in tree order, the new group before its entries, as a pasted
    // group gets them.
    for (ToDoListItem* item : joined)
        numberNewItems(tree_.idmax(), root, *item, item == group);
    root.checkCompleted();
    tree_.activeJobs() = root.getNrActiveJobs();
    for (ToDoListItem* item : joined)
        incsave_writeNew(*item, group ? parent : target);
    for (ToDoListToDo* t : updated)
        incsave_writeChanged(*t, false);
    return 0;
}

std::string Velk::importCountsText(const storage::T_IcsImportReport& report) {
    if (report.updated == 0 && report.unchanged == 0) return std::string();
    return std::to_string(report.added) + " new, " + std::to_string(report.updated) + " updated, " +
           std::to_string(report.unchanged) + " unchanged";
}
