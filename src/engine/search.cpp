// Full-text search over the entries of a subtree; Navigation::search shows
// the hits in the "search results" group.

#include "common/text.h"
#include "engine/item_views.h"
#include "model/group.h"

bool containsText(ToDoListToDo& t, const std::string& text, DescriptionCipher* crypt) {
    const std::string needle = strU(text);
    if (strU(t.summaryView()).find(needle) != std::string::npos) return true;
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
