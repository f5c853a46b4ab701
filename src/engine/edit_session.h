#pragma once
#include "engine/item_tree.h"
#include "engine/navigation.h"

#include <memory>

class CryptMan;

// The changes the item and group editors make to the current item and group,
// with the snapshots taken when an editor opens, by which the journal learns
// whether anything changed when it closes. Every change that moves an entry
// in time files it again in the calendar lists, and starting, stopping or
// completing a todo keeps the running count.
//
// Depends on ItemTree (calendar lists, running count) and Navigation (the
// current item and group). The item operations use it for the entries they
// make.
class EditSession {
  public:
    EditSession(ItemTree& tree, Navigation& nav, CryptMan& crypt);

    // --- The current item (the user interface selects it first) ---
    void setItemPriority(unsigned prio);
    // 0 and text set, -1 no description text, or the item's own error code.
    int getItemDescription(const char*& text);
    void setShowTimeAs(int value);
    // Completes the current item; a running todo stops and the running count
    // drops. Results as ToDoListToDo::setCompleted; -1 without a current item.
    int setItemCompleted();
    // Starts or stops time recording; the running count follows a change.
    // -1 without a current item.
    int setItemRunning(bool on);
    void setDate(int which, int year, int month, int day);
    void setDateToday(int which);
    void clearDate(int which);
    void setTime(int which, int hour, int minute);
    void clearTime(int which);
    // Results: REC_KEPT (also without a current item), or why the item's
    // dates made the rule drop back to none (RecurrenceReset).
    int setRecData(T_recData rec);
    void clearRecData();

    // --- Changes that keep begin and end in order and the kind consistent
    // (item_edit.cpp) ---
    // "Begin + 30 min": the end takes the begin's date and the begin's time
    // plus 30 minutes (carried into the next day, month and year), or no time
    // when the begin has none. Nothing changes while the begin has no date.
    void setEndToBeginPlus30();
    // Sets the begin date. When the begin and the end both had a date, the end
    // moves by as many days as the begin, so the item keeps its length.
    void setBeginDateMovingEnd(int year, int month, int day);
    // Sets the begin time. When the begin had a time and the end has a date
    // and a time, the end moves by as many minutes as the begin (an end
    // without a date or time stays as it is).
    void setBeginTimeMovingEnd(int hour, int minute);
    // true: an appointment or note becomes a todo of priority 3. false: a
    // todo becomes an appointment when it is shown as busy, else a note.
    void setItemIsToDo(bool todo);
    // Whether the current item's description is to be stored enciphered.
    bool getItemSaveCrypt() const;
    void setItemSaveCrypt(bool on);

    // --- The current group ---
    bool toggleGroupShowCompleted();
    bool toggleGroupCompletedLast();

    // --- Snapshots for the journal ---
    void rememberTodo();
    void forgetTodo() {
        todoSnapshot.reset();
        todoRecurrenceEdited = false;
    }
    // True when the current todo differs from its snapshot, is new, or had
    // its recurrence rule changed (the todo comparison leaves out the
    // recurrence interval, which must reach the journal all the same).
    bool todoHasChanged() const;
    void rememberGroup();
    void forgetGroup() { groupSnapshot.reset(); }
    bool groupHasChanged() const;
    // The current item was just made: it is to be journaled even unchanged.
    void newItem() { newItemFlag = true; }
    // The current item or group reached the journal.
    void itemJournaled() { newItemFlag = false; }
    // The snapshots (null when none were taken), and whether the current item is new.
    ToDoListToDo* todoBefore() const { return todoSnapshot.get(); }
    ToDoListGroup* groupBefore() const { return groupSnapshot.get(); }
    bool isNewItem() const { return newItemFlag; }

  private:
    ItemTree& tree;
    Navigation& nav;
    CryptMan& crypt;
    std::unique_ptr<ToDoListToDo> todoSnapshot;
    std::unique_ptr<ToDoListGroup> groupSnapshot;
    bool newItemFlag = false;
    // setRecData changed the current todo's rule since the snapshot.
    bool todoRecurrenceEdited = false;
};
