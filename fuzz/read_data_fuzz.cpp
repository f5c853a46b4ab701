// Loads arbitrary bytes as the data file. A file that loads must be written
// and loaded again: its records must come back unchanged from the first save
// on, whatever Velk accepts it must save without loss. The header may be
// normalised by the first save (a value out of range is not written), but
// must then stay as it is.

#include "common/text.h"
#include "engine/velk.h"
#include "fuzz_support.h"
#include "storage/file_tools.h"

namespace {

// The records and header the engine would write, for comparing two loads.
std::string saved(Velk& v, const std::string& path) {
    if (v.writeData(path.c_str()) != 0) fuzzFinding("a loaded file cannot be written");
    return fuzzReadFile(path);
}

// The records of a written data file: everything from the root record on.
std::string records(const std::string& file) {
    std::size_t root = file.find("\ng\n");
    return root == std::string::npos ? std::string() : file.substr(root);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzSkipSyncs();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string input = fuzzScratchDir() + "/in.dat";
    const std::string first = fuzzScratchDir() + "/first.dat";
    const std::string second = fuzzScratchDir() + "/second.dat";
    fuzzWriteFile(input, data, size);

    Velk v;
    v.createRoot();
    if (v.readData(input.c_str()) != 0) return 0;
    v.getContent();
    v.sortContent();
    const std::string once = saved(v, first);

    Velk again;
    again.createRoot();
    if (again.readData(first.c_str()) != 0) fuzzFinding("a written file cannot be read back");
    const std::string twice = saved(again, second);
    if (records(twice) != records(once)) fuzzFinding("records change when read back");

    Velk third;
    third.createRoot();
    if (third.readData(second.c_str()) != 0) fuzzFinding("a written file cannot be read back");
    if (saved(third, first) != twice) fuzzFinding("a written file changes when read back");
    return 0;
}
