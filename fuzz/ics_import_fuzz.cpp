// Imports an arbitrary file as iCalendar into a small organizer. Whatever is
// imported must leave a tree that is written and read back unchanged, and a
// journal that replays onto the old data file to the same tree.

#include "engine/velk.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzSkipSyncs();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzzCheckInsertion(data, size, "calendar.ics", [](Velk& v, const std::string& input) {
        storage::T_IcsImportReport report;
        v.importICalendar(input, *v.getCurGroup(), "fuzz", report);
    });
    return 0;
}
