// The rows of the normal, only-active and search lists, the sorting of every
// list, and the removal of rows.

#include "engine/content_view.h"

#include "crypt/crypt_man.h"
#include "engine/item_views.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

namespace {

// Texts of descriptions shown instead of an empty summary are cut after this
// many characters.
constexpr std::size_t DESCR_TEXT_LEN = 25;

// The one-line form of a description: line feeds and tabs become spaces,
// leading spaces go, and a long text is cut and marked with "...".
std::string descriptionLine(const char* descr) {
    std::string t(descr);
    for (char& ch : t)
        if (ch == '\n' || ch == '\t') ch = ' ';
    const std::size_t first = t.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    t.erase(0, first);
    if (t.size() >= DESCR_TEXT_LEN) {
        t.resize(DESCR_TEXT_LEN);
        t += "...";
    }
    return t;
}

} // namespace

void setViewData(ToDoListToDo& t, T_viewDataItem& row, DescriptionCipher* crypt) {
    const unsigned priority = t.getPriority();
    row.kind = 0;
    row.prio = priority;
    row.completed = t.isCompleted();
    row.reminds = t.hasExtras() && t.extras().remindBefore != NO_REMINDER;
    if (!t.summaryView().empty()) {
        row.text = t.summaryView();
    } else {
        const char* descr = nullptr;
        if (t.GetDescription(descr, crypt))
            row.text = "<encrypted>";
        else if (!descr)
            row.text.clear();
        else
            row.text = descriptionLine(descr);
    }
    if (priority > PRIO_MAXTODO) {
        row.primaryDate = t.getDateTime(WHICH_BEGIN);
        row.secondaryDate = t.getDateTime(WHICH_END);
    } else {
        row.primaryDate = t.getDateTime(WHICH_END);
        row.secondaryDate = t.getDateTime(WHICH_BEGIN);
    }
}

void setViewData(const ToDoListGroup& g, T_viewDataItem& row) {
    row.kind = 1;
    row.day = DT_EMPTY;
    row.primaryDate = DT_EMPTY;
    row.secondaryDate = DT_EMPTY;
    row.prio = g.getPriority();
    row.text = g.summaryView();
    row.completed = g.isCompleted();
    row.startsHere = false;
    row.endsHere = false;
}

void showContent(ToDoListGroup& group, const std::string& target, T_Options opts,
                 std::vector<T_viewDataItem>& rows, std::vector<ToDoListItem*>& items,
                 DescriptionCipher* crypt) {
    const std::string own = group.childPath();
    const bool isTarget = own == target;
    const bool inside =
        !isTarget && target.size() < own.size() && own.compare(0, target.size(), target) == 0;
    const bool ancestor =
        !isTarget && own.size() < target.size() && target.compare(0, own.size(), own) == 0;
    const std::size_t nrGroups = group.getNrGroups(), nrToDos = group.getNrToDos();

    if (ancestor) {
        for (std::size_t i = 0; i < nrGroups; ++i)
            showContent(*group.getGroup(i), target, opts, rows, items, crypt);
        return;
    }
    if (!isTarget && !inside) return; // unrelated

    if (opts.mainviewtype == MAINVIEW_ACTIVE) {
        for (std::size_t i = 0; i < nrToDos; ++i) {
            ToDoListToDo* t = group.getToDo(i);
            if (!t->isRunning()) continue;
            rows.emplace_back();
            setViewData(*t, rows.back(), crypt);
            items.push_back(t);
        }
        for (std::size_t i = 0; i < nrGroups; ++i)
            showContent(*group.getGroup(i), target, opts, rows, items, crypt);
        return;
    }

    const bool flat = opts.viewtype == VIEWTYPE_FLAT;
    if (inside && !flat) return; // the tree view lists the target's own children only
    for (std::size_t i = 0; i < nrGroups; ++i) {
        ToDoListGroup* g = group.getGroup(i);
        if (g->isCompleted() && !opts.showCompleted) continue;
        rows.emplace_back();
        setViewData(*g, rows.back());
        items.push_back(g);
    }
    for (std::size_t i = 0; i < nrToDos; ++i) {
        ToDoListToDo* t = group.getToDo(i);
        if (t->isCompleted() && !opts.showCompleted) continue;
        rows.emplace_back();
        setViewData(*t, rows.back(), crypt);
        items.push_back(t);
    }
    if (flat)
        for (std::size_t i = 0; i < nrGroups; ++i)
            showContent(*group.getGroup(i), target, opts, rows, items, crypt);
}

ContentView::ContentView(ItemTree& tree, CryptMan& crypt) : tree(tree), crypt(crypt) {}

int ContentView::setMainViewType(int type) {
    int result = type == opts.mainviewtype ? -1 : 0;
    if (type == MAINVIEW_ACTIVE) {
        opts.lastMainViewType = opts.mainviewtype;
        if (tree.activeJobs() != 0) opts.mainviewtype = MAINVIEW_ACTIVE;
    } else if (type == MAINVIEW_BACK) {
        opts.mainviewtype = opts.lastMainViewType;
    } else {
        opts.mainviewtype = type;
    }
    return result;
}

void ContentView::getContent(const std::string& groupPath) {
    switch (opts.mainviewtype) {
    case MAINVIEW_CALENDAR:
        buildCalendarRows();
        return;
    case MAINVIEW_SEARCH: {
        // The hits are the search result; their rows are made anew. Hits whose
        // items were deleted meanwhile (forgetRowsOf) leave the list here.
        viewData.clear();
        viewOrder.clear();
        viewItems.erase(std::remove(viewItems.begin(), viewItems.end(), nullptr), viewItems.end());
        viewData.resize(viewItems.size());
        for (std::size_t i = 0; i < viewItems.size(); ++i)
            setViewData(*static_cast<ToDoListToDo*>(viewItems[i]), viewData[i], &crypt);
        break;
    }
    case MAINVIEW_ACTIVE:
        showContent(*tree.root(), "/0/", opts, viewData, viewItems, &crypt);
        break;
    default:
        showContent(*tree.root(), groupPath, opts, viewData, viewItems, &crypt);
        break;
    }
    numberRows();
}

void ContentView::numberRows() {
    viewOrder.resize(viewData.size());
    for (std::size_t i = 0; i < viewOrder.size(); ++i)
        viewOrder[i] = unsigned(i);
}

void ContentView::clearViewData() {
    if (opts.mainviewtype == MAINVIEW_SEARCH) return;
    clearRows();
}

void ContentView::clearRows() {
    viewData.clear();
    viewOrder.clear();
    viewItems.clear();
}

void ContentView::showHits(const std::vector<ToDoListToDo*>& hits) {
    clearRows();
    const std::size_t n = hits.size();
    viewData.resize(n);
    viewOrder.resize(n);
    viewItems.resize(n);
    for (std::size_t r = 0; r < n; ++r) {
        ToDoListToDo* hit = hits[n - 1 - r];
        setViewData(*hit, viewData[r], &crypt);
        viewOrder[r] = unsigned(n - 1 - r);
        viewItems[r] = hit;
    }
}
bool ContentView::cmpViewData(unsigned a, unsigned b) const {
    const T_viewDataItem& A = viewData[a];
    const T_viewDataItem& B = viewData[b];
    if (opts.completedLast && A.completed != B.completed) return A.completed;
    const bool byDate = opts.sorttype == SORT_DATE;
    const uint32_t a1 = byDate ? A.primaryDate : A.prio, b1 = byDate ? B.primaryDate : B.prio;
    if (a1 != b1) return a1 > b1;
    const uint32_t a2 = byDate ? A.prio : A.primaryDate, b2 = byDate ? B.prio : B.primaryDate;
    if (a2 != b2) return a2 > b2;
    // char_traits<char> compares as unsigned characters; a longer text with
    // the shorter one as its prefix compares greater.
    return A.text.compare(B.text) > 0;
}

bool ContentView::cmpViewDataCal(unsigned a, unsigned b) const {
    const T_viewDataItem& A = viewData[a];
    const T_viewDataItem& B = viewData[b];
    if (A.day != B.day) return A.day > B.day;
    if (A.prio != B.prio) {
        if (A.prio > B.prio) return true;
        if (B.prio == PRIO_DAYHEADER) return true;
        if (A.prio == PRIO_DAYHEADER) return false;
        return B.prio == PRIO_SPECIALDAY;
    }
    return A.primaryDate > B.primaryDate;
}

void ContentView::forgetRowsOf(ToDoListItem& item, bool isGroup) {
    if (viewItems.empty()) return;
    std::unordered_set<const ToDoListItem*> gone;
    forEachInSubtree(item, isGroup, [&gone](ToDoListItem& i) { gone.insert(&i); });
    for (ToDoListItem*& shown : viewItems)
        if (shown && gone.count(shown)) shown = nullptr;
}
