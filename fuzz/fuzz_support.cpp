#include "fuzz_support.h"

#include "engine/velk.h"
#include "storage/file_tools.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

struct ScratchDir {
    std::string path;
    ScratchDir() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/velk_fuzz_XXXXXX";
        if (!::mkdtemp(pattern.data())) fuzzFinding("cannot make the scratch directory");
        path = pattern;
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

int noSync(int) {
    return 0;
}

} // namespace

const std::string& fuzzScratchDir() {
    static ScratchDir dir;
    return dir.path;
}

void fuzzWriteFile(const std::string& path, const uint8_t* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    out.close();
    if (!out) fuzzFinding("cannot write the input file");
}

std::string fuzzReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void fuzzSkipSyncs() {
    FileTools::ops().fsync = noSync;
}

void fuzzFinding(const char* what) {
    std::fprintf(stderr, "fuzz finding: %s\n", what);
    std::abort();
}

namespace {

const char* const baseFile = "<type=Velk>\n<version=0.54>\n<data>\n<idmax=4>\n<curGroup=/0/0/>\n"
                             "g\ns<unnamed>\nI1\ng\nsInbox\nI2\nt\nsold\nI3\n>\n>\n"
                             "t\nstop\nI4\n>\n>\n</data>\n";

} // namespace

void fuzzCheckInsertion(const uint8_t* data, std::size_t size, const char* name,
                        const std::function<void(Velk&, const std::string&)>& insert) {
    const std::string dir = fuzzScratchDir();
    const std::string path = dir + "/v.dat";
    const std::string input = dir + "/" + name;
    fuzzWriteFile(path, reinterpret_cast<const uint8_t*>(baseFile), std::strlen(baseFile));
    fuzzWriteFile(input, data, size);

    Velk v;
    v.createRoot();
    if (v.readData(path.c_str()) != 0) fuzzFinding("the fixed data file does not load");
    insert(v, input);
    v.getContent();
    v.sortContent();
    const std::string after = dir + "/after.dat";
    if (v.writeData(after.c_str()) != 0) fuzzFinding("the tree cannot be written");

    // The journal written by the insertion, replayed onto the old file.
    Velk replayed;
    replayed.createRoot();
    if (replayed.readData(path.c_str()) != 0) fuzzFinding("the fixed data file does not load");
    std::string error;
    if (replayed.incsave_readFiles(error) < 0) fuzzFinding("the journal of an insertion fails");
    replayed.setGroup(replayed.getRoot()->getGroup(0));
    const std::string fromJournal = dir + "/journal.dat";
    if (replayed.writeData(fromJournal.c_str()) != 0) fuzzFinding("the tree cannot be written");
    if (fuzzReadFile(fromJournal) != fuzzReadFile(after))
        fuzzFinding("the journal replays to another tree than was inserted");
    replayed.incsave_delFiles();

    Velk again;
    again.createRoot();
    if (again.readData(after.c_str()) != 0) fuzzFinding("the written tree cannot be read back");
}
