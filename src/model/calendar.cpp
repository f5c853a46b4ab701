#include "model/calendar.h"

#include "model/todo_item.h"

#include <algorithm>
#include <cmath>

namespace {

// Notes a new entry of item in list.
void noteFiled(T_CalPlace& p, const void* list, packedDT key) {
    if (p.entries == 0) {
        p.list = list;
        p.key = key;
    } else {
        p.several = true;
    }
    ++p.entries;
}

// Notes that an entry of item is gone.
void noteUnfiled(T_CalPlace& p) {
    if (p.entries > 0) --p.entries;
    if (p.entries == 0) {
        p.list = nullptr;
        p.several = false;
    }
}

// Whether list holds item as far as its place tells: 1 yes, 0 no, -1 it was
// filed more than once and the list must be searched.
int heldAsPlaceTells(const T_CalPlace& p, const void* list) {
    if (p.entries == 0) return 0;
    if (p.several) return -1;
    return p.list == list ? 1 : 0;
}

// Puts entries filed in this order (their numbers rising) into list order:
// key rising, the newest entry first among equal keys. Reversed, the entries
// stand newest first; a stable radix sort of the 32-bit keys in two passes
// of 16 bits then gives exactly the order of std::sort with before. At a
// load of 1,000,000 entries std::sort took 60 ms of it, the radix sort 12.
void sortFiledInOrder(std::vector<T_DatedCalListItem>& v) {
    std::reverse(v.begin(), v.end());
    std::vector<T_DatedCalListItem> other(v.size());
    std::vector<std::size_t> start(1 << 16);
    for (int shift : {0, 16}) {
        std::fill(start.begin(), start.end(), 0);
        for (const T_DatedCalListItem& e : v)
            ++start[(e.key >> shift) & 0xffff];
        std::size_t at = 0;
        for (std::size_t& s : start) {
            const std::size_t n = s;
            s = at;
            at += n;
        }
        for (const T_DatedCalListItem& e : v)
            other[start[(e.key >> shift) & 0xffff]++] = e;
        v.swap(other);
    }
}

} // namespace

std::size_t T_DatedCalList::apartLimit() const {
    return std::max<std::size_t>(256, std::size_t(std::sqrt(double(main.size()))) * 2);
}

void T_DatedCalList::file(ToDoListToDo* item, packedDT key) {
    if (nextFiled == UINT32_MAX) renumber();
    const T_DatedCalListItem e{item, key, nextFiled++};
    noteFiled(item->calPlace(), this, key);
    if (deferred) {
        // Blocks grow with what was collected, from 256 entries up to 65,536,
        // so that a small file does not take large blocks.
        if (collected.empty() || collected.back().size() == collected.back().capacity()) {
            const std::size_t size = collected.empty() ? 256 : collected.back().capacity() * 2;
            collected.emplace_back();
            collected.back().reserve(std::min<std::size_t>(size, 1 << 16));
        }
        collected.back().push_back(e);
        unsorted = true;
        return;
    }
    // A new entry sorts before every older entry with the same key.
    added.insert(std::upper_bound(added.begin(), added.end(), e, Before()), e);
    if (added.size() > apartLimit()) merge();
}

void T_DatedCalList::erase(const ToDoListToDo* item, packedDT key, const uint32_t* filed) {
    auto match = [&](const T_DatedCalListItem& e) {
        return e.item == item && (!filed || e.filed == *filed);
    };
    auto keyBefore = [](const T_DatedCalListItem& e, packedDT k) { return e.key < k; };
    auto a = std::lower_bound(added.begin(), added.end(), key, keyBefore);
    for (; a != added.end() && a->key == key; ++a)
        if (match(*a)) {
            added.erase(a);
            return;
        }
    if (unsorted) merge();
    // An unfiled place keeps its key and number, so the array stays sorted.
    auto m = std::lower_bound(main.begin(), main.end(), key, keyBefore);
    for (; m != main.end() && m->key == key; ++m)
        if (match(*m)) {
            m->item = nullptr;
            if (++holes > apartLimit()) merge();
            return;
        }
}

void T_DatedCalList::unfile(ToDoListToDo* item) {
    T_CalPlace& p = item->calPlace();
    const int held = heldAsPlaceTells(p, this);
    if (held == 0) return;
    if (held == 1) {
        erase(item, p.key, nullptr);
        noteUnfiled(p);
        return;
    }
    // Filed more than once: the first entry of the item from the front.
    if (unsorted) merge();
    const T_DatedCalListItem* first = nullptr;
    for (const auto* list : {&main, &added}) {
        auto it = std::find_if(list->begin(), list->end(),
                               [item](const T_DatedCalListItem& e) { return e.item == item; });
        if (it != list->end() && (!first || before(*it, *first))) first = &*it;
    }
    if (!first) return;
    const T_DatedCalListItem which = *first;
    erase(item, which.key, &which.filed);
    noteUnfiled(p);
}

bool T_DatedCalList::contains(const ToDoListToDo* item) const {
    const int held = heldAsPlaceTells(item->calPlace(), this);
    if (held >= 0) return held == 1;
    if (unsorted) merge();
    auto of = [item](const T_DatedCalListItem& e) { return e.item == item; };
    return std::any_of(main.begin(), main.end(), of) || std::any_of(added.begin(), added.end(), of);
}

void T_DatedCalList::clear() {
    merge();
    for (const auto* list : {&main, &added})
        for (const T_DatedCalListItem& e : *list)
            if (e.item) noteUnfiled(e.item->calPlace());
    drop();
}

void T_DatedCalList::drop() {
    std::vector<T_DatedCalListItem>().swap(main);
    std::vector<T_DatedCalListItem>().swap(added);
    collected.clear();
    holes = 0;
    unsorted = false;
}

void T_DatedCalList::defer(bool on) {
    deferred = on;
    // The list is put in order at once, so that loading a file includes it.
    if (!on) merge();
}

void T_DatedCalList::merge() const {
    if (unsorted) {
        const bool onlyCollected = main.empty();
        std::size_t n = main.size();
        for (const auto& block : collected)
            n += block.size();
        main.reserve(n);
        for (auto& block : collected) {
            main.insert(main.end(), block.begin(), block.end());
            std::vector<T_DatedCalListItem>().swap(block);
        }
        collected.clear();
        // Entries collected into an empty list stand in the order they were
        // filed, unless their numbers were renewed meanwhile; a list of more
        // than a few thousand of them is put in order by their keys alone.
        const bool inFilingOrder =
            onlyCollected && main.size() > 4096 &&
            std::is_sorted(main.begin(), main.end(),
                           [](const T_DatedCalListItem& a, const T_DatedCalListItem& b) {
                               return a.filed < b.filed;
                           });
        if (inFilingOrder)
            sortFiledInOrder(main);
        else
            std::sort(main.begin(), main.end(), Before());
        unsorted = false;
    }
    if (holes) {
        main.erase(std::remove_if(main.begin(), main.end(),
                                  [](const T_DatedCalListItem& e) { return !e.item; }),
                   main.end());
        holes = 0;
    }
    if (!added.empty()) {
        const auto middle = main.insert(main.end(), added.begin(), added.end());
        std::inplace_merge(main.begin(), middle, main.end(), Before());
        added.clear();
    }
}

std::size_t T_DatedCalList::size() const {
    std::size_t n = main.size() - holes + added.size();
    for (const auto& block : collected)
        n += block.size();
    return n;
}

void T_DatedCalList::renumber() {
    merge();
    // Along the array the numbers fall, so within each run of equal keys the
    // newest entry still comes first.
    const std::size_t n = main.size();
    for (std::size_t i = 0; i < n; ++i)
        main[i].filed = uint32_t(n - i);
    nextFiled = uint32_t(n + 1);
}

const std::vector<T_DatedCalListItem>& T_DatedCalList::inOrder() const {
    merge();
    return main;
}

void T_RecCalList::file(ToDoListToDo* item) {
    noteFiled(item->calPlace(), this, DT_EMPTY);
    items.push_back(item);
}

void T_RecCalList::unfile(ToDoListToDo* item) {
    if (heldAsPlaceTells(item->calPlace(), this) == 0) return;
    auto it = std::find(items.begin(), items.end(), item);
    if (it == items.end()) return;
    items.erase(it);
    noteUnfiled(item->calPlace());
}

bool T_RecCalList::contains(const ToDoListToDo* item) const {
    const int held = heldAsPlaceTells(item->calPlace(), this);
    if (held >= 0) return held == 1;
    return std::find(items.begin(), items.end(), item) != items.end();
}

void T_RecCalList::clear() {
    for (ToDoListToDo* item : items)
        noteUnfiled(item->calPlace());
    drop();
}

T_Calendar::T_Calendar() : date(getTodayDate(DT_NOTIME)) {}

void T_Calendar::deferDatedLists(bool on) {
    datedToDos.defer(on);
    datedAppointments.defer(on);
    datedNotes.defer(on);
}

void T_Calendar::clearLists() {
    recToDos.drop();
    datedToDos.drop();
    recAppointments.drop();
    datedAppointments.drop();
    recNotes.drop();
    datedNotes.drop();
}

void ToDoListToDo::putIntoCalList(T_Calendar& cal) {
    if (!dtHasDate(begin) && !dtHasDate(end)) return;
    const bool recurring = repeatsInCalendar();
    switch (priority) {
    case PRIO_APPOINTMENT:
        recurring ? cal.recAppointments.file(this) : cal.datedAppointments.file(this, begin);
        break;
    case PRIO_NOTE:
        recurring ? cal.recNotes.file(this) : cal.datedNotes.file(this, begin);
        break;
    default:
        recurring ? cal.recToDos.file(this) : cal.datedToDos.file(this, end);
        break;
    }
}

void ToDoListToDo::removeFromCalLists(T_Calendar& cal) {
    // The entry is taken out of whichever list holds it, not the list its
    // fields select now: a field changed while the entry was filed (a record
    // tidied when it was written, for instance) must not leave it behind in
    // the list it was filed in, pointing at a deleted entry later.
    cal.recAppointments.unfile(this);
    cal.datedAppointments.unfile(this);
    cal.recNotes.unfile(this);
    cal.datedNotes.unfile(this);
    cal.recToDos.unfile(this);
    cal.datedToDos.unfile(this);
}
