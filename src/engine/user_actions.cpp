// The user actions of the window: each one call that does the whole rule of
// the action, written against the organizer's own operations.

#include "engine/velk.h"
#include "model/datetime.h"
#include "storage/external_edit.h"

void Velk::stepCalendar(int step) {
    packedDT first = getCalFirstDay();
    switch (step) {
    case CAL_TODAY:
        first = getTodayDate(16384);
        break;
    case CAL_BACK_SPAN:
        moveDate(first, -getCalSpan());
        break;
    case CAL_FORWARD_SPAN:
        moveDate(first, getCalSpan());
        break;
    case CAL_BACK_DAY:
        moveDate(first, -1);
        break;
    case CAL_FORWARD_DAY:
        moveDate(first, 1);
        break;
    default:
        break;
    }
    setCalFirstDay(first);
}

void Velk::setCalendarDay(int year, int month, int day) {
    // The low 15 bits of a packed date-time hold its time and no-time flag.
    setCalFirstDay(withDate(getCalFirstDay(), day, month, year));
}

int Velk::toggleRowCompleted(unsigned row) {
    setItem2ViewItem(int(row));
    const int result = isItemCompleted() ? clearItemCompleted() : setItemCompleted();
    if (result >= 0) incsave_saveCurItem();
    checkCompleted();
    return result;
}

int Velk::newItemAtRow(unsigned row, bool leftHalf) {
    const uint32_t prio = getViewData()[row].prio;
    if (prio == PRIO_DAYHEADER) {
        if (newToDo(PRIO_APPOINTMENT, row) != 0) return -1;
        incsave_newItem();
        return 0;
    }
    if (prio != PRIO_SEPARATOR) return -1;
    // The left half makes a todo of the middle priority, the right half a note.
    if (newToDo(leftHalf ? 3 : PRIO_NOTE, row) != 0) return -1;
    incsave_newItem();
    return leftHalf ? 0 : 1;
}

int Velk::newToDoForEditing() {
    if (newToDo(0, 0) != 0) return -1;
    incsave_newItem();
    return 0;
}

int Velk::newGroupForEditing(int topLine, int selectedLine) {
    if (newGroup() != 0)
        return getCurGroup() && getCurGroup()->getLevel() >= MAX_GROUP_LEVEL ? -2 : -1;
    if (getOptViewtype() == VIEWTYPE_TREE) pushListPosition(topLine, selectedLine);
    incsave_newItem();
    return 0;
}

int Velk::beginItemEdit() {
    const char* text = nullptr;
    if (getItemDescription(text) == 1) return 1;
    incsave_rememberTodo();
    return 0;
}

int Velk::beginGroupEdit() {
    if (inRootGroup()) return -1;
    incsave_rememberGroup();
    return 0;
}

void Velk::beginGroupEditAtRow(unsigned row) {
    rememberGroup();
    setGroup2ViewItem(int(row));
    incsave_rememberGroup();
}

void Velk::storeItemText(const std::string& summary, const char* description) {
    setItemSummary(summary);
    if (description) setItemDescription(description);
}

void Velk::closeItemEditor(const std::string& summary, const char* description) {
    storeItemText(summary, description);
    if (incsave_todoHasChanged()) incsave_saveCurItem();
    incsave_forgetTodo();
    checkCompleted();
}

int Velk::showGroupOfCurrentItem(const std::string& summary, const char* description) {
    if (getMainViewType() == MAINVIEW_NORMAL) return -1;
    rememberGroupOfCurrentItem();
    // The stored edits are journalled as on closing, so that none is lost.
    closeItemEditor(summary, description);
    if (getMainViewType() == MAINVIEW_SEARCH)
        leaveCurGroup();
    else
        setMainViewType(MAINVIEW_NORMAL);
    enterPrevGroup();
    guiData().oldPosInList.clear();
    guiData().oldSelInList.clear();
    return 0;
}

int Velk::turnCurrentItemIntoGroup(const std::string& summary, const char* description,
                                   int topLine) {
    storeItemText(summary, description);
    if (turnCurItem2Group() != 0) return -1;
    // The operation journalled the deletion and the new group with the copy.
    incsave_forgetTodo();
    if (getOptViewtype() == VIEWTYPE_TREE) {
        guiData().oldPosInList.push_back(topLine);
        guiData().oldSelInList.push_back(0);
    }
    checkCompleted();
    return 0;
}

int Velk::deleteCurrentItem() {
    const int result = delToDo();
    if (result != 0) return result;
    incsave_forgetTodo();
    checkCompleted();
    return 0;
}

void Velk::closeGroupEditor(const std::string& summary, bool backToRememberedGroup) {
    setGroupSummary(summary);
    if (incsave_groupHasChanged()) incsave_saveCurGroup();
    incsave_forgetGroup();
    checkCompleted();
    if (backToRememberedGroup) enterPrevGroup();
}

int Velk::deleteCurrentGroup() {
    incsave_forgetGroup();
    return delCurGroup();
}

void Velk::deleteRows(const std::vector<unsigned>& rows) {
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        DeleteItem(*it);
    checkCompleted();
}

bool Velk::leaveIdleActiveView() {
    if (getNrActiveJobs() != 0 || getMainViewType() != MAINVIEW_ACTIVE) return false;
    setMainViewType(MAINVIEW_BACK);
    return true;
}

void Velk::useFlatView() {
    guiData().oldPosInList.clear();
    guiData().oldSelInList.clear();
    setOptViewtype(VIEWTYPE_FLAT);
}

bool Velk::toggleItemIsToDo() {
    const bool todo = getItemPriority() > PRIO_MAXTODO;
    setItemIsToDo(todo);
    return todo;
}

void Velk::toggleItemRunning() {
    setItemRunning(!isItemRunning());
}

DateControls Velk::refreshItemDates() {
    sanitizeTimeThings();
    const DateControls c =
        dateControlsShown(getItemPriority() <= PRIO_MAXTODO, getDateTime(16), getDateTime(0));
    // Only an item with both dates can be shown as busy.
    if (!c.busy && getShowTimeAs() != 0) setShowTimeAs(0);
    return c;
}

void Velk::setPickedDate(int which, int year, int month, int day) {
    if (which != 0)
        setBeginDateMovingEnd(year, month, day);
    else
        setDate(which, year, month, day);
}

void Velk::setPickedTime(int which, int hour, int minute) {
    if (which != 0)
        setBeginTimeMovingEnd(hour, minute);
    else
        setTime(which, hour, minute);
}

int Velk::applyRecurrence(const T_recData& rec) {
    const int reset = setRecData(rec);
    sanitizeTimeThings();
    return reset;
}

void Velk::recurrenceReference(int& day, int& month, int& weekday) const {
    const bool todo = getItemPriority() <= PRIO_MAXTODO;
    const packedDT ref = getDateTime(todo ? 0 : 16);
    day = dtDay(ref);
    month = dtMonth(ref);
    weekday = dtHasDate(ref) ? Wochentag(day, month, dtYear(ref)) : 0;
}

void Velk::pushListPosition(int topLine, int selectedLine) {
    guiData().oldPosInList.push_back(topLine);
    guiData().oldSelInList.push_back(selectedLine);
}

int Velk::popListPosition(int* selected) {
    T_GUIData& g = guiData();
    int top = 0, sel = 0;
    if (!g.oldPosInList.empty()) {
        top = g.oldPosInList.back();
        g.oldPosInList.pop_back();
    }
    if (!g.oldSelInList.empty()) {
        sel = g.oldSelInList.back();
        g.oldSelInList.pop_back();
    }
    if (selected) *selected = sel;
    return top;
}

void Velk::enterGroupAtRow(unsigned row, int topLine, int selectedLine) {
    if (getOptViewtype() == VIEWTYPE_TREE) pushListPosition(topLine, selectedLine);
    setGroup2ViewItem(int(row));
}

int Velk::leaveGroup(int& topLine, int& selectedLine) {
    if (leaveCurGroup() != 0) return -1;
    topLine = popListPosition(&selectedLine);
    return 0;
}

void Velk::searchFor(const std::string& text, int topLine, int selectedLine) {
    if (getOptViewtype() == VIEWTYPE_TREE && getMainViewType() != MAINVIEW_SEARCH)
        pushListPosition(topLine, selectedLine);
    search(text);
}

int Velk::switchMainView(int view, int topLine, int& jobsTopLine) {
    T_GUIData& g = guiData();
    switch (view) {
    case MAINVIEW_ACTIVE:
        if (getMainViewType() == MAINVIEW_ACTIVE) {
            setMainViewType(MAINVIEW_BACK);
            return jobsTopLine;
        }
        if (getMainViewType() == MAINVIEW_SEARCH) {
            jobsTopLine = popListPosition(nullptr);
            leaveCurGroup();
        } else {
            jobsTopLine = topLine;
        }
        setMainViewType(MAINVIEW_ACTIVE);
        return 0;
    case MAINVIEW_NORMAL:
        if (getMainViewType() == MAINVIEW_CALENDAR) g.nLineCal = topLine;
        setMainViewType(MAINVIEW_NORMAL);
        return g.nLineNormal;
    case MAINVIEW_CALENDAR:
        if (getMainViewType() == MAINVIEW_SEARCH) {
            leaveCurGroup();
            g.nLineNormal = popListPosition(nullptr);
        } else {
            g.nLineNormal = topLine;
        }
        setMainViewType(MAINVIEW_CALENDAR);
        return g.nLineCal;
    default:
        return 0;
    }
}

void Velk::keepListTopLine(int topLine) {
    if (getMainViewType() == MAINVIEW_CALENDAR)
        guiData().nLineCal = topLine;
    else
        guiData().nLineNormal = topLine;
}

void Velk::buildView() {
    clearViewData();
    if (getMainViewType() != MAINVIEW_CALENDAR) {
        setOptShowCompleted(getGroupShowCompleted());
        setOptCompletedLast(getGroupCompletedLast());
    }
    getContent();
    sortContent();
}

int Velk::openDataFile(const char* name) {
    checkFile(name);
    createRoot();
    return readData(name);
}

int Velk::mergeJournalAtStart(std::string& error, int& saveResult, T_SaveReport& report,
                              std::vector<std::pair<std::string, std::string>>& strays) {
    const int merged = incsave_readFiles(error);
    if (merged != 0 && merged != 1) return merged;
    if (merged == 1) saveResult = saveData(report);
    strays = incsave_setAsideStrays();
    return merged;
}

int Velk::saveChangesAtEnd(bool always, T_SaveReport& report) {
    if (incsave_getNrOfFiles() == 0 && !incsave_hasUnjournaledChanges() && !always &&
        !passwordsChanged())
        return 1;
    return saveData(report);
}

bool Velk::canLogIn() const {
    return crypt.CanLogIn();
}
bool Velk::canAddPassword() const {
    return crypt.CanAddPwd();
}
bool Velk::isLoggedIn() const {
    return crypt.IsLoggedIn();
}
bool Velk::passwordsChanged() const {
    return crypt.PwdsChanged();
}
int Velk::passwordCount() const {
    return passwordKeeper.passwordCount();
}

std::string Velk::passwordDescription(int i) const {
    return passwordKeeper.passwordDescription(i);
}

int Velk::logIn(int i, const std::string& password) {
    return passwordKeeper.logIn(i, password);
}

int Velk::addPassword(const std::string& description, const std::string& password) {
    return passwordKeeper.addPassword(description, password);
}

int Velk::editDescriptionExternally(std::string& text) const {
    return editInExternalEditor(editorCommand, text);
}
