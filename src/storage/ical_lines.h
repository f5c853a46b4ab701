#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// The content lines of an iCalendar text (RFC 5545, 3.1): folded lines are
// joined again (a line that begins with a space or a tab continues the one
// before it, so a character cut by the fold is whole again), and each line is
// split into its name, its parameters and its value.
namespace storage {

struct T_IcsLine {
    std::string_view name;   // upper case
    std::string_view params; // ";NAME=VALUE..." as written, empty without parameters
    std::string_view value;
    std::string_view text; // the whole unfolded line
    unsigned number = 0;   // the file line it begins on, from 1
};

// Reads the content lines of text one at a time. The views a line holds stay
// valid until the next call.
class IcsLineReader {
  public:
    explicit IcsLineReader(std::string_view text);
    // Results: 1 a content line was read; 0 the text has ended; -1 the line is
    // not a content line (no name or no colon): only line.text and
    // line.number are set. Empty lines are passed over.
    int next(T_IcsLine& line);

  private:
    std::string_view text_;
    std::size_t pos_ = 0;
    unsigned lineNo_ = 0;
    std::string unfolded_; // a line that was folded, joined
    std::string name_;
};

// The value of the parameter name (upper case) in params, without its
// quotes; empty when it is not there.
std::string_view icsParam(std::string_view params, std::string_view name);

// A TEXT value with its escapes resolved: "\n" and "\N" a line break, "\\",
// "\;" and "\," the character itself.
std::string icsText(std::string_view value);

} // namespace storage
