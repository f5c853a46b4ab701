// Full-text search over the entries of a subtree; Navigation::search shows
// the hits in the "search results" group.

#include "crypt/crypt_man.h"
#include "model/group.h"
#include "storage/text.h"

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
