#include "common/text.h"

#include <streambuf>

std::string readRawLine(std::istream& in, std::size_t maxLen) {
    std::string line;
    std::istream::sentry ok(in, true);
    if (!ok) return line;
    std::streambuf* buf = in.rdbuf();
    bool readAnything = false;
    for (;;) {
        int c = buf->sbumpc();
        if (c == std::char_traits<char>::eof()) {
            in.setstate(readAnything ? std::ios::eofbit : std::ios::eofbit | std::ios::failbit);
            break;
        }
        readAnything = true;
        if (c == '\n') break;
        if (line.size() < maxLen) line.push_back(char(c));
    }
    return line;
}

std::string readfLine(std::istream& in, std::size_t maxLen) {
    std::string line = readRawLine(in, maxLen);
    std::size_t first = line.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    std::size_t last = line.find_last_not_of(' ');
    return line.substr(first, last - first + 1);
}

std::string itoStr(long value, char fill, uint8_t width, bool signInWidth) {
    if (value == 0) {
        std::string s(width > 1 ? width - 1 : 0, fill);
        return s + "0";
    }
    bool negative = value < 0;
    unsigned long magnitude =
        negative ? 0ul - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
    std::string digits;
    while (magnitude > 0) {
        digits.insert(digits.begin(), char('0' + magnitude % 10));
        magnitude /= 10;
    }
    std::size_t counted = digits.size() + ((negative && signInWidth) ? 1 : 0);
    std::string pad(counted < width ? width - counted : 0, fill);
    return pad + (negative ? "-" : "") + digits;
}

std::string strU(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return r;
}

std::string lowerHex(const unsigned char* data, std::size_t size) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        out += hex[data[i] >> 4];
        out += hex[data[i] & 15];
    }
    return out;
}

std::string trim(const std::string& s) {
    const char* ws = " \t\n\v\f\r";
    std::size_t first = s.find_first_not_of(ws);
    if (first == std::string::npos) return std::string();
    std::size_t last = s.find_last_not_of(ws);
    return s.substr(first, last - first + 1);
}

namespace {

// Sign and digits modulo 2^32, as described in the header.
uint32_t parseModulo(const char* p, bool& negative) {
    negative = false;
    if (!p) return 0;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    uint32_t v = 0;
    while (*p >= '0' && *p <= '9')
        v = v * 10u + uint32_t(*p++ - '0');
    return v;
}

} // namespace

uint32_t parseU32(const char* text) {
    bool negative;
    uint32_t v = parseModulo(text, negative);
    return negative ? 0u - v : v;
}

int32_t parseI32(const char* text) {
    return static_cast<int32_t>(parseU32(text));
}
