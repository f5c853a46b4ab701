#pragma once
#include "engine/velk.h"
#include "model/clock.h"

#include <memory>
#include <string>

// The fixed lines every data file and every journal entry begins with.
inline const std::string fixedLines = "<type=Velk>\n<version=0.54>\n<data>\n";

// An engine started as the program entry starts it: createRoot, readData of
// the file and the replay of its journal, on a clock pinned to 5 March 2011.
struct TestOrganizer {
    explicit TestOrganizer(const std::string& dataFile);
    ~TestOrganizer() { setVelkNowForTesting(-1); }
    Velk& operator*() { return *engine; }
    Velk* operator->() { return engine.get(); }
    std::unique_ptr<Velk> engine;
    int loaded = 0;   // readData's result
    int replayed = 0; // incsave_readFiles' result
    std::string journalError;
};

// Every group and entry of the tree, one line each in tree order with every
// field a data file keeps (sync IDs included, in-memory IDs and paths not),
// followed by the running count and the sizes of the calendar lists: equal
// texts mean equal organizers.
std::string dumpTree(Velk& v);

// The first todo of that summary in g's subtree, depth first; null when none.
ToDoListToDo* findToDo(ToDoListGroup& g, const std::string& summary);

// The first group of that summary in g's subtree (g itself included), depth
// first; null when none.
ToDoListGroup* findGroup(ToDoListGroup& g, const std::string& summary);

// The journal file n of the data file.
inline std::string journalFile(const std::string& dataFile, unsigned n) {
    return dataFile + std::to_string(n);
}
