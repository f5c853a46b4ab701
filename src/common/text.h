#pragma once
#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>
#include <string_view>

// Text helpers shared by every reader and writer of Velk's line-oriented files.

// The longest line the readers take; the rest of a longer line is skipped.
constexpr std::size_t MAX_LINE = 498;

// Reads the next line (without its line feed), keeps at most maxLen characters
// of it and skips the rest of the line. At the end of the input the stream's
// eof flag is set; when nothing at all could be read, its fail flag too.
std::string readRawLine(std::istream& in, std::size_t maxLen = MAX_LINE);

// readRawLine with every leading and trailing space (0x20 only) removed.
// Lines that hold texts the user sets and the writers never shorten (header
// lines, password descriptions) are read with maxLen SIZE_MAX, at any length.
std::string readfLine(std::istream& in, std::size_t maxLen = MAX_LINE);

// The decimal digits of value, padded on the left with fill to width. A minus
// sign stands directly before the digits; with signInWidth it counts toward
// the width, without it the result is one character longer.
std::string itoStr(long value, char fill, uint8_t width, bool signInWidth);

// Copy with the letters a to z turned into capitals; other bytes stay.
std::string strU(std::string_view s);

// Copy without leading and trailing white space (space, \t, \n, \v, \f, \r).
std::string trim(const std::string& s);

// The bytes as lower-case hex digits, two per byte (a digest's usual text).
std::string lowerHex(const unsigned char* data, std::size_t size);

// Numbers read the way the file formats store them: leading white space
// skipped, optional sign, decimal digits up to the first other character,
// 0 when there are none. Digits are taken modulo 2^32, so every written
// unsigned 32-bit value reads back unchanged.
uint32_t parseU32(const char* text);
int32_t parseI32(const char* text);
inline uint32_t parseU32(const std::string& s, std::size_t from = 0) {
    return from <= s.size() ? parseU32(s.c_str() + from) : 0;
}
inline int32_t parseI32(const std::string& s, std::size_t from = 0) {
    return from <= s.size() ? parseI32(s.c_str() + from) : 0;
}

// True when s begins with prefix.
inline bool startsWith(const std::string& s, const char* prefix) {
    return s.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}
