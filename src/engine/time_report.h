#pragma once
#include <ctime>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

class ToDoListGroup;

// The time recorded on todos with "Start"/"Stop", for a report of a span of
// days: each recorded interval cut at local midnights into pieces of one day.

// One piece of a recorded interval, within one local day.
struct T_WorkPiece {
    std::string groupPath; // the group of the todo, "/Work/Project X"; "/" the top level
    std::string summary;
    std::time_t start = 0;
    std::time_t stop = 0;
    // Whole minutes, rounded: a report's sums add these, so that the table
    // and the lines of the CSV agree.
    long minutes() const { return long((stop - start + 30) / 60); }
};

// A group with time in a report: the sum of its todos and of the groups
// below it, and each of its own todos with time and its sum.
struct T_WorkGroup {
    std::string path;
    long minutes = 0;
    std::vector<std::pair<std::string, long>> todos; // summary, minutes
};

struct T_WorkReport {
    std::vector<T_WorkPiece> pieces; // in the order of the tree: a group's todos, then its groups
    std::vector<T_WorkGroup> groups; // those with any piece, in the same order
    long minutes = 0;                // the total
};

// The time recorded in the subtree of root between from and to (seconds since
// 1970; local midnights for whole days). An interval still running counts up
// to now; one that runs across the span's ends counts only inside it.
T_WorkReport collectWork(const ToDoListGroup& root, std::time_t from, std::time_t to,
                         std::time_t now);

// The local midnight that begins the given day (year, month 1..12, day 1..31).
std::time_t localMidnight(int year, int month, int day);

// The report as an aligned table of hours and minutes: title, a blank line,
// a line per group with its sum, its todos indented under it with theirs,
// and the total. The top level has a line only when its own todos have time.
void writeWorkTable(const T_WorkReport& report, const std::string& title, std::ostream& os);

// The pieces as CSV: the header "group path,summary,date,start,stop,minutes"
// and a line per piece; fields with a comma, a quote or a line break are
// quoted, quotes doubled. A piece that ends at the next midnight stops at
// "24:00".
void writeWorkCsv(const std::vector<T_WorkPiece>& pieces, std::ostream& os);
