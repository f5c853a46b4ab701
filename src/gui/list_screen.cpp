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
#include "gui/screen_keys.h"
#include "gui/ui_scale.h"
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

namespace {

// Shapes of list lines (RowBrowser::Lines::shape): an entry's marker column
// and text, a group's in bold, and the calendar's blank separator line. The
// calendar's day headers and special days carry format codes in their texts
// and are measured one by one.
constexpr unsigned SHAPE_MEASURED = 0;
constexpr unsigned SHAPE_ENTRY = 1;
constexpr unsigned SHAPE_GROUP = 2;
constexpr unsigned SHAPE_BLANK = 3;

} // namespace

void ListScreen::listLine(unsigned r, std::size_t i, std::string& line) const {
    const T_viewDataItem& row = engine->getViewData()[r];
    const std::string& b = rowBackground[i % 2 == 0 ? 2 : 1];
    const char marks[] = {entryMark(row), '\t', '\0'};
    const char* marker = marks;
    if (row.kind == 1) marker = row.completed ? "@bX\t@b" : "@bO\t@b";
    line.assign(b).append(marker).append(b).append("@.").append(row.text.view());
}

void ListScreen::calendarLine(unsigned r, int background, std::string& line) const {
    const T_viewDataItem& row = engine->getViewData()[r];
    const std::string& b = rowBackground[background];
    const char marks[] = {entryMark(row), '\t', '\0'};
    if (row.completed && row.prio >= 1 && row.prio <= 6) {
        line.assign(b).append(marks).append(b).append("@.").append(row.text.view());
        return;
    }
    if (row.prio == PRIO_DAYHEADER || row.prio == PRIO_SPECIALDAY) {
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
}

void ListScreen::ShownRows::take(bool calendar) {
    calendar_ = calendar;
    const std::vector<unsigned>& order = screen_.engine->getViewOrder();
    const std::vector<T_viewDataItem>& rows = screen_.engine->getViewData();
    // The shape of each row, read in row order and then looked up in display
    // order: reading the rows in display order missed the cache on most of
    // them (the 2.4 million lines of a 7-day calendar of 1,000,000 entries
    // took about 50 ms that way, about 10 ms this way).
    rowShapes_.resize(rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const T_viewDataItem& row = rows[r];
        unsigned shape = !calendar && row.kind == 1 ? SHAPE_GROUP : SHAPE_ENTRY;
        if (calendar && (row.prio == PRIO_DAYHEADER || row.prio == PRIO_SPECIALDAY))
            shape = SHAPE_MEASURED;
        else if (calendar && row.prio == PRIO_SEPARATOR)
            shape = SHAPE_BLANK;
        rowShapes_[r] = uint8_t(shape);
    }
    kinds_.resize(order.size());
    // Entry lines alternate between the two stripes; in the calendar a day's
    // header and special days start them again, and blank lines leave them.
    int background = 2;
    for (std::size_t i = 0; i < order.size(); ++i) {
        const unsigned shape = rowShapes_[order[i]];
        int used = i % 2 == 0 ? 2 : 1;
        if (calendar) {
            used = background;
            if (shape == SHAPE_MEASURED) {
                used = 0;
                background = 2;
            } else if (shape != SHAPE_BLANK) {
                background = background == 2 ? 1 : 2;
            }
        }
        kinds_[i] = uint8_t(shape << SHAPE_SHIFT | unsigned(used));
    }
}

void ListScreen::ShownRows::text(std::size_t i, std::string& out) const {
    const std::vector<unsigned>& order = screen_.engine->getViewOrder();
    // The engine's rows are rebuilt only before the list is shown anew.
    if (i >= order.size()) {
        out.clear();
        return;
    }
    const int background = int(kinds_[i] & ((1u << SHAPE_SHIFT) - 1));
    if (calendar_)
        screen_.calendarLine(order[i], background, out);
    else
        screen_.listLine(order[i], i, out);
}

void ListScreen::tellJournalFailures() {
    const unsigned failures = engine->incsave_unjournaledCount();
    if (failures == journalFailuresTold) return;
    journalFailuresTold = failures;
    GuiAsk::alert("A change could not be written to the journal file next to the data file\n"
                  "(is the disk full?). It is kept in memory: Velk writes it to the journal\n"
                  "with your next change, and to the data file when Velk ends.");
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
    } else {
        titleLines = 0;
        titleButton_->resize(0, 0, 2 * win.halfWidth(), 0);
        if (win.screen() == SCREEN_LIST)
            listView_->resize(0, 0, 2 * win.halfWidth(), 2 * win.halfHeight() - 30);
    }
    shownRows_.take(engine->getMainViewType() == MAINVIEW_CALENDAR);
    listView_->showLines(shownRows_);
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
    const int x = unscaled(Fl::event_x()); // in the layout's own sizes
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
    const bool calendar = engine->getMainViewType() == MAINVIEW_CALENDAR;
    const T_ScreenKey* k = findScreenKey(listScreenKeys(), key, state, calendar);
    if (!k) return 1; // every key is taken on the list
    const int s = selectedLine();
    const bool haveRow = s >= 1 && s <= int(engine->getViewOrder().size());
    const unsigned r = haveRow ? rowOfLine(s) : 0;
    auto selectLine = [this](int line) {
        listView_->deselect();
        listView_->select(line);
        listView_->middleline(line);
    };
    switch (k->action) {
    case KeyAction::Open:
        if (haveRow && !isMarkerRow(engine->getViewData()[r])) {
            if (engine->getViewData()[r].kind == 1)
                enterGroup(int(r), true);
            else
                openItem(int(r), false);
        }
        break;
    case KeyAction::Up:
        up();
        break;
    case KeyAction::LineUp:
        if (s >= 2) selectLine(s - 1);
        break;
    case KeyAction::LineDown:
        if (s < listView_->size()) selectLine(s + 1);
        break;
    case KeyAction::FirstLine:
        if (listView_->size() >= 1) selectLine(1);
        break;
    case KeyAction::LastLine:
        if (listView_->size() >= 1) selectLine(listView_->size());
        break;
    case KeyAction::ToggleDone:
        if (haveRow && engine->getViewData()[r].kind != 1 && !isMarkerRow(engine->getViewData()[r]))
            toggleCompleted(int(r), true);
        break;
    case KeyAction::Menu:
        menuButton_->popup();
        break;
    case KeyAction::NewToDo:
        newToDo();
        break;
    case KeyAction::Close:
        win.CB_Done();
        break;
    case KeyAction::Undo:
    case KeyAction::Redo:
        takeStep(k->action == KeyAction::Undo);
        break;
    case KeyAction::CalendarBack:
        calFirstDay(Velk::CAL_BACK_SPAN);
        break;
    case KeyAction::CalendarAhead:
        calFirstDay(Velk::CAL_FORWARD_SPAN);
        break;
    case KeyAction::CalendarToday:
        calFirstDay(Velk::CAL_TODAY);
        break;
    case KeyAction::Help:
        showKeys();
        break;
    case KeyAction::ExternalEditor:
    case KeyAction::Larger: // the window's own keys
    case KeyAction::Smaller:
        break;
    }
    return 1;
}

void ListScreen::showKeys() {
    const bool calendar = engine->getMainViewType() == MAINVIEW_CALENDAR;
    GuiAsk::message(keysHelpText(calendar ? "the calendar" : "the list", listScreenKeys()).c_str());
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
    ScaledLayout& scaling = win.scaledLayout();
    scaling.setLabelSize(listView_, textSize_);
    scaling.setTextSize(listView_, textSize_);
    scaling.setTextSize(win.editDescr(), textSize_);
    showList(0);
}

void ListScreen::refreshAfterScale() {
    columns_[0] = scaled(MARKER_COLUMN_WIDTH);
    listView_->column_widths(columns_);
    listView_->redraw();
}
