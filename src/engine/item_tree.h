#pragma once
#include "model/calendar.h"
#include "model/group.h"

#include <cstdint>
#include <memory>

// An entry's "show time as" value that marks it busy: such an entry is an
// appointment, one shown as free a note.
constexpr int SHOW_TIME_BUSY = 1;

// The organizer's item tree with what has to stay in step with it: the dated
// and recurring calendar lists, the count of running todos and the highest
// sync ID handed out. While the search view is shown the temporary "search
// results" group hangs below the root; it is never written to a file.
//
// Depends on the model only. The other engine parts reach the tree through
// this class; it knows none of them.
class ItemTree {
  public:
    // The calendar starts on today's date.
    ItemTree();
    ~ItemTree();
    ItemTree(const ItemTree&) = delete;
    ItemTree& operator=(const ItemTree&) = delete;

    // Makes the empty root group, replacing any tree.
    void createRoot();
    // For the end of the process: the tree is left to the system, which takes
    // back the memory of the whole process at once, instead of being freed
    // item by item (a tenth of a quick start at 100,000 entries). The engine
    // then holds no tree; nothing else may be done with it but deleting it.
    void leaveTreeToTheSystem();

    ToDoListGroup* root() const { return root_.get(); }
    T_Calendar& calendar() { return cal_; }
    const T_Calendar& calendar() const { return cal_; }
    // The number of running todos; the readers and the journal replay count
    // into it directly.
    unsigned& activeJobs() { return nrActiveJobs_; }
    unsigned activeJobs() const { return nrActiveJobs_; }
    // The highest sync ID handed out, and the one the data file recorded after
    // its last synchronisation.
    uint32_t& idmax() { return idmax_; }
    uint32_t idmax() const { return idmax_; }
    uint32_t& idmaxAfterSync() { return idmaxaftersync_; }
    uint32_t idmaxAfterSync() const { return idmaxaftersync_; }

    // A sync ID not used in the tree, above the highest one handed out.
    uint32_t newSyncID();
    // The group that holds item, found by the item's ID path; null when the
    // path leads nowhere.
    ToDoListGroup* parentOf(const ToDoListItem& item) const;

    ToDoListGroup* searchGroup() const { return searchGroup_; }
    // Makes a new "search results" group below the root; one left over from an
    // earlier search is deleted first, so that it is never kept twice.
    ToDoListGroup* openSearchGroup();
    // Deletes the "search results" group, if there is one.
    void dropSearchGroup();
    // To be called when group leaves the tree by another way than
    // dropSearchGroup: the results group is then gone.
    void forgetSearchGroup(const ToDoListItem* group) {
        if (group == searchGroup_) searchGroup_ = nullptr;
    }

    // Completes t; a running todo stops and the running count drops. Results
    // as ToDoListToDo::setCompleted.
    int setCompleted(ToDoListToDo& t);
    // Starts or stops time recording of t; the running count follows a
    // change. Results as ToDoListToDo::setRunning.
    int setRunning(ToDoListToDo& t, bool on);

  private:
    std::unique_ptr<ToDoListGroup> root_;
    ToDoListGroup* searchGroup_ = nullptr;
    T_Calendar cal_;
    unsigned nrActiveJobs_ = 0;
    uint32_t idmax_ = 0;
    uint32_t idmaxaftersync_ = 0;
};
