#pragma once
#include <cstdint>

class ToDoListGroup;
class ToDoListItem;

// The last sync ID. One more would wrap round to 0, which is no sync ID.
constexpr uint32_t SYNCID_LAST = 0xffffffffu;

// Every new sync ID of a group or an entry comes from here. It is idmax + 1,
// and idmax is raised to it, as long as that does not wrap round to 0. At the
// end of the range (idmax is SYNCID_LAST) it is the lowest number above 0
// that no item of root's tree carries, and idmax stays; nothing is numbered 0.
//
// A record reader does not know the whole tree yet (the records after it and
// the groups around it are still being read), so it passes no root: at the
// end of the range the result is then 0, the item stays without a sync ID,
// and the reader's caller numbers it with numberNewItems once the tree is
// complete.
uint32_t newSyncID(uint32_t& idmax, ToDoListGroup* root);

// Gives every item of the subtree of item (in root's tree) that has no sync
// ID one by newSyncID, in tree order.
void numberNewItems(uint32_t& idmax, ToDoListGroup& root, ToDoListItem& item, bool isGroup);
