// Screen 0 of the main window: the rows of the engine's current view as list
// lines, and moving through the tree and the calendar with mouse and keys.

#include "gui/list_screen.h"
#include "engine/plain_views.h"
#include "engine/velk.h"
#include "gui/ask.h"
#include "gui/date_select.h"
#include "gui/group_editor.h"
#include "gui/item_editor.h"
#include "gui/password_dialogs.h"
#include "gui/velk_gui.h"

#include <FL/Fl.H>
#include <FL/Fl_Text_Editor.H>

namespace {

// Day headers, special days and blank separators of the calendar.
bool isMarkerRow(const T_viewDataItem& row) {
    return row.prio == PRIO_DAYHEADER || row.prio == PRIO_SPECIALDAY || row.prio == PRIO_SEPARATOR;
}

} // namespace

int ListScreen::selectedLine() const {
    for (int line = 1; line <= listView_->size(); ++line)
        if (listView_->selected(line)) return line;
    return 0;
}

unsigned ListScreen::rowOfLine(int line) const {
    return engine->getViewOrder()[std::size_t(line - 1)];
}

void ListScreen::listLine(unsigned r, int& lineIndex, std::string& line) const {
    const T_viewDataItem& row = engine->getViewData()[r];
    const std::string& b = rowBackground[lineIndex++ % 2 == 0 ? 2 : 1];
    const char marks[] = {entryMark(row), '\t', '\0'};
    const char* marker = marks;
    if (row.kind == 1) marker = row.completed ? "@bX\t@b" : "@bO\t@b";
    // One buffer serves every line of a list: a flat view may have 100,000.
    line.assign(b).append(marker).append(b).append("@.").append(row.text.view());
}

void ListScreen::calendarLine(unsigned r, int& background, std::string& line) const {
    const T_viewDataItem& row = engine->getViewData()[r];
    const std::string& b = rowBackground[background];
    auto flip = [&] { background = background == 2 ? 1 : 2; };
    const char marks[] = {entryMark(row), '\t', '\0'};
    if (row.completed && row.prio >= 1 && row.prio <= 6) {
        flip();
        line.assign(b).append(marks).append(b).append("@.").append(row.text.view());
        return;
    }
    if (row.prio == PRIO_DAYHEADER || row.prio == PRIO_SPECIALDAY) {
        background = 2;
        line.assign(rowBackground[0]).append("\t").append(rowBackground[0]).append(row.text.view());
        return;
    }
    if (row.prio == PRIO_SEPARATOR) {
        line.clear();
        return;
    }
    line.assign(b).append(marks).append(b).append("@.");
    appendCalendarTimes(row, line);
    line.append(row.text.view());
    flip();
}

void ListScreen::tellJournalFailures() {
    const unsigned failures = engine->incsave_unjournaledCount();
    if (failures == journalFailuresTold) return;
    journalFailuresTold = failures;
    GuiAsk::alert("A change could not be written to the journal file next to the data file\n"
                  "(is the disk full?). It is kept in memory: Velk writes it to the journal\n"
                  "with your next change, and to the data file when Velk ends.");
}

void ListScreen::addLines(void (ListScreen::*makeLine)(unsigned, int&, std::string&) const,
                          int state) {
    std::string line; // one buffer for every line: a calendar may have millions
    const std::vector<unsigned>& order = engine->getViewOrder();
    const std::vector<T_viewDataItem>& rows = engine->getViewData();
    for (std::size_t i = 0; i < order.size(); ++i) {
        prefetchRows(rows, order, i);
        (this->*makeLine)(order[i], state, line);
        listView_->add(line.c_str());
    }
}

void ListScreen::showList(int topLine) {
    // Every change ends by showing the list: the place to report one that
    // could not be journaled.
    tellJournalFailures();
    updateStepMenu();
    listView_->clear();
    engine->buildView();
    if (engine->getMainViewType() != MAINVIEW_CALENDAR) {
        layoutTitleAndList();
        setViewToggles(engine->getOptShowCompleted(), engine->getOptCompletedLast());
        if (engine->getViewOrder().empty()) {
            listView_->add("<empty>");
            return;
        }
        addLines(&ListScreen::listLine, 0);
    } else {
        titleLines = 0;
        titleButton_->resize(0, 0, 2 * win.halfWidth(), 0);
        if (win.screen() == SCREEN_LIST)
            listView_->resize(0, 0, 2 * win.halfWidth(), 2 * win.halfHeight() - 30);
        addLines(&ListScreen::calendarLine, 2);
    }
    if (topLine != 0) listView_->topline(topLine);
    listView_->redraw();
}

void ListScreen::takeStep(bool back) {
    std::string label, error;
    uint32_t shown = 0;
    const int r = back ? engine->undo(label, shown, error) : engine->redo(label, shown, error);
    if (r == Velk::UNDO_NOTHING) return;
    if (r != 0) {
        GuiAsk::alert(error.c_str());
        return;
    }
    checkActiveJobs();
    showList(listView_->topline());
    // The item the step put back (or changed) is shown selected, when the
    // list shows it.
    const std::vector<unsigned>& order = engine->getViewOrder();
    for (std::size_t line = 0; line < order.size(); ++line) {
        const ToDoListItem* item = engine->getViewItems()[order[line]];
        if (item && item->getSyncID() == shown) {
            listView_->deselect();
            listView_->select(int(line) + 1);
            listView_->middleline(int(line) + 1);
            break;
        }
    }
}

void ListScreen::refresh() {
    std::vector<int> selected;
    for (int line = 1; line <= listView_->size(); ++line)
        if (listView_->selected(line)) selected.push_back(line);
    showList(listView_->topline());
    for (const int line : selected)
        if (line <= listView_->size()) listView_->select(line);
}

void ListScreen::listViewClicked() {
    int line = selectedLine();
    if (line == 0 || win.screen() != SCREEN_LIST || engine->getViewOrder().empty()) return;
    if (Fl::pushed() || Fl::event_button() != FL_LEFT_MOUSE) return;
    if (Fl::event_state() & (FL_CTRL | FL_SHIFT)) return; // only extends the selection
    if (line > int(engine->getViewOrder().size())) return;
    const unsigned r = rowOfLine(line);
    const T_viewDataItem& row = engine->getViewData()[r];
    const int x = Fl::event_x();
    if (row.prio == PRIO_SPECIALDAY) return;
    if (row.prio == PRIO_DAYHEADER || row.prio == PRIO_SEPARATOR) {
        const int made = engine->newItemAtRow(r, x <= win.halfWidth());
        // A note opens on its description.
        if (made >= 0) win.show_editToDoWin(false, made == 1);
        return;
    }
    if (row.kind == 1) {
        if (x <= MARKER_COLUMN_WIDTH) {
            engine->beginGroupEditAtRow(r);
            win.groupEditor().setFromList(true);
            win.setEditTopLine(listView_->topline());
            win.showMain(SCREEN_GROUP);
        } else {
            enterGroup(int(r), false);
        }
        return;
    }
    if (x <= MARKER_COLUMN_WIDTH)
        toggleCompleted(int(r), false);
    else
        openItem(int(r), x > MARKER_COLUMN_WIDTH + win.halfWidth());
}

void ListScreen::openItem(int row, bool descriptionFirst) {
    engine->setItem2ViewItem(row);
    win.itemEditor().setOpenedRow(row);
    openCurrentItem(descriptionFirst);
}

void ListScreen::openCurrentItem(bool descriptionFirst) {
    if (engine->beginItemEdit() == 1) {
        // Enciphered and nobody logged in: the login comes first.
        pwd_ask_run_window(&engine->passwords());
        win.UpdateCryptMenu();
        return;
    }
    win.show_editToDoWin(descriptionFirst, false);
}

void ListScreen::search(const std::string& text) {
    engine->searchFor(text, listView_->topline(), selectedLine());
}

void ListScreen::enterGroup(int row, bool select) {
    engine->enterGroupAtRow(unsigned(row), listView_->topline(), selectedLine());
    showList(0);
    if (select && listView_->size() >= 1) listView_->select(1);
}

void ListScreen::up() {
    int top = 0, selected = 0;
    if (engine->leaveGroup(top, selected) != 0) return;
    setMenuActive();
    showList(top);
    listView_->deselect();
    int line = selected >= 1 ? selected : 1;
    if (line <= listView_->size()) listView_->select(line);
}

int ListScreen::checkActiveJobs() {
    if (engine->getNrActiveJobs() != 0) {
        if (win.screen() == SCREEN_LIST) jobsButton_->show();
        return 0;
    }
    jobsButton_->hide();
    if (!engine->leaveIdleActiveView()) return 0;
    setMenuActive();
    return jobsTopLine;
}

void ListScreen::toggleCompleted(int row, bool keep) {
    int remembered = selectedLine();
    win.setCompletedMessage(engine->toggleRowCompleted(unsigned(row)));
    const bool wasActiveView = engine->getMainViewType() == MAINVIEW_ACTIVE;
    const int top = listView_->topline();
    int back = checkActiveJobs();
    if (wasActiveView && engine->getMainViewType() != MAINVIEW_ACTIVE)
        showList(back ? back : top);
    else
        showList(top);
    if (keep && listView_->size() >= 1) {
        listView_->deselect();
        int line = remembered <= listView_->size() ? remembered : listView_->size();
        if (line >= 1) listView_->select(line);
    }
}

int ListScreen::handleKey(int key, int state) {
    const int s = selectedLine();
    const bool haveRow = s >= 1 && s <= int(engine->getViewOrder().size());
    const unsigned r = haveRow ? rowOfLine(s) : 0;
    switch (key) {
    case FL_Right:
        if (haveRow && !isMarkerRow(engine->getViewData()[r])) {
            if (engine->getViewData()[r].kind == 1)
                enterGroup(int(r), true);
            else
                openItem(int(r), false);
        }
        break;
    case FL_Left:
        up();
        break;
    case FL_Up:
    case FL_Page_Up:
        if (s >= 2) {
            listView_->deselect();
            listView_->select(s - 1);
            listView_->middleline(s - 1);
        }
        break;
    case FL_Down:
    case FL_Page_Down:
        if (s < listView_->size()) {
            listView_->deselect();
            listView_->select(s + 1);
            listView_->middleline(s + 1);
        }
        break;
    case FL_Enter:
    case FL_KP_Enter:
        if (haveRow && engine->getViewData()[r].kind != 1 && !isMarkerRow(engine->getViewData()[r]))
            toggleCompleted(int(r), true);
        break;
    default:
        if ((state & FL_ALT) && key == 'm') {
            menuButton_->popup();
        } else if ((state & FL_ALT) && key == 'n') {
            newToDo();
        } else if ((state & FL_CTRL) && key == 'q') {
            win.CB_Done();
        } else if ((state & FL_CTRL) && key == 'z') {
            takeStep(!(state & FL_SHIFT));
        }
        break;
    }
    return 1;
}

void ListScreen::changeView(int view) {
    if (view == VIEW_KEYBOARD) {
        engine->setOptShowKbd(true);
        win.showKeyboard(true);
        win.resize(win.x(), win.y(), win.w(), win.h());
        win.redraw();
        return;
    }
    const int top = engine->switchMainView(view, listView_->topline(), jobsTopLine);
    setMenuActive();
    showList(top);
}

void ListScreen::calFirstDay(int n) {
    if (n == CAL_SELECT_DAY) {
        const packedDT first = engine->getCalFirstDay();
        int year = dtYear(first), month = dtMonth(first), day = dtDay(first);
        DateSelect picker(&year, &month, &day);
        picker.run();
        if (day == -1) return; // cancelled: nothing changes
        engine->setCalendarDay(year, month, day);
    } else {
        engine->stepCalendar(n);
    }
    showList(0);
}

void ListScreen::calSpan(int days) {
    engine->setCalSpan(days);
    showList(0);
}

void ListScreen::sort(int type) {
    engine->setOptsSort(type);
    showList(0);
}

void ListScreen::viewFlat() {
    engine->useFlatView();
    showList(0);
}

void ListScreen::viewTree() {
    engine->setOptViewtype(VIEWTYPE_TREE);
    showList(0);
}

void ListScreen::toggleShowCompleted() {
    engine->toggleGroupShowCompleted();
    showList(0);
}

void ListScreen::toggleCompletedLast() {
    engine->toggleGroupCompletedLast();
    showList(0);
}

void ListScreen::toggleTextSize() {
    textSize_ = textSize_ == TEXT_SIZE_LARGE ? TEXT_SIZE_SMALL : TEXT_SIZE_LARGE;
    listView_->labelsize(textSize_);
    listView_->textsize(textSize_);
    win.editDescr()->textsize(textSize_);
    showList(0);
}
