#pragma once
#include <string>

// Dates and times as a user types them into the date and time pickers.

// Reads a typed date. Accepted forms, with blanks around them ignored:
//   "24.12.2026" or "24.12.26"  day, month, year (a two-digit year is 20yy)
//   "2026-12-24"                year, month, day (four-digit year)
//   "24.12." or "24.12"         day and month in thisYear, even when that day
//                               of thisYear has already passed
// Day and month take one or two digits. Returns 0 and writes day, month and
// year when the text names a real day of 2000..2127; returns -1 and writes
// nothing for any other text.
int parseTypedDate(const std::string& text, int thisYear, int& day, int& month, int& year);

// Reads a typed time of day: "14:30", "9:05" (hour, ":" and two minute
// digits), "1430", "905" (the last two digits are the minute), or "14", "9"
// (a whole hour). Blanks around it are ignored. "24:00" is midnight at the end
// of a day. Returns 0 and writes hour and minute for a time of 0:00..24:00;
// returns -1 and writes nothing for any other text.
int parseTypedTime(const std::string& text, int& hour, int& minute);
