#pragma once
#include "engine/velk.h"

#include <string>
#include <vector>

// What the lists and the search read from the items of the tree. The model
// knows nothing of rows and views: these take the items as they are.

// Fills kind, primaryDate, secondaryDate, prio, text and completed of the list
// row that shows the entry (views.cpp).
void setViewData(ToDoListToDo& t, T_viewDataItem& row, DescriptionCipher* crypt);
// Fills the list row that shows the group (views.cpp).
void setViewData(const ToDoListGroup& g, T_viewDataItem& row);
// Appends the rows of the normal or the only-active list of the group whose
// ID path is path, walking the subtree of g (views.cpp).
void showContent(ToDoListGroup& g, const std::string& path, T_Options opts,
                 std::vector<T_viewDataItem>& rows, std::vector<ToDoListItem*>& items,
                 DescriptionCipher* crypt);
// True when the summary or the readable description contains text, with the
// letters a to z compared without regard to case (search.cpp).
bool containsText(ToDoListToDo& t, const std::string& text, DescriptionCipher* crypt);
// Appends every entry of the subtree of g that contains text: the group's own
// entries first, then each child group depth first (search.cpp).
void findToDosWithText(ToDoListGroup& g, const std::string& text, std::vector<ToDoListToDo*>& hits,
                       DescriptionCipher* crypt);
