#include "common/bin_ascii.h"

#include <algorithm>
#include <climits>

namespace {

constexpr unsigned char FIRST = '0';
constexpr unsigned char LAST = 'o';
// The first allocation never exceeds this many bytes; beyond it the buffer
// grows only with the characters that actually arrive.
constexpr std::size_t MAX_INITIAL_BYTES = 1u << 16;

} // namespace

void WriteBinASCII(std::ostream& os, const unsigned char* data, int len) {
    if (!data) len = 0;
    for (int i = 0; i < len; i += 3) {
        unsigned b0 = data[i];
        unsigned b1 = i + 1 < len ? data[i + 1] : 0;
        unsigned b2 = i + 2 < len ? data[i + 2] : 0;
        char group[4] = {char((b0 & 63) + FIRST), char(((b0 >> 6) | ((b1 & 15) << 2)) + FIRST),
                         char(((b1 >> 4) | ((b2 & 3) << 4)) + FIRST), char((b2 >> 2) + FIRST)};
        os.write(group, 4);
    }
    os.write("!!!!", 4);
}

std::vector<unsigned char> ReadBinASCII(std::istream& is, int& len, unsigned expected) {
    std::vector<unsigned char> out;
    std::size_t initialGroups = expected / 3 + 2;
    out.reserve(std::min<std::size_t>(initialGroups * 3, MAX_INITIAL_BYTES));
    for (;;) {
        unsigned char c[4];
        for (unsigned char& ch : c)
            ch = static_cast<unsigned char>(is.get());
        if (is.fail()) {
            len = -1;
            return out;
        }
        unsigned char d[4];
        for (int k = 0; k < 4; ++k)
            d[k] = static_cast<unsigned char>(c[k] - FIRST);
        out.push_back(static_cast<unsigned char>(d[0] | (d[1] << 6)));
        out.push_back(static_cast<unsigned char>((d[1] >> 2) | (d[2] << 4)));
        out.push_back(static_cast<unsigned char>((d[3] << 2) | (d[2] >> 4)));
        if (c[0] == '!') {
            len = (c[1] == '!' && c[2] == '!' && c[3] == '!') ? int(out.size()) : -2;
            return out;
        }
        for (unsigned char ch : c) {
            if (ch < FIRST || ch > LAST) {
                len = -3;
                return out;
            }
        }
        if (out.size() > std::size_t(INT_MAX) - 3) {
            len = -1;
            return out;
        }
    }
}

int ReadBinASCIIData(std::istream& is, int expected, std::vector<unsigned char>& data, int& got) {
    data.clear();
    if (expected < 0) {
        got = -1;
        return -1;
    }
    int len = 0;
    std::vector<unsigned char> block = ReadBinASCII(is, len, unsigned(expected));
    got = len < 0 ? len : len - 3;
    if (len < 0 || got < expected) return -1;
    data.assign(block.begin(), block.begin() + expected);
    return 0;
}
