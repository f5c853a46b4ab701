// Reads an arbitrary password section. A section that is accepted must be
// written and read back unchanged; a login attempt on it must neither crash
// nor take long (the hash count is bounded when it is read).

#include "crypt/crypt_man.h"
#include "fuzz_support.h"

#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    CryptMan c(2);
    if (c.Read(in) != 0) return 0;
    std::ostringstream out;
    c.Write(out);
    std::string written = out.str();
    if (written.compare(0, 8, "<Crypt>\n") != 0) fuzzFinding("an accepted section is not written");
    std::istringstream back(written.substr(8));
    CryptMan d(2);
    if (d.Read(back) != 0) fuzzFinding("a written section cannot be read back");
    std::ostringstream again;
    d.Write(again);
    if (again.str() != written) fuzzFinding("a written section changes when read back");
    // Logging in derives a key with the file's hash count: only cheap ones here.
    if (c.GetNumPwds() > 0 && c.GetIterations() <= 1000) c.Login(0, "password");
    return 0;
}
