// Screen 0 of the main window: the rows of the engine's current view as list
// lines, and moving through the tree and the calendar with mouse and keys.

#include "engine/velk.h"
#include "gui/ask.h"
#include "gui/date_select.h"
#include "gui/password_dialogs.h"
#include "gui/velk_gui.h"

#include <FL/Fl.H>
#include <FL/Fl_Text_Editor.H>

namespace {

// A time of day as the calendar shows it: 9:05, 14:30.
std::string timeText(packedDT v) {
    std::string minute = std::to_string(dtMinute(v));
    if (minute.size() < 2) minute = "0" + minute;
    return std::to_string(dtHour(v)) + ":" + minute;
}

bool isToDoPrio(uint32_t prio) { return prio >= 1 && prio <= 6; }

// Day headers, special days and blank separators of the calendar.
bool isMarkerRow(const T_viewDataItem& row) {
    return row.prio == PRIO_DAYHEADER || row.prio == PRIO_SPECIALDAY ||
           row.prio == PRIO_SEPARATOR;
}

} // namespace

int VelkGUI::selectedLine() const {
    for (int line = 1; line <= listView->size(); ++line)
        if (listView->selected(line)) return line;
    return 0;
}

unsigned VelkGUI::rowOfLine(int line) const { return engine->getViewOrder()[std::size_t(line - 1)]; }

void VelkGUI::pushListPosition() {
    engine->guiData().oldPosInList.push_back(listView->topline());
    engine->guiData().oldSelInList.push_back(selectedLine());
}

int VelkGUI::popListPosition(int* selected) {
    T_GUIData& g = engine->guiData();
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

void VelkGUI::listLine(unsigned r, int lineIndex, std::string& line) const {
    const T_viewDataItem& row = engine->getViewData()[r];
    const std::string& b = rowBackground[lineIndex % 2 == 0 ? 2 : 1];
    const char* marker;
    if (row.kind == 1)
        marker = row.completed ? "@bX\t@b" : "@bO\t@b";
    else if (row.completed && isToDoPrio(row.prio))
        marker = "x\t";
    else if (row.prio == PRIO_APPOINTMENT)
        marker = "a\t";
    else if (row.prio == PRIO_NOTE)
        marker = "i\t";
    else
        marker = "o\t";
    // One buffer serves every line of a list: a flat view may have 100,000.
    line.assign(b).append(marker).append(b).append("@.").append(row.text.view());
}

std::string VelkGUI::calendarLine(unsigned r, int& background) const {
    const T_viewDataItem& row = engine->getViewData()[r];
    const std::string& b = rowBackground[background];
    auto flip = [&] { background = background == 2 ? 1 : 2; };
    if (row.completed && isToDoPrio(row.prio)) {
        flip();
        return b + "x\t" + b + "@." + row.text;
    }
    if (row.prio == PRIO_DAYHEADER || row.prio == PRIO_SPECIALDAY) {
        background = 2;
        return rowBackground[0] + "\t" + rowBackground[0] + row.text;
    }
    if (row.prio == PRIO_SEPARATOR) return std::string();
    if (row.prio < PRIO_DAYHEADER) {
        bool todo = row.prio <= 6;
        packedDT s = todo ? row.secondaryDate : row.primaryDate;
        packedDT e = todo ? row.primaryDate : row.secondaryDate;
        std::string start = row.startsHere && dtHasTime(s) ? timeText(s) : std::string();
        std::string end = row.endsHere && dtHasTime(e) ? timeText(e) : std::string();
        std::string text = row.text;
        if (!start.empty() || !end.empty()) text = "(" + start + "-" + end + ") " + text;
        const char* marker =
            row.prio == PRIO_APPOINTMENT ? "a\t" : row.prio == PRIO_NOTE ? "i\t" : "o\t";
        flip();
        return b + marker + b + "@." + text;
    }
    flip();
    return b + "o\t" + b + "@." + row.text;
}

void VelkGUI::tellJournalFailures() {
    const unsigned failures = engine->incsave_unjournaledCount();
    if (failures == journalFailuresTold) return;
    journalFailuresTold = failures;
    GuiAsk::alert("A change could not be written to the journal file next to the data file\n"
                  "(is the disk full?). It is kept in memory: Velk writes it to the journal\n"
                  "with your next change, and to the data file when Velk ends.");
}

void VelkGUI::showList(int topLine) {
    // Every change ends by showing the list: the place to report one that
    // could not be journaled.
    tellJournalFailures();
    listView->clear();
    engine->clearViewData();
    if (engine->getMainViewType() != MAINVIEW_CALENDAR) {
        layoutTitleAndList();
        bool showCompleted = engine->getGroupShowCompleted();
        bool completedLast = engine->getGroupCompletedLast();
        setViewToggles(showCompleted, completedLast);
        engine->setOptShowCompleted(showCompleted);
        engine->setOptCompletedLast(completedLast);
        engine->getContent();
        engine->sortContent();
        if (engine->getViewOrder().empty()) {
            listView->add("<empty>");
            return;
        }
        int index = 0;
        std::string line;
        for (unsigned r : engine->getViewOrder()) {
            listLine(r, index++, line);
            listView->add(line.c_str());
        }
    } else {
        titleLines = 0;
        titleButton->resize(0, 0, 2 * halfWidth, 0);
        if (screen == SCREEN_LIST) listView->resize(0, 0, 2 * halfWidth, 2 * halfHeight - 30);
        engine->getContent();
        engine->sortContent();
        int background = 2;
        for (unsigned r : engine->getViewOrder())
            listView->add(calendarLine(r, background).c_str());
    }
    if (topLine != 0) listView->topline(topLine);
    listView->redraw();
}

void VelkGUI::listViewClicked() {
    int line = selectedLine();
    if (line == 0 || screen != SCREEN_LIST || engine->getViewOrder().empty()) return;
    if (Fl::pushed() || Fl::event_button() != FL_LEFT_MOUSE) return;
    if (Fl::event_state() & (FL_CTRL | FL_SHIFT)) return; // only extends the selection
    if (line > int(engine->getViewOrder().size())) return;
    const unsigned r = rowOfLine(line);
    const T_viewDataItem& row = engine->getViewData()[r];
    const int x = Fl::event_x();
    if (row.prio == PRIO_SPECIALDAY) return;
    if (row.prio == PRIO_DAYHEADER || row.prio == PRIO_SEPARATOR) {
        const int made = engine->newItemAtRow(r, x <= halfWidth);
        // A note opens on its description.
        if (made >= 0) show_editToDoWin(false, made == 1);
        return;
    }
    if (row.kind == 1) {
        if (x <= MARKER_COLUMN_WIDTH) {
            engine->beginGroupEditAtRow(r);
            groupFromList = true;
            editTopLine = listView->topline();
            showMain(SCREEN_GROUP);
        } else {
            enterGroup(int(r), false);
        }
        return;
    }
    if (x <= MARKER_COLUMN_WIDTH)
        toggleCompleted(int(r), false);
    else
        OpenItem(int(r), x > MARKER_COLUMN_WIDTH + halfWidth);
}

void VelkGUI::OpenItem(int row, bool descriptionFirst) {
    engine->setItem2ViewItem(row);
    openCurrentItem(descriptionFirst);
}

void VelkGUI::openCurrentItem(bool descriptionFirst) {
    if (engine->beginItemEdit() == 1) {
        // Enciphered and nobody logged in: the login comes first.
        pwd_ask_run_window(&engine->passwords());
        UpdateCryptMenu();
        return;
    }
    show_editToDoWin(descriptionFirst, false);
}

void VelkGUI::enterGroup(int row, bool select) {
    if (engine->getOptViewtype() == VIEWTYPE_TREE) pushListPosition();
    engine->setGroup2ViewItem(row);
    showList(0);
    if (select && listView->size() >= 1) listView->select(1);
}

void VelkGUI::CB_Up() {
    if (engine->leaveCurGroup() != 0) return;
    setMenuActive();
    int selected = 0;
    int top = popListPosition(&selected);
    showList(top);
    listView->deselect();
    int line = selected >= 1 ? selected : 1;
    if (line <= listView->size()) listView->select(line);
}

int VelkGUI::checkActiveJobs() {
    if (engine->getNrActiveJobs() != 0) {
        if (screen == SCREEN_LIST) jobsButton->show();
        return 0;
    }
    jobsButton->hide();
    if (!engine->leaveIdleActiveView()) return 0;
    setMenuActive();
    return jobsTopLine;
}

void VelkGUI::toggleCompleted(int row, bool keep) {
    int remembered = selectedLine();
    setCompletedMessage(engine->toggleRowCompleted(unsigned(row)));
    const bool wasActiveView = engine->getMainViewType() == MAINVIEW_ACTIVE;
    const int top = listView->topline();
    int back = checkActiveJobs();
    if (wasActiveView && engine->getMainViewType() != MAINVIEW_ACTIVE)
        showList(back ? back : top);
    else
        showList(top);
    if (keep && listView->size() >= 1) {
        listView->deselect();
        int line = remembered <= listView->size() ? remembered : listView->size();
        if (line >= 1) listView->select(line);
    }
}

int VelkGUI::handle(int event) {
    if (event != FL_KEYDOWN) return Fl_Double_Window::handle(event);
    const int key = Fl::event_key();
    const int state = Fl::event_state();
    if (screen == SCREEN_ITEM_BASICS || screen == SCREEN_ITEM_TIMES ||
        screen == SCREEN_ITEM_DESCRIPTION) {
        if ((state & FL_ALT) && key == 'e') {
            CB_editToDo_ExtEdit();
            return 1;
        }
        // Alt+m and Alt+c are consumed: passed on, they would reach the
        // "&Menu" and "&Close" buttons' own shortcuts and act a second time
        // (a second popup after the first one was used).
        if ((state & FL_ALT) && key == 'm') {
            editMenuButton->popup();
            return 1;
        }
        if ((state & FL_ALT) && key == 'c') {
            CB_Done();
            return 1;
        }
        return Fl_Double_Window::handle(event);
    }
    if (screen != SCREEN_LIST) return Fl_Double_Window::handle(event);

    const int s = selectedLine();
    const bool haveRow = s >= 1 && s <= int(engine->getViewOrder().size());
    const unsigned r = haveRow ? rowOfLine(s) : 0;
    switch (key) {
    case FL_Right:
        if (haveRow && !isMarkerRow(engine->getViewData()[r])) {
            if (engine->getViewData()[r].kind == 1)
                enterGroup(int(r), true);
            else
                OpenItem(int(r), false);
        }
        break;
    case FL_Left: CB_Up(); break;
    case FL_Up:
    case FL_Page_Up:
        if (s >= 2) {
            listView->deselect();
            listView->select(s - 1);
            listView->middleline(s - 1);
        }
        break;
    case FL_Down:
    case FL_Page_Down:
        if (s < listView->size()) {
            listView->deselect();
            listView->select(s + 1);
            listView->middleline(s + 1);
        }
        break;
    case FL_Enter:
    case FL_KP_Enter:
        if (haveRow && engine->getViewData()[r].kind != 1 && !isMarkerRow(engine->getViewData()[r]))
            toggleCompleted(int(r), true);
        break;
    default:
        if ((state & FL_ALT) && key == 'm') {
            menuButton->popup();
        } else if ((state & FL_ALT) && key == 'n') {
            CB_Menu_newTodo();
        } else if ((state & FL_CTRL) && key == 'q') {
            CB_Done();
        }
        break;
    }
    return 1;
}

void VelkGUI::CB_Menu_VelkView(int view) {
    if (view == MAINVIEW_ACTIVE) {
        if (engine->getMainViewType() == MAINVIEW_ACTIVE) {
            engine->setMainViewType(MAINVIEW_BACK);
            setMenuActive();
            showList(jobsTopLine);
            return;
        }
        if (engine->getMainViewType() == MAINVIEW_SEARCH) {
            jobsTopLine = popListPosition(nullptr);
            engine->leaveCurGroup();
        } else {
            jobsTopLine = listView->topline();
        }
        engine->setMainViewType(MAINVIEW_ACTIVE);
        setMenuActive();
        showList(0);
        return;
    }
    if (view == MAINVIEW_NORMAL) {
        if (engine->getMainViewType() == MAINVIEW_CALENDAR)
            engine->guiData().nLineCal = listView->topline();
        engine->setMainViewType(MAINVIEW_NORMAL);
        setMenuActive();
        showList(engine->guiData().nLineNormal);
        return;
    }
    if (view == MAINVIEW_CALENDAR) {
        if (engine->getMainViewType() == MAINVIEW_SEARCH) {
            engine->leaveCurGroup();
            engine->guiData().nLineNormal = popListPosition(nullptr);
        } else {
            engine->guiData().nLineNormal = listView->topline();
        }
        engine->setMainViewType(MAINVIEW_CALENDAR);
        setMenuActive();
        showList(engine->guiData().nLineCal);
        return;
    }
    if (view == VIEW_KEYBOARD) {
        engine->setOptShowKbd(true);
        showKeyboard(true);
        resize(x(), y(), w(), h());
        redraw();
        return;
    }
    setMenuActive();
    showList(0);
}

void VelkGUI::CB_CalFirstDay(int n) {
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

void VelkGUI::CB_CalSpan(int days) {
    engine->setCalSpan(days);
    showList(0);
}

void VelkGUI::CB_Opts_sort(int type) {
    engine->setOptsSort(type);
    showList(0);
}

void VelkGUI::CB_Opts_View_flat() {
    engine->useFlatView();
    showList(0);
}

void VelkGUI::CB_Opts_View_tree() {
    engine->setOptViewtype(VIEWTYPE_TREE);
    showList(0);
}

void VelkGUI::CB_Opts_View_scompleted() {
    engine->toggleGroupShowCompleted();
    showList(0);
}

void VelkGUI::CB_Opts_View_completedl() {
    engine->toggleGroupCompletedLast();
    showList(0);
}

void VelkGUI::CB_Opts_View_toggleTextSize() {
    textSize = textSize == TEXT_SIZE_LARGE ? TEXT_SIZE_SMALL : TEXT_SIZE_LARGE;
    listView->labelsize(textSize);
    listView->textsize(textSize);
    editDescr->textsize(textSize);
    showList(0);
}
