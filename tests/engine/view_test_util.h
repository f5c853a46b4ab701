#pragma once
#include "engine/velk.h"
#include "model/clock.h"

#include <string>
#include <vector>

// Helpers for the tests of the content views: entries made through the
// calendar-aware setters, and the list as the user would read it.
namespace viewtest {

// 13:00 on Saturday 5 March 2011 in Europe/Berlin.
constexpr std::time_t SATURDAY_5_MARCH_2011 = 1299326400;

struct When {
    int y = 0, m = 0, d = 0; // y 0: no date
    int h = -1, min = 0;     // h -1: no time
};

inline When on(int y, int m, int d, int h = -1, int min = 0) {
    return When{y, m, d, h, min};
}

inline ToDoListToDo* entry(Velk& v, ToDoListGroup* g, const std::string& summary, unsigned prio,
                           When begin = When{}, When end = When{}) {
    ToDoListToDo* t = g->newToDo();
    t->setSummary(summary);
    t->setPriority(prio, v.calendar());
    // A todo keeps a begin only beside its due date, an appointment or note an
    // end only beside its begin: the anchor is set first.
    auto set = [&](int which, const When& w) {
        if (w.y) t->setDate(which, w.y, w.m, w.d, v.calendar());
        if (w.y && w.h >= 0) t->setTime(which, w.h, w.min, v.calendar());
    };
    if (prio > PRIO_MAXTODO) {
        set(16, begin);
        set(0, end);
    } else {
        set(0, end);
        set(16, begin);
    }
    return t;
}

// Clear, build and sort, as the user interface does before it shows a list.
inline void rebuild(Velk& v) {
    v.clearViewData();
    v.getContent();
    v.sortContent();
}

// The texts of the rows in display order.
inline std::vector<std::string> texts(const Velk& v) {
    std::vector<std::string> r;
    for (unsigned i : v.getViewOrder())
        r.push_back(v.getViewData()[i].text);
    return r;
}

// Calendar rows in display order: markers as their text ("--" for a blank
// line), entries as "dd.mm summary" ("overdue summary" before today's header)
// with "[" when the row starts the entry and "]" when it ends it.
inline std::vector<std::string> calendar(const Velk& v) {
    std::vector<std::string> r;
    for (unsigned i : v.getViewOrder()) {
        const T_viewDataItem& row = v.getViewData()[i];
        if (row.prio == PRIO_SEPARATOR) {
            r.push_back("--");
        } else if (row.prio == PRIO_DAYHEADER || row.prio == PRIO_SPECIALDAY) {
            r.push_back(row.text);
        } else {
            char day[8];
            std::snprintf(day, sizeof day, "%02d.%02d", dtDay(row.day), dtMonth(row.day));
            std::string s = (row.day & 0x7fff) == 0x7fff ? "overdue" : day;
            s += " " + row.text;
            if (row.startsHere) s += " [";
            if (row.endsHere) s += " ]";
            r.push_back(s);
        }
    }
    return r;
}

} // namespace viewtest
