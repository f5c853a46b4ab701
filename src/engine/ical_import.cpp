// Importing an iCalendar file into the tree: the entries are read and checked
// by storage first, so that a refused file changes nothing, and then join the
// tree as pasted entries do.

#include "engine/velk.h"
#include "model/sync_ids.h"
#include "storage/exchange_file.h"
#include "storage/ical_import.h"

int Velk::importICalendar(const std::string& path, ToDoListGroup& parent,
                          const std::string& groupName, storage::T_IcsImportReport& report) {
    report = storage::T_IcsImportReport();
    if (!groupName.empty() && parent.getLevel() >= MAX_GROUP_LEVEL) {
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
    ToDoListGroup* const group = groupName.empty() ? nullptr : parent.newGroup();
    ToDoListGroup& target = group ? *group : parent;
    if (group) group->setSummary(groupName);
    // Many entries are filed at once: the dated lists are sorted once at the end.
    cal.deferDatedLists(true);
    std::vector<ToDoListToDo*> added;
    added.reserve(entries.size());
    for (std::unique_ptr<ToDoListToDo>& entry : entries) {
        ToDoListToDo* t = target.adoptToDo(std::move(entry));
        t->putIntoCalList(cal);
        added.push_back(t);
    }
    cal.deferDatedLists(false);
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
        incsave_writeNew(*item, parent);
    return 0;
}
