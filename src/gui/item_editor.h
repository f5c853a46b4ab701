#pragma once
#include "gui/screen_part.h"

#include <memory>
#include <string>

class Fl_Box;
class Fl_Browser;
class Fl_Button;
class Fl_Check_Button;
class Fl_Choice;
class Fl_Group;
class Fl_Input;
class Fl_Menu_Button;
class Fl_Text_Buffer;
class Fl_Text_Editor;

// Screens 2 (basics), 3 (recorded times) and 4 (description): the editor of
// the engine's current item. Every change goes to the item at once, except
// the summary and the description, which are stored when the editor is left.
// The summary input, the priority buttons and the time-sum box serve the group
// editor as well. gui/item_editor.cpp holds the basics page,
// gui/item_editor_layout.cpp the widgets and pages, gui/description_editor.cpp
// the description page and gui/item_menu.cpp the item menu. The members named
// after the window's (CB_…, editToDo_…) are what the window forwards to.
class ItemEditor : public ScreenPart {
  public:
    using ScreenPart::ScreenPart;
    ~ItemEditor();

    void make(int W, int H);
    void layout(int W, int H);
    // Shows page n (SCREEN_ITEM_BASICS, _TIMES or _DESCRIPTION).
    void showPage(int n);
    // Keys on the editor's pages; returns 1 when the key was used.
    int handleKey(int key, int state);
    // The crypt flag is active only while a password is logged in.
    void updateCryptFlag();
    // The description editor goes before the buffer it shows.
    void destroyDescriptionEditor();

    void show_editToDoWin(bool descr, bool force);
    void editToDo_Done();
    void editToDo_saveSettings();
    void editToDo_updateTimeThings();
    void editToDo_updateRecThings();
    void editToDo_updateTimeSum();
    void showToDoState();
    void setCompletedMessage(int result);
    std::string GetDescrBuffer() const;
    void SetDescrBuffer(const char* text);
    void CB_editToDo_ExtEdit();
    void CB_editToDo_compl();
    void CB_editToDo_StrtStp();
    void CB_edit_Pr(int p);
    void CB_edit_isToDo();
    void CB_editToDo_showAs(int value);
    void CB_editToDo_remind(int minutes);
    void CB_editToDo_Date(int u);
    void CB_editToDo_Time(int u);
    void CB_editToDo_recurring();
    void CB_editToDo_crypt();
    void CB_edit();
    void CB_editToDo_Menu_del();
    void CB_editToDo_Menu_copy();
    void CB_editToDo_Menu_showGroup();
    void CB_editToDo_Menu_t2Group();
    void CB_editToDo_Menu_skipDay();
    // The keys of the editor (F1, "keys…").
    void showKeys();
    void CB_editToDo_clearSkipped();
    // The list row the item is opened from, the day "skip this day" refers to
    // in the calendar. The engine checks that the row still shows the item.
    void setOpenedRow(int row) { openedRow = row; }

    Fl_Input* editSummary() const { return editSummary_; }
    Fl_Group* editPrioGroup() const { return editPrioGroup_; }
    Fl_Check_Button* editPrio(int i) const { return editPrio_[i]; }
    Fl_Box* editTimeSumBox() const { return editTimeSumBox_; }
    Fl_Menu_Button* editBegDateMenu() const { return editBegDateMenu_; }
    Fl_Menu_Button* editEndDateMenu() const { return editEndDateMenu_; }
    Fl_Menu_Button* editBegTimeMenu() const { return editBegTimeMenu_; }
    Fl_Menu_Button* editEndTimeMenu() const { return editEndTimeMenu_; }
    Fl_Box* editBegBox() const { return editBegBox_; }
    Fl_Box* editEndBox() const { return editEndBox_; }
    Fl_Button* editRecurring() const { return editRecurring_; }
    Fl_Menu_Button* editRemind() const { return editRemind_; }
    Fl_Check_Button* editCrypt() const { return editCrypt_; }
    Fl_Text_Editor* editDescr() const { return editDescr_; }
    Fl_Menu_Button* editMenuButton() const { return editMenuButton_; }
    Fl_Button* editPageButton() const { return editPageButton_; }
    Fl_Browser* editTimesBrowser() const { return editTimesBrowser_; }
    Fl_Box* editSkippedBox() const { return editSkippedBox_; }
    Fl_Button* editClearSkipped() const { return editClearSkipped_; }

  private:
    // Moves the start/stop button's label to the running state.
    void labelStartStop();
    // The count of skipped days with "clear skipped" (basics page, only when
    // there are any) and "skip this day" in the menu.
    void updateSkipThings();

    std::unique_ptr<Fl_Text_Buffer> descrBuffer;
    // The description could be read when the editor opened; an enciphered one
    // that could not be is never overwritten by the (empty) editor text.
    bool descrReadable = true;
    std::string prioLabels[6];
    std::string complText, begText, endText, timeSum, recText, skippedText, remindText;
    int openedRow = -1;

    Fl_Input* editSummary_ = nullptr;
    Fl_Check_Button* editIsToDo_ = nullptr;
    Fl_Group* editPrioGroup_ = nullptr;
    Fl_Check_Button* editPrio_[6] = {};
    Fl_Check_Button* editDone_ = nullptr;
    Fl_Box* editComplBox_ = nullptr;
    Fl_Box* editTimeSumBox_ = nullptr;
    Fl_Menu_Button* editBegDateMenu_ = nullptr;
    Fl_Menu_Button* editEndDateMenu_ = nullptr;
    Fl_Menu_Button* editBegTimeMenu_ = nullptr;
    Fl_Menu_Button* editEndTimeMenu_ = nullptr;
    Fl_Box* editBegBox_ = nullptr;
    Fl_Box* editEndBox_ = nullptr;
    Fl_Choice* editShowAs_ = nullptr;
    Fl_Button* editRecurring_ = nullptr;
    Fl_Menu_Button* editRemind_ = nullptr;
    Fl_Check_Button* editCrypt_ = nullptr;
    Fl_Box* editSkippedBox_ = nullptr;
    Fl_Button* editClearSkipped_ = nullptr;
    Fl_Text_Editor* editDescr_ = nullptr;
    Fl_Menu_Button* editMenuButton_ = nullptr;
    Fl_Button* editPageButton_ = nullptr;
    Fl_Button* editStartStop_ = nullptr;
    Fl_Button* editExtEdit_ = nullptr;
    Fl_Browser* editTimesBrowser_ = nullptr;
};
