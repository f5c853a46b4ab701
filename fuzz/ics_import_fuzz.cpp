// Imports an arbitrary file as iCalendar into a small organizer. Whatever is
// imported must leave a tree that is written and read back unchanged, and a
// journal that replays onto the old data file to the same tree.

#include "engine/velk.h"
#include "fuzz_support.h"
#include "storage/file_tools.h"

#include <cstdio>
#include <cstring>

namespace {

const char* const baseFile = "<type=Velk>\n<version=0.54>\n<data>\n<idmax=4>\n<curGroup=/0/0/>\n"
                             "g\ns<unnamed>\nI1\ng\nsInbox\nI2\nt\nsold\nI3\n>\n>\n"
                             "t\nstop\nI4\n>\n>\n</data>\n";

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzSkipSyncs();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string dir = fuzzScratchDir();
    const std::string path = dir + "/v.dat";
    const std::string input = dir + "/calendar.ics";
    fuzzWriteFile(path, reinterpret_cast<const uint8_t*>(baseFile), std::strlen(baseFile));
    fuzzWriteFile(input, data, size);

    Velk v;
    v.createRoot();
    if (v.readData(path.c_str()) != 0) fuzzFinding("the fixed data file does not load");
    storage::T_IcsImportReport report;
    v.importICalendar(input, *v.getCurGroup(), "fuzz", report);
    v.getContent();
    v.sortContent();
    const std::string after = dir + "/after.dat";
    if (v.writeData(after.c_str()) != 0) fuzzFinding("the tree cannot be written");

    // The journal written by the import, replayed onto the old file.
    Velk replayed;
    replayed.createRoot();
    if (replayed.readData(path.c_str()) != 0) fuzzFinding("the fixed data file does not load");
    std::string error;
    if (replayed.incsave_readFiles(error) < 0) fuzzFinding("the journal of an import fails");
    replayed.setGroup(replayed.getRoot()->getGroup(0));
    const std::string fromJournal = dir + "/journal.dat";
    if (replayed.writeData(fromJournal.c_str()) != 0) fuzzFinding("the tree cannot be written");
    if (fuzzReadFile(fromJournal) != fuzzReadFile(after))
        fuzzFinding("the journal replays to another tree than was imported");
    replayed.incsave_delFiles();

    Velk again;
    again.createRoot();
    if (again.readData(after.c_str()) != 0) fuzzFinding("the written tree cannot be read back");
    return 0;
}
