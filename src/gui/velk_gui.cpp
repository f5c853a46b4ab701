#include "gui/velk_gui.h"

#include "engine/velk.h"
#include "gui/ask.h"
#include "gui/password_dialogs.h"
#include "model/clock.h"

#include <FL/Fl.H>
#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Editor.H>
#include <cstdio>
#include <ctime>
#include <vector>

VelkGUI* mainWin = nullptr;

// --- Static callbacks: one-line forwarders to the window ---
static void cb_listView(Fl_Widget*, void*) { mainWin->listViewClicked(); }
static void cb_Up(Fl_Widget*, void*) { mainWin->CB_Up(); }
static void cb_Done(Fl_Widget*, void*) { mainWin->CB_Done(); }
static void cb_Cancel(Fl_Widget*, void*) { mainWin->CB_Cancel(); }
static void cb_hideKbd(Fl_Widget*, void*) { mainWin->CB_hideKbd(); }
static void cb_showScreen(Fl_Widget*, void* d) { mainWin->showMain(int(fl_intptr_t(d))); }
static void cb_Menu_VelkView(Fl_Widget*, void* d) { mainWin->CB_Menu_VelkView(int(fl_intptr_t(d))); }
static void cb_Menu_ActOnSel(Fl_Widget*, void* d) { mainWin->ActOnSelected(int(fl_intptr_t(d))); }
static void cb_Menu_newTodo(Fl_Widget*, void*) { mainWin->CB_Menu_newTodo(); }
static void cb_Menu_newGroup(Fl_Widget*, void*) { mainWin->CB_Menu_newGroup(); }
static void cb_Menu_editGroup(Fl_Widget*, void*) { mainWin->CB_Menu_editGroup(); }
static void cb_Menu_delGroup(Fl_Widget*, void*) { mainWin->CB_Menu_delGroup(); }
static void cb_Menu_delCompl(Fl_Widget*, void*) { mainWin->CB_Menu_delCompl(); }
static void cb_Menu_paste(Fl_Widget*, void*) { mainWin->CB_Menu_paste(); }
static void cb_Menu_search(Fl_Widget*, void*) { mainWin->showInput(INPUT_SEARCH); }
static void cb_Menu_insFile(Fl_Widget*, void*) { mainWin->showInput(INPUT_IMPORT); }
static void cb_Menu_expFileGroup(Fl_Widget*, void*) { mainWin->showInput(INPUT_EXPORT_GROUP); }
static void cb_Menu_expFileContent(Fl_Widget*, void*) { mainWin->showInput(INPUT_EXPORT_CONTENT); }
static void cb_Menu_copyGroup(Fl_Widget*, void*) { mainWin->CB_Menu_copyGroup(); }
static void cb_Menu_copyContent(Fl_Widget*, void*) { mainWin->CB_Menu_copyContent(); }
static void cb_CalSpan(Fl_Widget*, void* d) { mainWin->CB_CalSpan(int(fl_intptr_t(d))); }
static void cb_CalFirstDay(Fl_Widget*, void* d) { mainWin->CB_CalFirstDay(int(fl_intptr_t(d))); }
static void cb_Opts_View_sort(Fl_Widget*, void* d) { mainWin->CB_Opts_sort(int(fl_intptr_t(d))); }
static void cb_Opts_View_flat(Fl_Widget*, void*) { mainWin->CB_Opts_View_flat(); }
static void cb_Opts_View_tree(Fl_Widget*, void*) { mainWin->CB_Opts_View_tree(); }
static void cb_Opts_View_scompleted(Fl_Widget*, void*) { mainWin->CB_Opts_View_scompleted(); }
static void cb_Opts_View_completedl(Fl_Widget*, void*) { mainWin->CB_Opts_View_completedl(); }
static void cb_Opts_View_toggleTextSize(Fl_Widget*, void*) {
    mainWin->CB_Opts_View_toggleTextSize();
}
static void cb_Menu_Crypt_AddPwd(Fl_Widget*, void*) { mainWin->CB_Menu_Crypt_AddPwd(); }
static void cb_Menu_Crypt_Login(Fl_Widget*, void*) { mainWin->CB_Menu_Crypt_Login(); }

#define VELK_ITEM(label, cb, data, flags) {label, 0, cb, (void*)(fl_intptr_t)(data), flags, 0, 0, 20, 0}
#define VELK_END {0, 0, 0, 0, 0, 0, 0, 0, 0}

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
    ITEM(MM_EXIT, "E&xit", cb_Done, 0, 0)

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
    ITEM(CM_EXIT, "E&xit", cb_Done, 0, 0)

#define VELK_MENU_ITEM(id, ...) VELK_ITEM(__VA_ARGS__),
#define VELK_MENU_END(id) VELK_END,

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

VelkGUI::VelkGUI(int w, int h, const char* title)
    : Fl_Double_Window(w, h), halfWidth(w / 2), halfHeight(h / 2) {
    copy_label(title);
    size_range(320, 320, 2000, 2000);
    end();
}

VelkGUI::~VelkGUI() {
    // The description editor goes before the buffer it shows.
    delete editDescr;
    editDescr = nullptr;
}

void VelkGUI::makeWindows() {
    const int backgrounds[3] = {BACKGROUND_HEADER, BACKGROUND_ODD, BACKGROUND_EVEN};
    for (int i = 0; i < 3; ++i)
        rowBackground[i] = "@B" + std::to_string(backgrounds[i]);
    // A small-screen program driven by mouse and keys: buttons and the list do
    // not take the keyboard focus, so that keys reach the list's key handling.
    Fl::visible_focus(0);
    Fl::scrollbar_size(20);
    aboutText = "              Velk v0.54\n\n        Hierarchical todo-list,\n        appointments and "
                "notes,\n        calendar,\n        project-time recorder.\n        Fully "
                "searchable, encrypting.";
    begin();
    const int W = w(), H = h(), y0 = H - 30;
    kbdHideButton = new Fl_Button(0, H, 15, 15, "X");
    kbdHideButton->labelsize(10);
    kbdHideButton->callback(cb_hideKbd);
    kbdBox = new Fl_Box(FL_FLAT_BOX, 100, H, W + 40, 60, clockText);
    kbdBox->labelsize(10);
    kbdBox->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);

    listView = new Fl_Browser(0, 0, W, H - 30);
    listView->type(FL_MULTI_BROWSER);
    listView->box(FL_FLAT_BOX);
    listView->labelfont(FL_BOLD);
    listView->labelsize(textSize);
    listView->textsize(textSize);
    static const int columns[] = {MARKER_COLUMN_WIDTH, 0};
    listView->column_widths(columns);
    listView->callback(cb_listView);
    listView->when(FL_WHEN_CHANGED | FL_WHEN_NOT_CHANGED | FL_WHEN_RELEASE_ALWAYS);

    titleButton = new Fl_Button(0, 0, W, 0);
    titleButton->labelfont(FL_BOLD);
    titleButton->labelsize(20);
    titleButton->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
    titleButton->callback(cb_Up);

    promptBox = new Fl_Box(FL_FLAT_BOX, 0, 0, W, H - 60, "");
    promptBox->labelsize(20);
    promptBox->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
    cancelButton = new Fl_Button(70, y0, 80, 30, "Cancel");
    cancelButton->labelsize(20);
    cancelButton->callback(cb_Cancel);
    inputField = new Fl_Input(0, H - 60, W, 30);
    inputField->textsize(20);

    aboutBox = new Fl_Box(FL_FLAT_BOX, 0, 0, W, H - 30, aboutText.c_str());
    aboutBox->labelsize(20);
    aboutBox->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);

    makeEditorWidgets();

    closeButton = new Fl_Button(0, y0, 70, 30, "&Close");
    closeButton->labelsize(20);
    closeButton->callback(cb_Done);
    menuButton = new Fl_Menu_Button(0, y0, 66, 30, "&Menu");
    // A little smaller and left-aligned, as in the editors, so that the label
    // clears the arrow.
    menuButton->labelsize(16);
    menuButton->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
    menuButton->textsize(20);
    menuButton->menu(menu_Menu);
    newItemButton = new Fl_Button(66, y0, 100, 30, "&New Item");
    newItemButton->labelsize(20);
    newItemButton->callback(cb_Menu_newTodo);
    upButton = new Fl_Button(166, y0, 40, 30, "..");
    upButton->labelsize(20);
    upButton->labelfont(FL_BOLD);
    upButton->callback(cb_Up);
    jobsButton = new Fl_Button(W - 20, y0, 20, 30, "!");
    jobsButton->labelsize(20);
    jobsButton->labelfont(FL_BOLD);
    jobsButton->callback(cb_Menu_VelkView, (void*)(fl_intptr_t)MAINVIEW_ACTIVE);

    struct CalButton {
        Fl_Button** button;
        int x, w;
        const char* label;
        int data;
    } calButtons[] = {
        {&calTodayButton, 66, 70, "Today", Velk::CAL_TODAY},
        {&calSelectButton, 136, 70, "Select", CAL_SELECT_DAY},
        {&calPrevButton, 206, 22, "<", Velk::CAL_BACK_SPAN},
        {&calMinusButton, 228, 22, "-", Velk::CAL_BACK_DAY},
        {&calPlusButton, 250, 22, "+", Velk::CAL_FORWARD_DAY},
        {&calNextButton, 272, 22, ">", Velk::CAL_FORWARD_SPAN},
    };
    for (const CalButton& c : calButtons) {
        *c.button = new Fl_Button(c.x, y0, c.w, 30, c.label);
        (*c.button)->labelsize(20);
        (*c.button)->callback(cb_CalFirstDay, (void*)(fl_intptr_t)c.data);
    }
    end();
    hideAll();
}

void VelkGUI::init(Velk* e, const char* clipboardName) {
    engine = e;
    clipboardFile = clipboardName ? std::string(clipboardName).substr(0, 15) : std::string();
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
    UpdateCryptMenu();
}

void VelkGUI::hideAll() {
    for (int i = 0; i < children(); ++i) {
        Fl_Widget* w = child(i);
        if (w == listView || w == editTimesBrowser)
            w->resize(0, 0, 0, 0); // keeps its lines, selection and scroll position
        else
            w->hide();
    }
}

int VelkGUI::showMain(int n) {
    int topLine = 0;
    hideAll();
    screen = n;
    switch (n) {
    case SCREEN_LIST:
        menuButton->show();
        newItemButton->show();
        upButton->show();
        titleButton->show();
        listView->show();
        if (engine && engine->getNrActiveJobs() != 0) {
            jobsButton->show();
        } else {
            jobsButton->hide();
            if (engine && engine->leaveIdleActiveView()) topLine = jobsTopLine;
        }
        break;
    case SCREEN_ABOUT:
        aboutBox->show();
        closeButton->show();
        break;
    case SCREEN_ITEM_BASICS:
    case SCREEN_ITEM_TIMES:
    case SCREEN_ITEM_DESCRIPTION: showItemPage(n); break;
    case SCREEN_GROUP: showGroupEditor(); break;
    case SCREEN_INPUT:
        cancelButton->show();
        inputField->show();
        promptBox->show();
        closeButton->show();
        inputField->take_focus();
        break;
    default: break;
    }
    setMenuActive();
    if (engine && engine->getOptShowKbd()) showKeyboard(true);
    resize(x(), y(), w(), h());
    redraw();
    return topLine;
}

void VelkGUI::setMenuActive() {
    if (!engine) return;
    const int view = engine->getMainViewType();
    menuButton->menu(view == MAINVIEW_CALENDAR ? menu_CalMenu : menu_Menu);
    Fl_Widget* calButtons[] = {calTodayButton, calSelectButton, calPrevButton,
                               calMinusButton, calPlusButton,   calNextButton};
    if (screen == SCREEN_LIST) {
        for (Fl_Widget* b : calButtons)
            b->show();
        newItemButton->show();
        upButton->show();
    }
    for (int e : {MM_CALENDAR, MM_SHOWCOMPLETED, MM_COMPLETEDLAST, MM_TREE, MM_FLAT, MM_FILE,
                  MM_COPY, MM_PASTE, MM_GROUP, MM_SEARCH, MM_GROUP_CUT})
        setActive(menu_Menu[e], true);
    setActive(menu_EditToDoMenu[EM_T2GROUP], true);
    setActive(menu_EditToDoMenu[EM_DELETE], true);
    if (view == MAINVIEW_CALENDAR) {
        setActive(menu_EditToDoMenu[EM_T2GROUP], false);
        newItemButton->hide();
        upButton->hide();
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
        newItemButton->hide();
        if (view == MAINVIEW_ACTIVE) {
            setActive(menu_Menu[MM_CALENDAR], false);
            setActive(menu_Menu[MM_SEARCH], false);
            upButton->hide();
        }
    }
}

void VelkGUI::setViewToggles(bool showCompleted, bool completedLast) {
    setChecked(menu_Menu[MM_SHOWCOMPLETED], showCompleted);
    setChecked(menu_Menu[MM_COMPLETEDLAST], completedLast);
}

void VelkGUI::UpdateCryptMenu() {
    // The password dialogs open from these entries; they follow the manager's state.
    setActive(menu_Menu[MM_LOGIN], engine && engine->canLogIn());
    setActive(menu_Menu[MM_ADDPWD], engine && engine->canAddPassword());
    if (editCrypt) updateCryptFlag();
}

void VelkGUI::resize(int X, int Y, int W, int H) {
    halfWidth = W / 2;
    halfHeight = H / 2;
    Fl_Double_Window::resize(X, Y, 2 * halfWidth, 2 * halfHeight);
    if (engine) {
        unsigned hw = unsigned(halfWidth), hh = unsigned(halfHeight);
        engine->windowSize(hw, hh);
    }
    if (!listView) return; // not built yet
    int half = halfHeight;
    if (engine && engine->getOptShowKbd() && half > 60 && screen != SCREEN_LIST &&
        screen != SCREEN_ABOUT)
        half -= 30;
    const int w2 = 2 * halfWidth, h2 = 2 * half, y0 = h2 - 30;
    kbdHideButton->resize(0, h2, 15, 15);
    kbdBox->resize(100, h2, w2 + 40, 60);
    layoutTitleAndList();
    promptBox->resize(0, 0, w2, h2 - 60);
    cancelButton->resize(70, y0, 80, 30);
    inputField->resize(0, h2 - 60, w2, 30);
    aboutBox->resize(0, 0, w2, h2 - 30);
    layoutEditors(w2, h2);
    closeButton->resize(0, y0, 70, 30);
    menuButton->resize(0, y0, 66, 30);
    newItemButton->resize(66, y0, 100, 30);
    upButton->resize(166, y0, 40, 30);
    jobsButton->resize(w2 - 20, y0, 20, 30);
    calTodayButton->resize(66, y0, 70, 30);
    calSelectButton->resize(136, y0, 70, 30);
    calPrevButton->resize(206, y0, 22, 30);
    calMinusButton->resize(228, y0, 22, 30);
    calPlusButton->resize(250, y0, 22, 30);
    calNextButton->resize(272, y0, 22, 30);
    redraw();
}

void VelkGUI::layoutTitleAndList() {
    if (!engine) return;
    const int W = 2 * halfWidth, H = 2 * halfHeight;
    if (engine->getMainViewType() != MAINVIEW_CALENDAR) {
        pathText = engine->getCurGroupPathText();
        int lines = 0;
        if (!pathText.empty()) {
            lines = 1;
            for (char c : pathText)
                if (c == '\n') ++lines;
        }
        titleLines = 13 * lines;
        titleButton->label(pathText.c_str());
    } else {
        titleLines = 0;
    }
    titleButton->resize(0, 0, W, 2 * titleLines);
    if (screen == SCREEN_LIST) listView->resize(0, 2 * titleLines, W, H - 2 * titleLines - 30);
    titleButton->redraw();
    listView->redraw();
}

void VelkGUI::updateClock() {
    std::tm t{};
    if (velkLocalTime(t)) std::strftime(clockText, sizeof clockText, "%d.%m.%Y\n%H:%M\n", &t);
    if (kbdBox) {
        kbdBox->label(clockText);
        kbdBox->redraw();
    }
}

void VelkGUI::showKeyboard(bool on) {
    if (!on) return;
    kbdHideButton->show();
    kbdBox->show();
}

void VelkGUI::CB_hideKbd() {
    engine->setOptShowKbd(false);
    kbdHideButton->hide();
    kbdBox->hide();
    resize(x(), y(), w(), h());
    redraw();
}

void VelkGUI::CB_Done() {
    switch (screen) {
    case SCREEN_LIST:
        if (engine) {
            if (engine->getMainViewType() == MAINVIEW_CALENDAR)
                engine->guiData().nLineCal = listView->topline();
            else
                engine->guiData().nLineNormal = listView->topline();
        }
        if (finishSession()) hide();
        break;
    case SCREEN_ABOUT: showMain(SCREEN_LIST); break;
    case SCREEN_ITEM_BASICS:
    case SCREEN_ITEM_TIMES:
    case SCREEN_ITEM_DESCRIPTION: editToDo_Done(); break;
    case SCREEN_GROUP: editGroup_Done(); break;
    case SCREEN_INPUT: {
        std::string text = inputField->value();
        if (text.empty()) {
            showMain(SCREEN_LIST);
            break;
        }
        switch (inputMode) {
        case INPUT_SEARCH:
            if (engine->getOptViewtype() == VIEWTYPE_TREE &&
                engine->getMainViewType() != MAINVIEW_SEARCH)
                pushListPosition();
            engine->search(text);
            showMain(SCREEN_LIST);
            setMenuActive();
            showList(0);
            break;
        case INPUT_EXPORT_GROUP:
            tellWriteResult(engine->exportGroupToFile(text.c_str()), text, false);
            showMain(SCREEN_LIST);
            break;
        case INPUT_EXPORT_CONTENT:
            tellWriteResult(engine->exportContentToFile(text.c_str()), text, false);
            showMain(SCREEN_LIST);
            break;
        case INPUT_IMPORT: {
            tellReadResult(engine->insertDataFromFile(text.c_str()), text, false);
            showMain(SCREEN_LIST);
            checkActiveJobs();
            showList(0);
            break;
        }
        default: showMain(SCREEN_LIST); break;
        }
        break;
    }
    default: break;
    }
}

void VelkGUI::CB_Cancel() { showMain(SCREEN_LIST); }

bool VelkGUI::finishSession() {
    if (sessionEnd_ != SESSION_OPEN) return true;
    if (!saveAtEnd) {
        sessionEnd_ = SESSION_SAVED;
        return true;
    }
    for (;;) {
        std::string error;
        if (saveAtEnd(error) == 0) {
            sessionEnd_ = SESSION_SAVED;
            return true;
        }
        const std::string& dataFile = engine->getFileName();
        const std::string question = "Velk could not save your data to " + dataFile + ":\n" +
                                     error +
                                     "\n\nNothing is lost yet: Velk stays open with every "
                                     "change.\nFree some space or fix the cause, then try "
                                     "again,\nor save to another file.";
        const int answer =
            GuiAsk::choice3(question.c_str(), "Try again", "Save to another file...",
                            "End without saving");
        if (answer == 0) continue;
        if (answer == 1) {
            const std::string suggestion = dataFile + ".rescue";
            const char* name = GuiAsk::input("Save your data to this file:", suggestion.c_str());
            if (!name || !*name) continue;
            std::string copyError;
            if (engine->saveCopyTo(name, copyError) != 0) {
                GuiAsk::alert(("Velk could not save to " + std::string(name) + ":\n" + copyError)
                                  .c_str());
                continue;
            }
            GuiAsk::message(("Your data was saved to " + std::string(name) + ".\nThe data file " +
                             dataFile +
                             " was not changed;\nthe journal files beside it are kept and "
                             "merged at its next start.")
                                .c_str());
            sessionEnd_ = SESSION_UNSAVED;
            return true;
        }
        const std::string confirm =
            "End Velk without saving?\nThe changes in the journal files beside " + dataFile +
            "\nare merged at its next start; changes that could not be\nwritten to the "
            "journal are lost.";
        // Cancel is the second button, which the toolkit gives Enter.
        if (GuiAsk::choice(confirm.c_str(), "End without saving", "Cancel") == 0) {
            sessionEnd_ = SESSION_UNSAVED;
            return true;
        }
    }
}

void VelkGUI::showInput(int mode) {
    static const char* const prompts[] = {
        "string to search for:", "filename and path of Velk-file to export to:",
        "filename and path of Velk-file to export to:", "filename and path of Velk-file to insert:"};
    inputMode = mode;
    promptText = prompts[mode];
    promptBox->label(promptText.c_str());
    inputField->value("");
    showMain(SCREEN_INPUT);
}

void VelkGUI::ActOnSelected(int action) {
    std::vector<unsigned> rows;
    for (int line = 1; line <= listView->size(); ++line)
        if (listView->selected(line)) rows.push_back(unsigned(line - 1));
    if (action == ACT_DELETE) {
        engine->deleteRows(rows);
        showList(0);
    } else if (action == ACT_COPY) {
        tellWriteResult(engine->exportRowsToFile(clipboardFile.c_str(), rows, true), clipboardFile,
                        true);
    }
}

bool VelkGUI::tellWriteResult(int result, const std::string& name, bool toClipboard) {
    if (result == 0) return true;
    const std::string what = toClipboard ? "The clipboard file " : "The file ";
    const char* const nothing = toClipboard ? "nothing was copied." : "nothing was exported.";
    std::string text;
    if (result == -4)
        text = what + name + " is not a regular file of yours (it is a link, a folder or " +
               "another user's file); it was left as it was and " + nothing;
    else if (result == -3)
        text = what + name + " could not be written: " + engine->getTransferError() + ";\n" + nothing;
    else
        text = std::string("There is nothing to copy here; ") + nothing;
    GuiAsk::alert(text.c_str());
    return false;
}

void VelkGUI::tellReadResult(int result, const std::string& name, bool fromClipboard) {
    if (result == -1 && engine->getCurGroup() &&
        engine->getCurGroup()->getLevel() >= MAX_GROUP_LEVEL)
        GuiAsk::message(GROUPS_TOO_DEEP);
    if (result == -3)
        GuiAsk::alert(((fromClipboard ? "The clipboard file " : "The file ") + name +
                       " could not be read: " + engine->getTransferError() + ";\n" +
                       (fromClipboard ? "nothing was pasted." : "nothing was imported."))
                          .c_str());
}

void VelkGUI::CB_Menu_newTodo() {
    if (engine->newToDoForEditing() != 0) return;
    show_editToDoWin(false, false);
}

void VelkGUI::CB_Menu_newGroup() {
    const int made = engine->newGroupForEditing();
    if (made == -2) GuiAsk::message(GROUPS_TOO_DEEP);
    if (made != 0) return;
    if (engine->getOptViewtype() == VIEWTYPE_TREE) pushListPosition();
    editTopLine = 0;
    groupFromList = false;
    showMain(SCREEN_GROUP);
}

void VelkGUI::CB_Menu_delGroup() {
    if (GuiAsk::choice("Do you really want to delete this group?", "Cancel", "Delete") != 1) return;
    // A delete that would be refused (the root) is no cut either: the
    // clipboard keeps what was copied before.
    if (!engine->canDeleteCurGroup()) return;
    // Deleting is cutting: the group goes to the clipboard first. When that
    // fails the user has been told and decides whether to delete all the same.
    if (!tellWriteResult(engine->exportGroupToFile(clipboardFile.c_str(), true), clipboardFile,
                         true) &&
        GuiAsk::choice("Delete the group all the same?", "Cancel", "Delete") != 1)
        return;
    if (engine->deleteCurrentGroup() != 0) return;
    int top = 0;
    if (groupFromList) {
        top = editTopLine;
        groupFromList = false;
    } else {
        top = popListPosition(nullptr);
    }
    showMain(SCREEN_LIST);
    showList(top);
}

void VelkGUI::CB_Menu_delCompl() {
    if (GuiAsk::choice("This will delete every visible todo that's finished. Really continue?",
                       "Cancel", "Delete") != 1)
        return;
    if (engine->delCompleted() != 0) {
        GuiAsk::message("Some error occured.");
        return;
    }
    showList(0);
}

void VelkGUI::CB_Menu_paste() {
    // The clipboard is read only when it is a regular file, never through a link.
    tellReadResult(engine->insertDataFromFile(clipboardFile.c_str(), false), clipboardFile, true);
    checkActiveJobs();
    showList(0);
}

void VelkGUI::CB_Menu_copyGroup() {
    tellWriteResult(engine->exportGroupToFile(clipboardFile.c_str(), true), clipboardFile, true);
}

void VelkGUI::CB_Menu_copyContent() {
    tellWriteResult(engine->exportContentToFile(clipboardFile.c_str(), true), clipboardFile, true);
}

void VelkGUI::CB_Menu_Crypt_AddPwd() {
    if (engine->canAddPassword()) pwd_add_run_window(&engine->passwords());
    UpdateCryptMenu();
}

void VelkGUI::CB_Menu_Crypt_Login() {
    if (engine->canLogIn()) pwd_ask_run_window(&engine->passwords());
    UpdateCryptMenu();
}

void make_windows(const char* path, int halfWidth, int halfHeight) {
    std::string title = std::string("Velk: ") + path;
    mainWin = new VelkGUI(2 * halfWidth, 2 * halfHeight, title.c_str());
    mainWin->callback(cb_keypress_ESC);
    mainWin->labelsize(20);
    mainWin->resizable(mainWin);
    mainWin->makeWindows();
    mainWin->set_non_modal();
}

void cb_keypress_ESC(Fl_Widget*, void*) {
    // FLTK calls the window's callback for the Escape shortcut too; that must
    // not end the program. The event key still names Escape when the close
    // button is used after Escape was pressed, so the close event is let through.
    if (Fl::event() != FL_KEYDOWN && Fl::event() != FL_CLOSE && Fl::event_key() == FL_Escape)
        return;
    mainWin->CB_Done();
}

void updateClock(void*) {
    Fl::repeat_timeout(30.0, updateClock);
    mainWin->updateClock();
}
