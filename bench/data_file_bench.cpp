// Loading and saving a data file of 100,000 entries (about 10 MB).

#include "engine/velk.h"
#include "generate.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>
#include <fstream>
#include <string>
#include <unistd.h>

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

} // namespace
