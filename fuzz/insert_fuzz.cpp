// Inserts an arbitrary transfer file into a small organizer, as a paste or an
// import does. Whatever is inserted must leave a tree that is written and read
// back unchanged, and a journal that replays onto the old data file to the
// same tree.

#include "engine/velk.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzSkipSyncs();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzzCheckInsertion(data, size, "paste.tmp", [](Velk& v, const std::string& input) {
        v.insertDataFromFile(input.c_str());
    });
    return 0;
}
