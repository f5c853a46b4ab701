#pragma once
#include "engine/velk.h"
#include "support/dates.h"

#include <cstdio>
#include <string>

// Entries made through the calendar-aware setters, and the lists as the user
// reads them.

// A todo keeps a begin only beside its due date (the end), an appointment or
// note an end only beside its begin, so the anchor is set first. DT_EMPTY: no
// date; on(): a date without a time.
inline ToDoListToDo* entry(Velk& v, ToDoListGroup* g, const std::string& summary, unsigned prio,
                           packedDT begin = DT_EMPTY, packedDT end = DT_EMPTY) {
    ToDoListToDo* t = g->newToDo();
    t->setSummary(summary);
    t->setPriority(prio, v.calendar());
    const bool todo = prio <= PRIO_MAXTODO;
    for (auto [which, w] : {std::pair{todo ? 0 : 16, todo ? end : begin},
                            std::pair{todo ? 16 : 0, todo ? begin : end}}) {
        if (dtHasDate(w)) t->setDate(which, dtYear(w), dtMonth(w), dtDay(w), v.calendar());
        if (dtHasDate(w) && dtHasTime(w)) t->setTime(which, dtHour(w), dtMinute(w), v.calendar());
    }
    return t;
}

// Clears, builds and sorts the rows, as the window does before it shows a
// list, and gives them in display order, each followed by "|". Calendar rows:
// "--" for a blank line, a day header as its text, a special day or an entry
// as "dd.mm text", an overdue todo as "overdue text"; an entry gets " [" on
// the day it starts and " ]" on the day it ends. NO_BLANKS leaves out day
// headers and blank lines, ENTRIES special days too.
enum { ALL_ROWS, NO_BLANKS, ENTRIES };
inline std::string shownRows(Velk& v, int leave = ALL_ROWS) {
    v.clearViewData(), v.getContent(), v.sortContent();
    std::string s;
    for (unsigned i : v.getViewOrder()) {
        const T_viewDataItem& row = v.getViewData()[i];
        const bool marker = row.prio == PRIO_SEPARATOR || row.prio == PRIO_DAYHEADER;
        if ((leave > ALL_ROWS && marker) || (leave == ENTRIES && row.prio == PRIO_SPECIALDAY))
            continue;
        char day[16] = "";
        if ((row.day & DT_TIMEMASK) == DT_TIMEMASK)
            std::snprintf(day, sizeof day, "overdue ");
        else if (v.getMainViewType() == MAINVIEW_CALENDAR && row.prio != PRIO_DAYHEADER)
            std::snprintf(day, sizeof day, "%02d.%02d ", dtDay(row.day), dtMonth(row.day));
        s += row.prio == PRIO_SEPARATOR ? std::string("--") : day + row.text.str();
        s += std::string(row.startsHere ? " [" : "") + (row.endsHere ? " ]" : "") + "|";
    }
    return s;
}
