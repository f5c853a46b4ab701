// Dates, times, zones and rules of iCalendar values, read by libical.

#include "storage/ical_values.h"

#include <cstdlib>
#include <libical/ical.h>

namespace storage {

IcsZones::~IcsZones() {
    for (icaltimezone* z : own_)
        icaltimezone_free(z, 1);
}

void IcsZones::addComponent(const std::string& text) {
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
    byId_[name] = zone;
}

icaltimezone* IcsZones::find(const std::string& tzid) {
    auto it = byId_.find(tzid);
    if (it != byId_.end()) return it->second;
    icaltimezone* zone = nullptr;
    std::string name = tzid;
    // A globally unique TZID ("/Europe/Berlin", or libical's own
    // "/freeassociation.sourceforge.net/...") names the zone at its end.
    if (!name.empty() && name[0] == '/') {
        zone = icaltimezone_get_builtin_timezone_from_tzid(name.c_str());
        if (!zone) name.erase(0, 1);
    }
    if (!zone) zone = icaltimezone_get_builtin_timezone(name.c_str());
    byId_[tzid] = zone;
    return zone;
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
    icaltimezone* zone = t.tzid.empty() ? nullptr : zones.find(t.tzid);
    if (!zone) {
        floating = true;
        return ICS_DATE_OK;
    }
    utc = icaltime_as_timet_with_zone(value, zone);
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
    if (readTime(t, zones, v, utc, floating) != ICS_DATE_OK) return ICS_DATE_BAD;
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
bool icsMoment(const T_IcsTime& t, IcsZones& zones, std::time_t& out) {
    icaltimetype v;
    bool floating;
    if (readTime(t, zones, v, out, floating) != ICS_DATE_OK) return false;
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
    return true;
}

// The Velk rule of the RRULE value for an entry anchored on anchor (a dated
// value); false when Velk cannot hold the rule. The range end of UNTIL is set;
// an UNTIL outside Velk's years is left out and counted.
bool icsVelkRule(const std::string& value, packedDT anchor, T_recData& rec,
                 unsigned& datesDropped) {
    icalrecurrencetype r = icalrecurrencetype_from_string(value.c_str());
    const bool rscale = r.rscale != nullptr;
    std::free(r.rscale);
    icalerror_clear_errno();
    if (r.freq == ICAL_NO_RECURRENCE || r.count != 0 || rscale || r.interval < 1) return false;
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
        if (!noneIn(r.by_day) && !(oneIn(r.by_day) && isWeekday(r.by_day[0], 0))) return false;
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
    if (!icaltime_is_null_time(r.until)) {
        int uy = r.until.year, um = r.until.month, ud = r.until.day;
        std::tm tm;
        if (!r.until.is_date && icaltime_is_utc(r.until) &&
            localFields(icaltime_as_timet(r.until), tm)) {
            uy = tm.tm_year + 1900;
            um = tm.tm_mon + 1;
            ud = tm.tm_mday;
        }
        if (isValidDate(ud, um, uy))
            rec.rangeEnd = packDate(ud, um, uy) | DT_NOTIME;
        else
            ++datesDropped;
    }
    return true;
}

} // namespace storage
