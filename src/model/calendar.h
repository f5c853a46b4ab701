#pragma once
#include "model/datetime.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class ToDoListToDo;

// One entry of a dated calendar list: the item (not owned) and its key, taken
// when the entry was made: the end for a todo, the begin for an appointment or
// note. filed numbers the entries of a list in the order they were made.
struct T_DatedCalListItem {
    ToDoListToDo* item = nullptr;
    packedDT key = DT_EMPTY;
    uint32_t filed = 0;
};

// Where an item is filed, kept in the item so that a list finds its entry
// without an index of its own: the list and the key of the entry.
// An item filed more than once (the lists allow it) no longer trusts this and
// is looked for entry by entry until it is in no list again. A copy of an item
// is in no list, and assigning an item keeps the target's own place.
struct T_CalPlace {
    T_CalPlace() = default;
    T_CalPlace(const T_CalPlace&) {}
    T_CalPlace& operator=(const T_CalPlace&) { return *this; }

    const void* list = nullptr; // the list of the only entry; null in none
    packedDT key = DT_EMPTY;
    uint16_t entries = 0; // entries of the item in all lists
    bool several = false; // filed more than once since it was last in no list
};

// A dated calendar list: entries sorted by key in ascending unsigned order
// (values without a date last), entries with equal keys newest first.
//
// The entries lie in one sorted array, which the calendar walks as it is, and
// which takes 16 bytes per entry. Filing one entry puts it into a small sorted
// array beside it, unfiling marks its place in the large one as empty (found
// by binary search for the item's key, then among the entries of that key);
// once either grows past about the
// square root of the size, or the calendar wants the entries in order, the
// two are merged in one pass. A data file is read with the list deferred:
// its entries are collected unsorted and sorted once at the end.
class T_DatedCalList {
  public:
    using const_iterator = std::vector<T_DatedCalListItem>::const_iterator;

    // Entries are numbered from firstNumber on (a test starts near the end of
    // the numbers).
    explicit T_DatedCalList(uint32_t firstNumber = 0) : nextFiled(firstNumber) {}

    // Inserts the entry before the first entry whose key is not less than key.
    void file(ToDoListToDo* item, packedDT key);
    // Erases the first entry (from the front) of item; nothing when there is none.
    void unfile(ToDoListToDo* item);
    bool contains(const ToDoListToDo* item) const;
    // Empties the list; its items stay and are in it no more.
    void clear();
    // Empties the list without looking at its items, for a tree that goes
    // away as a whole: its items must not be filed or unfiled again.
    void drop();

    // While deferred, file() only collects its entries; ending the deferral
    // sorts them once, with the same result as filing them one at a time. A
    // data file names its entries in no date order.
    void defer(bool on);

    const_iterator begin() const { return inOrder().begin(); }
    const_iterator end() const { return inOrder().end(); }
    std::size_t size() const;
    bool empty() const { return size() == 0; }
    // The entries in list order in one contiguous array, for the calendar's
    // walks.
    const std::vector<T_DatedCalListItem>& inOrder() const;

  private:
    static bool before(const T_DatedCalListItem& a, const T_DatedCalListItem& b) {
        if (a.key != b.key) return a.key < b.key;
        return a.filed > b.filed; // newest first
    }
    // before as a type of its own, so that the sorts inline it: through a
    // function pointer the sort of 100,000 entries at a load took twice as
    // long.
    struct Before {
        bool operator()(const T_DatedCalListItem& a, const T_DatedCalListItem& b) const {
            return before(a, b);
        }
    };
    // The largest number of recent entries or empty places kept apart.
    std::size_t apartLimit() const;
    void merge() const;
    // Erases the entry of item with that key (and that number, when given).
    void erase(const ToDoListToDo* item, packedDT key, const uint32_t* filed);
    // Numbers the entries anew from 1, keeping their order, when the numbers
    // have run out.
    void renumber();

    mutable std::vector<T_DatedCalListItem> main;  // sorted; item null where unfiled
    mutable std::vector<T_DatedCalListItem> added; // sorted; filed since the last merge
    mutable std::size_t holes = 0;                 // unfiled places in main
    mutable bool unsorted = false;                 // main and collected unsorted
    // Entries collected while deferred, in blocks of a fixed size, so that a
    // growing array is never copied and twice the size held for a while.
    mutable std::vector<std::vector<T_DatedCalListItem>> collected;
    bool deferred = false;
    uint32_t nextFiled;
};

// A recurring calendar list: items in the order in which they were filed.
// Few entries recur, so the list is one array.
class T_RecCalList {
  public:
    using const_iterator = std::vector<ToDoListToDo*>::const_iterator;

    // Appends the item at the end.
    void file(ToDoListToDo* item);
    // Erases the first entry (from the front) of item; nothing when there is none.
    void unfile(ToDoListToDo* item);
    bool contains(const ToDoListToDo* item) const;
    // As T_DatedCalList::clear and drop.
    void clear();
    void drop() { items.clear(); }

    const_iterator begin() const { return items.begin(); }
    const_iterator end() const { return items.end(); }
    std::size_t size() const { return items.size(); }
    bool empty() const { return items.empty(); }

  private:
    std::vector<ToDoListToDo*> items;
};

// The calendar lists: every dated entry of the tree, indexed by kind and by
// recurrence, so that the calendar view does not walk the tree. The lists
// point at entries but own none; an entry must be unfiled before it is deleted
// and before a field that decides its list or key changes.
class T_Calendar {
  public:
    T_Calendar();
    T_Calendar(const T_Calendar&) = delete;
    T_Calendar& operator=(const T_Calendar&) = delete;

    // Empties all six lists in one step, for a tree that goes away as a whole:
    // its entries are not unfiled one by one and its items not looked at, as
    // nothing points at them any more. Deleting single entries or groups
    // during a run still unfiles them.
    void clearLists();
    // Defers the indexing of the dated lists while many entries are filed at
    // once (a file being read), and builds them when deferring ends.
    void deferDatedLists(bool on);

    packedDT date;     // first day shown by the calendar view
    uint32_t days = 7; // number of days shown
    T_RecCalList recToDos;
    T_DatedCalList datedToDos; // by end date-time
    T_RecCalList recAppointments;
    T_DatedCalList datedAppointments; // by begin date-time
    T_RecCalList recNotes;
    T_DatedCalList datedNotes; // by begin date-time
};
