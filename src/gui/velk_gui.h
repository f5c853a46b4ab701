#pragma once
#include "gui/menu_items.h"
#include "gui/row_browser.h"
#include "gui/ui_scale.h"

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
enum {
    INPUT_SEARCH = 0,
    INPUT_EXPORT_GROUP = 1,
    INPUT_EXPORT_CONTENT = 2,
    INPUT_IMPORT = 3,
    INPUT_EXPORT_ICS = 4,
    INPUT_IMPORT_ICS = 5
};

class AboutScreen;
class GroupEditor;
class InputScreen;
class ItemEditor;
class ListScreen;
class SyncWatch;
class ToDoListToDo;

// The one window of Velk. It holds the screens (the list, About, the item and
// group editors, a one-line input), shows one at a time and hands each user
// action to the screen that owns it; the screens ask the engine. The CB_ and
// other members of the window are the names the rest of the program uses;
// each forwards to its screen.
class VelkGUI : public Fl_Double_Window {
  public:
    VelkGUI(int w, int h, const char* title);
    ~VelkGUI() override;

    int handle(int event) override;
    void resize(int x, int y, int w, int h) override;
    // Shows everything at factor s (rounded to a quarter, within the limits),
    // the window grown or shrunk with it.
    void setScale(double s);
    // Where the sizes of the widgets at factor 1 are kept; a font size changed
    // while the window is shown is set through it.
    ScaledLayout& scaledLayout() { return scaledLayout_; }

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

    // --- The list (screen 0, gui/list_screen.h) ---
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
    // The save at the end of the run: 0 saved or nothing to save;
    // SAVED_NOT_SYNCED (-2) saved, but the folder could not be synced (error
    // says why); else the save failed and error says why. Set by the program
    // entry.
    static constexpr int SAVED_NOT_SYNCED = -2;
    using SaveAtEnd = std::function<int(std::string& error)>;
    void setSaveAtEnd(SaveAtEnd save) { saveAtEnd_ = std::move(save); }
    SessionEnd sessionEnd() const { return sessionEnd_; }
    // Runs the save at the end before the window closes. When it fails the
    // window stays open and the user chooses: try again, save to another
    // file, or end without saving (confirmed once more). Result: true when
    // the window may close.
    bool finishSession();

    // --- Menus and buttons (the list's menu, gui/list_actions.cpp) ---
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
    // Asks before a file named by the user is replaced: true when nothing
    // is at name (not even a link, a folder or a pipe) or when the user
    // chose "Replace"; false for "Cancel", which Enter picks, and for a box
    // closed without an answer.
    bool confirmReplace(const std::string& name);
    void CB_Menu_Crypt_AddPwd();
    void CB_Menu_Crypt_Login();

    // --- Sync with a CalDAV server (gui/sync_watch.h) ---
    // The window's sync; without one the sync entries say that there is none.
    void setSyncWatch(SyncWatch* sync) { sync_ = sync; }
    void CB_Menu_syncAccount();
    void CB_Menu_syncNow();
    // "undo" (back) and "redo" in the menus.
    void CB_Menu_step(bool back);
    // "keys…": the keys of the list, as F1 shows them.
    void CB_Menu_keys();
    // After a sync changed the tree: the list is built anew (at once when
    // shown), so that no line stands for an entry the sync removed.
    void refreshAfterSync();
    // The entry the item editor shows; null when it is not open.
    const ToDoListToDo* editedEntry() const;
    // Whether one of the item editor's pages is shown.
    bool showsItemEditor() const {
        return screen_ == SCREEN_ITEM_BASICS || screen_ == SCREEN_ITEM_TIMES ||
               screen_ == SCREEN_ITEM_DESCRIPTION;
    }
    // Ends the window as "Exit" in the list does: the final save, then the
    // window closes (not when the user keeps it open).
    void endSession();

    // --- Item editor (screens 2 to 4, gui/item_editor.h) ---
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
    void CB_editToDo_remind(int minutes);
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
    // "skip this day": only for a repeating entry opened from its calendar row.
    void CB_editToDo_Menu_skipDay();
    void CB_editToDo_Menu_keys();
    void CB_editToDo_clearSkipped();

    // --- Group editor (screen 5, gui/group_editor.h) ---
    void editGroup_Done();

    // --- State that the screens share ---
    int screen() const { return screen_; }
    int halfWidth() const { return halfWidth_; }
    int halfHeight() const { return halfHeight_; }
    Velk* engine() const { return engine_; }
    const std::string& clipboardFile() const { return clipboardFile_; }
    // The list's top line when an editor opened, to return to on closing.
    int editTopLine() const { return editTopLine_; }
    void setEditTopLine(int line) { editTopLine_ = line; }
    // The "&Close" button of About, the editors and the input screen.
    Fl_Button* closeButton() const { return closeButton_; }

    // --- The screens and their widgets, for the screens and the tests ---
    ListScreen& listScreen() const { return *list_; }
    ItemEditor& itemEditor() const { return *item_; }
    GroupEditor& groupEditor() const { return *group_; }
    const std::string& pathText() const;
    RowBrowser* listView() const;
    Fl_Menu_Button* menuButton() const;
    Fl_Box* promptBox() const;
    Fl_Input* inputField() const;
    Fl_Box* aboutBox() const;
    Fl_Input* editSummary() const;
    Fl_Group* editPrioGroup() const;
    Fl_Check_Button* editPrio(int i) const;
    Fl_Box* editTimeSumBox() const;
    Fl_Menu_Button* editBegDateMenu() const;
    Fl_Menu_Button* editEndDateMenu() const;
    Fl_Menu_Button* editBegTimeMenu() const;
    Fl_Menu_Button* editEndTimeMenu() const;
    Fl_Box* editBegBox() const;
    Fl_Box* editEndBox() const;
    Fl_Button* editRecurring() const;
    Fl_Check_Button* editCrypt() const;
    Fl_Text_Editor* editDescr() const;
    Fl_Menu_Button* editMenuButton() const;
    Fl_Button* editPageButton() const;
    Fl_Browser* editTimesBrowser() const;
    Fl_Box* editSkippedBox() const;
    Fl_Menu_Button* editRemind() const;
    Fl_Button* editClearSkipped() const;

  private:
    int screen_ = SCREEN_LIST;
    void setSizeRange();
    // The window's half sizes at factor 1: the sizes its screens are laid
    // out in, and the ones the session keeps.
    int halfWidth_, halfHeight_;
    ScaledLayout scaledLayout_;
    std::string clipboardFile_;
    int editTopLine_ = 0;
    Velk* engine_ = nullptr;
    char clockText_[30] = "";
    SaveAtEnd saveAtEnd_;
    SessionEnd sessionEnd_ = SESSION_OPEN;
    SyncWatch* sync_ = nullptr;

    Fl_Button* kbdHideButton_ = nullptr;
    Fl_Box* kbdBox_ = nullptr;
    Fl_Button* closeButton_ = nullptr;
    std::unique_ptr<ListScreen> list_;
    std::unique_ptr<AboutScreen> about_;
    std::unique_ptr<InputScreen> input_;
    std::unique_ptr<ItemEditor> item_;
    std::unique_ptr<GroupEditor> group_;
};

extern VelkGUI* mainWin;

// The main menu and the calendar menu of the menu button.
extern Fl_Menu_Item menu_Menu[];
extern Fl_Menu_Item menu_CalMenu[];
// The item editor's and the group editor's menus. The item menu's entries, in
// their order, each with its name, label, callback, data and flags (the
// table is built from this list in gui/item_editor_layout.cpp); the names are the
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
    ITEM(EM_KEYBOARD, "keyboard", cb_Menu_VelkView, VIEW_KEYBOARD, 0)                              \
    ITEM(EM_SKIPDAY, "skip this day", cb_editToDo_Menu_skipDay, 0, FL_MENU_INVISIBLE)              \
    ITEM(EM_KEYS, "keys…", cb_editToDo_Menu_keys, 0, 0)
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
// size (halfWidth x halfHeight, at factor 1) shown at the factor in use, with
// its widgets.
void make_windows(const char* path, int halfWidth, int halfHeight);

// Callback of the main window: Escape does not close it; the close button
// (and every other way the window is asked to close) ends the program.
void cb_keypress_ESC(Fl_Widget* widget, void* data);

// Clock timer: re-arms itself every 30 seconds and refreshes the clock.
void updateClock(void* data);
