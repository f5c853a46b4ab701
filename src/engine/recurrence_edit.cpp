#include "engine/recurrence_edit.h"

#include <algorithm>
#include <cstdio>

namespace {

bool hasInterval(int type) {
    return type != REC_NONE && type != REC_YEARLY;
}

bool isWeekday(int weekday) {
    return weekday >= 0 && weekday < 7;
}

const char* const weekdayShortName[7] = {"Mo", "Tu", "We", "Th", "Fr", "Sa", "Su"};

// The days of a weekly rule's set, "Mo, We, Fr".
std::string weekdayList(int set) {
    std::string list;
    for (int d = 0; d < 7; ++d)
        if (set & (1 << d)) list += (list.empty() ? "" : ", ") + std::string(weekdayShortName[d]);
    return list;
}

} // namespace

void applyRecurrenceType(T_recData& rec, int type, bool isTodo) {
    if (type == REC_DAILY_RESETABLE && !isTodo) type = REC_DAILY;
    rec.type = type;
    if (type != REC_WEEKLY) rec.weekdays = 0;
    if (type == REC_NONE) {
        rec.rangeBegin = DT_EMPTY;
        rec.rangeEnd = DT_EMPTY;
    }
    normaliseRecurrenceInterval(rec);
}

int recurrenceWeekdays(const T_recData& rec, int anchorWeekday) {
    if (rec.weekdays != 0) return rec.weekdays & 0x7f;
    return isWeekday(anchorWeekday) ? 1 << anchorWeekday : 0;
}

void toggleRecurrenceWeekday(T_recData& rec, int weekday, int anchorWeekday) {
    if (rec.type != REC_WEEKLY || !isWeekday(weekday) || !isWeekday(anchorWeekday)) return;
    const int set = (recurrenceWeekdays(rec, anchorWeekday) ^ (1 << weekday)) | 1 << anchorWeekday;
    rec.weekdays = uint8_t(set == 1 << anchorWeekday ? 0 : set);
}

void stepRecurrenceInterval(T_recData& rec, int d) {
    if (hasInterval(rec.type))
        rec.interval = std::clamp(rec.interval + d, REC_MIN_INTERVAL, REC_MAX_INTERVAL);
    normaliseRecurrenceInterval(rec);
}

void normaliseRecurrenceInterval(T_recData& rec) {
    if (hasInterval(rec.type))
        rec.interval = std::clamp(rec.interval, REC_MIN_INTERVAL, REC_MAX_INTERVAL);
    else if (rec.type == REC_NONE || rec.type == REC_YEARLY)
        rec.interval = 1;
}

packedDT withPickedDate(packedDT v, int day, int month, int year) {
    return withDate(v, day, month, year);
}

std::string rangeDateText(packedDT v) {
    if (!dtHasDate(v)) return "none";
    char text[16];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d", dtDay(v), dtMonth(v), dtYear(v));
    return text;
}

const char* recurrenceUnit(int type) {
    switch (type) {
    case REC_DAILY:
    case REC_DAILY_RESETABLE:
        return "day(s)";
    case REC_WEEKLY:
        return "week(s)";
    case REC_MONTHLY_BY_DAY:
    case REC_MONTHLY_BY_DATE:
        return "month(s)";
    case REC_YEARLY:
        return "year(s)";
    default:
        return "";
    }
}

std::string recurrenceExplanation(const T_recData& rec, int day, int month, int weekday) {
    const std::string n = std::to_string(rec.interval);
    const std::string dayOfWeek = weekday >= 0 && weekday < 7 ? dayName[weekday] : "";
    switch (rec.type) {
    case REC_NONE:
        return "No recurrence.";
    case REC_DAILY:
        return "Repeat every " + n + " day(s).";
    case REC_DAILY_RESETABLE:
        return "Repeat every " + n +
               " days,\nreset when done.\nUseful if you have to do it\n AT LEAST every n day(s).";
    case REC_WEEKLY:
        if (hasWeekdaySet(rec))
            return "Repeat on\n" + weekdayList(rec.weekdays) + "\nevery " + n + " week(s).";
        return "Repeat on " + dayOfWeek + "\nevery " + n + " week(s).";
    case REC_MONTHLY_BY_DAY:
        // Which occurrence of its weekday the reference day is in its month.
        return "Repeat on " + std::to_string((day - 1) / 7 + 1) + ". " + dayOfWeek + "\nevery " +
               n + " month(s).";
    case REC_MONTHLY_BY_DATE:
        return "Repeat on day " + std::to_string(day) + "\nevery " + n + " month(s).";
    case REC_YEARLY:
        return "Repeat on " + std::to_string(day) + "." + std::to_string(month) + ".\n every " + n +
               " year(s).";
    default:
        return "explanation text\nhopefully longer\nthan one line";
    }
}
