// Dates, times, zones and rules of iCalendar values, read by libical.

#include "storage/ical_values.h"

#include "common/text.h"
#include "model/todo_item.h"
#include "storage/ical_lines.h"

#include <algorithm>
#include <cstdlib>
#include <libical/ical.h>

namespace storage {

IcsZones::~IcsZones() {
    for (icaltimezone* z : own_)
        icaltimezone_free(z, 1);
}

void IcsZones::addComponent(const std::string& text, unsigned line) {
    icalcomponent* comp = icalcomponent_new_from_string(text.c_str());
    if (!comp) return;
    icalproperty* id = icalcomponent_get_first_property(comp, ICAL_TZID_PROPERTY);
    const char* tzid = id ? icalproperty_get_tzid(id) : nullptr;
    if (!tzid || icalcomponent_isa(comp) != ICAL_VTIMEZONE_COMPONENT) {
        icalcomponent_free(comp);
        return;
    }
    const std::string name(tzid);
    icaltimezone* zone = icaltimezone_new();
    if (!zone || !icaltimezone_set_component(zone, comp)) {
        if (zone) icaltimezone_free(zone, 1);
        icalcomponent_free(comp);
        return;
    }
    own_.push_back(zone);
    byId_[name] = {zone, line};
}

int IcsZones::find(const std::string& tzid, icaltimezone*& zone) {
    auto it = byId_.find(tzid);
    if (it == byId_.end()) {
        icaltimezone* builtin = nullptr;
        std::string name = tzid;
        // A globally unique TZID ("/Europe/Berlin", or libical's own
        // "/freeassociation.sourceforge.net/...") names the zone at its end.
        if (!name.empty() && name[0] == '/') {
            builtin = icaltimezone_get_builtin_timezone_from_tzid(name.c_str());
            if (!builtin) name.erase(0, 1);
        }
        if (!builtin) builtin = icaltimezone_get_builtin_timezone(name.c_str());
        it = byId_.emplace(tzid, T_Named{builtin, 0}).first;
    }
    zone = it->second.zone;
    if (!zone) return 0;
    // libical's own zones may have several names: each is checked once.
    auto verdict = checked_.find(zone);
    if (verdict == checked_.end())
        verdict = checked_.emplace(zone, check(tzid, zone, it->second.line)).first;
    if (verdict->second.empty()) return 0;
    refusal_ = verdict->second;
    zone = nullptr;
    return -1;
}

bool IcsZones::beforeFirstOnset(icaltimezone* zone, std::time_t wall, int& offset) const {
    const auto known = firstOnset_.find(zone);
    if (known == firstOnset_.end() || wall >= known->second.first) return false;
    offset = known->second.second;
    return true;
}

namespace {

// libical works out the changes of a zone up to five years past the latest
// time converted, and at least five years past the current year, but never
// after 2582, the last year its rules reach.
constexpr int LIBICAL_EXTRA_YEARS = 5;
constexpr int LIBICAL_LAST_YEAR = 2582;

// A yearly rule that may skip years walks on to its next day: a day of
// February the 29th on a given weekday comes again after 40 years at most.
constexpr int MOST_YEARS_SKIPPED = 40;

// The values of a BY list of libical (closed by ICAL_RECURRENCE_ARRAY_MAX
// unless full).
template <std::size_t N> int countOf(const short (&values)[N]) {
    int n = 0;
    while (std::size_t(n) < N && values[n] != ICAL_RECURRENCE_ARRAY_MAX)
        ++n;
    return n;
}

// The changes per year of the RRULE r of an observance that begins on start,
// as real zone data write them: yearly, on a day of one month (the nth or last
// weekday, a weekday among some days, some days, or the day of start), at one
// time; -1 for any other rule. everyYear tells whether the rule has a day in
// every year; one that does not may skip up to MOST_YEARS_SKIPPED years.
int changesPerYear(const icalrecurrencetype& r, const icaltimetype& start, bool& everyYear) {
    everyYear = false;
    if (r.freq != ICAL_YEARLY_RECURRENCE || r.interval != 1 || r.rscale) return -1;
    if (countOf(r.by_second) > 1 || countOf(r.by_minute) > 1 || countOf(r.by_hour) > 1 ||
        countOf(r.by_year_day) != 0 || countOf(r.by_week_no) != 0 || countOf(r.by_set_pos) != 0)
        return -1;
    const int months = countOf(r.by_month), days = countOf(r.by_month_day),
              weekdays = countOf(r.by_day);
    // Without a month, the date of start each year.
    if (months == 0) {
        everyYear = !(start.month == 2 && start.day == 29);
        return days == 0 && weekdays == 0 ? 1 : -1;
    }
    if (months > 1 || icalrecurrencetype_month_is_leap(r.by_month[0])) return -1;
    const int month = icalrecurrencetype_month_month(r.by_month[0]);
    if (month < 1 || month > 12) return -1;
    const int longest = icaltime_days_in_month(month, 2000); // in a leap year
    const int shortest = month == 2 ? 28 : longest;
    int ordinals = 0;
    for (int i = 0; i < weekdays; ++i)
        if (icalrecurrencetype_day_position(r.by_day[i]) != 0) ++ordinals;
    if (ordinals != 0) {
        // The nth or nth last weekday: each month has four of each, some a fifth.
        const int n = std::abs(icalrecurrencetype_day_position(r.by_day[0]));
        if (weekdays != 1 || days != 0 || n > 5 || (n == 5 && month == 2)) return -1;
        everyYear = n <= 4;
        return 1;
    }
    if (days != 0) {
        // Days of the month, on the weekdays given. A weekday falls on the
        // days of one remainder of a division by 7 in a year, so every year
        // has a day of each weekday when the days that every year has hold
        // each remainder (the second Sunday is one of the 8th to the 14th).
        // The last days of February have no fixed remainder.
        bool exists = false, always = false;
        int byRemainder[7] = {}, unfixed = 0;
        for (int i = 0; i < days; ++i) {
            const int d = r.by_month_day[i];
            if (d == 0 || std::abs(d) > longest) continue;
            exists = true;
            always |= std::abs(d) <= shortest;
            if (d < 0 && month == 2)
                ++unfixed;
            else
                ++byRemainder[(d > 0 ? d : longest + 1 + d) % 7];
        }
        if (!exists) return -1;
        if (weekdays == 0) {
            everyYear = always;
            return days;
        }
        int most = 0;
        everyYear = true;
        for (int n : byRemainder) {
            most = std::max(most, n);
            everyYear &= n != 0;
        }
        return weekdays * (most + unfixed);
    }
    if (weekdays != 0) {
        // Every such weekday of the month.
        everyYear = true;
        return 5 * weekdays;
    }
    if (start.day > longest) return -1;
    everyYear = start.day <= shortest;
    return 1;
}

// The offset changes libical works out for the observance obs up to the year
// end (an upper bound). Results: 0 counted into changes; -1 a rule is not one
// Velk takes (rule gets its text).
int observanceChanges(icalcomponent* obs, int end, unsigned long& changes, std::string& rule) {
    icalproperty* dtstart = icalcomponent_get_first_property(obs, ICAL_DTSTART_PROPERTY);
    const icaltimetype start = dtstart ? icalproperty_get_dtstart(dtstart) : icaltime_null_time();
    changes += 1; // the start
    for (icalproperty* p = icalcomponent_get_first_property(obs, ICAL_ANY_PROPERTY); p;
         p = icalcomponent_get_next_property(obs, ICAL_ANY_PROPERTY)) {
        const icalproperty_kind kind = icalproperty_isa(p);
        if (kind == ICAL_RDATE_PROPERTY) changes += 1; // libical splits a list of dates
        if (kind != ICAL_RRULE_PROPERTY) continue;
        icalrecurrencetype r = icalproperty_get_rrule(p);
        // A rule libical cannot read makes no change.
        if (r.freq == ICAL_NO_RECURRENCE || icaltime_is_null_time(start)) continue;
        bool everyYear;
        const int perYear = changesPerYear(r, start, everyYear);
        if (perYear < 0) {
            char* text = icalrecurrencetype_as_string_r(&r);
            rule = text ? text : "";
            std::free(text);
            return -1;
        }
        const int last = icaltime_is_null_time(r.until) ? end : std::min(end, r.until.year);
        const int skipped = everyYear ? 0 : MOST_YEARS_SKIPPED;
        changes += (unsigned long)(perYear) *
                   (unsigned long)(std::max(0, last - start.year + 1) + skipped);
    }
    return 0;
}

std::string zoneName(const std::string& tzid, unsigned line) {
    return "the time zone \"" + tzid + "\"" +
           (line != 0 ? " (line " + std::to_string(line) + ")" : std::string());
}

} // namespace

// Counts the changes libical would work out for zone, and when they are within
// the bounds, has it work them out up to ICS_ZONE_LAST_YEAR. Returns why the
// zone is refused, empty when it is taken.
std::string IcsZones::check(const std::string& tzid, icaltimezone* zone, unsigned line) {
    icalcomponent* comp = icaltimezone_get_component(zone);
    if (!comp) return std::string();
    const int end =
        std::min(LIBICAL_LAST_YEAR,
                 std::max(ICS_ZONE_LAST_YEAR, icaltime_today().year) + LIBICAL_EXTRA_YEARS);
    unsigned long changes = 0;
    std::pair<std::time_t, int> first{0, 0}; // the earliest onset and the offset it changes to
    bool hasOnset = false;
    for (icalcomponent* obs = icalcomponent_get_first_component(comp, ICAL_ANY_COMPONENT); obs;
         obs = icalcomponent_get_next_component(comp, ICAL_ANY_COMPONENT)) {
        const icalcomponent_kind kind = icalcomponent_isa(obs);
        if (kind != ICAL_XSTANDARD_COMPONENT && kind != ICAL_XDAYLIGHT_COMPONENT) continue;
        std::string rule;
        if (observanceChanges(obs, end, changes, rule) != 0)
            return zoneName(tzid, line) + " repeats by a rule other than yearly on a day of one " +
                   "month (" + rule + ")";
        if (changes > ICS_ZONE_MAX_CHANGES)
            return zoneName(tzid, line) + " has more than " + std::to_string(ICS_ZONE_MAX_CHANGES) +
                   " offset changes";
        icalproperty* start = icalcomponent_get_first_property(obs, ICAL_DTSTART_PROPERTY);
        icalproperty* to = icalcomponent_get_first_property(obs, ICAL_TZOFFSETTO_PROPERTY);
        if (!start || !to) continue;
        icaltimetype at = icalproperty_get_dtstart(start);
        at.zone = nullptr;
        const std::time_t wall = icaltime_as_timet(at);
        if (!hasOnset || wall < first.first) first = {wall, icalproperty_get_tzoffsetto(to)};
        hasOnset = true;
    }
    if (changes_ + changes > ICS_FILE_MAX_ZONE_CHANGES)
        return zoneName(tzid, line) + " brings the zones the file uses to more than " +
               std::to_string(ICS_FILE_MAX_ZONE_CHANGES) + " offset changes";
    changes_ += changes;
    if (hasOnset) firstOnset_[zone] = first;
    // libical works out the changes up to five years past the year asked for.
    icaltimetype last = icaltime_null_time();
    last.year = ICS_ZONE_LAST_YEAR;
    last.month = 12;
    last.day = 31;
    icaltimezone_get_utc_offset(zone, &last, nullptr);
    return std::string();
}

namespace {

bool localFields(std::time_t t, std::tm& out) {
    return localtime_r(&t, &out) != nullptr;
}

// Reads the date or date-time value t; value gets the libical time, utc the
// moment when it is not floating local time or a date.
int readTime(const T_IcsTime& t, IcsZones& zones, icaltimetype& value, std::time_t& utc,
             bool& floating) {
    // libical reads "YYYYMMDD", "YYYYMMDDTHHMMSS" and the same with "Z".
    const std::size_t n = t.value.size();
    if (n != 8 && n != 15 && n != 16) return ICS_DATE_BAD;
    value = icaltime_from_string(t.value.c_str());
    if (icaltime_is_null_time(value) || value.month < 1 || value.month > 12 || value.day < 1 ||
        value.day > icaltime_days_in_month(value.month, value.year) || value.hour > 23 ||
        value.minute > 59 || value.second > 60)
        return ICS_DATE_BAD;
    floating = false;
    utc = 0;
    if (value.is_date) return ICS_DATE_OK;
    if (icaltime_is_utc(value)) {
        utc = icaltime_as_timet(value);
        return ICS_DATE_OK;
    }
    icaltimezone* zone = nullptr;
    if (!t.tzid.empty() && zones.find(t.tzid, zone) != 0) return ICS_DATE_ZONE;
    if (!zone) {
        floating = true;
        return ICS_DATE_OK;
    }
    // A later time lies after Velk's years in any zone; in its zone it would
    // make libical work out the zone's changes again.
    const std::time_t wall = icaltime_as_timet(value);
    int offset;
    if (zones.beforeFirstOnset(zone, wall, offset))
        utc = wall - offset;
    else
        utc = value.year > ICS_ZONE_LAST_YEAR ? wall : icaltime_as_timet_with_zone(value, zone);
    return ICS_DATE_OK;
}

// Velk's weekday (0 Monday .. 6 Sunday) of a libical weekday (1 Sunday .. 7 Saturday).
int velkWeekday(icalrecurrencetype_weekday wd) {
    return (int(wd) + 5) % 7;
}

bool noneIn(const short* values) {
    return values[0] == ICAL_RECURRENCE_ARRAY_MAX;
}

bool oneIn(const short* values) {
    return values[0] != ICAL_RECURRENCE_ARRAY_MAX && values[1] == ICAL_RECURRENCE_ARRAY_MAX;
}

} // namespace

// The local packed date-time of t: a DATE gives a date-only value, a time in
// UTC or in a zone is converted to local time, a floating time is taken as
// written. Seconds are dropped.
int icsLocalDateTime(const T_IcsTime& t, IcsZones& zones, packedDT& out, bool& isDate) {
    out = DT_EMPTY;
    isDate = false;
    if (!t.present) return ICS_DATE_ABSENT;
    icaltimetype v;
    std::time_t utc;
    bool floating;
    const int r = readTime(t, zones, v, utc, floating);
    if (r != ICS_DATE_OK) return r;
    int year = v.year, month = v.month, day = v.day, hour = v.hour, minute = v.minute;
    if (!v.is_date && !floating) {
        std::tm tm;
        if (!localFields(utc, tm)) return ICS_DATE_DROPPED;
        year = tm.tm_year + 1900;
        month = tm.tm_mon + 1;
        day = tm.tm_mday;
        hour = tm.tm_hour;
        minute = tm.tm_min;
    }
    if (!isValidDate(day, month, year)) return ICS_DATE_DROPPED;
    isDate = v.is_date;
    out = packDate(day, month, year) | (v.is_date ? DT_NOTIME : packTime(hour, minute));
    return ICS_DATE_OK;
}

// The moment of t in seconds since 1970 (a date or floating time taken as
// local time).
int icsMoment(const T_IcsTime& t, IcsZones& zones, std::time_t& out) {
    icaltimetype v;
    bool floating;
    const int r = readTime(t, zones, v, out, floating);
    if (r != ICS_DATE_OK) return r;
    if (v.is_date || floating) {
        std::tm tm{};
        tm.tm_year = v.year - 1900;
        tm.tm_mon = v.month - 1;
        tm.tm_mday = v.day;
        tm.tm_hour = v.is_date ? 0 : v.hour;
        tm.tm_min = v.is_date ? 0 : v.minute;
        tm.tm_sec = v.is_date ? 0 : v.second;
        tm.tm_isdst = -1;
        out = std::mktime(&tm);
    }
    return ICS_DATE_OK;
}

namespace {

// The range end of a rule with COUNT: the day of its last occurrence, counted
// from anchor by libical's expansion. A last occurrence after the years Velk
// holds leaves the range open and is counted as a date left out.
bool countedRange(const icalrecurrencetype& r, packedDT anchor, T_recData& rec,
                  unsigned& datesDropped) {
    icaltimetype start = icaltime_null_time();
    start.year = dtYear(anchor);
    start.month = dtMonth(anchor);
    start.day = dtDay(anchor);
    start.is_date = 1;
    icalrecur_iterator* it = icalrecur_iterator_new(r, start);
    if (!it) return false;
    icaltimetype last = icaltime_null_time();
    for (int n = 0; n < r.count; ++n) {
        const icaltimetype next = icalrecur_iterator_next(it);
        if (icaltime_is_null_time(next)) break;
        last = next;
        if (last.year > DT_MAXYEAR) break; // past the years Velk holds: no need to go on
    }
    icalrecur_iterator_free(it);
    icalerror_clear_errno();
    if (icaltime_is_null_time(last)) return false;
    if (isValidDate(last.day, last.month, last.year)) {
        rec.rangeEnd = packDate(last.day, last.month, last.year) | DT_NOTIME;
        rec.counted = true;
    } else {
        ++datesDropped;
    }
    return true;
}

} // namespace

// The Velk rule of the RRULE value for an entry anchored on anchor (a dated
// value); false when Velk cannot hold the rule. The range end of UNTIL is set;
// an UNTIL outside Velk's years is left out and counted.
bool icsVelkRule(const std::string& value, packedDT anchor, T_recData& rec,
                 unsigned& datesDropped) {
    icalrecurrencetype r = icalrecurrencetype_from_string(value.c_str());
    const bool rscale = r.rscale != nullptr;
    std::free(r.rscale);
    icalerror_clear_errno();
    if (r.freq == ICAL_NO_RECURRENCE || r.count < 0 || rscale || r.interval < 1) return false;
    if (!noneIn(r.by_second) || !noneIn(r.by_minute) || !noneIn(r.by_hour) ||
        !noneIn(r.by_year_day) || !noneIn(r.by_week_no) || !noneIn(r.by_set_pos))
        return false;
    const int day = dtDay(anchor), month = dtMonth(anchor), year = dtYear(anchor);
    const int weekday = Wochentag(day, month, year);
    auto isWeekday = [&](short byDay, int position) {
        return icalrecurrencetype_day_position(byDay) == position &&
               velkWeekday(icalrecurrencetype_day_day_of_week(byDay)) == weekday;
    };
    auto noneOrDay = [&](const short* byMonthDay) {
        return noneIn(byMonthDay) || (oneIn(byMonthDay) && byMonthDay[0] == day);
    };
    rec = T_recData();
    rec.interval = r.interval;
    switch (r.freq) {
    case ICAL_DAILY_RECURRENCE:
        if (!noneIn(r.by_day) || !noneIn(r.by_month_day) || !noneIn(r.by_month)) return false;
        rec.type = REC_DAILY;
        break;
    case ICAL_WEEKLY_RECURRENCE:
        if (!noneIn(r.by_month_day) || !noneIn(r.by_month)) return false;
        // Plain weekdays, without ordinals. Velk's weeks begin on Monday,
        // which decides which days of a set lie in every interval-th week.
        if (r.interval > 1 && r.week_start != ICAL_NO_WEEKDAY &&
            r.week_start != ICAL_MONDAY_WEEKDAY && !noneIn(r.by_day) && !oneIn(r.by_day))
            return false;
        for (int i = 0; i < ICAL_BY_DAY_SIZE && r.by_day[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) {
            if (icalrecurrencetype_day_position(r.by_day[i]) != 0) return false;
            rec.weekdays |=
                uint8_t(1 << velkWeekday(icalrecurrencetype_day_day_of_week(r.by_day[i])));
        }
        // The anchor's weekday alone is the plain weekly rule.
        if (rec.weekdays == 1 << weekday) rec.weekdays = 0;
        rec.type = REC_WEEKLY;
        break;
    case ICAL_MONTHLY_RECURRENCE:
        if (!noneIn(r.by_month)) return false;
        if (noneIn(r.by_day) && noneOrDay(r.by_month_day)) {
            rec.type = REC_MONTHLY_BY_DATE;
        } else if (noneIn(r.by_month_day) && oneIn(r.by_day) &&
                   isWeekday(r.by_day[0], (day - 1) / 7 + 1)) {
            rec.type = REC_MONTHLY_BY_DAY;
        } else {
            return false;
        }
        break;
    case ICAL_YEARLY_RECURRENCE:
        if (r.interval != 1 || !noneIn(r.by_day) || !noneOrDay(r.by_month_day)) return false;
        if (!noneIn(r.by_month) &&
            !(oneIn(r.by_month) && !icalrecurrencetype_month_is_leap(r.by_month[0]) &&
              icalrecurrencetype_month_month(r.by_month[0]) == month))
            return false;
        rec.type = REC_YEARLY;
        break;
    default:
        return false;
    }
    if (r.count > 0) return countedRange(r, anchor, rec, datesDropped);
    if (!icaltime_is_null_time(r.until)) {
        int uy = r.until.year, um = r.until.month, ud = r.until.day;
        int minute = r.until.hour * 60 + r.until.minute; // of the day, local
        std::tm tm;
        if (!r.until.is_date && icaltime_is_utc(r.until) &&
            localFields(icaltime_as_timet(r.until), tm)) {
            uy = tm.tm_year + 1900;
            um = tm.tm_mon + 1;
            ud = tm.tm_mday;
            minute = tm.tm_hour * 60 + tm.tm_min;
        }
        // UNTIL with a time ends the repetition there: an occurrence later
        // on that day is not one, so the range ends the day before.
        const bool before = !r.until.is_date && dtHasTime(anchor) &&
                            minute < dtHour(anchor) * 60 + dtMinute(anchor);
        if (isValidDate(ud, um, uy)) {
            rec.rangeEnd = packDate(ud, um, uy) | DT_NOTIME;
            if (before) moveDate(rec.rangeEnd, -1);
        } else {
            ++datesDropped;
        }
    }
    return true;
}

int icsReminderMinutes(std::string_view action, std::string_view triggerParams,
                       std::string_view triggerValue, bool todo) {
    const std::string act = strU(action);
    if (act != "DISPLAY" && act != "AUDIO") return -1;
    const std::string valueType = strU(icsParam(triggerParams, "VALUE"));
    if (!valueType.empty() && valueType != "DURATION") return -1;
    const std::string related = strU(icsParam(triggerParams, "RELATED"));
    if (todo ? related != "END" : !related.empty() && related != "START") return -1;
    const std::string value(triggerValue);
    const icaldurationtype d = icaldurationtype_from_string(value.c_str());
    const bool bad = icaldurationtype_is_bad_duration(d);
    icalerror_clear_errno();
    if (bad) return -1;
    const long long seconds = icaldurationtype_as_int(d);
    if (seconds > 0 || seconds % 60 != 0 || -seconds / 60 > MAX_REMIND_BEFORE) return -1;
    return int(-seconds / 60);
}

int icsAlarmReminder(std::string_view valarm, bool todo) {
    IcsLineReader reader(valarm);
    T_IcsLine line;
    std::string action, params, value;
    int depth = 0;
    for (int r; (r = reader.next(line)) != 0;) {
        if (r < 0) continue;
        if (line.name == "BEGIN") ++depth;
        if (line.name == "END") --depth;
        if (depth != 1) continue; // the alarm's own lines, not those of a component in it
        if (line.name == "ACTION") action.assign(line.value);
        if (line.name == "TRIGGER") params.assign(line.params), value.assign(line.value);
    }
    return value.empty() ? -1 : icsReminderMinutes(action, params, value, todo);
}

} // namespace storage
