#pragma once
#include "gui/row_browser.h"
#include "gui/screen_part.h"

#include <cstdint>
#include <string>
#include <vector>

class Fl_Button;
class Fl_Menu_Button;

// Screen 0: the rows of the engine's current view as list lines under the
// path of the current group, the bottom bar ("&Menu", "&New Item", "..", the
// active-jobs button, the calendar's buttons) and the main and calendar
// menus; moving through the tree and the calendar with mouse and keys.
// gui/list_screen.cpp holds the list, gui/list_menus.cpp the menus and the
// bar, gui/list_actions.cpp what the menu entries do.
class ListScreen : public ScreenPart {
  public:
    using ScreenPart::ScreenPart;

    // The list and the path above it (made first, so they lie below the rest).
    void makeList(int W, int H);
    // The bottom bar, made last.
    void makeBar(int W, int H);
    // The list's and the bar's places for a window of W x H.
    void layout(int W, int H);
    // Shows the list screen's widgets; returns the top line to rebuild the
    // list at when the only-active view was left on the way, else 0.
    int show();
    // Sets the menus' radio and toggle entries from the engine's options.
    void initMenus();
    void setMenuActive();
    void updateCryptMenu();
    // Keys on the list screen; returns 1 (every key is taken).
    int handleKey(int key, int state);
    // The keys of the list (F1, "keys…"), from the table that binds them.
    void showKeys();
    // "&Close" on the list: keeps the top line and ends the run.
    void done();

    void showList(int topLine);
    // Builds the list anew where it stands, its selected lines kept.
    void refresh();
    // Takes the last step back (or makes it again) and shows its item selected.
    void takeStep(bool back);
    void listViewClicked();
    void enterGroup(int row, bool select);
    void up();
    void toggleCompleted(int row, bool keep);
    int checkActiveJobs();
    void openItem(int row, bool descriptionFirst);
    void changeView(int view);
    void calFirstDay(int n);
    void calSpan(int days);
    void sort(int type);
    void viewFlat();
    void viewTree();
    void toggleShowCompleted();
    void toggleCompletedLast();
    void toggleTextSize();
    // Sets what the list draws itself at the factor in use (its columns).
    void refreshAfterScale();
    // Searches for text, keeping the list's position for the way back.
    void search(const std::string& text);
    int textSize() const { return textSize_; }

    // What the menu entries do (gui/list_actions.cpp).
    void actOnSelected(int action);
    void newToDo();
    void newGroup();
    void deleteGroup();
    void deleteCompleted();
    void paste();
    void copyGroup();
    void copyContent();
    bool tellWriteResult(int result, const std::string& name, bool toClipboard);
    void tellReadResult(int result, const std::string& name, bool fromClipboard);
    // Writes the group shown (the whole tree outside the normal view) to the
    // iCalendar file, asking first whether enciphered descriptions may go
    // along in plain text, and says what was written.
    void exportICalendar(const std::string& file);
    // Takes the entries of the iCalendar file into a new group named after
    // it in the group shown, and says what was taken.
    void importICalendar(const std::string& file);
    void addPassword();
    void logIn();

    const std::string& pathText() const { return pathText_; }
    RowBrowser* listView() const { return listView_; }
    Fl_Menu_Button* menuButton() const { return menuButton_; }

  private:
    // Tells the user once about every journal entry that could not be written
    // since the last time (a full disk, say).
    void tellJournalFailures();
    // Refreshes the path above the list and the list's place (layout steps 3, 4).
    void layoutTitleAndList();
    // The line for row r of a normal, only-active or search view shown as
    // line i (from 0; it sets the stripes).
    void listLine(unsigned r, std::size_t i, std::string& line) const;
    // The line for row r of the calendar view on the background that the
    // lines before it set (an index of rowBackground).
    void calendarLine(unsigned r, int background, std::string& line) const;

    // The lines of the list, made from the engine's rows in display order
    // when the browser draws or asks for them.
    class ShownRows : public RowBrowser::Lines {
      public:
        explicit ShownRows(const ListScreen& screen) : screen_(screen) {}
        // Takes the engine's rows as they stand: the calendar's or a list's.
        void take(bool calendar);
        std::size_t count() const override { return kinds_.size(); }
        void text(std::size_t i, std::string& out) const override;
        unsigned shape(std::size_t i) const override { return kinds_[i] >> SHAPE_SHIFT; }

      private:
        // A line's kind: the index of its background in rowBackground (the
        // calendar's stripes restart under each day and depend on the lines
        // before) below SHAPE_SHIFT, its shape above.
        static constexpr unsigned SHAPE_SHIFT = 2;
        const ListScreen& screen_;
        bool calendar_ = false;
        std::vector<uint8_t> kinds_;
        // The shape of each row, in row order (take's working array).
        std::vector<uint8_t> rowShapes_;
    };
    // The selected browser line, 0 when none.
    int selectedLine() const;
    // The row shown on browser line (1-based).
    unsigned rowOfLine(int line) const;
    // Sets the "show completed" and "completed last" entries of the View menu.
    void setViewToggles(bool showCompleted, bool completedLast);
    // Opens an item after a click or a key, with the login when needed.
    void openCurrentItem(bool descriptionFirst);

    std::string pathText_;
    int titleLines = 0;
    int jobsTopLine = 0;
    std::string rowBackground[3];
    int textSize_ = 20;
    // The list's columns at the factor in use: the marker column, the rest.
    int columns_[2] = {};
    unsigned journalFailuresTold = 0;

    RowBrowser* listView_ = nullptr;
    ShownRows shownRows_{*this};
    Fl_Button* titleButton_ = nullptr;
    Fl_Menu_Button* menuButton_ = nullptr;
    // The labels of the menus' "undo" and "redo" entries, which name the step.
    std::string undoText_, redoText_;
    void updateStepMenu();
    Fl_Button* newItemButton_ = nullptr;
    Fl_Button* upButton_ = nullptr;
    Fl_Button* jobsButton_ = nullptr;
    Fl_Button* calTodayButton_ = nullptr;
    Fl_Button* calSelectButton_ = nullptr;
    Fl_Button* calPrevButton_ = nullptr;
    Fl_Button* calMinusButton_ = nullptr;
    Fl_Button* calPlusButton_ = nullptr;
    Fl_Button* calNextButton_ = nullptr;
};
