// Taking back the delete of the largest top-level group (about 10,000
// entries) of an organizer of 100,000: the check, the one journal entry that
// puts the group back, and the group read back into the tree.

#include "child.h"
#include "engine/velk.h"

#include <benchmark/benchmark.h>
#include <filesystem>

namespace {

unsigned entriesIn(const ToDoListGroup& g) {
    unsigned n = unsigned(g.getNrToDos());
    for (std::size_t i = 0; i < g.getNrGroups(); ++i)
        n += entriesIn(*g.getGroup(i));
    return n;
}

void BM_UndoGroupDelete100k(benchmark::State& state) {
    PrivateFolder folder("undo");
    const std::string path = folder.path() + "/velk.dat";
    std::error_code copied;
    if (folder.path().empty() ||
        !std::filesystem::copy_file(generatedDataFile(100000), path, copied))
        return state.SkipWithError("cannot write the data file");
    Velk v;
    v.createRoot();
    if (v.readData(path.c_str()) != 0) return state.SkipWithError("load failed");
    ToDoListGroup& root = *v.getRoot();
    uint32_t largest = 0;
    unsigned entries = 0;
    for (std::size_t i = 0; i < root.getNrGroups(); ++i)
        if (entriesIn(*root.getGroup(i)) > entries)
            entries = entriesIn(*root.getGroup(i)), largest = root.getGroup(i)->getSyncID();
    for (auto _ : state) {
        state.PauseTiming();
        bool isGroup = false;
        v.setGroup(static_cast<ToDoListGroup*>(root.getPtrToItemWithSyncID(largest, isGroup, true)));
        v.deleteCurrentGroup();
        state.ResumeTiming();
        std::string label, error;
        uint32_t shown = 0;
        if (v.undo(label, shown, error) != 0) state.SkipWithError(error.c_str());
    }
    state.counters["entries"] = entries;
    v.itemTree().leaveTreeToTheSystem();
}
BENCHMARK(BM_UndoGroupDelete100k)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
