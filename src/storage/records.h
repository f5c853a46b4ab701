#pragma once
#include <cstdint>
#include <istream>
#include <string>

// Helpers of the record syntax that groups and entries are written in.

// The highest sync ID a file may give a record, and the highest "<idmax="
// read. Larger numbers (a damaged or hand-made file, "I-1") count as none, so
// that idmax stays far below the end of its range and numbering the following
// records can never wrap round to 0 or reuse a number.
constexpr uint32_t MAX_SYNCID = 0x7fffffff;

// The text with every line break turned into a blank: summaries and paths are
// single lines in the files.
std::string oneLine(const std::string& text);

// Reads one line of a record, of any length, without its line feed.
std::string readRecordLine(std::istream& in);
