#pragma once
#include <istream>
#include <ostream>
#include <vector>

// BinASCII: the text form in which byte strings (enciphered descriptions) are
// stored in Velk's line-oriented files. Every 3 bytes become 4 characters from
// "0" to "o" (6 bits each, plus 48); the last group is completed with zero
// bytes; the text ends with the terminator "!!!!" and holds no line break.

// Writes the encoding of len bytes and the terminator. An empty input (or a
// negative len) writes only "!!!!".
void WriteBinASCII(std::ostream& os, const unsigned char* data, int len);

// Reads groups of 4 characters up to and including the terminator and returns
// their decoded bytes: 3 per group, the terminator group included (its bytes
// are not data). expected is the number of bytes the caller expects; it only
// sizes the first allocation, which is bounded, so a hostile count reserves
// nothing large. len is set to:
//   3 * groups read, the terminator group included (3 more than the data
//      bytes), when the terminator was found;
//   -1 when the stream ends or fails before the terminator;
//   -2 when a group begins with "!" but is not "!!!!";
//   -3 when a data group holds a character outside "0".."o".
// The bytes read so far are returned in every case.
std::vector<unsigned char> ReadBinASCII(std::istream& is, int& len, unsigned expected);

// Reads one block that must hold expected bytes and hands out exactly those
// bytes in data. The terminator never counts as data: a block whose data
// groups hold fewer than expected bytes is an error even when the terminator
// group would make up the count. got is set to the number of data bytes the
// block held, or to ReadBinASCII's error code. Returns 0, or -1 (data empty)
// for a malformed or short block or a negative expected.
int ReadBinASCIIData(std::istream& is, int expected, std::vector<unsigned char>& data, int& got);
