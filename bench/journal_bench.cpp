// Replaying 1,000 journal files onto a tree of 100,000 entries, as the start
// after a crash does.

#include "engine/velk.h"
#include "generate.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// The data file and 1,000 journal entries written by editing it through the
// engine: changes, deletions and new items spread over the whole tree.
struct JournalFiles {
    JournalFiles() : path("/tmp/velk_journal_bench_" + std::to_string(::getpid()) + ".dat") {
        std::ofstream(path, std::ios::binary) << generateDataFile(100000);
        Velk v;
        v.createRoot();
        std::string error;
        if (v.readData(path.c_str()) != 0 || v.incsave_readFiles(error) != 0) return;
        std::vector<ToDoListToDo*> todos;
        std::vector<ToDoListGroup*> groups;
        collect(*v.getRoot(), todos, groups);
        std::mt19937 rng(7);
        for (int k = 0; k < 1000; ++k) {
            const unsigned dice = rng() % 10;
            if (dice < 6) {
                v.setItem(todos[rng() % todos.size()]);
                v.incsave_rememberTodo();
                v.setItemSummary("changed " + std::to_string(k));
                v.incsave_saveCurItem();
                v.incsave_forgetTodo();
            } else if (dice < 8) {
                std::size_t i = rng() % todos.size();
                v.DeleteItem(todos[i]);
                todos.erase(todos.begin() + long(i));
            } else {
                v.setGroup(groups[rng() % groups.size()]);
                v.newToDo(0, 0);
                v.incsave_newItem();
                v.setItemSummary("new " + std::to_string(k));
                v.incsave_saveCurItem();
            }
        }
        files = v.incsave_getNrOfFiles();
    }
    ~JournalFiles() {
        for (int n = 0; n < files; ++n)
            std::remove((path + std::to_string(n)).c_str());
        std::remove(path.c_str());
    }
    static void collect(ToDoListGroup& g, std::vector<ToDoListToDo*>& todos,
                        std::vector<ToDoListGroup*>& groups) {
        groups.push_back(&g);
        for (std::size_t i = 0; i < g.getNrToDos(); ++i)
            todos.push_back(g.getToDo(i));
        for (std::size_t i = 0; i < g.getNrGroups(); ++i)
            collect(*g.getGroup(i), todos, groups);
    }
    const std::string path;
    int files = 0;
};

void BM_ReplayJournal1000Onto100k(benchmark::State& state) {
    static const JournalFiles journal;
    if (journal.files != 1000) state.SkipWithError("the journal was not written");
    for (auto _ : state) {
        state.PauseTiming(); // loading the data file is measured elsewhere
        auto v = std::make_unique<Velk>();
        v->createRoot();
        if (v->readData(journal.path.c_str()) != 0) state.SkipWithError("load failed");
        state.ResumeTiming();
        std::string error;
        if (v->incsave_readFiles(error) != 1) state.SkipWithError("replay failed");
        state.PauseTiming();
        v.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ReplayJournal1000Onto100k)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
