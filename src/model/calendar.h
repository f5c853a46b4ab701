#pragma once
#include "model/arena_held.h"
#include "model/datetime.h"

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory_resource>
#include <set>
#include <unordered_map>
#include <vector>

class ToDoListToDo;

// One entry of a dated calendar list: the item (not owned) and its key, taken
// when the entry was made: the end for a todo, the begin for an appointment or
// note. filed numbers the entries of a list in the order they were made.
struct T_DatedCalListItem {
    ToDoListToDo* item = nullptr;
    packedDT key = DT_EMPTY;
    uint64_t filed = 0;
};

// A dated calendar list: entries sorted by key in ascending unsigned order
// (values without a date last), entries with equal keys newest first. Filing
// and unfiling take logarithmic time, so that a data file that is not sorted
// by date loads quickly. The list's nodes live in a pool of their own, so that
// emptying it frees them in bulk.
class T_DatedCalList {
    struct Order {
        bool operator()(const T_DatedCalListItem& a, const T_DatedCalListItem& b) const {
            if (a.key != b.key) return a.key < b.key;
            return a.filed > b.filed; // newest first
        }
    };
    using Entries = std::pmr::set<T_DatedCalListItem, Order>;

  public:
    using const_iterator = Entries::const_iterator;
    using const_reverse_iterator = Entries::const_reverse_iterator;

    // Inserts the entry before the first entry whose key is not less than key.
    void file(ToDoListToDo* item, packedDT key);
    // Erases the first entry (from the front) of item; nothing when there is none.
    void unfile(ToDoListToDo* item);
    bool contains(const ToDoListToDo* item) const;
    // Forgets every entry at once, releasing the pool without looking at the
    // entries or the items.
    void clear();

    const_iterator begin() const { return index->entries.begin(); }
    const_iterator end() const { return index->entries.end(); }
    const_reverse_iterator rbegin() const { return index->entries.rbegin(); }
    const_reverse_iterator rend() const { return index->entries.rend(); }
    std::size_t size() const { return index->entries.size(); }
    bool empty() const { return index->entries.empty(); }
    // The entries in list order in one contiguous array, for the calendar's
    // walks: made from the tree on first use after a change and kept until
    // the next one, so that moving through the calendar does not chase the
    // tree's nodes again and again.
    const std::vector<T_DatedCalListItem>& inOrder() const;

  private:
    struct Index {
        explicit Index(std::pmr::memory_resource* pool) : entries(pool), byItem(pool) {}
        Entries entries;
        std::pmr::unordered_multimap<const ToDoListToDo*, const_iterator> byItem;
    };
    ArenaHeld<Index> index;
    uint64_t nextFiled = 0;
    mutable std::vector<T_DatedCalListItem> ordered;
    mutable bool orderedValid = false;
};

// A recurring calendar list: items in the order in which they were filed. Its
// nodes, too, live in a pool of their own.
class T_RecCalList {
    using Items = std::pmr::list<ToDoListToDo*>;
    struct Place {
        uint64_t filed;
        Items::iterator pos;
    };

  public:
    using const_iterator = Items::const_iterator;

    // Appends the item at the end.
    void file(ToDoListToDo* item);
    // Erases the first entry (from the front) of item; nothing when there is none.
    void unfile(ToDoListToDo* item);
    bool contains(const ToDoListToDo* item) const { return index->byItem.count(item) != 0; }
    // Forgets every entry at once, releasing the pool without looking at the
    // entries or the items.
    void clear();

    const_iterator begin() const { return index->items.begin(); }
    const_iterator end() const { return index->items.end(); }
    std::size_t size() const { return index->items.size(); }
    bool empty() const { return index->items.empty(); }

  private:
    struct Index {
        explicit Index(std::pmr::memory_resource* pool) : items(pool), byItem(pool) {}
        Items items;
        std::pmr::unordered_multimap<const ToDoListToDo*, Place> byItem;
    };
    ArenaHeld<Index> index;
    uint64_t nextFiled = 0;
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
    // its entries are not unfiled one by one, as nothing points at them any
    // more. Deleting single entries or groups during a run still unfiles them.
    void clearLists();

    packedDT date;     // first day shown by the calendar view
    uint32_t days = 7; // number of days shown
    T_RecCalList recToDos;
    T_DatedCalList datedToDos; // by end date-time
    T_RecCalList recAppointments;
    T_DatedCalList datedAppointments; // by begin date-time
    T_RecCalList recNotes;
    T_DatedCalList datedNotes; // by begin date-time
};
