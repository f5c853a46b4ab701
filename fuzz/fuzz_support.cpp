#include "fuzz_support.h"

#include "storage/file_tools.h"

#include <cstdio>
#include <cstdlib>
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
