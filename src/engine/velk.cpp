#include "engine/velk.h"

#include "model/clock.h"
#include "model/datetime.h"

#include <ctime>

Velk::Velk() { cal.date = getTodayDate(0x4000); }

Velk::~Velk() {
    // The calendar lists point into the tree: they are emptied in one step
    // before the tree goes, so that nothing is left pointing at freed entries
    // and no entry has to be looked up and unfiled on its own. Deleting the
    // tree's items does no list work, so quitting costs only the freeing.
    cal.clearLists();
    root.reset();
}

int Velk::createRoot() {
    root = std::make_unique<ToDoListGroup>(0, "/", 0);
    curGroup = root.get();
    curGroupPath = "/0/";
    return 0;
}

int Velk::checkFile(const char*) { return 0; }

int Velk::setMainViewType(int type) {
    int result = type == opts.mainviewtype ? -1 : 0;
    if (type == MAINVIEW_ACTIVE) {
        opts.lastMainViewType = opts.mainviewtype;
        if (nrActiveJobs != 0) opts.mainviewtype = MAINVIEW_ACTIVE;
    } else if (type == MAINVIEW_BACK) {
        opts.mainviewtype = opts.lastMainViewType;
    } else {
        opts.mainviewtype = type;
    }
    return result;
}

void Velk::windowSize(unsigned& w, unsigned& h) {
    if (w != 0) {
        Session.uWinWidth = w;
        Session.uWinHeight = h;
    } else {
        w = Session.uWinWidth;
        h = Session.uWinHeight;
    }
}

void Velk::setGroup(ToDoListGroup* g) {
    curGroup = g;
    curGroupPath = g->getPath() + std::to_string(g->getID()) + "/";
}

void Velk::setGroup2ViewItem(int row) {
    setGroup(static_cast<ToDoListGroup*>(viewItems[std::size_t(row)]));
}

void Velk::setItem2ViewItem(int row) {
    curItem = static_cast<ToDoListToDo*>(viewItems[std::size_t(row)]);
}

int Velk::leaveCurGroup() {
    if (opts.mainviewtype == MAINVIEW_SEARCH) {
        if (searchGroup) root->delGroup(searchGroup, nrActiveJobs, cal);
        searchGroup = nullptr;
        curGroup = savedGroup ? savedGroup : root.get();
        curGroupPath = savedGroup ? savedPath : "/0/";
        opts.mainviewtype = MAINVIEW_NORMAL;
        return 0;
    }
    if (curGroup == root.get() || opts.mainviewtype != MAINVIEW_NORMAL) return -1;
    std::string path = curGroupPath;
    path.pop_back();
    while (!path.empty() && path.back() != '/')
        path.pop_back();
    ToDoListGroup* parent = root->getGroupPtr(path);
    if (!parent) return -1;
    curGroup = parent;
    curGroupPath = path;
    return 0;
}

void Velk::rememberGroup() {
    rememberedGroup = curGroup;
    rememberedPath = curGroupPath;
}

void Velk::rememberGroupOfCurrentItem() {
    rememberedPath = curItem->getPath();
    rememberedGroup = root->getGroupPtr(rememberedPath);
}

void Velk::enterPrevGroup() {
    if (!rememberedGroup) return;
    curGroup = rememberedGroup;
    curGroupPath = rememberedPath;
}

bool Velk::inRootGroup() const {
    return curGroup == root.get() || opts.mainviewtype == MAINVIEW_ACTIVE;
}

ToDoListGroup* Velk::GetParentOfItem(ToDoListItem* item) {
    return root->getGroupPtr(item->getPath());
}

std::string Velk::getCurGroupPathText() {
    if (opts.mainviewtype == MAINVIEW_ACTIVE) return "Active jobs";
    if (curGroupPath.size() < 2) return std::string();
    return root->getPathText(curGroupPath.substr(1, curGroupPath.size() - 2));
}

void Velk::setItemPriority(unsigned prio) { curItem->setPriority(prio, cal); }

int Velk::getItemDescription(const char*& text) {
    text = nullptr;
    int r = curItem->GetDescription(text, &crypt);
    if (r != 0) return r;
    return text ? 0 : -1;
}

void Velk::setShowTimeAs(int value) { curItem->setShowTimeAs(value, cal); }

int Velk::setItemCompleted() {
    if (!curItem) return -1;
    bool wasRunning = curItem->isRunning();
    int r = curItem->setCompleted(cal);
    if (r != -1 && r != -2 && wasRunning && !curItem->isRunning() && nrActiveJobs > 0)
        --nrActiveJobs;
    return r;
}

int Velk::setItemRunning(bool on) {
    if (!curItem) return -1;
    int r = curItem->setRunning(on);
    if (r == 0) {
        if (on) ++nrActiveJobs;
        else if (nrActiveJobs > 0) --nrActiveJobs;
    }
    return r;
}

void Velk::setDate(int which, int year, int month, int day) {
    if (curItem) curItem->setDate(which, year, month, day, cal);
}

void Velk::setDateToday(int which) {
    std::tm t{};
    if (velkLocalTime(t)) setDate(which, t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
}

void Velk::clearDate(int which) {
    if (curItem) curItem->clearDate(which, cal);
}

void Velk::setTime(int which, int hour, int minute) {
    if (curItem) curItem->setTime(which, hour, minute, cal);
}

void Velk::clearTime(int which) {
    if (curItem) curItem->clearTime(which, cal);
}

int Velk::setRecData(T_recData rec) {
    if (!curItem) return REC_KEPT;
    T_recData before;
    curItem->getRecData(before);
    const int reset = curItem->setRecData(rec, cal);
    T_recData after;
    curItem->getRecData(after);
    if (todoSnapshot && after != before) todoRecurrenceEdited = true;
    return reset;
}

void Velk::clearRecData() { setRecData(T_recData()); }

bool Velk::toggleGroupShowCompleted() {
    curGroup->setShowCompleted(!curGroup->getShowCompleted());
    return curGroup->getShowCompleted();
}

bool Velk::toggleGroupCompletedLast() {
    curGroup->setCompletedLast(!curGroup->getCompletedLast());
    return curGroup->getCompletedLast();
}

void Velk::incsave_rememberTodo() {
    todoSnapshot.reset();
    if (curItem) todoSnapshot = std::make_unique<ToDoListToDo>(*curItem);
    newItemFlag = false;
    todoRecurrenceEdited = false;
}

bool Velk::incsave_todoHasChanged() const {
    if (todoSnapshot && curItem && *todoSnapshot != *curItem) return true;
    return newItemFlag || todoRecurrenceEdited;
}

void Velk::incsave_rememberGroup() {
    if (!groupSnapshot && curGroup) groupSnapshot = std::make_unique<ToDoListGroup>(*curGroup);
    newItemFlag = false;
}

bool Velk::incsave_groupHasChanged() const {
    if (groupSnapshot && curGroup && *groupSnapshot != *curGroup) return true;
    return newItemFlag;
}
