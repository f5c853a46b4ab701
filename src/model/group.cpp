#include "model/group.h"

#include "model/calendar.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

unsigned long ToDoListGroup::removalCount = 0;

ToDoListGroup::ToDoListGroup(unsigned id, std::string p, unsigned lvl)
    : ToDoListItem(id, std::move(p)), level(lvl), freeIDChanges(idChanges()) {}

ToDoListGroup::ToDoListGroup(unsigned id, SharedPath p, unsigned lvl)
    : ToDoListItem(id, std::move(p)), level(lvl), freeIDChanges(idChanges()) {}

ToDoListGroup::ToDoListGroup(const ToDoListGroup& src)
    : ToDoListItem(src), level(0), freeIDChanges(idChanges()) {
    copyItemFields(src);
}

ToDoListGroup& ToDoListGroup::operator=(const ToDoListGroup& src) {
    copyItemFields(src);
    return *this;
}

bool ToDoListGroup::operator==(const ToDoListGroup& o) const {
    return getPath() == o.getPath() && ID == o.ID && syncID == o.syncID && summary == o.summary &&
           priority == o.priority;
}

ToDoListGroup::~ToDoListGroup() {
    while (!todos.empty())
        todos.pop_back();
    while (!groups.empty())
        groups.pop_back();
}

void ToDoListGroup::dump() {
    for (auto& t : todos)
        t->dump();
    for (auto& g : groups)
        g->dump();
}

std::string ToDoListGroup::childPath() const {
    return getPath() + std::to_string(ID) + "/";
}

SharedPath ToDoListGroup::sharedChildPath() const {
    if (!childPathMade || childPathFrom != path || childPathID != ID) {
        childPathMade = std::make_shared<const std::string>(childPath());
        childPathFrom = path;
        childPathID = ID;
    }
    return childPathMade;
}

unsigned ToDoListGroup::findFreeID() const {
    const std::size_t children = todos.size() + groups.size();
    if (freeIDChildren != children || freeIDChanges != idChanges()) {
        // Recount: the value after the last child whose ID is not below it.
        uint32_t value = 0;
        for (const auto& t : todos)
            if (t->getID() >= value) value = t->getID() + 1;
        for (const auto& g : groups)
            if (g->getID() >= value) value = g->getID() + 1;
        freeID = value;
        freeIDChildren = children;
        freeIDChanges = idChanges();
    }
    return freeID;
}

void ToDoListGroup::noteChildID(unsigned id) const {
    // Called after a child was appended: keeps the cached value current when it
    // was current before the child came.
    if (freeIDChildren + 1 == todos.size() + groups.size() && freeIDChanges == idChanges()) {
        if (id >= freeID) freeID = id + 1;
        freeIDChildren += 1;
    }
}

ToDoListToDo* ToDoListGroup::addToDo(std::unique_ptr<ToDoListToDo> todo) {
    findFreeID(); // make the cache current before the child joins
    todos.push_back(std::move(todo));
    noteChildID(todos.back()->getID());
    return todos.back().get();
}

ToDoListGroup* ToDoListGroup::addGroup(std::unique_ptr<ToDoListGroup> group) {
    findFreeID();
    groups.push_back(std::move(group));
    noteChildID(groups.back()->getID());
    return groups.back().get();
}

ToDoListToDo* ToDoListGroup::adoptToDo(std::unique_ptr<ToDoListToDo> todo) {
    todo->placeNew(findFreeID(), sharedChildPath());
    return addToDo(std::move(todo));
}

ToDoListToDo* ToDoListGroup::newToDo() {
    return addToDo(std::make_unique<ToDoListToDo>(findFreeID(), sharedChildPath()));
}

ToDoListGroup* ToDoListGroup::newGroup() {
    return addGroup(std::make_unique<ToDoListGroup>(findFreeID(), sharedChildPath(), level + 1));
}

int ToDoListGroup::delToDo(ToDoListToDo* todo, unsigned& running, T_Calendar& cal) {
    auto it =
        std::find_if(todos.begin(), todos.end(),
                     [todo](const std::unique_ptr<ToDoListToDo>& t) { return t.get() == todo; });
    if (it == todos.end()) return -1;
    std::unique_ptr<ToDoListToDo> owned = std::move(*it);
    todos.erase(it);
    ++removalCount;
    if (owned->isRunning() && running > 0) --running;
    owned->removeFromCalLists(cal);
    return 0;
}

void ToDoListGroup::delGroup(ToDoListGroup* group, unsigned& running, T_Calendar& cal) {
    auto it =
        std::find_if(groups.begin(), groups.end(),
                     [group](const std::unique_ptr<ToDoListGroup>& g) { return g.get() == group; });
    if (it == groups.end()) return; // not a child of this group: not ours to delete
    const unsigned active = group->getNrActiveJobs();
    running = running > active ? running - active : 0;
    group->removeFromCalLists(cal);
    groups.erase(it);
    ++removalCount;
}

void ToDoListGroup::removeFromCalLists(T_Calendar& cal) {
    for (auto& g : groups)
        g->removeFromCalLists(cal);
    for (auto& t : todos)
        t->removeFromCalLists(cal);
}

ToDoListGroup* ToDoListGroup::getGroupPtr(const std::string& idPath) {
    const std::string own = childPath();
    if (own == idPath) return this;
    if (idPath.compare(0, own.size(), own) != 0) return nullptr;
    for (auto& g : groups)
        if (ToDoListGroup* hit = g->getGroupPtr(idPath)) return hit;
    return nullptr;
}

ToDoListGroup* ToDoListGroup::getGroupPtrFromSumPath(const std::string& prefix,
                                                     const std::string& target) {
    const std::string s = prefix + getSummary() + "/";
    if (s == target) return this;
    if (target.compare(0, s.size(), s) != 0) return nullptr;
    for (auto& g : groups)
        if (ToDoListGroup* hit = g->getGroupPtrFromSumPath(s, target)) return hit;
    return nullptr;
}

std::string ToDoListGroup::getPathText(const std::string& p) const {
    const std::string own = std::to_string(ID);
    if (p == own) return level == 0 ? std::string() : getSummary();
    if (p.compare(0, own.size() + 1, own + "/") != 0) return std::string();
    const std::string rest = p.substr(p.find('/') + 1);
    std::string r;
    for (const auto& g : groups) {
        r = g->getPathText(rest);
        if (!r.empty()) break;
    }
    return level == 0 ? r : getSummary() + "\n" + r;
}

std::vector<std::string> ToDoListGroup::getPathNames(const std::string& idPath) const {
    std::vector<std::string> names;
    const ToDoListGroup* at = this;
    // The first number is this group's own ID.
    std::size_t pos = idPath.find('/', 1);
    while (at && pos != std::string::npos && pos + 1 < idPath.size()) {
        const std::size_t next = idPath.find('/', pos + 1);
        if (next == std::string::npos) break;
        const unsigned id = unsigned(std::strtoul(idPath.c_str() + pos + 1, nullptr, 10));
        const ToDoListGroup* found = nullptr;
        for (std::size_t i = 0; i < at->getNrGroups() && !found; ++i)
            if (at->getGroup(i)->getID() == id) found = at->getGroup(i);
        if (found) names.push_back(found->getSummary());
        at = found;
        pos = next;
    }
    return names;
}

ToDoListItem* ToDoListGroup::getPtrToItemWithSyncID(unsigned id, bool& isGroup, bool recursive) {
    if (syncID == id) return this;
    isGroup = false;
    for (auto& t : todos)
        if (t->getSyncID() == id) return t.get();
    isGroup = true;
    for (auto& g : groups)
        if (g->getSyncID() == id) return g.get();
    if (!recursive) return nullptr;
    for (auto& g : groups)
        if (ToDoListItem* hit = g->getPtrToItemWithSyncID(id, isGroup, true)) return hit;
    return nullptr;
}

bool ToDoListGroup::checkCompleted() {
    for (auto& g : groups)
        g->checkCompleted();
    return checkCompletedHere();
}

bool ToDoListGroup::checkCompletedHere() {
    completed = true;
    nrToDos = 0;
    nrCompleted = 0;
    for (auto& g : groups) {
        if (!g->completed) completed = false;
        nrToDos += g->nrToDos;
        nrCompleted += g->nrCompleted;
    }
    for (auto& t : todos) {
        if (!t->isToDo()) continue;
        ++nrToDos;
        if (t->isCompleted())
            ++nrCompleted;
        else
            completed = false;
    }
    return completed;
}

void ToDoListGroup::getCompletedNr(unsigned& c, unsigned& n) const {
    c = nrCompleted;
    n = nrToDos;
}

unsigned ToDoListGroup::getNrActiveJobs() const {
    unsigned n = 0;
    for (const auto& t : todos)
        if (t->isRunning()) ++n;
    for (const auto& g : groups)
        n += g->getNrActiveJobs();
    return n;
}

double ToDoListGroup::getTimeSum() const {
    double sum = 0;
    for (const auto& t : todos)
        sum += t->getTimeSum();
    for (const auto& g : groups)
        sum += g->getTimeSum();
    return sum;
}
