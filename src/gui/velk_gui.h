#pragma once
#include <FL/Fl_Box.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Button.H>
#include <FL/Fl_Menu_Item.H>
#include <functional>
#include <memory>
#include <string>

class Fl_Check_Button;
class Fl_Choice;
class Fl_Group;
class Fl_Text_Buffer;
class Fl_Text_Editor;
class Velk;

// Screens of the main window.
enum {
    SCREEN_LIST = 0,
    SCREEN_ABOUT = 1,
    SCREEN_ITEM_BASICS = 2,
    SCREEN_ITEM_TIMES = 3,
    SCREEN_ITEM_DESCRIPTION = 4,
    SCREEN_GROUP = 5,
    SCREEN_INPUT = 6,
};

// The width of the list's marker column (done flag, group mark): a click in
// it completes a todo or opens a group's editor instead of opening the row.
constexpr int MARKER_COLUMN_WIDTH = 26;
// The view number of the editors' "keyboard" entry: it shows the clock bar
// instead of switching the list's view.
constexpr int VIEW_KEYBOARD = 42;
// The calendar's "Select" button; the other calendar buttons pass the
// engine's Velk::CalendarStep.
constexpr int CAL_SELECT_DAY = 1;
// The list's text sizes, toggled by "toggle size".
constexpr int TEXT_SIZE_LARGE = 20;
constexpr int TEXT_SIZE_SMALL = 10;
// The toolkit's background colours of the list lines: day headers, and the
// two colours that alternate between rows.
constexpr int BACKGROUND_HEADER = 50;
constexpr int BACKGROUND_ODD = 53;
constexpr int BACKGROUND_EVEN = 55;
// What "selected" in the copy and delete menus does with the selected rows.
enum { ACT_DELETE = 1, ACT_COPY = 2 };
// The date and time menus of the item editor: the side (the engine's "which")
// plus the action.
enum {
    DATE_END = 0,
    DATE_BEGIN = 16,
    DATE_SIDE_BITS = 0xf0,
    DATE_NONE = 1,
    DATE_SELECT = 2,
    DATE_TODAY = 4,
    DATE_BEGIN_PLUS_30 = 8,
    DATE_ACTION_BITS = 0x0f,
};

// What the input screen does with its text.
enum { INPUT_SEARCH = 0, INPUT_EXPORT_GROUP = 1, INPUT_EXPORT_CONTENT = 2, INPUT_IMPORT = 3 };

// The one window of Velk. It holds the widgets of every screen (the list, About,
// the item and group editors, a one-line input) and shows one screen at a
// time. It never edits the tree itself: it selects rows and asks the engine.
class VelkGUI : public Fl_Double_Window {
  public:
    VelkGUI(int w, int h, const char* title);
    ~VelkGUI() override;

    int handle(int event) override;
    void resize(int x, int y, int w, int h) override;

    // Builds every widget of every screen.
    void makeWindows();
    // Connects the window to the engine and the clipboard file and sets the
    // menus from the engine's options.
    void init(Velk* engine, const char* clipboardName);
    // Switches to screen n; returns the top line to rebuild the list at when
    // the only-active view was left on the way, else 0.
    int showMain(int n);
    void hideAll();
    void setMenuActive();
    void UpdateCryptMenu();
    void updateClock();
    void showKeyboard(bool on);
    void CB_hideKbd();
    void initFakeKbd() {}

    // --- The list (screen 0) ---
    void showList(int topLine);
    void listViewClicked();
    void enterGroup(int row, bool select);
    void CB_Up();
    void toggleCompleted(int row, bool keep);
    int checkActiveJobs();
    void OpenItem(int row, bool descriptionFirst);
    void CB_Menu_VelkView(int view);
    void CB_CalFirstDay(int n);
    void CB_CalSpan(int days);
    void CB_Opts_sort(int type);
    void CB_Opts_View_flat();
    void CB_Opts_View_tree();
    void CB_Opts_View_scompleted();
    void CB_Opts_View_completedl();
    void CB_Opts_View_toggleTextSize();

    // --- Ending the run ---
    // How the window's run ended: not yet; with the data saved (or nothing to
    // save); or without saving, as the user confirmed.
    enum SessionEnd { SESSION_OPEN, SESSION_SAVED, SESSION_UNSAVED };
    // The save at the end of the run: 0 saved or nothing to save, else the
    // save failed and error says why. Set by the program entry.
    std::function<int(std::string& error)> saveAtEnd;
    SessionEnd sessionEnd() const { return sessionEnd_; }
    // Runs the save at the end before the window closes. When it fails the
    // window stays open and the user chooses: try again, save to another
    // file, or end without saving (confirmed once more). Result: true when
    // the window may close.
    bool finishSession();

    // --- Menus and buttons ---
    void CB_Done();
    void CB_Cancel();
    void ActOnSelected(int action);
    void CB_Menu_newTodo();
    void CB_Menu_newGroup();
    void CB_Menu_editGroup();
    void CB_Menu_delGroup();
    void CB_Menu_delCompl();
    void CB_Menu_paste();
    void CB_Menu_copyGroup();
    void CB_Menu_copyContent();
    // Opens the input screen for one of the INPUT_ modes.
    void showInput(int mode);
    // Tells the user when a write of the clipboard (or of an export file when
    // not toClipboard) failed, with the engine's result. Returns true when
    // result is 0 (written) and nothing was said.
    bool tellWriteResult(int result, const std::string& name, bool toClipboard);
    // Tells the user why an insert of the file name (the clipboard for a
    // paste) gave result: a group too deep (-1 at the deepest level) or a
    // file that cannot be read (-3).
    void tellReadResult(int result, const std::string& name, bool fromClipboard);
    void CB_Menu_Crypt_AddPwd();
    void CB_Menu_Crypt_Login();

    // --- Item editor (screens 2 to 4, gui/item_editor.cpp) ---
    // Opens the editor on the engine's current item: the description page when
    // force is set, or when descr is set and the item has a description; else
    // the basics page. The caller has taken the journal snapshot.
    void show_editToDoWin(bool descr, bool force);
    // "&Close": stores summary and description, journals a change, back to the list.
    void editToDo_Done();
    // Stores the summary and the description in the item.
    void editToDo_saveSettings();
    // Shows the date and time controls that fit the item's dates, with their texts.
    void editToDo_updateTimeThings();
    void editToDo_updateRecThings();
    void editToDo_updateTimeSum();
    // The done flag and the completion text from the item.
    void showToDoState();
    // Tells the user what completing a recurring todo did (results 1 and -1).
    void setCompletedMessage(int result);
    std::string GetDescrBuffer() const;
    void SetDescrBuffer(const char* text);
    void CB_editToDo_ExtEdit();
    void CB_editToDo_compl();
    void CB_editToDo_StrtStp();
    // p 1..6: the priority button p (item or group); -1: the todo flag changed.
    void CB_edit_Pr(int p);
    void CB_edit_isToDo();
    void CB_editToDo_showAs(int value);
    // u: DATE_BEGIN or DATE_END plus DATE_NONE, DATE_SELECT, DATE_TODAY or
    // DATE_BEGIN_PLUS_30.
    void CB_editToDo_Date(int u);
    // u: DATE_BEGIN or DATE_END plus DATE_NONE or DATE_SELECT.
    void CB_editToDo_Time(int u);
    void CB_editToDo_recurring();
    void CB_editToDo_crypt();
    // Wraps long description lines while typing.
    void CB_edit();
    void CB_editToDo_Menu_del();
    void CB_editToDo_Menu_copy();
    void CB_editToDo_Menu_showGroup();
    void CB_editToDo_Menu_t2Group();

    // --- Group editor (screen 5, gui/group_editor.cpp) ---
    void editGroup_Done();

    // --- State ---
    int screen = SCREEN_LIST;
    int halfWidth, halfHeight;
    std::string clipboardFile;
    std::string pathText;
    int titleLines = 0;
    bool groupFromList = false;
    int editTopLine = 0;
    int jobsTopLine = 0;
    Velk* engine = nullptr;
    int inputMode = INPUT_SEARCH;
    std::string rowBackground[3];
    char clockText[30] = "";
    int textSize = TEXT_SIZE_LARGE;
    std::string promptText;

    Fl_Button* kbdHideButton = nullptr;
    Fl_Box* kbdBox = nullptr;
    Fl_Browser* listView = nullptr;
    Fl_Button* titleButton = nullptr;
    Fl_Box* promptBox = nullptr;
    Fl_Button* cancelButton = nullptr;
    Fl_Input* inputField = nullptr;
    Fl_Box* aboutBox = nullptr;
    Fl_Button* closeButton = nullptr;
    Fl_Menu_Button* menuButton = nullptr;
    Fl_Button* newItemButton = nullptr;
    Fl_Button* upButton = nullptr;
    Fl_Button* jobsButton = nullptr;
    Fl_Button* calTodayButton = nullptr;
    Fl_Button* calSelectButton = nullptr;
    Fl_Button* calPrevButton = nullptr;
    Fl_Button* calMinusButton = nullptr;
    Fl_Button* calPlusButton = nullptr;
    Fl_Button* calNextButton = nullptr;
    // The item and group editors. The summary input, the priority buttons and
    // the time-sum box serve both.
    Fl_Input* editSummary = nullptr;
    Fl_Check_Button* editIsToDo = nullptr;
    Fl_Group* editPrioGroup = nullptr;
    Fl_Check_Button* editPrio[6] = {};
    Fl_Check_Button* editDone = nullptr;
    Fl_Box* editComplBox = nullptr;
    Fl_Box* editTimeSumBox = nullptr;
    Fl_Menu_Button* editBegDateMenu = nullptr;
    Fl_Menu_Button* editEndDateMenu = nullptr;
    Fl_Menu_Button* editBegTimeMenu = nullptr;
    Fl_Menu_Button* editEndTimeMenu = nullptr;
    Fl_Box* editBegBox = nullptr;
    Fl_Box* editEndBox = nullptr;
    Fl_Choice* editShowAs = nullptr;
    Fl_Button* editRecurring = nullptr;
    Fl_Check_Button* editCrypt = nullptr;
    Fl_Text_Editor* editDescr = nullptr;
    Fl_Menu_Button* editMenuButton = nullptr;
    Fl_Button* editPageButton = nullptr;
    Fl_Button* editStartStop = nullptr;
    Fl_Button* editExtEdit = nullptr;
    Fl_Browser* editTimesBrowser = nullptr;
    Fl_Menu_Button* groupMenuButton = nullptr;
    Fl_Box* groupCountBox = nullptr;

  private:
    // Tells the user once about every journal entry that could not be written
    // since the last time (a full disk, say).
    void tellJournalFailures();
    unsigned journalFailuresTold = 0;
    SessionEnd sessionEnd_ = SESSION_OPEN;
    // Refreshes the path above the list and the list's place (layout steps 3, 4).
    void layoutTitleAndList();
    // The line for row r of a normal, only-active or search view.
    void listLine(unsigned r, int lineIndex, std::string& line) const;
    // The line for row r of the calendar view; flips or resets the background.
    std::string calendarLine(unsigned r, int& background) const;
    // Pushes the list's top and selected lines onto the engine's stacks.
    void pushListPosition();
    // Pops the stacks; returns the top line (0 when empty) and the selected
    // line through selected (0 when empty).
    int popListPosition(int* selected);
    // The selected browser line, 0 when none.
    int selectedLine() const;
    // The row shown on browser line (1-based).
    unsigned rowOfLine(int line) const;
    // Sets the "show completed" and "completed last" entries of the View menu.
    void setViewToggles(bool showCompleted, bool completedLast);
    // Opens an item after a click or a key, with the login when needed.
    void openCurrentItem(bool descriptionFirst);

    // Editor parts (gui/item_editor.cpp, gui/group_editor.cpp).
    void makeEditorWidgets();
    void layoutEditors(int W, int H);
    void showItemPage(int n);
    void showGroupEditor();
    // The crypt flag is active only while a password is logged in.
    void updateCryptFlag();
    // Moves the start/stop button's label to the running state.
    void labelStartStop();

    std::string aboutText;
    std::unique_ptr<Fl_Text_Buffer> descrBuffer;
    // The description could be read when the editor opened; an enciphered one
    // that could not be is never overwritten by the (empty) editor text.
    bool descrReadable = true;
    std::string prioLabels[6];
    std::string complText, begText, endText, timeSum, groupCount, recText;
};

extern VelkGUI* mainWin;

// The main menu and the calendar menu of the menu button.
extern Fl_Menu_Item menu_Menu[];
extern Fl_Menu_Item menu_CalMenu[];
// The item editor's and the group editor's menus. The item menu's entries, in
// their order, each with its name, label, callback, data and flags (the
// table is built from this list in gui/item_editor.cpp); the names are the
// entries' positions in the table.
#define VELK_ITEM_MENU(ITEM, END)                                                                  \
    ITEM(EM_SHOWGROUP, "&go to item's group", cb_editToDo_Menu_showGroup, 0, 0)                    \
    ITEM(EM_DELETE, "cut/&delete", cb_editToDo_Menu_del, 0, 0)                                     \
    ITEM(EM_COPY, "&copy", cb_editToDo_Menu_copy, 0, 0)                                            \
    ITEM(EM_T2GROUP, "turn to group", cb_editToDo_Menu_t2Group, 0, FL_MENU_DIVIDER)                \
    ITEM(EM_BASICS, "&basics", cb_showScreen, SCREEN_ITEM_BASICS, FL_MENU_RADIO)                   \
    ITEM(EM_DESCRIPTION, "description/&text", cb_showScreen, SCREEN_ITEM_DESCRIPTION,              \
         FL_MENU_RADIO)                                                                            \
    ITEM(EM_TIMES, "times", cb_showScreen, SCREEN_ITEM_TIMES, FL_MENU_RADIO | FL_MENU_DIVIDER)     \
    ITEM(EM_KEYBOARD, "keyboard", cb_Menu_VelkView, VIEW_KEYBOARD, 0)
#define VELK_MENU_ID(id, ...) id,
#define VELK_MENU_END_ID(id) id,
enum ItemMenuEntry { VELK_ITEM_MENU(VELK_MENU_ID, VELK_MENU_END_ID) };
extern Fl_Menu_Item menu_EditToDoMenu[];
extern Fl_Menu_Item menu_EditGroupMenu[];

// Key bindings of the description editor. kill_selection removes the selected
// text and puts the cursor where it began; kf_backspace_word (Ctrl+BackSpace)
// deletes the selection, or the word before the cursor together with the
// blanks and marks between it and the cursor.
void kill_selection(Fl_Text_Editor* e);
int kf_backspace_word(int key, Fl_Text_Editor* e);

// Creates mainWin titled "Velk: " + data-file path, twice the stored half
// size (halfWidth x halfHeight), with its widgets.
void make_windows(const char* path, int halfWidth, int halfHeight);

// Callback of the main window: Escape does not close it; the close button
// (and every other way the window is asked to close) ends the program.
void cb_keypress_ESC(Fl_Widget* widget, void* data);

// Clock timer: re-arms itself every 30 seconds and refreshes the clock.
void updateClock(void* data);
