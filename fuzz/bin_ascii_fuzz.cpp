// Decodes arbitrary text as BinASCII. The first two bytes give the byte count
// the caller expects. Every block that decodes must encode to text that
// decodes to the same bytes.

#include "common/bin_ascii.h"
#include "fuzz_support.h"

#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const int expected = data[0] | (data[1] << 8);
    const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);

    std::istringstream in(text);
    int len = 0;
    std::vector<unsigned char> bytes = ReadBinASCII(in, len, unsigned(expected));
    if (len >= 0 && std::size_t(len) != bytes.size()) fuzzFinding("length and bytes disagree");

    std::istringstream block(text);
    std::vector<unsigned char> exact;
    int got = 0;
    if (ReadBinASCIIData(block, expected, exact, got) != 0) return 0;
    if (exact.size() != std::size_t(expected) || got < expected)
        fuzzFinding("a block holds other than the expected bytes");

    std::ostringstream out;
    WriteBinASCII(out, exact.data(), int(exact.size()));
    std::istringstream back(out.str());
    std::vector<unsigned char> again;
    if (ReadBinASCIIData(back, expected, again, got) != 0 || again != exact)
        fuzzFinding("an encoded block does not decode to its bytes");
    return 0;
}
