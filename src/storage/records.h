#pragma once
#include <istream>
#include <string>

// Helpers of the record syntax that groups and entries are written in.

// The text with every line break turned into a blank: summaries and paths are
// single lines in the files.
std::string oneLine(const std::string& text);

// Reads one line of a record, of any length, without its line feed.
std::string readRecordLine(std::istream& in);
