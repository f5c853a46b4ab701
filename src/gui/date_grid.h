#pragma once
#include <string>
#include <vector>

// The month grid of the date picker, without any drawing: the browser lines
// of one month laid out in ISO weeks, where a click lands, and how the month
// and year buttons step. Shown months lie in the years a packed date can hold
// (2000..2127).

// Column widths of the grid: the week number, then Monday to Sunday (Friday's
// column is wider), zero-terminated as the browser wants them.
extern const int monthGridColumnWidths[9];

// The caller's chosen date and today's date, marked in the grid. A day of -1
// (or any date not in the shown month) marks nothing.
struct MonthGridMarks {
    int chosenDay = -1, chosenMonth = 0, chosenYear = 0;
    int todayDay = -1, todayMonth = 0, todayYear = 0;
};

// The browser lines of a month: the weekday header, then one line per week
// that holds a day of the month. A week line is the ISO week number, a tab,
// then one cell per weekday, each but the last followed by a tab; cells before
// the 1st are empty, cells after the last day are left off (the last day of a
// short last week keeps its tab). A day is preceded by "@u" when it is
// the chosen date and by "@i" when it is today (in that order).
std::vector<std::string> monthGridLines(int month, int year, const MonthGridMarks& marks);

// The weekday column (1 = Monday .. 7 = Sunday) under the x position of a
// click, counted from the grid's left edge; 0 for the week-number column and
// for x beyond the last column.
int monthGridColumnAt(int x);

// The day of the month in browser line `line` (1 = header) and weekday column
// `column`, given the weekday (0 = Monday) of the 1st. Below 1 before the 1st
// (and on the header line), above the month's length after its last day.
int monthGridDayAt(int line, int column, int firstWeekday);

// Steps the shown month by d months, carrying years. A step that would leave
// January 2000 .. December 2127 changes nothing.
void stepShownMonth(int& month, int& year, int d);
// Steps the shown year by d, kept within 2000..2127.
void stepShownYear(int& year, int d);
