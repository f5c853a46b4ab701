// Velk at its limits, too slow for the test suite: a data file of 100 MB
// (1,100,000 entries), a journal of 10,000 files, a 10 MB enciphered
// description and a tree as deep as allowed. Each benchmark checks its result
// and reports an error instead of a figure when Velk got it wrong.

#include "engine/velk.h"
#include "generate.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string tempName(const char* what) {
    return "/tmp/velk_limits_bench_" + std::to_string(::getpid()) + "_" + what;
}

long long fileSize(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? (long long)st.st_size : -1;
}

void BM_HundredMegabyteDataFileLoadAndSave(benchmark::State& state) {
    const std::string path = tempName("big.dat"), out = tempName("big_out.dat");
    std::ofstream(path, std::ios::binary) << generateDataFile(1100000);
    const long long size = fileSize(path);
    for (auto _ : state) {
        Velk v;
        v.createRoot();
        if (v.readData(path.c_str()) != 0) {
            state.SkipWithError("the 100 MB data file does not load");
            break;
        }
        if (v.writeData(out.c_str()) != 0 || fileSize(out) != size) {
            state.SkipWithError("the 100 MB data file is not saved whole");
            break;
        }
    }
    state.counters["MB"] = double(size) / 1e6;
    std::remove(path.c_str());
    std::remove(out.c_str());
}
BENCHMARK(BM_HundredMegabyteDataFileLoadAndSave)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_TenThousandJournalFilesReplay(benchmark::State& state) {
    const std::string path = tempName("journal.dat");
    const std::string fixed = "<type=Velk>\n<version=0.54>\n<data>\n";
    std::ofstream(path, std::ios::binary) << generateDataFile(100000);
    // Entry n renames the first todo (sync ID 5, after the root and the three
    // groups above it) to n + 1: the last one wins.
    for (unsigned n = 0; n < 10000; ++n)
        std::ofstream(path + std::to_string(n), std::ios::binary)
            << fixed << "<changed>\nt\ns" << n + 1 << "\nI5\n>\n</changed>\n</data>\n";
    for (auto _ : state) {
        Velk v;
        v.createRoot();
        std::string error;
        bool isGroup = false;
        if (v.readData(path.c_str()) != 0 || v.incsave_readFiles(error) != 1) {
            state.SkipWithError("the journal does not replay");
            break;
        }
        ToDoListItem* t = v.getRoot()->getPtrToItemWithSyncID(5, isGroup, true);
        if (!t || t->getSummary() != "10000" || v.incsave_getNrOfFiles() != 10000) {
            state.SkipWithError("the journal replays to the wrong result");
            break;
        }
    }
    for (unsigned n = 0; n < 10000; ++n)
        std::remove((path + std::to_string(n)).c_str());
    std::remove(path.c_str());
}
BENCHMARK(BM_TenThousandJournalFilesReplay)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_TenMegabyteEncipheredDescription(benchmark::State& state) {
    const std::string path = tempName("crypt.dat");
    std::string text(10 * 1024 * 1024, 'x');
    for (auto _ : state) {
        Velk v;
        v.createRoot();
        v.readData(path.c_str()); // no file yet: an empty organizer
        v.getCrypt() = CryptMan(2);
        if (v.getCrypt().AddPwd("main", "secret") != 0) {
            state.SkipWithError("no password");
            break;
        }
        v.newToDo(3, 0);
        v.setItemDescription(text.c_str());
        v.getCurItem()->SetSaveCrypt(true);
        if (v.writeData(path.c_str()) != 0) {
            state.SkipWithError("the enciphered description is not saved");
            break;
        }
        Velk w;
        w.createRoot();
        const char* back = nullptr;
        if (w.readData(path.c_str()) != 0 || w.getCrypt().Login(0, "secret") != 0 ||
            w.getRoot()->getNrToDos() != 1 ||
            w.getRoot()->getToDo(0)->GetDescription(back, &w.getCrypt()) || !back || back != text) {
            state.SkipWithError("the enciphered description does not come back");
            break;
        }
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_TenMegabyteEncipheredDescription)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_DeepestTreeLoadSaveAndViews(benchmark::State& state) {
    std::string s = "<type=Velk>\n<version=0.54>\n<data>\n<idmax=1>\ng\ns<unnamed>\nI1\n";
    for (unsigned l = 1; l <= MAX_GROUP_LEVEL; ++l)
        s += "g\nslevel " + std::to_string(l) + "\nt\nstodo\n>\n";
    for (unsigned l = 0; l <= MAX_GROUP_LEVEL; ++l)
        s += ">\n";
    s += "</data>\n";
    const std::string path = tempName("deep.dat");
    std::ofstream(path, std::ios::binary) << s;
    for (auto _ : state) {
        Velk v;
        v.createRoot();
        if (v.readData(path.c_str()) != 0) {
            state.SkipWithError("the deepest tree does not load");
            break;
        }
        v.setOptViewtype(VIEWTYPE_FLAT);
        v.getContent();
        v.sortContent();
        if (v.getViewData().size() != 2u * MAX_GROUP_LEVEL || v.writeData(path.c_str()) != 0) {
            state.SkipWithError("the deepest tree is not shown or saved whole");
            break;
        }
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_DeepestTreeLoadSaveAndViews)->Unit(benchmark::kMillisecond);

} // namespace
