// The rows of the calendar view.

#include "engine/content_view.h"
#include "engine/item_views.h"
#include "engine/occurrence_on_day.h"
#include "model/clock.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// The most days one calendar can show: every day a packed date can hold.
constexpr uint32_t MAX_SPAN = 128 * 366;

// d moved by days; the same value when the move would leave the years a
// packed date can hold, so that walks over days always end.
packedDT movedDay(packedDT d, int days) {
    moveDate(d, days);
    return d;
}

// Rows of each shown day besides its entries, as the room for the rows counts
// them: the header, the blank line and a few special days.
constexpr std::size_t ROWS_PER_DAY = 8;
// The most rows room is made for up front (384 MB of address space).
constexpr std::size_t MAX_RESERVED_ROWS = std::size_t(1) << 24;

// movedDay(d, 1) without the day-number arithmetic, for the walks over
// shown days.
packedDT nextDay(packedDT d) {
    const int day = dtDay(d), month = dtMonth(d), year = dtYear(d);
    if (!dtHasDate(d) || !isValidDate(day, month, year)) return movedDay(d, 1);
    const packedDT low = d & DT_TIMEMASK;
    if (day < MaxTag(month, year)) return packDate(day + 1, month, year) | low;
    if (month < 12) return packDate(1, month + 1, year) | low;
    return year < DT_MAXYEAR ? packDate(1, 1, year + 1) | low : d;
}

// The items of a calendar list lie scattered in memory: the walks ask for the
// item this many entries ahead while they look at the current one, and for
// the summary of the item half as far ahead (its item has arrived by then),
// so that the loads overlap instead of waiting one after the other.
constexpr std::ptrdiff_t PREFETCH_AHEAD = 16;
constexpr std::ptrdiff_t PREFETCH_SUMMARY = PREFETCH_AHEAD / 2;

// Where the calendar's rows go, with what the walks read: the password
// manager for descriptions shown in place of empty summaries, the calendar
// lists and the special days.
struct CalendarRows {
    ContentView& view;
    CryptMan* crypt;
    const T_Calendar& cal;
    SpecialDays& specialDays;
};

// Appends a copy of row; the copy shares the row's text.
void appendRow(CalendarRows& v, const T_viewDataItem& row, ToDoListItem* item) {
    v.view.appendRow(row, item);
}

// The shown days as date-only keys, ascending: the walks that fill every shown
// day of an entry find their first and last day here instead of stepping
// through the calendar day by day.
class ShownDays {
  public:
    ShownDays(packedDT first, packedDT last) {
        for (packedDT cur = dtDateOnly(first); cur <= last;) {
            days.push_back(cur);
            const packedDT next = nextDay(cur);
            if (next == cur) break;
            cur = next;
        }
    }
    // The position of the first shown day on or after the day of d.
    std::size_t from(packedDT d) const {
        return std::size_t(std::lower_bound(days.begin(), days.end(), dtDateOnly(d)) -
                           days.begin());
    }
    // The position after the last shown day on or before the day of d.
    std::size_t upTo(packedDT d) const {
        return std::size_t(std::upper_bound(days.begin(), days.end(), dtDateOnly(d)) -
                           days.begin());
    }
    packedDT operator[](std::size_t i) const { return days[i]; }
    std::size_t size() const { return days.size(); }

  private:
    std::vector<packedDT> days;
};

// Appends row on the shown days lo to hi - 1, in ascending order or, with
// descending, from the last of them back, marking the day S on which the item
// or occurrence starts and the day E on which it ends.
void appendOnDays(CalendarRows& v, T_viewDataItem& row, ToDoListItem* item, const ShownDays& days,
                  std::size_t lo, std::size_t hi, bool descending, packedDT S, packedDT E) {
    for (std::size_t k = lo; k < hi; ++k) {
        const packedDT day = days[descending ? hi - 1 - (k - lo) : k];
        row.day = day;
        row.startsHere = day == S;
        row.endsHere = day == E;
        appendRow(v, row, item);
    }
}

void appendMarker(CalendarRows& v, uint32_t prio, packedDT day, packedDT primary,
                  std::string text) {
    T_viewDataItem row;
    row.kind = 0;
    row.day = day;
    row.primaryDate = primary;
    row.prio = prio;
    row.text = std::move(text);
    appendRow(v, row, nullptr);
}

// The last day an appointment or note fills: its end, or its begin day when
// it has no end (it would otherwise fill every later day of every calendar).
packedDT lastDayOf(packedDT begin, packedDT end) {
    return dtDateOnly(dtHasDate(end) ? end : begin);
}

// Appointments or notes: every shown day from the later of its begin and the
// first shown day up to its last day.
void appendSpans(CalendarRows& v, const T_DatedCalList& list, const ShownDays& days, packedDT first,
                 packedDT last) {
    const std::vector<T_DatedCalListItem>& entries = list.inOrder();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const T_DatedCalListItem& e = entries[i];
        if (e.key > last) break;
        if (i + PREFETCH_AHEAD < entries.size())
            __builtin_prefetch(entries[i + PREFETCH_AHEAD].item);
        if (i + PREFETCH_SUMMARY < entries.size())
            entries[i + PREFETCH_SUMMARY].item->prefetchSummary();
        ToDoListToDo* t = e.item;
        const packedDT end = t->getDateTime(WHICH_END);
        const packedDT E = lastDayOf(e.key, end);
        if (dtHasDate(end) ? end < first : E < first) continue;
        T_viewDataItem row;
        setViewData(*t, row, v.crypt);
        appendOnDays(v, row, t, days, days.from(e.key), days.upTo(E), false, dtDateOnly(e.key), E);
    }
}

// Todos due on or after the first shown day: every shown day from the earlier
// of the due day and the last shown day back to the begin day, or to the first
// shown day for a todo without a begin.
void appendDueTodos(CalendarRows& v, const ShownDays& days, packedDT first, packedDT last) {
    const std::vector<T_DatedCalListItem>& list = v.cal.datedToDos.inOrder();
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        if (it->key < first) break;
        if (list.rend() - it > PREFETCH_AHEAD) __builtin_prefetch(it[PREFETCH_AHEAD].item);
        if (list.rend() - it > PREFETCH_SUMMARY) it[PREFETCH_SUMMARY].item->prefetchSummary();
        ToDoListToDo* t = it->item;
        const packedDT B = t->getDateTime(WHICH_BEGIN);
        const bool noBegin = !dtHasDate(B);
        if (!noBegin && B > last) continue;
        T_viewDataItem row;
        setViewData(*t, row, v.crypt);
        appendOnDays(v, row, t, days, noBegin ? 0 : days.from(B), days.upTo(it->key), true,
                     noBegin ? DT_NODATE : dtDateOnly(B), dtDateOnly(it->key));
    }
}

// Uncompleted todos due before today, followed by a blank line when there are
// any. Their rows carry the day before today with every time bit set: that key
// sorts after every other key of that day and before today's header, and a
// new entry made from one of these rows lands on that day, the last day of the
// previous month (and year) on the 1st.
void appendOverdue(CalendarRows& v, packedDT today) {
    const packedDT D = (movedDay(today, -1) & DT_DATEMASK) | ~DT_DATEMASK;
    bool any = false;
    auto add = [&](ToDoListToDo* t) {
        T_viewDataItem row;
        setViewData(*t, row, v.crypt);
        row.day = D;
        appendRow(v, row, t);
        any = true;
    };
    const std::vector<T_DatedCalListItem>& dated = v.cal.datedToDos.inOrder();
    for (std::size_t i = 0; i < dated.size(); ++i) {
        const T_DatedCalListItem& e = dated[i];
        if (e.key >= today) break;
        if (i + PREFETCH_AHEAD < dated.size()) dated[i + PREFETCH_AHEAD].item->prefetchCompletion();
        if (i + PREFETCH_SUMMARY < dated.size())
            dated[i + PREFETCH_SUMMARY].item->prefetchSummary();
        if (!e.item->isCompleted()) add(e.item);
    }
    for (ToDoListToDo* t : v.cal.recToDos)
        if (!t->isCompleted() && t->getDateTime(WHICH_END) < today) add(t);
    if (any) appendMarker(v, PRIO_SEPARATOR, D, DT_EMPTY, std::string());
}

bool isSpecialDay(const std::vector<T_SpecDay>& list, int day, int month) {
    for (const T_SpecDay& s : list)
        if (s.day == day && s.month == month) return true;
    return false;
}

std::string twoDigits(int n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", n);
    return buf;
}

// Special days, the header and the blank line of each shown day.
void appendDays(CalendarRows& v, packedDT first, uint32_t days, packedDT today) {
    SpecialDays& sd = v.specialDays;
    packedDT cur = first;
    for (uint32_t i = 0; i < days; ++i) {
        const int d = dtDay(cur), m = dtMonth(cur), y = dtYear(cur);
        if (i == 0 || y != sd.year) {
            SpecialDays::clearList(sd.varOther);
            SpecialDays::clearList(sd.varHolidays);
            sd.fillVarLists(y);
        }
        const bool holiday =
            isSpecialDay(sd.varHolidays, d, m) || isSpecialDay(sd.fixedHolidays, d, m);
        for (const auto* list : {&sd.varHolidays, &sd.fixedHolidays})
            for (const T_SpecDay& s : *list)
                if (s.day == d && s.month == m)
                    appendMarker(v, PRIO_SPECIALDAY, cur, cur, "@b@r" + s.name);
        for (const auto* list : {&sd.varOther, &sd.fixedOther})
            for (const T_SpecDay& s : *list)
                if (s.day == d && s.month == m)
                    appendMarker(v, PRIO_SPECIALDAY, cur, cur, (holiday ? "@b@r" : "@r") + s.name);

        const int w = Wochentag(d, m, y);
        std::string header = std::string("@r") + dayName[w] + " " + twoDigits(d) + "." +
                             twoDigits(m) + "." + std::to_string(y) + "  " +
                             std::to_string(Kalenderwoche(d, m, y));
        if (w >= 5 || holiday) header = "@b" + header;
        if (cur == today) header = "@i" + header;
        appendMarker(v, PRIO_DAYHEADER, cur, cur, std::move(header));
        appendMarker(v, PRIO_SEPARATOR, dtDateOnly(cur), dtDateOnly(cur), std::string());

        const packedDT next = nextDay(cur);
        if (next == cur) break;
        cur = next;
    }
}

// A valid packed date-time as its day number and its time bits: ordered as
// the packed values are, and moved by days with a sum.
struct DayAndTime {
    int day;
    packedDT low;
};
DayAndTime split(packedDT v) {
    return {getNumberOfDay(dtDay(v), dtMonth(v), dtYear(v)), v & DT_TIMEMASK};
}
bool earlier(DayAndTime a, DayAndTime b) {
    return a.day < b.day || (a.day == b.day && a.low < b.low);
}
bool isValidPacked(packedDT v) {
    return dtHasDate(v) && isValidDate(dtDay(v), dtMonth(v), dtYear(v));
}

// The occurrences of a daily or weekly rule from the one B..E on, counted in
// day numbers: both dates of an occurrence lie the rule's fixed number of days
// after those of the one before. They are the occurrences, and the rows, that
// setFollowingRecurrenceDate gives step by step: the walk ends where the
// rule's range ends, at the last day a date can hold, or after the span;
// a date moved past that last day stays on it, and a date without a time
// takes the time of the one the rule counts from. False, with nothing appended,
// when the dates are not plain valid ones and the walk must step instead.
bool appendFixedStepOccurrences(CalendarRows& v, ToDoListToDo& t, const T_recData& rec,
                                const ShownDays& days, packedDT from, packedDT to, packedDT B,
                                packedDT E) {
    if (rec.type != REC_DAILY && rec.type != REC_WEEKLY) return false;
    if (rec.interval < 1 || rec.interval > int(MAX_SPAN)) return false;
    if (!isValidPacked(B) || !isValidPacked(E)) return false;
    if (dtHasDate(rec.rangeEnd) && !isValidPacked(rec.rangeEnd)) return false;
    // The span as the calendar gives it: from a day's start to a date-only day.
    if (days.size() == 0 || (from & DT_TIMEMASK) != 0 || to != days[days.size() - 1] ||
        dtDateOnly(from) != days[0])
        return false;

    static const int lastDay = getNumberOfDay(31, 12, DT_MAXYEAR);
    const int step = rec.interval * (rec.type == REC_WEEKLY ? 7 : 1);
    const int first = split(from).day, last = first + int(days.size()) - 1;
    const DayAndTime toDT{last, DT_NOTIME};
    const bool hasRangeEnd = dtHasDate(rec.rangeEnd);
    const DayAndTime rangeEnd = hasRangeEnd ? split(rec.rangeEnd) : DayAndTime{0, 0};
    DayAndTime b = split(B), e = split(E);
    DayAndTime& anchor = t.isToDo() ? e : b;
    DayAndTime& other = t.isToDo() ? b : e;
    T_viewDataItem row;
    bool rowMade = false;
    for (;;) {
        // Shown when it ends on or after the first day and begins by the last.
        if (e.day >= first && !earlier(toDT, b)) {
            if (!rowMade) setViewData(t, row, v.crypt);
            rowMade = true;
            const int lo = std::max(b.day, first), hi = std::min(e.day, last);
            const packedDT S = b.day >= first ? days[std::size_t(b.day - first)] : DT_NODATE;
            const packedDT Ed = e.day <= last ? days[std::size_t(e.day - first)] : DT_NODATE;
            if (lo <= hi)
                appendOnDays(v, row, &t, days, std::size_t(lo - first), std::size_t(hi - first + 1),
                             false, S, Ed);
        }
        const int next = anchor.day + step;
        if (next > lastDay) break;
        if (hasRangeEnd && earlier(rangeEnd, {next, anchor.low})) break;
        anchor.day = next;
        other.day = std::min(other.day + step, lastDay);
        if (other.low & DT_NOTIME) other.low = anchor.low; // as the step takes it
        if (earlier(toDT, b)) break;
    }
    return true;
}

} // namespace

namespace {

// Appends the rows of the occurrence B..E on the shown days from..to: a todo
// from its begin to its due day, an appointment or note from its begin to its
// last day.
void appendOccurrence(CalendarRows& v, ToDoListToDo& t, T_viewDataItem& row, bool& rowMade,
                      packedDT from, packedDT to, packedDT B, packedDT E) {
    const packedDT Ed = t.isToDo() ? dtDateOnly(E) : lastDayOf(B, E);
    if (from > (dtHasDate(E) ? E : Ed) || to < B) return;
    packedDT cur = from > B ? dtDateOnly(from) : dtDateOnly(B);
    if (!rowMade) setViewData(t, row, v.crypt);
    rowMade = true;
    row.startsHere = dtDateOnly(B) == cur;
    while (cur <= to && cur <= Ed) {
        row.day = cur;
        row.endsHere = cur == Ed;
        appendRow(v, row, &t);
        row.startsHere = false;
        const packedDT next = nextDay(cur);
        if (next == cur) break;
        cur = next;
    }
}

// The occurrences of an entry's rule from the one B..E on, step by step,
// leaving out the skipped ones. shown, when given, gets the anchor day of
// each occurrence passed (added dates on those days are no second one).
void appendSteppedOccurrences(CalendarRows& v, ToDoListToDo& t, packedDT from, packedDT to,
                              packedDT B, packedDT E, std::vector<packedDT>* shown) {
    T_viewDataItem row;
    bool rowMade = false;
    for (;;) {
        const packedDT anchor = t.isToDo() ? E : B;
        if (shown) shown->push_back(dtDateOnly(anchor));
        if (!t.isSkipped(anchor)) appendOccurrence(v, t, row, rowMade, from, to, B, E);
        if (t.setFollowingRecurrenceDate(B, E) <= 0 || B > to) break;
    }
}

// The occurrences on the entry's added dates that the rule does not have
// (ruleDays, ascending) and that are not skipped: the anchor moves to the
// date (keeping its time when the date has none), the other date keeps its
// distance in days and its own time.
void appendAddedOccurrences(CalendarRows& v, ToDoListToDo& t, packedDT from, packedDT to,
                            const std::vector<packedDT>& ruleDays) {
    if (!dtHasDate(t.getDateTime(t.isToDo() ? WHICH_END : WHICH_BEGIN))) return;
    T_viewDataItem row;
    bool rowMade = false;
    for (const packedDT d : t.extras().added) {
        if (t.isSkipped(d) || std::binary_search(ruleDays.begin(), ruleDays.end(), dtDateOnly(d)))
            continue;
        packedDT b, e;
        t.addedOccurrence(d, b, e);
        appendOccurrence(v, t, row, rowMade, from, to, dtHasDate(b) ? b : e, e);
    }
}

} // namespace

void ContentView::getContentRecItems(unsigned from, unsigned to, const T_RecCalList* list) {
    CalendarRows out{*this, &crypt, tree.calendar(), *specialDays_};
    const ShownDays days(from, to);
    std::vector<packedDT> ruleDays;
    for (ToDoListToDo* t : *list) {
        T_recData rec;
        t->getRecData(rec);
        // Skipped days, added dates and weekday sets take the step-by-step
        // walk; the others may take the fixed steps.
        const bool plain = !t->hasExtras() && !hasWeekdaySet(rec);
        const bool hasAdded = t->hasExtras() && !t->extras().added.empty();
        ruleDays.clear();
        packedDT B = t->getDateTime(WHICH_BEGIN), E = t->getDateTime(WHICH_END);
        const bool ruleInSpan = !(dtHasDate(rec.rangeEnd) && rec.rangeEnd < from) &&
                                !(dtHasDate(rec.rangeBegin) && rec.rangeBegin > to) &&
                                skipToSpan(*t, rec, from, B, E);
        if (ruleInSpan &&
            !(plain && appendFixedStepOccurrences(out, *t, rec, days, from, to, B, E)))
            appendSteppedOccurrences(out, *t, from, to, B, E, hasAdded ? &ruleDays : nullptr);
        if (hasAdded) appendAddedOccurrences(out, *t, from, to, ruleDays);
    }
}

void ContentView::buildCalendarRows() {
    const T_Calendar& cal = tree.calendar();
    CalendarRows v{*this, &crypt, cal, *specialDays_};
    packedDT start = cal.date;
    if (!dtHasDate(start)) start = getTodayDate(DT_NOTIME);
    if (!dtHasDate(start)) return;
    const uint32_t days = std::min(cal.days, MAX_SPAN);
    const packedDT first = start & DT_DATEMASK;
    const packedDT last = dtDateOnly(movedDay(start, days > 0 ? int(days) - 1 : -1));
    const packedDT today = getTodayDate(DT_NODATE);

    const ShownDays shown(first, last);
    // Room for the rows before they are made: an entry shows on at most every
    // shown day (a recurring one with overlapping occurrences may show more;
    // the rows then grow as they would without), an overdue todo once, and
    // each day has its header, its blank line and its special days. Grown one
    // row at a time, the rows and their items were moved to ever larger
    // arrays: at the start into a 7-day calendar of 1,000,000 entries (2.4
    // million rows) that took about 80 ms of the build (profiled). The room
    // beyond the rows made is never touched, so it takes address space only,
    // and the peak memory stays as it was.
    const std::size_t entries = cal.datedNotes.inOrder().size() +
                                cal.datedAppointments.inOrder().size() +
                                cal.datedToDos.inOrder().size() + cal.recToDos.size() +
                                cal.recNotes.size() + cal.recAppointments.size();
    reserveRows(std::min(entries * (shown.size() + 1) + shown.size() * ROWS_PER_DAY + 1,
                         MAX_RESERVED_ROWS));
    appendSpans(v, cal.datedNotes, shown, first, last);
    appendSpans(v, cal.datedAppointments, shown, first, last);
    appendDueTodos(v, shown, first, last);
    getContentRecItems(first, last, &cal.recToDos);
    getContentRecItems(first, last, &cal.recNotes);
    getContentRecItems(first, last, &cal.recAppointments);
    if (dtHasDate(today) && today == first) appendOverdue(v, today);
    appendDays(v, first, days, today);

    numberRows();
}
