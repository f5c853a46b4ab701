#pragma once
#include "storage/file_tools.h"

#include <cstdint>
#include <string>
#include <vector>

// The steps the user can take back (and make again), kept beside the data
// file (FILE.undo) across runs. Each step holds the journal entries that
// take it back and those that make it again, in the record syntax of the
// journal (an enciphered description stays enciphered). The file is written
// after the journal entries of a step: at worst it lags behind them, and a
// step that is not in it cannot be taken back.
namespace storage {

// One change of a step, as it was made: 'n' the item id was added to the
// group parent, 'd' it was deleted from it, 'c' it was changed in place.
struct T_UndoOp {
    char kind = 'c';
    uint32_t id = 0;
    uint32_t parent = 0;
};

struct T_UndoStep {
    std::string label;   // what the user did: "delete group Work"
    std::string undo;    // journal entries that take it back, applied in order
    std::string redo;    // journal entries that make it again
    std::vector<T_UndoOp> ops; // its changes, in the order they were made
    // The summary of an item that something other than a step (a sync)
    // changed since: the step can no longer be taken back or made again.
    std::string changedSince;
    bool complete = true; // false: a change of the step could not be kept
};

struct T_UndoHistory {
    // The data file as the history knew it: a data file that changed
    // otherwise (a backup put back, another program) makes the history void.
    FileStamp dataFile;
    std::size_t done = 0; // steps [0, done) can be taken back, the rest made again
    std::vector<T_UndoStep> steps;
};

// The most steps kept: the oldest goes when one more comes.
constexpr std::size_t UNDO_STEPS_KEPT = 50;

std::string undoHistoryPath(const std::string& dataPath);
// Results: 0 read; 1 there is no such file (history is empty); -1 it cannot
// be read or is no undo history (error says why; history is empty).
int readUndoHistory(const std::string& path, T_UndoHistory& history, std::string& error);
// Writes the file owner-only, replacing it in one step. 0, or -1 with error.
int writeUndoHistory(const std::string& path, const T_UndoHistory& history, std::string& error);

} // namespace storage
