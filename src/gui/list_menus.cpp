// The list screen's bottom bar and its menus: the main menu, the calendar
// menu, and which of their entries are active and checked.

#include "engine/velk.h"
#include "gui/list_screen.h"
#include "gui/menu_items.h"
#include "gui/screen_keys.h"
#include "gui/velk_gui.h"

#include <FL/Fl.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Menu_Button.H>

// --- Static callbacks: one-line forwarders to the window ---
static void cb_listView(Fl_Widget*, void*) {
    mainWin->listViewClicked();
}
static void cb_Up(Fl_Widget*, void*) {
    mainWin->CB_Up();
}
static void cb_Done(Fl_Widget*, void*) {
    mainWin->CB_Done();
}
static void cb_showScreen(Fl_Widget*, void* d) {
    mainWin->showMain(int(fl_intptr_t(d)));
}
static void cb_Menu_VelkView(Fl_Widget*, void* d) {
    mainWin->CB_Menu_VelkView(int(fl_intptr_t(d)));
}
static void cb_Menu_ActOnSel(Fl_Widget*, void* d) {
    mainWin->ActOnSelected(int(fl_intptr_t(d)));
}
static void cb_Menu_newTodo(Fl_Widget*, void*) {
    mainWin->CB_Menu_newTodo();
}
static void cb_Menu_newGroup(Fl_Widget*, void*) {
    mainWin->CB_Menu_newGroup();
}
static void cb_Menu_editGroup(Fl_Widget*, void*) {
    mainWin->CB_Menu_editGroup();
}
static void cb_Menu_delGroup(Fl_Widget*, void*) {
    mainWin->CB_Menu_delGroup();
}
static void cb_Menu_delCompl(Fl_Widget*, void*) {
    mainWin->CB_Menu_delCompl();
}
static void cb_Menu_step(Fl_Widget*, void* back) {
    mainWin->CB_Menu_step(back != nullptr);
}
static void cb_Menu_keys(Fl_Widget*, void*) {
    mainWin->CB_Menu_keys();
}
static void cb_Menu_paste(Fl_Widget*, void*) {
    mainWin->CB_Menu_paste();
}
static void cb_Menu_search(Fl_Widget*, void*) {
    mainWin->showInput(INPUT_SEARCH);
}
static void cb_Menu_insFile(Fl_Widget*, void*) {
    mainWin->showInput(INPUT_IMPORT);
}
static void cb_Menu_expICalendar(Fl_Widget*, void*) {
    mainWin->showInput(INPUT_EXPORT_ICS);
}
static void cb_Menu_impICalendar(Fl_Widget*, void*) {
    mainWin->showInput(INPUT_IMPORT_ICS);
}
static void cb_Menu_syncAccount(Fl_Widget*, void*) {
    mainWin->CB_Menu_syncAccount();
}
static void cb_Menu_syncNow(Fl_Widget*, void*) {
    mainWin->CB_Menu_syncNow();
}
static void cb_Menu_expFileGroup(Fl_Widget*, void*) {
    mainWin->showInput(INPUT_EXPORT_GROUP);
}
static void cb_Menu_expFileContent(Fl_Widget*, void*) {
    mainWin->showInput(INPUT_EXPORT_CONTENT);
}
static void cb_Menu_copyGroup(Fl_Widget*, void*) {
    mainWin->CB_Menu_copyGroup();
}
static void cb_Menu_copyContent(Fl_Widget*, void*) {
    mainWin->CB_Menu_copyContent();
}
static void cb_CalSpan(Fl_Widget*, void* d) {
    mainWin->CB_CalSpan(int(fl_intptr_t(d)));
}
static void cb_CalFirstDay(Fl_Widget*, void* d) {
    mainWin->CB_CalFirstDay(int(fl_intptr_t(d)));
}
static void cb_Opts_View_sort(Fl_Widget*, void* d) {
    mainWin->CB_Opts_sort(int(fl_intptr_t(d)));
}
static void cb_Opts_View_flat(Fl_Widget*, void*) {
    mainWin->CB_Opts_View_flat();
}
static void cb_Opts_View_tree(Fl_Widget*, void*) {
    mainWin->CB_Opts_View_tree();
}
static void cb_Opts_View_scompleted(Fl_Widget*, void*) {
    mainWin->CB_Opts_View_scompleted();
}
static void cb_Opts_View_completedl(Fl_Widget*, void*) {
    mainWin->CB_Opts_View_completedl();
}
static void cb_Opts_View_toggleTextSize(Fl_Widget*, void*) {
    mainWin->CB_Opts_View_toggleTextSize();
}
static void cb_Menu_Crypt_AddPwd(Fl_Widget*, void*) {
    mainWin->CB_Menu_Crypt_AddPwd();
}
static void cb_Menu_Crypt_Login(Fl_Widget*, void*) {
    mainWin->CB_Menu_Crypt_Login();
}

// The entries of the main menu and the calendar menu, in their order: each
// with its name, label, callback, data and flags; END closes a submenu. The
// names are the entries' positions in the tables, so that the window finds an
// entry by its name however the table changes.
#define VELK_MAIN_MENU(ITEM, END)                                                                  \
    ITEM(MM_ABOUT, "About", cb_showScreen, SCREEN_ABOUT, FL_MENU_DIVIDER)                          \
    ITEM(MM_FILE, "&file", 0, 0, FL_SUBMENU | FL_MENU_DIVIDER)                                     \
    ITEM(MM_IMPORT, "import", cb_Menu_insFile, 0, 0)                                               \
    ITEM(MM_EXPORT_GROUP, "export group+", cb_Menu_expFileGroup, 0, 0)                             \
    ITEM(MM_EXPORT_CONTENT, "export content", cb_Menu_expFileContent, 0, 0)                        \
    ITEM(MM_EXPORT_ICS, "export iCalendar...", cb_Menu_expICalendar, 0, 0)                         \
    ITEM(MM_IMPORT_ICS, "import iCalendar...", cb_Menu_impICalendar, 0, 0)                         \
    ITEM(MM_SYNC_ACCOUNT, "sync account...", cb_Menu_syncAccount, 0, 0)                            \
    ITEM(MM_SYNC_NOW, "sync now", cb_Menu_syncNow, 0, 0)                                           \
    END(MM_FILE_END)                                                                               \
    ITEM(MM_COPY, "&copy", 0, 0, FL_SUBMENU)                                                       \
    ITEM(MM_COPY_GROUP, "group+", cb_Menu_copyGroup, 0, 0)                                         \
    ITEM(MM_COPY_CONTENT, "content", cb_Menu_copyContent, 0, 0)                                    \
    ITEM(MM_COPY_SELECTED, "selected", cb_Menu_ActOnSel, ACT_COPY, 0)                              \
    END(MM_COPY_END)                                                                               \
    ITEM(MM_PASTE, "&paste", cb_Menu_paste, 0, FL_MENU_DIVIDER)                                    \
    ITEM(MM_GROUP, "&group", 0, 0, FL_SUBMENU | FL_MENU_DIVIDER)                                   \
    ITEM(MM_GROUP_NEW, "new", cb_Menu_newGroup, 0, 0)                                              \
    ITEM(MM_GROUP_EDIT, "edit", cb_Menu_editGroup, 0, 0)                                           \
    ITEM(MM_GROUP_CUT, "cut/delete", cb_Menu_delGroup, 0, 0)                                       \
    END(MM_GROUP_END)                                                                              \
    ITEM(MM_DELETE, "delete", 0, 0, FL_SUBMENU)                                                    \
    ITEM(MM_DELETE_COMPLETED, "completed", cb_Menu_delCompl, 0, 0)                                 \
    ITEM(MM_DELETE_SELECTED, "selected", cb_Menu_ActOnSel, ACT_DELETE, FL_MENU_DIVIDER)            \
    END(MM_DELETE_END)                                                                             \
    ITEM(MM_SEARCH, "&search...", cb_Menu_search, 0, FL_MENU_DIVIDER)                              \
    ITEM(MM_VIEW, "&View", 0, 0, FL_SUBMENU | FL_MENU_DIVIDER)                                     \
    ITEM(MM_CALENDAR, "calendar", cb_Menu_VelkView, MAINVIEW_CALENDAR, FL_MENU_DIVIDER)            \
    ITEM(MM_FLAT, "flat", cb_Opts_View_flat, 0, FL_MENU_RADIO)                                     \
    ITEM(MM_TREE, "tree", cb_Opts_View_tree, 0, FL_MENU_RADIO | FL_MENU_DIVIDER)                   \
    ITEM(MM_SHOWCOMPLETED, "show completed", cb_Opts_View_scompleted, 0, FL_MENU_TOGGLE)           \
    ITEM(MM_COMPLETEDLAST, "completed last", cb_Opts_View_completedl, 0,                           \
         FL_MENU_TOGGLE | FL_MENU_DIVIDER)                                                         \
    ITEM(MM_SORTPRIO, "sort priority", cb_Opts_View_sort, SORT_PRIORITY, FL_MENU_RADIO)            \
    ITEM(MM_SORTDATE, "sort date", cb_Opts_View_sort, SORT_DATE, FL_MENU_RADIO | FL_MENU_DIVIDER)  \
    ITEM(MM_TOGGLESIZE, "toggle size", cb_Opts_View_toggleTextSize, 0, 0)                          \
    END(MM_VIEW_END)                                                                               \
    ITEM(MM_CRYPT, "Crypt", 0, 0, FL_SUBMENU | FL_MENU_DIVIDER)                                    \
    ITEM(MM_ADDPWD, "Add Pwd...", cb_Menu_Crypt_AddPwd, 0, 0)                                      \
    ITEM(MM_LOGIN, "Login...", cb_Menu_Crypt_Login, 0, 0)                                          \
    END(MM_CRYPT_END)                                                                              \
    ITEM(MM_EXIT, "E&xit", cb_Done, 0, FL_MENU_DIVIDER)                                            \
    ITEM(MM_UNDO, "undo", cb_Menu_step, 1, 0)                                                      \
    ITEM(MM_REDO, "redo", cb_Menu_step, 0, 0)                                                      \
    ITEM(MM_KEYS, "keys…", cb_Menu_keys, 0, 0)

#define VELK_CALENDAR_MENU(ITEM, END)                                                              \
    ITEM(CM_ABOUT, "About", cb_showScreen, SCREEN_ABOUT, FL_MENU_DIVIDER)                          \
    ITEM(CM_DELCOMPLETED, "delete completed", cb_Menu_delCompl, 0, FL_MENU_DIVIDER)                \
    ITEM(CM_VIEW, "&View", 0, 0, FL_SUBMENU | FL_MENU_DIVIDER)                                     \
    ITEM(CM_DATA, "data", cb_Menu_VelkView, MAINVIEW_NORMAL, FL_MENU_DIVIDER)                      \
    ITEM(CM_ONEDAY, "one day", cb_CalSpan, 1, FL_MENU_RADIO)                                       \
    ITEM(CM_TWODAYS, "two days", cb_CalSpan, 2, FL_MENU_RADIO)                                     \
    ITEM(CM_THREEDAYS, "three days", cb_CalSpan, 3, FL_MENU_RADIO)                                 \
    ITEM(CM_SEVENDAYS, "7 days", cb_CalSpan, 7, FL_MENU_RADIO)                                     \
    ITEM(CM_FOURTEENDAYS, "14 days", cb_CalSpan, 14, FL_MENU_RADIO | FL_MENU_DIVIDER)              \
    ITEM(CM_TOGGLESIZE, "toggle size", cb_Opts_View_toggleTextSize, 0, 0)                          \
    END(CM_VIEW_END)                                                                               \
    ITEM(CM_EXIT, "E&xit", cb_Done, 0, FL_MENU_DIVIDER)                                            \
    ITEM(CM_UNDO, "undo", cb_Menu_step, 1, 0)                                                      \
    ITEM(CM_REDO, "redo", cb_Menu_step, 0, 0)                                                      \
    ITEM(CM_KEYS, "keys…", cb_Menu_keys, 0, 0)

enum MainMenuEntry { VELK_MAIN_MENU(VELK_MENU_ID, VELK_MENU_END_ID) };
enum CalendarMenuEntry { VELK_CALENDAR_MENU(VELK_MENU_ID, VELK_MENU_END_ID) };

Fl_Menu_Item menu_Menu[] = {VELK_MAIN_MENU(VELK_MENU_ITEM, VELK_MENU_END) VELK_END};
Fl_Menu_Item menu_CalMenu[] = {VELK_CALENDAR_MENU(VELK_MENU_ITEM, VELK_MENU_END) VELK_END};

namespace {

void setActive(Fl_Menu_Item& item, bool on) {
    if (on)
        item.activate();
    else
        item.deactivate();
}

void setChecked(Fl_Menu_Item& item, bool on) {
    if (on)
        item.set();
    else
        item.clear();
}

} // namespace

void ListScreen::makeList(int W, int H) {
    textSize_ = TEXT_SIZE_LARGE;
    const int backgrounds[3] = {BACKGROUND_HEADER, BACKGROUND_ODD, BACKGROUND_EVEN};
    for (int i = 0; i < 3; ++i)
        rowBackground[i] = "@B" + std::to_string(backgrounds[i]);
    listView_ = new RowBrowser(0, 0, W, H - 30);
    listView_->type(FL_MULTI_BROWSER);
    // The window hands the list its keys itself; behind an editor the list
    // is only made empty, and Tab must not stop at it there.
    listView_->visible_focus(0);
    listView_->box(FL_FLAT_BOX);
    listView_->labelfont(FL_BOLD);
    listView_->labelsize(textSize_);
    listView_->textsize(textSize_);
    refreshAfterScale();
    listView_->callback(cb_listView);
    listView_->when(FL_WHEN_CHANGED | FL_WHEN_NOT_CHANGED | FL_WHEN_RELEASE_ALWAYS);

    titleButton_ = new Fl_Button(0, 0, W, 0);
    titleButton_->labelfont(FL_BOLD);
    titleButton_->labelsize(20);
    titleButton_->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
    titleButton_->callback(cb_Up);
}

void ListScreen::makeBar(int W, int H) {
    const int y0 = H - 30;
    menuButton_ = new Fl_Menu_Button(0, y0, 66, 30, "&Menu");
    // A little smaller and left-aligned, as in the editors, so that the label
    // clears the arrow.
    menuButton_->labelsize(16);
    menuButton_->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
    menuButton_->textsize(20);
    menuButton_->menu(menu_Menu);
    newItemButton_ = new Fl_Button(66, y0, 100, 30, "&New Item");
    newItemButton_->labelsize(20);
    newItemButton_->callback(cb_Menu_newTodo);
    upButton_ = new Fl_Button(166, y0, 40, 30, "..");
    upButton_->labelsize(20);
    upButton_->labelfont(FL_BOLD);
    upButton_->callback(cb_Up);
    jobsButton_ = new Fl_Button(W - 20, y0, 20, 30, "!");
    jobsButton_->labelsize(20);
    jobsButton_->labelfont(FL_BOLD);
    jobsButton_->callback(cb_Menu_VelkView, (void*)(fl_intptr_t)MAINVIEW_ACTIVE);

    struct CalButton {
        Fl_Button** button;
        int x, w;
        const char* label;
        int data;
    } calButtons[] = {
        {&calTodayButton_, 66, 70, "Today", Velk::CAL_TODAY},
        {&calSelectButton_, 136, 70, "Select", CAL_SELECT_DAY},
        {&calPrevButton_, 206, 22, "<", Velk::CAL_BACK_SPAN},
        {&calMinusButton_, 228, 22, "-", Velk::CAL_BACK_DAY},
        {&calPlusButton_, 250, 22, "+", Velk::CAL_FORWARD_DAY},
        {&calNextButton_, 272, 22, ">", Velk::CAL_FORWARD_SPAN},
    };
    for (const CalButton& c : calButtons) {
        *c.button = new Fl_Button(c.x, y0, c.w, 30, c.label);
        (*c.button)->labelsize(20);
        (*c.button)->callback(cb_CalFirstDay, (void*)(fl_intptr_t)c.data);
    }
}

void ListScreen::layout(int W, int H) {
    const int y0 = H - 30;
    layoutTitleAndList();
    menuButton_->resize(0, y0, 66, 30);
    newItemButton_->resize(66, y0, 100, 30);
    upButton_->resize(166, y0, 40, 30);
    jobsButton_->resize(W - 20, y0, 20, 30);
    calTodayButton_->resize(66, y0, 70, 30);
    calSelectButton_->resize(136, y0, 70, 30);
    calPrevButton_->resize(206, y0, 22, 30);
    calMinusButton_->resize(228, y0, 22, 30);
    calPlusButton_->resize(250, y0, 22, 30);
    calNextButton_->resize(272, y0, 22, 30);
}

void ListScreen::layoutTitleAndList() {
    if (!engine) return;
    const int W = 2 * win.halfWidth(), H = 2 * win.halfHeight();
    if (engine->getMainViewType() != MAINVIEW_CALENDAR) {
        pathText_ = engine->getCurGroupPathText();
        int lines = 0;
        if (!pathText_.empty()) {
            lines = 1;
            for (char c : pathText_)
                if (c == '\n') ++lines;
        }
        titleLines = 13 * lines;
        titleButton_->label(pathText_.c_str());
    } else {
        titleLines = 0;
    }
    titleButton_->resize(0, 0, W, 2 * titleLines);
    if (win.screen() == SCREEN_LIST)
        listView_->resize(0, 2 * titleLines, W, H - 2 * titleLines - 30);
    titleButton_->redraw();
    listView_->redraw();
}

int ListScreen::show() {
    int topLine = 0;
    menuButton_->show();
    newItemButton_->show();
    upButton_->show();
    titleButton_->show();
    listView_->show();
    if (engine && engine->getNrActiveJobs() != 0) {
        jobsButton_->show();
    } else {
        jobsButton_->hide();
        if (engine && engine->leaveIdleActiveView()) topLine = jobsTopLine;
    }
    return topLine;
}

void ListScreen::initMenus() {
    // The entries that a key of the list also does show that key. The list
    // takes every key itself, so the menus never act on them a second time.
    const std::pair<KeyAction, std::pair<int, int>> keyed[] = {
        {KeyAction::Close, {MM_EXIT, CM_EXIT}},
        {KeyAction::Undo, {MM_UNDO, CM_UNDO}},
        {KeyAction::Redo, {MM_REDO, CM_REDO}},
        {KeyAction::Help, {MM_KEYS, CM_KEYS}},
    };
    for (const auto& [action, entries] : keyed) {
        menu_Menu[entries.first].shortcut(shortcutOf(listScreenKeys(), action));
        menu_CalMenu[entries.second].shortcut(shortcutOf(listScreenKeys(), action));
    }
    bool tree = engine->getOptViewtype() == VIEWTYPE_TREE;
    setChecked(menu_Menu[MM_TREE], tree);
    setChecked(menu_Menu[MM_FLAT], !tree);
    setChecked(menu_Menu[MM_SORTPRIO], engine->getOptsSort() == SORT_PRIORITY);
    setChecked(menu_Menu[MM_SORTDATE], engine->getOptsSort() == SORT_DATE);
    int span = engine->getCalSpan();
    setChecked(menu_CalMenu[CM_ONEDAY], span == 1);
    setChecked(menu_CalMenu[CM_TWODAYS], span == 2);
    setChecked(menu_CalMenu[CM_THREEDAYS], span == 3);
    setChecked(menu_CalMenu[CM_SEVENDAYS], span == 7);
    setChecked(menu_CalMenu[CM_FOURTEENDAYS], span != 1 && span != 2 && span != 3 && span != 7);
}

void ListScreen::updateStepMenu() {
    // Each entry names its step ("undo: delete group Work"), and is inactive without one.
    const std::string undo = engine ? engine->undoLabel() : std::string(),
                      redo = engine ? engine->redoLabel() : std::string();
    undoText_ = undo.empty() ? "undo" : "undo: " + undo;
    redoText_ = redo.empty() ? "redo" : "redo: " + redo;
    for (Fl_Menu_Item* m : {&menu_Menu[MM_UNDO], &menu_CalMenu[CM_UNDO]}) {
        m->label(undoText_.c_str());
        setActive(*m, !undo.empty());
    }
    for (Fl_Menu_Item* m : {&menu_Menu[MM_REDO], &menu_CalMenu[CM_REDO]}) {
        m->label(redoText_.c_str());
        setActive(*m, !redo.empty());
    }
}

void ListScreen::setMenuActive() {
    if (!engine) return;
    const int view = engine->getMainViewType();
    menuButton_->menu(view == MAINVIEW_CALENDAR ? menu_CalMenu : menu_Menu);
    Fl_Widget* calButtons[] = {calTodayButton_, calSelectButton_, calPrevButton_,
                               calMinusButton_, calPlusButton_,   calNextButton_};
    if (win.screen() == SCREEN_LIST) {
        for (Fl_Widget* b : calButtons)
            b->show();
        newItemButton_->show();
        upButton_->show();
    }
    for (int e : {MM_CALENDAR, MM_SHOWCOMPLETED, MM_COMPLETEDLAST, MM_TREE, MM_FLAT, MM_FILE,
                  MM_COPY, MM_PASTE, MM_GROUP, MM_SEARCH, MM_GROUP_CUT})
        setActive(menu_Menu[e], true);
    setActive(menu_EditToDoMenu[EM_T2GROUP], true);
    setActive(menu_EditToDoMenu[EM_DELETE], true);
    if (view == MAINVIEW_CALENDAR) {
        setActive(menu_EditToDoMenu[EM_T2GROUP], false);
        newItemButton_->hide();
        upButton_->hide();
    } else {
        for (Fl_Widget* b : calButtons)
            b->hide();
    }
    if (view == MAINVIEW_ACTIVE || view == MAINVIEW_SEARCH) {
        for (int e : {MM_GROUP_CUT, MM_SHOWCOMPLETED, MM_COMPLETEDLAST, MM_TREE, MM_FLAT, MM_FILE,
                      MM_COPY, MM_PASTE, MM_GROUP})
            setActive(menu_Menu[e], false);
        setActive(menu_EditToDoMenu[EM_T2GROUP], false);
        setActive(menu_EditToDoMenu[EM_DELETE], false);
        newItemButton_->hide();
        if (view == MAINVIEW_ACTIVE) {
            setActive(menu_Menu[MM_CALENDAR], false);
            setActive(menu_Menu[MM_SEARCH], false);
            upButton_->hide();
        }
    }
}

void ListScreen::setViewToggles(bool showCompleted, bool completedLast) {
    setChecked(menu_Menu[MM_SHOWCOMPLETED], showCompleted);
    setChecked(menu_Menu[MM_COMPLETEDLAST], completedLast);
}

void ListScreen::updateCryptMenu() {
    // The password dialogs open from these entries; they follow the manager's state.
    setActive(menu_Menu[MM_LOGIN], engine && engine->canLogIn());
    setActive(menu_Menu[MM_ADDPWD], engine && engine->canAddPassword());
}
