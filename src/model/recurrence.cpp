#include "model/recurrence.h"

#include <climits>

namespace {

// Adds interval (at least 1) months to month and year, carrying whole years.
// False beyond the last year a packed date can hold. Computed in one step, so
// that an interval of a billion months costs no more than one of a month.
bool addMonths(int& month, int& year, int interval) {
    const long long months = (long long)month - 1 + interval;
    const long long y = year + months / 12;
    if (y > DT_MAXYEAR) return false;
    year = int(y);
    month = int(months % 12) + 1;
    return true;
}

// v moved by days, or DT_EMPTY when that leaves the years a packed date can
// hold (moveDate would stop at the last day instead).
packedDT movedByDays(packedDT v, long long days) {
    if (days > INT_MAX) return DT_EMPTY;
    packedDT n = v;
    moveDate(n, int(days));
    return getDateDiff(n, v) == days ? n : DT_EMPTY;
}

// The next anchor after a, or DT_EMPTY when there is none. The time bits of a
// are kept.
packedDT nextAnchor(const T_recData& rec, packedDT a) {
    const packedDT timeBits = dtTimeBits(a);
    int day = dtDay(a), month = dtMonth(a), year = dtYear(a);
    packedDT n;
    switch (rec.type) {
    case REC_DAILY:
        return movedByDays(a, rec.interval);
    case REC_DAILY_RESETABLE: {
        // Counted from today, so the next date may lie before a.
        const packedDT today = getTodayDate(a);
        return dtHasDate(today) ? movedByDays(today, rec.interval) : DT_EMPTY;
    }
    case REC_WEEKLY: {
        const int set = rec.weekdays & 0x7f;
        if (set == 0) return movedByDays(a, 7LL * rec.interval);
        // The next weekday of the set later in the same week, else the
        // first of the set in the week interval weeks on.
        const int w = Wochentag(day, month, year); // 0 = Monday
        for (int d = w + 1; d < 7; ++d)
            if (set & (1 << d)) return movedByDays(a, d - w);
        int d = 0;
        while (!(set & (1 << d)))
            ++d;
        return movedByDays(a, 7LL * rec.interval - w + d);
    }
    case REC_MONTHLY_BY_DAY: {
        const int weekday = Wochentag(day, month, year) + 1; // 1 = Monday .. 7 = Sunday
        const int weekOfMonth = ((day - 1) / 7) * 7;
        int newDay;
        do {
            if (!addMonths(month, year, rec.interval)) return DT_EMPTY;
            int first = weekday - Wochentag(1, month, year);
            if (first < 1) first += 7;
            newDay = first + weekOfMonth;
        } while (newDay > MaxTag(month, year)); // months without that weekday are skipped
        n = packDate(newDay, month, year) | timeBits;
        break;
    }
    case REC_MONTHLY_BY_DATE:
        do {
            if (!addMonths(month, year, rec.interval)) return DT_EMPTY;
        } while (day > MaxTag(month, year)); // months that are too short are skipped
        n = packDate(day, month, year) | timeBits;
        break;
    case REC_YEARLY:
        ++year;
        if (month == 2 && day == 29)
            while (year <= DT_MAXYEAR && !isLeapYear(year))
                ++year;
        if (year > DT_MAXYEAR) return DT_EMPTY;
        n = packDate(day, month, year) | timeBits;
        break;
    default:
        return DT_EMPTY;
    }
    return n;
}

} // namespace

int followingRecurrenceDate(const T_recData& rec, unsigned priority, packedDT& begin,
                            packedDT& end) {
    if (rec.type == REC_NONE) return 0;
    if (rec.type != REC_YEARLY && rec.interval < 1) return 0;
    const bool todo = priority <= 6;
    packedDT& anchor = todo ? end : begin;
    packedDT& other = todo ? begin : end;
    if (!dtHasDate(anchor) || !dtHasDate(other)) return 0;

    const int distance = getDateDiff(other, anchor);
    const packedDT n = nextAnchor(rec, anchor);
    if (n == DT_EMPTY) return 0;
    if (dtHasDate(rec.rangeEnd) && rec.rangeEnd < n) return 0;

    packedDT o = n;
    moveDate(o, distance);
    if (dtHasTime(other)) o = (o & DT_DATEMASK) | dtTimeBits(other);
    anchor = n;
    other = o;
    return 1;
}

bool hasWeekdaySet(const T_recData& rec) {
    const int set = rec.weekdays & 0x7f;
    return rec.type == REC_WEEKLY && (set & (set - 1)) != 0;
}

const char* recurrenceResetText(int reason) {
    switch (reason) {
    case REC_RESET_NO_RANGE:
        return "Recurrence reset to none: a recurring item needs both a begin and an end date.";
    case REC_RESET_TODO_NO_DUE:
        return "Recurrence reset to none: a recurring todo needs a due date.";
    case REC_RESET_DUE_OUT_OF_RANGE:
        return "Recurrence reset to none: the due date lies outside the recurrence range.";
    case REC_RESET_NO_BEGIN:
        return "Recurrence reset to none: a recurring appointment or note needs a begin date.";
    case REC_RESET_BEGIN_OUT_OF_RANGE:
        return "Recurrence reset to none: the begin date lies outside the recurrence range.";
    default:
        return "";
    }
}
