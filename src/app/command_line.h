#pragma once
#include "model/datetime.h"

#include <string>
#include <vector>

// What the command line asks of one run.
struct CommandLine {
    // The data file: the default candidate, replaced by the value of -f.
    std::string path;
    // States of the options that take a value: 0 not given, 1 waiting for
    // its value, 2 value received.
    int fState = 0, gState = 0, iState = 0;
    std::string gValue, iValue;
    bool alwaysSave = false;      // -s
    bool startInCalendar = false; // -c
    bool noWindow = false;        // -q
    // First day of the calendar view for -c.
    packedDT startDate = DT_EMPTY;
    // Why a -c date was refused; empty when none was refused.
    std::string dateError;
};

// Reads the options that follow the program name. cl.path holds the default
// data file on entry. Options are recognised by their second character; the
// values of -f, -i and -g are matched by waiting state, the -c date is only the
// argument right after -c. A -c date that cannot be read is refused: the
// calendar then starts today and cl.dateError says why.
void parseCommandLine(const std::vector<std::string>& args, CommandLine& cl);

// Reads a -c date written year-month-day (four, two and two digits) by position.
// Result: 0 and the packed date (low bits from low), or -1 when the text is
// too short, a field does not begin with a digit, or the date does not exist
// in the years 2000..2127.
int parseStartDate(const std::string& text, packedDT low, packedDT& date);

// Chooses the data file among the configured candidates: the first one that
// exists; "~" stands for the home directory. With tell, each missing
// candidate is reported on standard output. Result: 0 an existing file was
// found, -1 none (path then holds the last candidate).
int defaultFile(std::string& path, bool tell = true);
