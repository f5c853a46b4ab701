#pragma once
#include "engine/editor_text.h"
#include "model/datetime.h"
#include "model/recurrence.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class Velk;
struct T_SaveReport;

// One entry to add without the window: a todo (priority 1 to 6), an
// appointment (PRIO_APPOINTMENT) or a note (PRIO_NOTE), with its summary,
// optional begin and due (end) date-times and the path of its group.
struct T_NewItem {
    std::string summary;
    std::string groupPath; // names from the top separated by "/"; "" the top level
    unsigned priority = 3;
    packedDT begin = DT_EMPTY;
    packedDT due = DT_EMPTY;
};

// The actions of the window, each one call that does the whole rule of the
// action: the change, its journal entry, the recount of the groups and the
// view that follows. They are written against the organizer's own interface,
// so that the window never strings the steps together itself.
class UserActions {
  public:
    explicit UserActions(Velk& organizer) : v(organizer) {}

    // Moves the calendar's first day to today, or back or forward by the
    // span shown or by one day.
    void stepCalendar(int step);
    // Makes the picked day the calendar's first day; the time bits stay.
    void setCalendarDay(int year, int month, int day);
    // Completes the todo shown at display position row, or takes its
    // completion back, journals the change and recounts the groups.
    // Results: when it completes, setItemCompleted's (0 done; 1 a recurring
    // todo moved on to its next date; -1 not due yet, nothing changed);
    // when it takes back, clearItemCompleted's (0, or -2 nothing to take back).
    int toggleRowCompleted(unsigned row);
    // A click on a calendar marker row: a day header makes an appointment on
    // its day, a blank separator a todo (priority 3, left half) or a note
    // (right half); the new item is marked for the journal. Results: 0 an
    // appointment or todo was made; 1 a note was made; -1 nothing was made
    // (another row, or refused).
    int newItemAtRow(unsigned row, bool leftHalf);
    // "New Item": a todo in the current group, marked for the journal.
    // Results: 0 made; -1 refused.
    int newToDoForEditing();
    // "New group": a group in the current group, made current and marked for
    // the journal; in the tree view the list's position (topLine,
    // selectedLine) is kept for the way back. Results: 0 made; -1 refused;
    // -2 refused because the current group is at the deepest level
    // (GROUPS_TOO_DEEP tells the user).
    int newGroupForEditing(int topLine, int selectedLine);
    // Opening the current item in the editor takes the journal snapshot.
    // Results: 0 taken; 1 its description is enciphered and nobody is logged
    // in, nothing done (the login comes first).
    int beginItemEdit();
    // Opening the group editor on the current group takes the journal
    // snapshot. Results: 0 taken; -1 in the root group, nothing done.
    int beginGroupEdit();
    // Opening the group editor on the group shown at display position row:
    // the current group is remembered, the row's group becomes current and
    // its snapshot is taken.
    void beginGroupEditAtRow(unsigned row);
    // Stores the item editor's summary and description (description null:
    // the description was unreadable and stays as it is).
    void storeItemText(const std::string& summary, const char* description);
    // Closing the item editor: stores its texts, journals the item when it
    // changed, forgets the snapshot and recounts the groups.
    void closeItemEditor(const std::string& summary, const char* description);
    // "go to item's group" in the search, calendar and only-active views:
    // closes the editor as above and shows the normal view of the item's
    // group, from its top. Results: 0 done; -1 already in the normal view,
    // nothing done (closing the editor is all that is left to do).
    int showGroupOfCurrentItem(const std::string& summary, const char* description);
    // "turn to group": stores the editor's texts and turns the current todo
    // into a group; in the tree view the list returns to topLine when the
    // group is left. Results: turnCurItem2Group's (0 done; -1 refused).
    int turnCurrentItemIntoGroup(const std::string& summary, const char* description, int topLine);
    // Deletes the current todo, forgets its snapshot and recounts the groups.
    // Results: delToDo's (0 deleted; -1 refused, nothing changed).
    int deleteCurrentItem();
    // Closing the group editor: stores the summary, journals the group when
    // it changed, forgets the snapshot, recounts, and returns to the group
    // remembered when the editor was opened from a list row.
    void closeGroupEditor(const std::string& summary, bool backToRememberedGroup);
    // Deletes the current group after forgetting its snapshot. Results:
    // delCurGroup's (0 deleted; -1 refused).
    int deleteCurrentGroup();
    // Deletes the items shown at the display positions rows (ascending),
    // last first so that the positions stay valid, and recounts.
    void deleteRows(const std::vector<unsigned>& rows);
    // Leaves the only-active view when no todo runs any more. Result: true
    // when it was left.
    bool leaveIdleActiveView();
    // The flat view forgets the list positions kept for the tree.
    void useFlatView();
    // The todo flag of the item editor: a todo becomes an appointment or
    // note and back. Result: true when the item is now a todo.
    bool toggleItemIsToDo();
    // Starts or stops the current todo's time recording.
    void toggleItemRunning();
    // Brings the current item's dates into order and says which date and
    // time controls fit them; an item that cannot be shown as busy is shown
    // as free.
    DateControls refreshItemDates();
    // A date or time picked for the current item's begin (which != 0) or end
    // (which == 0): a new begin moves the end along (setBeginDateMovingEnd,
    // setBeginTimeMovingEnd), a new end is set alone.
    void setPickedDate(int which, int year, int month, int day);
    void setPickedTime(int which, int hour, int minute);
    // The current item's recurrence rule from the recurrence selector; the
    // dates follow. Results as setRecData.
    int applyRecurrence(const T_recData& rec);
    // The date a rule of the current item refers to (the due date of a todo,
    // else the begin): its day, month and weekday (0 Monday; 0 without a date).
    void recurrenceReference(int& day, int& month, int& weekday) const;
    // "skip this day" of the item menu, for the current item opened from the
    // calendar row at display position row: offered when that row shows the
    // current item and the item repeats in the calendar.
    bool canSkipDayAtRow(unsigned row) const;
    // Leaves out the current item's occurrence whose rows include the day of
    // that row (occurrenceAnchorOn) and journals the item as one entry. The
    // journal snapshot is taken anew, so that closing an editor open on the
    // item journals only what changes after. Results: 0 skipped; -1 refused,
    // nothing changed (not offered, an overdue row, or no occurrence that is
    // not skipped covers the row's day).
    int skipDayAtRow(unsigned row);
    // The list positions kept for every group entered in the tree view: the
    // list's top line and selected line (1-based, 0 none) at that moment.
    void pushListPosition(int topLine, int selectedLine);
    // Takes the last position kept; returns its top line (0 when none kept)
    // and its selected line through selected (0 when none kept).
    int popListPosition(int* selected);
    // Enters the group shown at display position row; in the tree view the
    // list's position is kept for the way back.
    void enterGroupAtRow(unsigned row, int topLine, int selectedLine);
    // Goes up one level (or leaves the search view) and gives the list's
    // position kept for it. Results: 0 done; -1 nothing changed.
    int leaveGroup(int& topLine, int& selectedLine);
    // Searches for text; in the tree view the list's position is kept when
    // the search starts from the normal view.
    void searchFor(const std::string& text, int topLine, int selectedLine);
    // Switches the main view to MAINVIEW_NORMAL, _ACTIVE (again: back to the
    // view before) or _CALENDAR, keeping each view's top line: topLine is the
    // list's top line now, jobsTopLine the one of the view the only-active
    // view was entered from. Result: the top line to show the new view at.
    int switchMainView(int view, int topLine, int& jobsTopLine);
    // Keeps the list's top line for the view shown, for the next start.
    void keepListTopLine(int topLine);
    // Rebuilds the rows of the main view; outside the calendar the view
    // options follow the current group's settings.
    void buildView();
    // Opens the data file at start-up into a new, empty organizer. Results
    // as readData.
    int openDataFile(const char* name);
    // The start-up merge: replays the journal files that a run which did not
    // end normally left onto the loaded tree; when an entry was applied, saves
    // the data file with them in one commit (saveResult and report: saveData's
    // result and report); then, unless that save failed, sets aside the
    // journal files behind a gap in the numbering (strays: old and new
    // names). Results as incsave_readFiles: 0 nothing replayed; 1 replayed
    // and saved as saveResult says; -1, -2, -3, -4 nothing may be written,
    // error says why (nothing saved or set aside).
    int mergeJournalAtStart(std::string& error, int& saveResult, T_SaveReport& report,
                            std::vector<std::pair<std::string, std::string>>& strays);
    // The save at the end of a run: only when the journal holds changes of
    // this run (or a change waits for it), when always is set, or when a
    // password was added. Results: 1 nothing to save; else saveData's.
    int saveChangesAtEnd(bool always, T_SaveReport& report);

    // Adds the entry to the group at item.groupPath as "New Item" and
    // closing its editor do, and journals it as one new-item entry. Results:
    // 0 added and journaled, syncID says its sync ID; ADD_NO_GROUP (-1) the
    // group path names no single group, error says why (nothing added);
    // ADD_NOT_JOURNALED (-2) the journal entry could not be written (the
    // entry is in the tree and waits for the journal).
    static constexpr int ADD_NO_GROUP = -1;
    static constexpr int ADD_NOT_JOURNALED = -2;
    int addItem(const T_NewItem& item, uint32_t& syncID, std::string& error);

  private:
    Velk& v;
};
