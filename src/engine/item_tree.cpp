#include "engine/item_tree.h"

#include "model/clock.h"
#include "model/sync_ids.h"

ItemTree::ItemTree() {
    cal_.date = getTodayDate(DT_NOTIME);
}

ItemTree::~ItemTree() {
    // The calendar lists point into the tree: they are emptied in one step
    // before the tree goes, so that nothing is left pointing at freed entries
    // and no entry has to be looked up and unfiled on its own. Deleting the
    // tree's items does no list work, so quitting costs only the freeing.
    cal_.clearLists();
    root_.reset();
}

namespace {
// A tree left to the system at the end of the process, kept where the leak
// checker of the sanitizer builds still sees it.
ToDoListGroup* treeLeftToTheSystem = nullptr;
} // namespace

void ItemTree::leaveTreeToTheSystem() {
    cal_.clearLists();
    searchGroup_ = nullptr;
    treeLeftToTheSystem = root_.release();
}

void ItemTree::createRoot() {
    root_ = std::make_unique<ToDoListGroup>(0, "/", 0);
}

uint32_t ItemTree::newSyncID() {
    return ::newSyncID(idmax_, root_.get());
}

ToDoListGroup* ItemTree::parentOf(const ToDoListItem& item) const {
    return root_->getGroupPtr(item.getPath());
}

ToDoListGroup* ItemTree::openSearchGroup() {
    dropSearchGroup();
    searchGroup_ = root_->newGroup();
    searchGroup_->setSummary("search results");
    return searchGroup_;
}

void ItemTree::dropSearchGroup() {
    if (searchGroup_) root_->delGroup(searchGroup_, nrActiveJobs_, cal_);
    searchGroup_ = nullptr;
}

int ItemTree::setCompleted(ToDoListToDo& t) {
    const bool wasRunning = t.isRunning();
    const int r = t.setCompleted(cal_);
    if (r != -1 && r != -2 && wasRunning && !t.isRunning() && nrActiveJobs_ > 0) --nrActiveJobs_;
    return r;
}

int ItemTree::setRunning(ToDoListToDo& t, bool on) {
    const int r = t.setRunning(on);
    if (r == 0) {
        if (on)
            ++nrActiveJobs_;
        else if (nrActiveJobs_ > 0)
            --nrActiveJobs_;
    }
    return r;
}
