// Reads an arbitrary todo record, which carries the description block with
// its flags word, and shows its description as a logged-in user would. A
// record that reads must write and read back with the same description.

#include "crypt/crypt_man.h"
#include "fuzz_support.h"
#include "model/calendar.h"
#include "model/todo_item.h"
#include "storage/records.h"

#include <sstream>

namespace {

CryptMan& loggedInManager() {
    static CryptMan* c = [] {
        auto* m = new CryptMan(2);
        if (m->AddPwd("fuzz", "password") != 0) fuzzFinding("cannot create a master key");
        return m;
    }();
    return *c;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    CryptMan& crypt = loggedInManager();
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    unsigned running = 0, idmax = 0;
    T_Calendar cal;
    ToDoListToDo t(0, "/0/");
    const int read = readToDoRecord(in, t, running, idmax, cal);
    if (read == 0) {
        std::ostringstream out;
        writeToDoRecord(out, t, &crypt, RECORD_SAVE);
        const std::string written = out.str();
        if (written.compare(0, 2, "t\n") != 0) fuzzFinding("a record is written without its tag");
        std::istringstream back(written.substr(2));
        unsigned running2 = 0, idmax2 = 0;
        T_Calendar cal2;
        ToDoListToDo u(0, "/0/");
        if (readToDoRecord(back, u, running2, idmax2, cal2) != 0)
            fuzzFinding("a written record cannot be read back");
        // An empty text and no description read the same to the user.
        const char* a = nullptr;
        const char* b = nullptr;
        const bool lockedA = t.GetDescription(a, &crypt);
        const bool lockedB = u.GetDescription(b, &crypt);
        if (lockedA != lockedB || std::string(a ? a : "") != std::string(b ? b : ""))
            fuzzFinding("a description changes when written and read back");
        u.removeFromCalLists(cal2);
    }
    t.removeFromCalLists(cal);
    return 0;
}
