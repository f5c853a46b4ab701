#pragma once
#include "engine/content_view.h"

#include <ostream>
#include <string>
#include <vector>

class ToDoListGroup;
class ToDoListItem;

// The organizer's lists as plain text lines, for a terminal or a script: what
// the window shows, without its colours and columns.

// The display order visits the rows out of their order in memory: each row,
// and then its text, is a cache miss. The rows this many lines ahead, and the
// texts of those half as far ahead, are asked for early so that the misses
// overlap. Measured at the start into a 7-day calendar of 242,000 lines (the
// 100,000-entry file): making the lines took about 95 ms without, 59 ms with
// the rows asked for, 49 ms with their texts too (medians of 11 starts).
constexpr std::size_t PREFETCH_ROWS = 64;

// Asks early for what line i + PREFETCH_ROWS of the display order needs.
inline void prefetchRows(const std::vector<T_viewDataItem>& rows,
                         const std::vector<unsigned>& order, std::size_t i) {
    if (i + PREFETCH_ROWS < order.size()) prefetchLine(&rows[order[i + PREFETCH_ROWS]]);
    if (i + PREFETCH_ROWS / 2 < order.size()) rows[order[i + PREFETCH_ROWS / 2]].text.prefetch();
}

// The kind mark of an entry row, as the list's first column shows it: 'x' a
// completed todo, 'a' an appointment, 'i' a note, 'o' an open todo.
char entryMark(const T_viewDataItem& row);

// Appends the time span a calendar row shows before its text on the day it
// starts or ends: "(9:05-14:30) ", "(23:00-) ", "(-10:00) "; nothing for an
// entry without a time on that day.
void appendCalendarTimes(const T_viewDataItem& row, std::string& line);

// A text of a calendar marker row without its leading format codes.
std::string withoutFormatCodes(const RowText& text);

// The rows of the calendar view, in display order, one line each: a day
// header as "Mon 07.12.2026  50" (weekday, date, week number), a special day
// as "  * NAME", an entry as two blanks, its mark, a blank, its times and its
// text, a blank separator as an empty line.
void writeAgendaLines(const ContentView& view, std::ostream& os);

// The group path of an item as names from the top separated by "/", with a
// leading "/"; "/" for the top level itself.
std::string groupPathOf(const ToDoListGroup& root, const ToDoListItem& item);

// One search hit: its mark, group path, text and, in parentheses, its dates
// and priority, such as "o /Work: Write report (begin 2026-12-01, due
// 2026-12-24 18:00, priority 3)".
void writeSearchLine(const ToDoListGroup& root, const T_viewDataItem& row, const ToDoListItem& item,
                     std::ostream& os);

// "2026-12-24" or "2026-12-24 18:00"; "" for a value without a date.
std::string plainDateTime(packedDT v);

// The group at path: names of groups from the top, separated by "/", with or
// without a leading "/"; "" or "/" is the top level. Results: 0 found; -1 no
// group of that name at some level (error says which); -2 two groups of that
// name under one group, so the path does not say which (error says which).
int groupAtPath(ToDoListGroup& root, const std::string& path, ToDoListGroup*& group,
                std::string& error);
