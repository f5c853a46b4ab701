// Undo and redo on top of the journal. A step keeps, for each change it
// published, the entry that takes the change back (a deletion for a new
// item, the item's whole record for a deleted one, the before-image for one
// changed in place) and the entry itself, which makes it again. Taking a
// step back publishes its undo entries as one journal entry and applies
// them as a replay does: it is as safe across a crash as any change, and a
// sync sees it as a change like any other.

#include "engine/velk.h"

#include "storage/file_tools.h"
#include "storage/records.h"
#include "storage/sync_index.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

void Velk::beginStep(const std::string& label) {
    if (stepDepth_++ != 0) return;
    openStep_ = storage::T_UndoStep();
    openStep_.label = oneLine(label);
    openUndo_.clear();
}

void Velk::endStep() {
    if (stepDepth_ == 0 || --stepDepth_ != 0) return;
    before_.clear();
    if (openStep_.ops.empty()) return;
    for (auto it = openUndo_.rbegin(); it != openUndo_.rend(); ++it)
        openStep_.undo += *it;
    openUndo_.clear();
    storage::T_UndoHistory& h = undoHistory_;
    // A new step drops the steps taken back.
    h.steps.resize(h.done);
    h.steps.push_back(std::move(openStep_));
    if (h.steps.size() > storage::UNDO_STEPS_KEPT) h.steps.erase(h.steps.begin());
    h.done = h.steps.size();
    undoHistoryChanged_ = true;
    std::string error;
    keepUndoHistory(error);
}

void Velk::noteBefore(ToDoListItem& item, bool isGroup) {
    if (stepDepth_ != 0 && item.getSyncID() != 0)
        before_[item.getSyncID()] = storage::Journal::changedEntry(item, isGroup, &crypt, false);
}

void Velk::noteEditorsBefore() {
    if (edit_.todoBefore() && !edit_.isNewItem()) noteBefore(*edit_.todoBefore(), false);
    if (edit_.groupBefore()) noteBefore(*edit_.groupBefore(), true);
}

void Velk::noteChange(const std::string& redo, std::string undo, const storage::T_UndoOp& op,
                      const ToDoListItem* item) {
    if (stepDepth_ == 0) {
        // No step: the steps that touched the item no longer find it as
        // they left it.
        for (storage::T_UndoStep& s : undoHistory_.steps)
            if (s.changedSince.empty() &&
                std::any_of(s.ops.begin(), s.ops.end(),
                            [&](const storage::T_UndoOp& o) { return o.id == op.id; })) {
                s.changedSince = item ? oneLine(item->getSummary()) : std::string("an item");
                undoHistoryChanged_ = true;
            }
        return;
    }
    if (undo.empty()) openStep_.complete = false;
    openStep_.redo += redo;
    openUndo_.push_back(std::move(undo));
    openStep_.ops.push_back(op);
}

int Velk::publish(const std::string& entry) {
    const int r = journal.publish(fileName, entry);
    // A change that is no step marked the steps it overtook: they are
    // written at once, after the entry, so that a crash cannot lose the
    // mark and let a step be taken back over the change.
    std::string error;
    if (stepDepth_ == 0) keepUndoHistory(error);
    return r;
}

int Velk::incsave_writeNew(ToDoListItem& item, ToDoListGroup& parent) {
    uint32_t added = 0, parentID = 0;
    const std::string entry =
        journal.newEntry(item, parent, *tree_.root(), &crypt, &added, &parentID);
    noteChange(entry, storage::Journal::deletedEntry(added), {'n', added, parentID}, &item);
    return publish(entry);
}

int Velk::incsave_writeDeleted(const ToDoListItem& item) {
    // An item in no file needs no entry: a replay never sees it.
    if (!journal.isInFile(item)) return 0;
    // In a step, its whole record (an enciphered description stays
    // enciphered) in its group puts it back.
    uint32_t parentID = 0;
    std::string back;
    if (stepDepth_ != 0)
        if (const ToDoListGroup* parent = tree_.root()->getGroupPtr(item.getPath())) {
            parentID = parent->getSyncID();
            back = storage::Journal::restoreEntry(const_cast<ToDoListItem&>(item), parentID,
                                                  &crypt, false);
        }
    const std::string entry = storage::Journal::deletedEntry(item.getSyncID());
    noteChange(entry, back, {'d', item.getSyncID(), parentID}, &item);
    return publish(entry);
}

int Velk::incsave_writeChanged(ToDoListItem& item, bool isGroup) {
    const auto noted = before_.find(item.getSyncID());
    const std::string entry = storage::Journal::changedEntry(item, isGroup, &crypt);
    noteChange(entry, noted == before_.end() ? std::string() : noted->second,
               {'c', item.getSyncID(), 0}, &item);
    return publish(entry);
}

std::string Velk::undoLabel() const {
    const storage::T_UndoHistory& h = undoHistory_;
    return h.done == 0 ? std::string() : h.steps[h.done - 1].label;
}

std::string Velk::redoLabel() const {
    const storage::T_UndoHistory& h = undoHistory_;
    return h.done >= h.steps.size() ? std::string() : h.steps[h.done].label;
}

int Velk::undo(std::string& label, uint32_t& shown, std::string& error) {
    return takeStep(true, label, shown, error);
}

int Velk::redo(std::string& label, uint32_t& shown, std::string& error) {
    return takeStep(false, label, shown, error);
}

int Velk::takeStep(bool back, std::string& label, uint32_t& shown, std::string& error) {
    storage::T_UndoHistory& h = undoHistory_;
    label.clear();
    shown = 0;
    if (back ? h.done == 0 : h.done >= h.steps.size()) return UNDO_NOTHING;
    const storage::T_UndoStep& s = h.steps[back ? h.done - 1 : h.done];
    label = s.label;
    const std::string what = "\"" + s.label + "\" cannot be " + (back ? "undone" : "redone");
    if (!s.complete) {
        error = what + ": not all of its changes could be kept.";
        return UNDO_REFUSED;
    }
    if (!s.changedSince.empty()) {
        error = what + ": \"" + s.changedSince + "\" was changed since, by a sync or another "
                "change that is no step.";
        return UNDO_REFUSED;
    }
    // Each change finds its items as the step left them (or found them):
    // an item to add is not there and its group is, one to change or delete is.
    ToDoListGroup& root = *tree_.root();
    SyncIDIndex index;
    index.build(root);
    std::map<uint32_t, bool> there;
    const auto exists = [&](uint32_t id) {
        const auto known = there.find(id);
        SyncIDIndex::Entry e;
        return known != there.end() ? known->second : index.find(root, id, e);
    };
    const std::size_t n = s.ops.size();
    for (std::size_t i = 0; i < n; ++i) {
        const storage::T_UndoOp& op = s.ops[back ? n - 1 - i : i];
        const char kind = !back ? op.kind : op.kind == 'n' ? 'd' : op.kind == 'd' ? 'n' : 'c';
        const bool fits = kind == 'n' ? !exists(op.id) && exists(op.parent) : exists(op.id);
        if (!fits) {
            error = what + ": its items were changed since.";
            return UNDO_REFUSED;
        }
        if (kind != 'c') there[op.id] = kind == 'n';
        if (kind != 'd' && shown == 0) shown = op.id;
        if (kind == 'd' && shown == 0) shown = op.parent;
    }
    const std::string& entries = back ? s.undo : s.redo;
    // One journal entry for the whole step; one that cannot be written now
    // waits in memory, as every change does.
    journal.publish(fileName, entries);
    applyJournalEntries(entries, &index);
    h.done = back ? h.done - 1 : h.done + 1;
    undoHistoryChanged_ = true;
    std::string kept;
    keepUndoHistory(kept);
    return 0;
}

int Velk::loadUndoHistory(std::string& told) {
    undoHistory_ = storage::T_UndoHistory();
    undoHistoryChanged_ = false;
    undoNote_.clear();
    int result = 0;
    std::string error;
    const std::string path = storage::undoHistoryPath(fileName);
    const int read = fileName.empty() ? 1 : storage::readUndoHistory(path, undoHistory_, error);
    if (read < 0) {
        undoNote_ = "The undo history could not be read: " + error + "\nNothing can be undone yet.";
        undoHistoryChanged_ = true;
        result = -1;
    } else if (read == 0 && undoHistory_.dataFile != stampOf(fileName)) {
        // Something other than this program changed the data file since the
        // history was written.
        if (!undoHistory_.steps.empty())
            undoNote_ = "The undo history was cleared: " + fileName +
                        " changed since it was written (a backup put back, or another program).";
        undoHistory_ = storage::T_UndoHistory();
        undoHistoryChanged_ = true;
        keepUndoHistory(error); // no steps: the file goes
    }
    told = undoNote_;
    return result;
}

int Velk::keepUndoHistory(std::string& error) {
    // Never ahead of the journal: not while a change waits in memory.
    if (!undoHistoryChanged_ || fileName.empty() || journal.hasPending()) return 0;
    const std::string path = storage::undoHistoryPath(fileName);
    // No steps, no file: an organizer that never had one keeps no history.
    if (undoHistory_.steps.empty()) {
        if (std::remove(path.c_str()) != 0 && errno != ENOENT) {
            error = path + ": " + std::strerror(errno);
            return -1;
        }
        undoHistoryChanged_ = false;
        return 0;
    }
    undoHistory_.dataFile = stampOf(fileName);
    if (storage::writeUndoHistory(path, undoHistory_, error) != 0) return -1;
    undoHistoryChanged_ = false;
    return 0;
}
