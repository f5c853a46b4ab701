// Replays arbitrary journal files onto a fixed small data file. The input is
// cut into up to four journal files at each line "~~". A replay that succeeds
// must leave a tree that is written and read back unchanged.

#include "engine/velk.h"
#include "fuzz_support.h"
#include "storage/file_tools.h"

#include <cstdio>
#include <cstring>

namespace {

const char* const baseFile =
    "<type=Velk>\n<version=0.54>\n<data>\n<idmax=9>\n<curGroup=/0/>\ng\ns<unnamed>\nI1\n"
    "t\nsplain\nI2\n>\nt\nsdated\nI3\nn187875328\n>\n"
    "g\nsWork\nI4\nt\nsw1\nI5\nR\nr1300000000,0\n>\ng\nsSub\nI6\nt\nss1\nI7\n>\n>\n>\n"
    "g\nsOld\nI8\nt\nso1\nI9\nF20000\nd3\nabc\n>\n>\n>\n</data>\n";

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzSkipSyncs();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string dir = fuzzScratchDir();
    const std::string path = dir + "/v.dat";
    fuzzWriteFile(path, reinterpret_cast<const uint8_t*>(baseFile), std::strlen(baseFile));

    const std::string input(reinterpret_cast<const char*>(data), size);
    std::size_t from = 0;
    int files = 0;
    while (files < 4) {
        std::size_t cut = files < 3 ? input.find("\n~~\n", from) : std::string::npos;
        const std::string part =
            input.substr(from, cut == std::string::npos ? cut : cut - from + 1);
        fuzzWriteFile(path + std::to_string(files), reinterpret_cast<const uint8_t*>(part.data()),
                      part.size());
        ++files;
        if (cut == std::string::npos) break;
        from = cut + 4;
    }

    {
        Velk v;
        v.createRoot();
        if (v.readData(path.c_str()) != 0) fuzzFinding("the fixed data file does not load");
        std::string error;
        const int r = v.incsave_readFiles(error);
        if (r == 1) {
            v.getContent();
            v.sortContent();
            const std::string merged = dir + "/merged.dat";
            if (v.writeData(merged.c_str()) != 0) fuzzFinding("a replayed tree cannot be written");
            Velk again;
            again.createRoot();
            if (again.readData(merged.c_str()) != 0)
                fuzzFinding("a replayed tree cannot be read back");
            const std::string second = dir + "/second.dat";
            if (again.writeData(second.c_str()) != 0 ||
                fuzzReadFile(second) != fuzzReadFile(merged))
                fuzzFinding("a replayed tree changes when read back");
        }
    }
    for (int n = 0; n < files; ++n)
        std::remove((path + std::to_string(n)).c_str());
    return 0;
}
