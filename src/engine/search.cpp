// Full-text search over the entries of a subtree, and the "search results"
// pseudo-group that shows the hits.

#include "common/text.h"
#include "crypt/crypt_man.h"
#include "engine/velk.h"

bool ToDoListToDo::containsText(const std::string& text, CryptMan* crypt) {
    const std::string needle = strU(text);
    if (strU(summary).find(needle) != std::string::npos) return true;
    const char* descr = nullptr;
    if (GetDescription(descr, crypt) || !descr) return false;
    // The description is searched up to its first zero byte.
    return strU(std::string(descr)).find(needle) != std::string::npos;
}

void ToDoListGroup::findToDosWithText(const std::string& text, std::vector<ToDoListToDo*>& hits,
                                      CryptMan* crypt) {
    for (auto& t : todos)
        if (t->containsText(text, crypt)) hits.push_back(t.get());
    for (auto& g : groups)
        g->findToDosWithText(text, hits, crypt);
}

int Velk::search(const std::string& text) {
    std::vector<ToDoListToDo*> hits;
    if (opts.mainviewtype == MAINVIEW_NORMAL) {
        savedGroup = curGroup;
        savedPath = curGroupPath;
        viewData.clear();
        viewOrder.clear();
        viewItems.clear();
        curGroup->findToDosWithText(text, hits, &crypt);
        // A results group left over from an earlier search is not kept twice.
        if (searchGroup) root->delGroup(searchGroup, nrActiveJobs, cal);
        searchGroup = root->newGroup();
        searchGroup->setSummary("search results");
        setGroup(searchGroup);
    } else if (opts.mainviewtype == MAINVIEW_SEARCH) {
        // Narrowing: the current hits, from the last row to the first.
        for (std::size_t i = viewItems.size(); i-- > 0;) {
            auto* t = static_cast<ToDoListToDo*>(viewItems[i]);
            if (t && t->containsText(text, &crypt)) hits.push_back(t);
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
        hit->setViewData(viewData[r], &crypt);
        viewOrder[r] = unsigned(n - 1 - r);
        viewItems[r] = hit;
    }
    opts.mainviewtype = MAINVIEW_SEARCH;
    return 0;
}
