// The item editor: screens 2 (basics), 3 (recorded times) and 4 (description)
// of the main window. Every change goes to the engine's current item at once,
// except the summary and the description, which are stored when the editor
// is left. The description page is in gui/description_editor.cpp, the item
// menu in gui/item_menu.cpp.

#include "engine/editor_text.h"
#include "engine/velk.h"
#include "gui/ask.h"
#include "gui/date_select.h"
#include "gui/recurrence_select.h"
#include "gui/time_select.h"
#include "gui/velk_gui.h"

#include <FL/Fl.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Editor.H>


// --- Static callbacks: one-line forwarders to the window ---
static int dataOf(void* d) { return int(fl_intptr_t(d)); }
static void cb_edit_isToDo(Fl_Widget*, void*) { mainWin->CB_edit_isToDo(); }
static void cb_editToDo_Pr(Fl_Widget*, void* d) { mainWin->CB_edit_Pr(dataOf(d)); }
static void cb_editToDo_compl(Fl_Widget*, void*) { mainWin->CB_editToDo_compl(); }
static void cb_editToDo_Date(Fl_Widget*, void* d) { mainWin->CB_editToDo_Date(dataOf(d)); }
static void cb_editToDo_Time(Fl_Widget*, void* d) { mainWin->CB_editToDo_Time(dataOf(d)); }
static void cb_editToDo_showAs(Fl_Widget*, void* d) { mainWin->CB_editToDo_showAs(dataOf(d)); }
static void cb_editToDo_recurring(Fl_Widget*, void*) { mainWin->CB_editToDo_recurring(); }
static void cb_editToDo_crypt(Fl_Widget*, void*) { mainWin->CB_editToDo_crypt(); }
static void cb_edit(Fl_Widget*, void*) { mainWin->CB_edit(); }
static void cb_showScreen(Fl_Widget*, void* d) { mainWin->showMain(dataOf(d)); }
static void cb_editToDo_StrtStp(Fl_Widget*, void*) { mainWin->CB_editToDo_StrtStp(); }
static void cb_editToDo_ExtEdit(Fl_Widget*, void*) { mainWin->CB_editToDo_ExtEdit(); }
static void cb_editToDo_Menu_showGroup(Fl_Widget*, void*) { mainWin->CB_editToDo_Menu_showGroup(); }
static void cb_editToDo_Menu_del(Fl_Widget*, void*) { mainWin->CB_editToDo_Menu_del(); }
static void cb_editToDo_Menu_copy(Fl_Widget*, void*) { mainWin->CB_editToDo_Menu_copy(); }
static void cb_editToDo_Menu_t2Group(Fl_Widget*, void*) { mainWin->CB_editToDo_Menu_t2Group(); }
static void cb_Menu_VelkView(Fl_Widget*, void* d) { mainWin->CB_Menu_VelkView(dataOf(d)); }
static void cb_Menu_delGroup(Fl_Widget*, void*) { mainWin->CB_Menu_delGroup(); }

#define VELK_ITEM(label, cb, data, flags)                                                          \
    { label, 0, cb, (void*)(fl_intptr_t)(data), flags, 0, 0, 20, 0 }
#define VELK_END                                                                                   \
    { 0, 0, 0, 0, 0, 0, 0, 0, 0 }

#define VELK_MENU_ITEM(id, ...) VELK_ITEM(__VA_ARGS__),
#define VELK_MENU_END(id) VELK_END,

Fl_Menu_Item menu_EditToDoMenu[] = {VELK_ITEM_MENU(VELK_MENU_ITEM, VELK_MENU_END) VELK_END};

Fl_Menu_Item menu_EditGroupMenu[] = {
    VELK_ITEM("cut/&delete", cb_Menu_delGroup, 0, FL_MENU_DIVIDER),
    VELK_ITEM("keyboard", cb_Menu_VelkView, VIEW_KEYBOARD, 0),
    VELK_END,
};

static Fl_Menu_Item menu_EditToDoBegDate[] = {
    VELK_ITEM("none", cb_editToDo_Date, DATE_BEGIN | DATE_NONE, 0),
    VELK_ITEM("today", cb_editToDo_Date, DATE_BEGIN | DATE_TODAY, 0),
    VELK_ITEM("select", cb_editToDo_Date, DATE_BEGIN | DATE_SELECT, 0),
    VELK_END,
};

static Fl_Menu_Item menu_EditToDoEndDate[] = {
    VELK_ITEM("none", cb_editToDo_Date, DATE_END | DATE_NONE, 0),
    VELK_ITEM("today", cb_editToDo_Date, DATE_END | DATE_TODAY, 0),
    VELK_ITEM("select", cb_editToDo_Date, DATE_END | DATE_SELECT, 0),
    VELK_ITEM("Begin + 30 min", cb_editToDo_Date, DATE_END | DATE_BEGIN_PLUS_30, 0),
    VELK_END,
};

static Fl_Menu_Item menu_EditToDoBegTime[] = {
    VELK_ITEM("none", cb_editToDo_Time, DATE_BEGIN | DATE_NONE, 0),
    VELK_ITEM("select", cb_editToDo_Time, DATE_BEGIN | DATE_SELECT, 0),
    VELK_END,
};

static Fl_Menu_Item menu_EditToDoEndTime[] = {
    VELK_ITEM("none", cb_editToDo_Time, DATE_END | DATE_NONE, 0),
    VELK_ITEM("select", cb_editToDo_Time, DATE_END | DATE_SELECT, 0),
    VELK_END,
};

static Fl_Menu_Item menu_EditToDoShowAsBusy[] = {
    VELK_ITEM("free", cb_editToDo_showAs, 0, 0),
    VELK_ITEM("busy", cb_editToDo_showAs, 1, 0),
    VELK_END,
};

namespace {

Fl_Box* labelBox(int x, int y, int w, int h) {
    auto* b = new Fl_Box(FL_FLAT_BOX, x, y, w, h, "");
    b->labelsize(20);
    b->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
    return b;
}

Fl_Menu_Button* dateMenu(int x, int y, const char* label, Fl_Menu_Item* items) {
    auto* m = new Fl_Menu_Button(x, y, 66, 30, label);
    // Left-aligned and a little smaller, so that the label clears the arrow.
    m->labelsize(16);
    m->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
    m->textsize(20);
    m->menu(items);
    // Picking the entry picked last time acts again.
    m->when(FL_WHEN_RELEASE_ALWAYS);
    return m;
}

// The "&Menu" button of the editors' bottom bar. Its label is a little
// smaller and left-aligned, so that it clears the arrow at the 320-pixel width.
Fl_Menu_Button* barMenu(Fl_Menu_Item* items) {
    auto* m = new Fl_Menu_Button(70, 0, 66, 30, "&Menu");
    m->labelsize(16);
    m->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
    m->textsize(20);
    m->menu(items);
    m->when(FL_WHEN_RELEASE_ALWAYS);
    return m;
}

Fl_Button* barButton(int x, int w, const char* label, Fl_Callback* cb, int data = 0) {
    auto* b = new Fl_Button(x, 0, w, 30, label);
    b->labelsize(20);
    b->callback(cb, (void*)(fl_intptr_t)data);
    return b;
}

void showIf(Fl_Widget* w, bool on) {
    if (on)
        w->show();
    else
        w->hide();
}

} // namespace

void VelkGUI::makeEditorWidgets() {
    const int W = w(), H = h();
    for (int i = 0; i < 6; ++i)
        prioLabels[i] = "&" + std::to_string(i + 1);

    editSummary = new Fl_Input(0, 0, W, 30);
    editSummary->textsize(20);
    editIsToDo = new Fl_Check_Button(W - 80, 30, 80, 30, "&ToDo");
    editIsToDo->labelsize(20);
    editIsToDo->callback(cb_edit_isToDo);
    editPrioGroup = new Fl_Group(0, 60, W, 40, "Priority:");
    editPrioGroup->box(FL_THIN_DOWN_FRAME);
    editPrioGroup->labelsize(20);
    editPrioGroup->align(FL_ALIGN_TOP_LEFT);
    for (int i = 0; i < 6; ++i) {
        editPrio[i] = new Fl_Check_Button(50 * i, 66, 70, 30, prioLabels[i].c_str());
        editPrio[i]->type(FL_RADIO_BUTTON);
        editPrio[i]->labelsize(20);
        editPrio[i]->callback(cb_editToDo_Pr, (void*)(fl_intptr_t)(i + 1));
    }
    editPrioGroup->end();
    editDone = new Fl_Check_Button(0, 100, 80, 30, "&Done:");
    editDone->labelsize(20);
    editDone->callback(cb_editToDo_compl);
    // Four pixels right of the done flag's end, so that its "Done:" and the
    // completion text do not run into each other.
    editComplBox = labelBox(84, 100, 236, 30);
    editTimeSumBox = labelBox(0, 0, 240, 30);
    editBegDateMenu = dateMenu(0, 140, "&Begin", menu_EditToDoBegDate);
    editEndDateMenu = dateMenu(0, 170, "End", menu_EditToDoEndDate);
    editBegTimeMenu = dateMenu(66, 140, "Time", menu_EditToDoBegTime);
    editEndTimeMenu = dateMenu(66, 170, "Time", menu_EditToDoEndTime);
    editBegBox = labelBox(132, 140, 188, 30);
    editEndBox = labelBox(132, 170, 188, 30);
    editShowAs = new Fl_Choice(100, 200, 140, 30, "show as:");
    editShowAs->labelsize(20);
    editShowAs->textsize(20);
    editShowAs->menu(menu_EditToDoShowAsBusy);
    editRecurring = new Fl_Button(0, 230, 320, 30, "Recurring:");
    editRecurring->labelsize(20);
    editRecurring->callback(cb_editToDo_recurring);
    editCrypt = new Fl_Check_Button(0, 290, 320, 30, "Cr&ypt");
    editCrypt->labelsize(20);
    editCrypt->callback(cb_editToDo_crypt);
    editCrypt->deactivate();

    descrBuffer = std::make_unique<Fl_Text_Buffer>();
    editDescr = new Fl_Text_Editor(0, 0, W, H - 30);
    editDescr->buffer(descrBuffer.get());
    editDescr->textfont(FL_HELVETICA);
    editDescr->textsize(textSize);
    editDescr->callback(cb_edit);
    editDescr->when(FL_WHEN_CHANGED);
    editDescr->remove_key_binding(FL_BackSpace, FL_TEXT_EDITOR_ANY_STATE);
    editDescr->add_key_binding(FL_BackSpace, 0, Fl_Text_Editor::kf_backspace);
    editDescr->add_key_binding(FL_BackSpace, FL_CTRL, kf_backspace_word);

    editMenuButton = barMenu(menu_EditToDoMenu);
    editPageButton = barButton(136, 70, "Descr", cb_showScreen, SCREEN_ITEM_DESCRIPTION);
    editStartStop = barButton(206, 70, "&Start", cb_editToDo_StrtStp);
    editExtEdit = barButton(276, 70, "&Editor", cb_editToDo_ExtEdit);
    editTimesBrowser = new Fl_Browser(0, 30, W, H - 60);
    editTimesBrowser->type(FL_SELECT_BROWSER);
    editTimesBrowser->textsize(20);
    groupMenuButton = barMenu(menu_EditGroupMenu);
    groupCountBox = labelBox(0, 160, 240, 30);
}

void VelkGUI::layoutEditors(int W, int H) {
    const int y0 = H - 30;
    editSummary->resize(0, 0, W, 30);
    editIsToDo->resize(W - 80, 30, 80, 30);
    editPrioGroup->resize(0, 60, W, 40);
    for (int i = 0; i < 6; ++i)
        editPrio[i]->resize(50 * i, 66, 70, 30);
    editDone->resize(0, 100, 80, 30);
    editComplBox->resize(84, 100, 236, 30);
    if (screen == SCREEN_GROUP)
        editTimeSumBox->resize(0, 130, 240, 30);
    else
        editTimeSumBox->resize(0, 0, 240, 30);
    editBegDateMenu->resize(0, 140, 66, 30);
    editEndDateMenu->resize(0, 170, 66, 30);
    editBegTimeMenu->resize(66, 140, 66, 30);
    editEndTimeMenu->resize(66, 170, 66, 30);
    editBegBox->resize(132, 140, 188, 30);
    editEndBox->resize(132, 170, 188, 30);
    editShowAs->resize(100, 200, 140, 30);
    editRecurring->resize(0, 230, 320, 30);
    editCrypt->resize(0, 290, 320, 30);
    editDescr->resize(0, 0, W, H - 30);
    // The bottom bar of the basics page holds five buttons; below 346 pixels
    // they share the width, so that "&Editor" is not cut off at the edge.
    if (W >= 346) {
        editMenuButton->resize(70, y0, 66, 30);
        editPageButton->resize(136, y0, 70, 30);
        editStartStop->resize(206, y0, 70, 30);
        editExtEdit->resize(276, y0, 70, 30);
    } else {
        editMenuButton->resize(70, y0, 62, 30);
        editPageButton->resize(132, y0, 64, 30);
        editStartStop->resize(196, y0, 58, 30);
        editExtEdit->resize(254, y0, 66, 30);
    }
    if (screen == SCREEN_ITEM_TIMES)
        editTimesBrowser->resize(0, 30, W, H - 60);
    else
        editTimesBrowser->resize(0, 0, 0, 0); // keeps its lines while another screen shows
    groupMenuButton->resize(70, y0, 66, 30);
    groupCountBox->resize(0, 160, 240, 30);
}

void VelkGUI::show_editToDoWin(bool descr, bool force) {
    const char* text = nullptr;
    const int described = engine->getItemDescription(text);
    // 1: an enciphered description while nobody is logged in. The editor then
    // shows no text and never stores one over it.
    descrReadable = described != 1;
    editTopLine = listView->topline();
    editSummary->value(engine->getItemSummary().c_str());
    editShowAs->value(engine->getShowTimeAs() == 1 ? 1 : 0);
    const unsigned prio = engine->getItemPriority();
    for (Fl_Check_Button* b : editPrio)
        b->value(0);
    if (prio <= PRIO_MAXTODO) {
        editIsToDo->value(1);
        if (prio >= 1) editPrio[prio - 1]->setonly();
    } else {
        editIsToDo->value(0);
    }
    editDone->value(engine->isItemCompleted() ? 1 : 0);
    editCrypt->value(engine->getItemSaveCrypt() ? 1 : 0);
    SetDescrBuffer(described == 0 ? text : "");
    if (descrReadable) {
        editDescr->activate();
        editExtEdit->activate();
    } else {
        editDescr->deactivate();
        editExtEdit->deactivate();
    }
    editToDo_updateTimeSum();
    if (force || (descr && described == 0 && text))
        showMain(SCREEN_ITEM_DESCRIPTION);
    else
        showMain(SCREEN_ITEM_BASICS);
    showToDoState();
}

void VelkGUI::showToDoState() {
    const bool completed = engine->isItemCompleted();
    complText = completionText(completed, engine->getItemCompletedTime());
    editComplBox->label(complText.c_str());
    editDone->value(completed ? 1 : 0);
    editComplBox->redraw();
    editDone->redraw();
}

void VelkGUI::labelStartStop() {
    editStartStop->label(engine->isItemRunning() ? "&Stop" : "&Start");
    editStartStop->redraw();
}

void VelkGUI::updateCryptFlag() {
    if (engine && engine->isLoggedIn())
        editCrypt->activate();
    else
        editCrypt->deactivate();
}

void VelkGUI::showItemPage(int n) {
    closeButton->show();
    editMenuButton->show();
    editPageButton->show();
    editExtEdit->show();
    switch (n) {
    case SCREEN_ITEM_BASICS: {
        menu_EditToDoMenu[EM_BASICS].setonly();
        editPageButton->label("Descr");
        editPageButton->user_data((void*)(fl_intptr_t)SCREEN_ITEM_DESCRIPTION);
        editSummary->show();
        const bool todo = engine->getItemPriority() <= PRIO_MAXTODO;
        showIf(editPrioGroup, todo);
        showIf(editDone, todo);
        showIf(editComplBox, todo);
        editIsToDo->show();
        editShowAs->show();
        editBegDateMenu->show();
        editEndDateMenu->show();
        editBegTimeMenu->show();
        editEndTimeMenu->show();
        editBegBox->show();
        editEndBox->show();
        editRecurring->show();
        editCrypt->show();
        updateCryptFlag();
        if (!engine->isItemCompleted()) {
            labelStartStop();
            editStartStop->show();
        }
        editToDo_updateTimeThings();
        editSummary->take_focus();
        break;
    }
    case SCREEN_ITEM_TIMES: {
        menu_EditToDoMenu[EM_TIMES].setonly();
        editTimesBrowser->clear();
        std::vector<int32_t> begins, ends;
        for (int i = 0; i < engine->getItemNrTimes(); ++i) {
            begins.push_back(engine->getItemTimeBegin(unsigned(i)));
            ends.push_back(engine->getItemTimeEnd(unsigned(i)));
        }
        for (const std::string& line : workingTimeLines(begins, ends, engine->isItemRunning()))
            editTimesBrowser->add(line.c_str());
        editPageButton->label("Basics");
        editPageButton->user_data((void*)(fl_intptr_t)SCREEN_ITEM_BASICS);
        editToDo_updateTimeSum();
        editTimeSumBox->show();
        break;
    }
    case SCREEN_ITEM_DESCRIPTION:
        menu_EditToDoMenu[EM_DESCRIPTION].setonly();
        editPageButton->label("Basics");
        editPageButton->user_data((void*)(fl_intptr_t)SCREEN_ITEM_BASICS);
        editDescr->show();
        editDescr->take_focus();
        break;
    default:
        break;
    }
}

void VelkGUI::editToDo_updateTimeThings() {
    const DateControls c = engine->refreshItemDates();
    begText = dateTime2str(engine->getDateTime(DATE_BEGIN));
    endText = dateTime2str(engine->getDateTime(DATE_END));
    editBegBox->label(begText.c_str());
    editEndBox->label(endText.c_str());
    const bool basics = screen == SCREEN_ITEM_BASICS;
    showIf(editBegDateMenu, basics && c.begDate);
    showIf(editBegTimeMenu, basics && c.begTime);
    showIf(editBegBox, basics && c.begBox);
    showIf(editEndDateMenu, basics && c.endDate);
    showIf(editEndTimeMenu, basics && c.endTime);
    showIf(editEndBox, basics && c.endBox);
    showIf(editShowAs, basics && c.busy);
    showIf(editRecurring, basics && c.recurrence);
    // Only an item with both dates can be shown as busy.
    if (!c.busy) editShowAs->value(0);
    editBegBox->redraw();
    editEndBox->redraw();
    editToDo_updateRecThings();
}

void VelkGUI::editToDo_updateRecThings() {
    T_recData rec;
    engine->getRecData(rec);
    recText = recurrenceLabel(rec.type);
    editRecurring->label(recText.c_str());
    editRecurring->redraw();
}

void VelkGUI::editToDo_updateTimeSum() {
    timeSum = timeSumText(engine->getItemTimeSum());
    editTimeSumBox->label(timeSum.c_str());
    editTimeSumBox->redraw();
}

void VelkGUI::setCompletedMessage(int result) {
    if (result == -1) GuiAsk::alert("Due to recurrence-settings, this ToDo is not active yet!");
    if (result == 1)
        GuiAsk::message("Recurrent ToDo:\nSet completed, activated for following date.");
}

void VelkGUI::editToDo_saveSettings() {
    const std::string description = GetDescrBuffer();
    engine->storeItemText(editSummary->value(), descrReadable ? description.c_str() : nullptr);
}

void VelkGUI::editToDo_Done() {
    const std::string description = GetDescrBuffer();
    engine->closeItemEditor(editSummary->value(), descrReadable ? description.c_str() : nullptr);
    const int top = showMain(SCREEN_LIST);
    showList(top ? top : editTopLine);
}

void VelkGUI::CB_editToDo_compl() {
    if (editDone->value() && !engine->isItemCompleted()) {
        const int result = engine->setItemCompleted();
        setCompletedMessage(result);
        // A refused completion (a recurring todo that is not due yet) changes
        // nothing, the start/stop button included.
        if (result != -1) editStartStop->hide();
        editToDo_updateTimeSum();
        editToDo_updateTimeThings();
    } else if (!editDone->value()) {
        engine->clearItemCompleted();
        labelStartStop();
        if (screen == SCREEN_ITEM_BASICS) editStartStop->show();
    }
    showToDoState();
}

void VelkGUI::CB_editToDo_StrtStp() {
    engine->toggleItemRunning();
    if (!engine->isItemRunning()) editToDo_updateTimeSum();
    labelStartStop();
}

void VelkGUI::CB_edit_Pr(int p) {
    if (p >= 1 && p <= 6) {
        editPrio[p - 1]->setonly();
        if (screen == SCREEN_ITEM_BASICS) engine->setItemPriority(unsigned(p));
        if (screen == SCREEN_GROUP) engine->setGroupPriority(unsigned(p));
        return;
    }
    if (p != -1) return;
    const bool todo = engine->toggleItemIsToDo();
    if (todo) editPrio[2]->setonly();
    showIf(editPrioGroup, todo);
    showIf(editDone, todo);
    showIf(editComplBox, todo);
    editIsToDo->value(todo ? 1 : 0);
    showToDoState();
    redraw();
}

void VelkGUI::CB_edit_isToDo() {
    CB_edit_Pr(-1);
    editToDo_updateTimeThings();
}

void VelkGUI::CB_editToDo_showAs(int value) {
    engine->setShowTimeAs(value);
    editShowAs->value(value);
}

void VelkGUI::CB_editToDo_Date(int u) {
    const int side = u & DATE_SIDE_BITS;
    switch (u & DATE_ACTION_BITS) {
    case DATE_NONE:
        engine->clearDate(side);
        break;
    case DATE_TODAY:
        engine->setDateToday(side);
        break;
    case DATE_BEGIN_PLUS_30:
        if (side == DATE_END) engine->setEndToBeginPlus30();
        break;
    case DATE_SELECT: {
        const packedDT v = engine->getDateTime(side);
        int year = dtYear(v), month = dtMonth(v), day = dtHasDate(v) ? dtDay(v) : -1;
        DateSelect picker(&year, &month, &day);
        picker.run();
        if (day == -1) break; // cancelled: nothing changes
        if (side == DATE_BEGIN)
            engine->setBeginDateMovingEnd(year, month, day);
        else
            engine->setDate(side, year, month, day);
        break;
    }
    default:
        break;
    }
    editToDo_updateTimeThings();
}

void VelkGUI::CB_editToDo_Time(int u) {
    const int side = u & DATE_SIDE_BITS;
    switch (u & DATE_ACTION_BITS) {
    case DATE_NONE:
        engine->clearTime(side);
        break;
    case DATE_SELECT: {
        const packedDT v = engine->getDateTime(side);
        int hour = dtHasTime(v) ? dtHour(v) : 8, minute = dtHasTime(v) ? dtMinute(v) : 0;
        TimeSelect picker(&hour, &minute);
        picker.run();
        if (minute == -1) break; // cancelled: nothing changes
        if (side == DATE_BEGIN)
            engine->setBeginTimeMovingEnd(hour, minute);
        else
            engine->setTime(side, hour, minute);
        break;
    }
    default:
        break;
    }
    editToDo_updateTimeThings();
}

void VelkGUI::CB_editToDo_recurring() {
    T_recData rec;
    engine->getRecData(rec);
    const bool todo = engine->getItemPriority() <= PRIO_MAXTODO;
    int day = 0, month = 0, weekday = 0;
    engine->recurrenceReference(day, month, weekday);
    RecurrenceSelect dialog(&rec, day, month, weekday, todo);
    dialog.run();
    // A cancelled selector leaves the type at -1: nothing changes.
    const int reset = rec.type != -1 ? engine->applyRecurrence(rec) : int(REC_KEPT);
    editToDo_updateTimeThings();
    // A rule the item's dates cannot carry was dropped: say why, in the window.
    if (reset != REC_KEPT) GuiAsk::alert(recurrenceResetText(reset));
}

void VelkGUI::CB_editToDo_crypt() { engine->setItemSaveCrypt(editCrypt->value() != 0); }
