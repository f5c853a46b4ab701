// The item editor's widgets, menus and pages.

#include "engine/editor_text.h"
#include "engine/velk.h"
#include "gui/ask.h"
#include "gui/editor_widgets.h"
#include "gui/item_editor.h"
#include "gui/list_screen.h"
#include "gui/menu_items.h"
#include "gui/screen_keys.h"
#include "gui/velk_gui.h"

#include <FL/Fl.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Editor.H>

// --- Static callbacks: one-line forwarders to the window ---
static int dataOf(void* d) {
    return int(fl_intptr_t(d));
}
static void cb_edit_isToDo(Fl_Widget*, void*) {
    mainWin->CB_edit_isToDo();
}
static void cb_editToDo_Pr(Fl_Widget*, void* d) {
    mainWin->CB_edit_Pr(dataOf(d));
}
static void cb_editToDo_compl(Fl_Widget*, void*) {
    mainWin->CB_editToDo_compl();
}
static void cb_editToDo_Date(Fl_Widget*, void* d) {
    mainWin->CB_editToDo_Date(dataOf(d));
}
static void cb_editToDo_Time(Fl_Widget*, void* d) {
    mainWin->CB_editToDo_Time(dataOf(d));
}
static void cb_editToDo_showAs(Fl_Widget*, void* d) {
    mainWin->CB_editToDo_showAs(dataOf(d));
}
static void cb_editToDo_remind(Fl_Widget*, void* d) {
    mainWin->CB_editToDo_remind(dataOf(d));
}
static void cb_editToDo_recurring(Fl_Widget*, void*) {
    mainWin->CB_editToDo_recurring();
}
static void cb_editToDo_crypt(Fl_Widget*, void*) {
    mainWin->CB_editToDo_crypt();
}
static void cb_edit(Fl_Widget*, void*) {
    mainWin->CB_edit();
}
static void cb_showScreen(Fl_Widget*, void* d) {
    mainWin->showMain(dataOf(d));
}
static void cb_editToDo_StrtStp(Fl_Widget*, void*) {
    mainWin->CB_editToDo_StrtStp();
}
static void cb_editToDo_ExtEdit(Fl_Widget*, void*) {
    mainWin->CB_editToDo_ExtEdit();
}
static void cb_editToDo_Menu_showGroup(Fl_Widget*, void*) {
    mainWin->CB_editToDo_Menu_showGroup();
}
static void cb_editToDo_Menu_del(Fl_Widget*, void*) {
    mainWin->CB_editToDo_Menu_del();
}
static void cb_editToDo_Menu_copy(Fl_Widget*, void*) {
    mainWin->CB_editToDo_Menu_copy();
}
static void cb_editToDo_Menu_t2Group(Fl_Widget*, void*) {
    mainWin->CB_editToDo_Menu_t2Group();
}
static void cb_editToDo_Menu_skipDay(Fl_Widget*, void*) {
    mainWin->CB_editToDo_Menu_skipDay();
}
static void cb_editToDo_Menu_keys(Fl_Widget*, void*) {
    mainWin->CB_editToDo_Menu_keys();
}
static void cb_editToDo_clearSkipped(Fl_Widget*, void*) {
    mainWin->CB_editToDo_clearSkipped();
}
static void cb_Menu_VelkView(Fl_Widget*, void* d) {
    mainWin->CB_Menu_VelkView(dataOf(d));
}

Fl_Menu_Item menu_EditToDoMenu[] = {VELK_ITEM_MENU(VELK_MENU_ITEM, VELK_MENU_END) VELK_END};

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

static Fl_Menu_Item menu_EditToDoRemind[] = {
    VELK_ITEM("none", cb_editToDo_remind, -1, 0),
    VELK_ITEM("at its time", cb_editToDo_remind, 0, 0),
    VELK_ITEM("5 min before", cb_editToDo_remind, 5, 0),
    VELK_ITEM("15 min before", cb_editToDo_remind, 15, 0),
    VELK_ITEM("30 min before", cb_editToDo_remind, 30, 0),
    VELK_ITEM("1 h before", cb_editToDo_remind, 60, 0),
    VELK_ITEM("2 h before", cb_editToDo_remind, 120, 0),
    VELK_ITEM("1 day before", cb_editToDo_remind, 24 * 60, 0),
    VELK_ITEM("2 days before", cb_editToDo_remind, 2 * 24 * 60, 0),
    VELK_ITEM("1 week before", cb_editToDo_remind, 7 * 24 * 60, 0),
    VELK_END,
};

namespace {

Fl_Button* barButton(int x, int w, const char* label, Fl_Callback* cb, int data = 0) {
    auto* b = new Fl_Button(x, 0, w, 30, label);
    b->labelsize(20);
    b->callback(cb, (void*)(fl_intptr_t)data);
    return b;
}

} // namespace

void ItemEditor::make(int W, int H) {
    for (int i = 0; i < 6; ++i)
        prioLabels[i] = "&" + std::to_string(i + 1);

    editSummary_ = new Fl_Input(0, 0, W, 30);
    editSummary_->textsize(20);
    editIsToDo_ = new Fl_Check_Button(W - 80, 30, 80, 30, "&ToDo");
    editIsToDo_->labelsize(20);
    editIsToDo_->callback(cb_edit_isToDo);
    editPrioGroup_ = new Fl_Group(0, 60, W, 40, "Priority:");
    editPrioGroup_->box(FL_THIN_DOWN_FRAME);
    editPrioGroup_->labelsize(20);
    editPrioGroup_->align(FL_ALIGN_TOP_LEFT);
    for (int i = 0; i < 6; ++i) {
        editPrio_[i] = new Fl_Check_Button(50 * i, 66, 70, 30, prioLabels[i].c_str());
        editPrio_[i]->type(FL_RADIO_BUTTON);
        editPrio_[i]->labelsize(20);
        editPrio_[i]->callback(cb_editToDo_Pr, (void*)(fl_intptr_t)(i + 1));
    }
    editPrioGroup_->end();
    editDone_ = new Fl_Check_Button(0, 100, 80, 30, "&Done:");
    editDone_->labelsize(20);
    editDone_->callback(cb_editToDo_compl);
    // Four pixels right of the done flag's end, so that its "Done:" and the
    // completion text do not run into each other.
    editComplBox_ = labelBox(84, 100, 236, 30);
    editTimeSumBox_ = labelBox(0, 0, 240, 30);
    editBegDateMenu_ = editorMenuButton(0, 140, "&Begin", menu_EditToDoBegDate);
    editEndDateMenu_ = editorMenuButton(0, 170, "End", menu_EditToDoEndDate);
    editBegTimeMenu_ = editorMenuButton(66, 140, "Time", menu_EditToDoBegTime);
    editEndTimeMenu_ = editorMenuButton(66, 170, "Time", menu_EditToDoEndTime);
    editBegBox_ = labelBox(132, 140, 188, 30);
    editEndBox_ = labelBox(132, 170, 188, 30);
    editShowAs_ = new Fl_Choice(100, 200, 140, 30, "show as:");
    editShowAs_->labelsize(20);
    editShowAs_->textsize(20);
    editShowAs_->menu(menu_EditToDoShowAsBusy);
    // Right of "show as" on the same row, so that the editor keeps its height.
    editRemind_ = editorMenuButton(240, 200, "remind", menu_EditToDoRemind);
    editRemind_->size(80, 30);
    editRemind_->tooltip("reminder: before the begin, or before a todo's due date");
    editRecurring_ = new Fl_Button(0, 230, 320, 30, "Recurring:");
    editRecurring_->labelsize(20);
    editRecurring_->callback(cb_editToDo_recurring);
    editSkippedBox_ = labelBox(0, 260, 160, 30);
    editClearSkipped_ = new Fl_Button(160, 260, 160, 30, "clear skipped");
    editClearSkipped_->labelsize(20);
    editClearSkipped_->callback(cb_editToDo_clearSkipped);
    editCrypt_ = new Fl_Check_Button(0, 290, 320, 30, "Cr&ypt");
    editCrypt_->labelsize(20);
    editCrypt_->callback(cb_editToDo_crypt);
    editCrypt_->deactivate();

    descrBuffer = std::make_unique<Fl_Text_Buffer>();
    editDescr_ = new Fl_Text_Editor(0, 0, W, H - 30);
    editDescr_->buffer(descrBuffer.get());
    editDescr_->textfont(FL_HELVETICA);
    editDescr_->textsize(win.listScreen().textSize());
    editDescr_->callback(cb_edit);
    editDescr_->when(FL_WHEN_CHANGED);
    editDescr_->remove_key_binding(FL_BackSpace, FL_TEXT_EDITOR_ANY_STATE);
    editDescr_->add_key_binding(FL_BackSpace, 0, Fl_Text_Editor::kf_backspace);
    editDescr_->add_key_binding(FL_BackSpace, FL_CTRL, kf_backspace_word);

    editMenuButton_ = barMenu(menu_EditToDoMenu);
    menu_EditToDoMenu[EM_KEYS].shortcut(shortcutOf(itemEditorKeys(), KeyAction::Help));
    editPageButton_ = barButton(136, 70, "Descr", cb_showScreen, SCREEN_ITEM_DESCRIPTION);
    editStartStop_ = barButton(206, 70, "&Start", cb_editToDo_StrtStp);
    editExtEdit_ = barButton(276, 70, "&Editor", cb_editToDo_ExtEdit);
    editTimesBrowser_ = new Fl_Browser(0, 30, W, H - 60);
    editTimesBrowser_->type(FL_SELECT_BROWSER);
    editTimesBrowser_->textsize(20);
}

void ItemEditor::layout(int W, int H) {
    const int y0 = H - 30;
    editSummary_->resize(0, 0, W, 30);
    editIsToDo_->resize(W - 80, 30, 80, 30);
    editPrioGroup_->resize(0, 60, W, 40);
    for (int i = 0; i < 6; ++i)
        editPrio_[i]->resize(50 * i, 66, 70, 30);
    editDone_->resize(0, 100, 80, 30);
    editComplBox_->resize(84, 100, 236, 30);
    if (win.screen() == SCREEN_GROUP)
        editTimeSumBox_->resize(0, 130, 240, 30);
    else
        editTimeSumBox_->resize(0, 0, 240, 30);
    editBegDateMenu_->resize(0, 140, 66, 30);
    editEndDateMenu_->resize(0, 170, 66, 30);
    editBegTimeMenu_->resize(66, 140, 66, 30);
    editEndTimeMenu_->resize(66, 170, 66, 30);
    editBegBox_->resize(132, 140, 188, 30);
    editEndBox_->resize(132, 170, 188, 30);
    editShowAs_->resize(100, 200, 140, 30);
    editRemind_->resize(240, 200, 80, 30);
    editRecurring_->resize(0, 230, 320, 30);
    editSkippedBox_->resize(0, 260, 160, 30);
    editClearSkipped_->resize(160, 260, 160, 30);
    editCrypt_->resize(0, 290, 320, 30);
    editDescr_->resize(0, 0, W, H - 30);
    // The bottom bar of the basics page holds five buttons; below 346 pixels
    // they share the width, so that "&Editor" is not cut off at the edge.
    if (W >= 346) {
        editMenuButton_->resize(70, y0, 66, 30);
        editPageButton_->resize(136, y0, 70, 30);
        editStartStop_->resize(206, y0, 70, 30);
        editExtEdit_->resize(276, y0, 70, 30);
    } else {
        editMenuButton_->resize(70, y0, 62, 30);
        editPageButton_->resize(132, y0, 64, 30);
        editStartStop_->resize(196, y0, 58, 30);
        editExtEdit_->resize(254, y0, 66, 30);
    }
    if (win.screen() == SCREEN_ITEM_TIMES)
        editTimesBrowser_->resize(0, 30, W, H - 60);
    else
        editTimesBrowser_->resize(0, 0, 0, 0); // keeps its lines while another screen shows
}

void ItemEditor::show_editToDoWin(bool descr, bool force) {
    const char* text = nullptr;
    const int described = engine->getItemDescription(text);
    // 1: an enciphered description while nobody is logged in. The editor then
    // shows no text and never stores one over it.
    descrReadable = described != 1;
    win.setEditTopLine(win.listView()->topline());
    editSummary_->value(engine->getItemSummary().c_str());
    editShowAs_->value(engine->getShowTimeAs() == 1 ? 1 : 0);
    const unsigned prio = engine->getItemPriority();
    for (Fl_Check_Button* b : editPrio_)
        b->value(0);
    if (prio <= PRIO_MAXTODO) {
        editIsToDo_->value(1);
        if (prio >= 1) editPrio_[prio - 1]->setonly();
    } else {
        editIsToDo_->value(0);
    }
    editDone_->value(engine->isItemCompleted() ? 1 : 0);
    editCrypt_->value(engine->getItemSaveCrypt() ? 1 : 0);
    SetDescrBuffer(described == 0 ? text : "");
    if (descrReadable) {
        editDescr_->activate();
        editExtEdit_->activate();
    } else {
        editDescr_->deactivate();
        editExtEdit_->deactivate();
    }
    editToDo_updateTimeSum();
    if (force || (descr && described == 0 && text))
        win.showMain(SCREEN_ITEM_DESCRIPTION);
    else
        win.showMain(SCREEN_ITEM_BASICS);
    // A new item's summary is the placeholder "<unnamed>": it is selected, so
    // that typing replaces it.
    if (win.screen() == SCREEN_ITEM_BASICS && engine->editedItemIsNew())
        editSummary_->position(editSummary_->size(), 0);
    showToDoState();
    updateSkipThings();
}

void ItemEditor::showToDoState() {
    const bool completed = engine->isItemCompleted();
    complText = completionText(completed, engine->getItemCompletedTime());
    editComplBox_->label(complText.c_str());
    editDone_->value(completed ? 1 : 0);
    editComplBox_->redraw();
    editDone_->redraw();
}

void ItemEditor::labelStartStop() {
    editStartStop_->label(engine->isItemRunning() ? "&Stop" : "&Start");
    editStartStop_->redraw();
}

void ItemEditor::updateCryptFlag() {
    if (engine && engine->isLoggedIn())
        editCrypt_->activate();
    else
        editCrypt_->deactivate();
}

void ItemEditor::showPage(int n) {
    win.closeButton()->show();
    editMenuButton_->show();
    editPageButton_->show();
    editExtEdit_->show();
    switch (n) {
    case SCREEN_ITEM_BASICS: {
        menu_EditToDoMenu[EM_BASICS].setonly();
        editPageButton_->label("Descr");
        editPageButton_->user_data((void*)(fl_intptr_t)SCREEN_ITEM_DESCRIPTION);
        editSummary_->show();
        const bool todo = engine->getItemPriority() <= PRIO_MAXTODO;
        showIf(editPrioGroup_, todo);
        showIf(editDone_, todo);
        showIf(editComplBox_, todo);
        editIsToDo_->show();
        editShowAs_->show();
        editBegDateMenu_->show();
        editEndDateMenu_->show();
        editBegTimeMenu_->show();
        editEndTimeMenu_->show();
        editBegBox_->show();
        editEndBox_->show();
        editRecurring_->show();
        editCrypt_->show();
        updateCryptFlag();
        if (!engine->isItemCompleted()) {
            labelStartStop();
            editStartStop_->show();
        }
        editToDo_updateTimeThings();
        editSummary_->take_focus();
        break;
    }
    case SCREEN_ITEM_TIMES: {
        menu_EditToDoMenu[EM_TIMES].setonly();
        editTimesBrowser_->clear();
        std::vector<int32_t> begins, ends;
        for (int i = 0; i < engine->getItemNrTimes(); ++i) {
            begins.push_back(engine->getItemTimeBegin(unsigned(i)));
            ends.push_back(engine->getItemTimeEnd(unsigned(i)));
        }
        for (const std::string& line : workingTimeLines(begins, ends, engine->isItemRunning()))
            editTimesBrowser_->add(line.c_str());
        editPageButton_->label("Basics");
        editPageButton_->user_data((void*)(fl_intptr_t)SCREEN_ITEM_BASICS);
        editToDo_updateTimeSum();
        editTimeSumBox_->show();
        break;
    }
    case SCREEN_ITEM_DESCRIPTION:
        menu_EditToDoMenu[EM_DESCRIPTION].setonly();
        editPageButton_->label("Basics");
        editPageButton_->user_data((void*)(fl_intptr_t)SCREEN_ITEM_BASICS);
        editDescr_->show();
        editDescr_->take_focus();
        break;
    default:
        break;
    }
}

ItemEditor::~ItemEditor() = default;

void ItemEditor::showKeys() {
    GuiAsk::message(keysHelpText("the item editor", itemEditorKeys()).c_str());
}

void ItemEditor::destroyDescriptionEditor() {
    delete editDescr_;
    editDescr_ = nullptr;
}

int ItemEditor::handleKey(int key, int state) {
    const T_ScreenKey* k = findScreenKey(itemEditorKeys(), key, state, false);
    if (!k) return 0;
    // Alt+m and Alt+c are consumed: passed on, they would reach the
    // "&Menu" and "&Close" buttons' own shortcuts and act a second time
    // (a second popup after the first one was used).
    switch (k->action) {
    case KeyAction::ExternalEditor:
        CB_editToDo_ExtEdit();
        break;
    case KeyAction::Menu:
        editMenuButton_->popup();
        break;
    case KeyAction::Close:
        win.CB_Done();
        break;
    case KeyAction::Help:
        showKeys();
        break;
    default:
        return 0;
    }
    return 1;
}
