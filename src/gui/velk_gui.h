#pragma once
#include <FL/Fl_Box.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Button.H>
#include <FL/Fl_Menu_Item.H>
#include <string>

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
    void CB_Menu_Crypt_AddPwd();
    void CB_Menu_Crypt_Login();

    // --- Editors (screens 2 to 5) ---
    void show_editToDoWin(bool descr, bool force);
    void editToDo_Done();
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
    int textSize = 20;
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
    // The item editor's basics page and the group editor: the summary input.
    Fl_Input* summaryInput = nullptr;
    Fl_Box* editorInfoBox = nullptr;

  private:
    // Tells the user once about every journal entry that could not be written
    // since the last time (a full disk, say).
    void tellJournalFailures();
    unsigned journalFailuresTold = 0;
    // Refreshes the path above the list and the list's place (layout steps 3, 4).
    void layoutTitleAndList();
    // The line for row r of a normal, only-active or search view.
    std::string listLine(unsigned r, int lineIndex) const;
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

    std::string aboutText;
    std::string editorInfo;
};

extern VelkGUI* mainWin;

// The main menu and the calendar menu of the menu button.
extern Fl_Menu_Item menu_Menu[];
extern Fl_Menu_Item menu_CalMenu[];

// Creates mainWin titled "Velk: " + data-file path, twice the stored half
// size (halfWidth x halfHeight), with its widgets.
void make_windows(const char* path, int halfWidth, int halfHeight);

// Callback of the main window: Escape does not close it; the close button
// (and every other way the window is asked to close) ends the program.
void cb_keypress_ESC(Fl_Widget* widget, void* data);

// Clock timer: re-arms itself every 30 seconds and refreshes the clock.
void updateClock(void* data);
