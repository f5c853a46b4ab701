// Reads arbitrary bytes as the configuration file.

#include "app/config.h"
#include "fuzz_support.h"

#include <cstdlib>
#include <sys/stat.h>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const std::string home = fuzzScratchDir();
    ::mkdir((home + "/.velkrc").c_str(), 0700);
    ::setenv("USERPROFILE", home.c_str(), 1);
    ::setenv("HOME", home.c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzzWriteFile(fuzzScratchDir() + "/.velkrc/velk.config", data, size);
    ReadConfigFile();
    if (velkconfig.defaultFiles.empty()) fuzzFinding("no candidate data file is left");
    return 0;
}
