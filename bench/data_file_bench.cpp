// Loading, saving and deleting an organizer of 100,000 entries (a data file of
// about 10 MB).

#include "engine/velk.h"
#include "generate.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// The generated data file, made once and removed at the end of the run.
struct BenchFile {
    BenchFile() : path("/tmp/velk_bench_" + std::to_string(::getpid()) + ".dat") {
        std::ofstream(path, std::ios::binary) << generateDataFile(100000);
    }
    ~BenchFile() { std::remove(path.c_str()); }
    const std::string path;
};

const std::string& benchFile() {
    static const BenchFile file;
    return file.path;
}

void BM_LoadDataFile100k(benchmark::State& state) {
    const std::string& path = benchFile();
    for (auto _ : state) {
        auto v = std::make_unique<Velk>();
        v->createRoot();
        if (v->readData(path.c_str()) != 0) state.SkipWithError("load failed");
        state.PauseTiming(); // deleting the tree is not part of the load
        v.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LoadDataFile100k)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_SaveDataFile100k(benchmark::State& state) {
    Velk v;
    v.createRoot();
    if (v.readData(benchFile().c_str()) != 0) state.SkipWithError("load failed");
    const std::string out = benchFile() + ".out";
    for (auto _ : state)
        if (v.writeData(out.c_str()) != 0) state.SkipWithError("save failed");
    std::remove(out.c_str());
}
BENCHMARK(BM_SaveDataFile100k)->Unit(benchmark::kMillisecond)->Iterations(5);

// Quitting: deleting an engine that holds the 100,000 entries, after the
// window has gone. Only the deletion is timed.
void BM_TeardownOrganizer100k(benchmark::State& state) {
    const std::string& path = benchFile();
    for (auto _ : state) {
        state.PauseTiming();
        auto v = std::make_unique<Velk>();
        v->createRoot();
        if (v->readData(path.c_str()) != 0) state.SkipWithError("load failed");
        state.ResumeTiming();
        v.reset();
    }
}
BENCHMARK(BM_TeardownOrganizer100k)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

namespace {

// Saving after 1,000 enciphered descriptions changed: each is enciphered anew,
// with the cipher's key set up for every description.
void BM_SaveThousandChangedEncipheredDescriptions(benchmark::State& state) {
    Velk v;
    v.createRoot();
    v.getCrypt() = CryptMan(1000);
    v.getCrypt().AddPwd("bench", "password");
    std::vector<ToDoListToDo*> todos;
    for (int i = 0; i < 1000; ++i) {
        ToDoListToDo* t = v.getRoot()->newToDo();
        t->setSyncID(++v.itemTree().idmax());
        t->SetSaveCrypt(true);
        todos.push_back(t);
    }
    const std::string out = "/tmp/velk_bench_crypt_" + std::to_string(::getpid()) + ".dat";
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ++round;
        for (ToDoListToDo* t : todos)
            t->setDescription(("Account details, round " + std::to_string(round) +
                               ", with a few lines\nof text that the user keeps secret.")
                                  .c_str());
        state.ResumeTiming();
        if (v.writeData(out.c_str()) != 0) state.SkipWithError("save failed");
    }
    std::remove(out.c_str());
}
BENCHMARK(BM_SaveThousandChangedEncipheredDescriptions)->Unit(benchmark::kMillisecond);

} // namespace
