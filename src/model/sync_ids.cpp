#include "model/sync_ids.h"

#include "model/group.h"

#include <memory>
#include <vector>

namespace {

// The numbers above 0 that no item of a tree carries, lowest first. It is
// made only once the last sync ID has been handed out, by one walk over the
// whole tree, linear in its size, for every new number (for every batch in
// numberNewItems). Before that, a new number costs nothing, and a tree runs
// through four billion of them only when a file was made so by hand, so no
// index of free numbers is kept.
class FreeSyncIDs {
  public:
    explicit FreeSyncIDs(ToDoListGroup& root) {
        std::vector<uint32_t> ids;
        forEachInSubtree(root, true, [&ids](ToDoListItem& i) { ids.push_back(i.getSyncID()); });
        // n items carry at most n numbers. Those still without one carry 0,
        // so 1..n+1 holds more free numbers than there are such items.
        used.assign(ids.size() + 2, false);
        for (uint32_t id : ids)
            if (id < used.size()) used[id] = true;
    }
    // The lowest free number; it counts as used from then on.
    uint32_t next() {
        while (candidate < used.size() && used[candidate])
            ++candidate;
        if (candidate == used.size()) used.push_back(false); // items numbered outside the tree
        used[candidate] = true;
        return candidate;
    }

  private:
    std::vector<bool> used;
    uint32_t candidate = 1;
};

// The wrap rule of newSyncID. free holds the free numbers of root's tree once
// they were needed; it stays right while only the numbers it hands out are
// given to items of the tree.
uint32_t handOut(uint32_t& idmax, ToDoListGroup* root, std::unique_ptr<FreeSyncIDs>& free) {
    if (idmax != SYNCID_LAST) return ++idmax;
    if (!root) return 0;
    if (!free) free = std::make_unique<FreeSyncIDs>(*root);
    return free->next();
}

} // namespace

uint32_t newSyncID(uint32_t& idmax, ToDoListGroup* root) {
    std::unique_ptr<FreeSyncIDs> free;
    return handOut(idmax, root, free);
}

void numberNewItems(uint32_t& idmax, ToDoListGroup& root, ToDoListItem& item, bool isGroup) {
    // One walk over the tree serves every item numbered at the end of the
    // range.
    std::unique_ptr<FreeSyncIDs> free;
    forEachInSubtree(item, isGroup, [&](ToDoListItem& i) {
        if (i.getSyncID() == 0) i.setSyncID(handOut(idmax, &root, free));
    });
}
