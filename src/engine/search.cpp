// Full-text search over the entries of a subtree, and the "search results"
// pseudo-group that shows the hits.

#include "common/text.h"
#include "crypt/crypt_man.h"
#include "engine/item_views.h"
#include "engine/velk.h"

bool containsText(ToDoListToDo& t, const std::string& text, DescriptionCipher* crypt) {
    const std::string needle = strU(text);
    if (strU(t.getSummary()).find(needle) != std::string::npos) return true;
    const char* descr = nullptr;
    if (t.GetDescription(descr, crypt) || !descr) return false;
    // The description is searched up to its first zero byte.
    return strU(std::string(descr)).find(needle) != std::string::npos;
}

void findToDosWithText(ToDoListGroup& g, const std::string& text, std::vector<ToDoListToDo*>& hits,
                       DescriptionCipher* crypt) {
    for (std::size_t i = 0; i < g.getNrToDos(); ++i)
        if (containsText(*g.getToDo(i), text, crypt)) hits.push_back(g.getToDo(i));
    for (std::size_t i = 0; i < g.getNrGroups(); ++i)
        findToDosWithText(*g.getGroup(i), text, hits, crypt);
}

int Velk::search(const std::string& text) {
    std::vector<ToDoListToDo*> hits;
    if (opts.mainviewtype == MAINVIEW_NORMAL) {
        savedGroup = curGroup;
        savedPath = curGroupPath;
        viewData.clear();
        viewOrder.clear();
        viewItems.clear();
        findToDosWithText(*curGroup, text, hits, &crypt);
        // A results group left over from an earlier search is not kept twice.
        if (searchGroup) root->delGroup(searchGroup, nrActiveJobs, cal);
        searchGroup = root->newGroup();
        searchGroup->setSummary("search results");
        setGroup(searchGroup);
    } else if (opts.mainviewtype == MAINVIEW_SEARCH) {
        // Narrowing: the current hits, from the last row to the first.
        for (std::size_t i = viewItems.size(); i-- > 0;) {
            auto* t = static_cast<ToDoListToDo*>(viewItems[i]);
            if (t && containsText(*t, text, &crypt)) hits.push_back(t);
        }
        viewData.clear();
        viewOrder.clear();
        viewItems.clear();
    } else {
        return -1;
    }
    // Rows from the last hit to the first; the display order is the hit order.
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
    opts.mainviewtype = MAINVIEW_SEARCH;
    return 0;
}
