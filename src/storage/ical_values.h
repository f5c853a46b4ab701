#pragma once
#include "model/datetime.h"
#include "model/recurrence.h"

#include <ctime>
#include <map>
#include <string>
#include <string_view>
#include <vector>

struct _icaltimezone;

// The values of iCalendar properties that Velk takes (dates and times, time
// zones, repetition rules), read by libical and converted to Velk's terms.
namespace storage {

// A date or date-time property as written: its value and its TZID parameter.
struct T_IcsTime {
    std::string value;
    std::string tzid;
    unsigned line = 0; // the file line, for messages
    bool present = false;
};

// The most offset changes that libical may work out for one zone, and for the
// zones one file uses together. It took 10 to 26 microseconds per change on
// the development machine (each change of a yearly rule walks a year), so the
// zones of a file cost at most about 0.8 s. The zones libical knows have 2 to
// 1,021 changes up to 2133 (157 on average); a zone written with observances
// from 1601 has about 1,070.
constexpr unsigned long ICS_ZONE_MAX_CHANGES = 5000;
constexpr unsigned long ICS_FILE_MAX_ZONE_CHANGES = 30000;

// The last year whose times are converted in their zone. A later time lies
// after the years Velk holds (2000..2127) in any zone; it is taken as UTC.
constexpr int ICS_ZONE_LAST_YEAR = 2128;

// The time zones that TZIDs name: the VTIMEZONEs of the file first, then the
// zones libical knows by name. A name of neither gives null (floating time).
//
// libical works out every offset change of a zone, from the start of each of
// its observances up to five years past the latest time converted, and works
// them all out again for each later time. A zone is therefore checked at its
// first use, before libical does any of that work, and refused when an
// observance repeats other than yearly on a day of one month (as real zone
// data do), when it would have more than ICS_ZONE_MAX_CHANGES changes, or when
// the zones the file uses would have more than ICS_FILE_MAX_ZONE_CHANGES
// together. A zone that is taken has its changes worked out once, up to
// ICS_ZONE_LAST_YEAR, so that no later time makes libical work them out again.
class IcsZones {
  public:
    IcsZones() = default;
    IcsZones(const IcsZones&) = delete;
    IcsZones& operator=(const IcsZones&) = delete;
    ~IcsZones();

    // Takes the text of a VTIMEZONE component that begins on the file line
    // line; one that libical cannot read is left out.
    void addComponent(const std::string& text, unsigned line);
    // The zone that tzid names in zone, null for floating time. Results: 0
    // found (or floating); -1 the zone is refused (zone null): refusal() says
    // why, naming it.
    int find(const std::string& tzid, _icaltimezone*& zone);
    const std::string& refusal() const { return refusal_; }
    // Whether wall, a wall-clock time of zone (its fields counted as seconds
    // since 1970 as if in UTC), lies before the zone's first onset; offset
    // then gets the offset from UTC, in seconds, of its earliest observance,
    // which RFC 5545 readers apply before it (libical applies the offset it
    // changes from instead).
    bool beforeFirstOnset(_icaltimezone* zone, std::time_t wall, int& offset) const;

  private:
    std::string check(const std::string& tzid, _icaltimezone* zone, unsigned line);

    struct T_Named {
        _icaltimezone* zone = nullptr; // null: floating time
        unsigned line = 0;             // the line of its VTIMEZONE; 0 for libical's own
    };
    std::map<std::string, T_Named> byId_;
    std::vector<_icaltimezone*> own_;
    // The zones checked (libical's own may have several names), each with why
    // it was refused, empty when it was taken.
    std::map<_icaltimezone*, std::string> checked_;
    // The first onset of each zone taken (wall clock, as above) and the
    // offset its observance changes to.
    std::map<_icaltimezone*, std::pair<std::time_t, int>> firstOnset_;
    unsigned long changes_ = 0; // the offset changes of the zones taken so far
    std::string refusal_;
};

// What icsLocalDateTime made of a value.
enum IcsDateResult { ICS_DATE_OK, ICS_DATE_ABSENT, ICS_DATE_DROPPED, ICS_DATE_BAD, ICS_DATE_ZONE };

// The local packed date-time of t: a DATE gives a date-only value, a time in
// UTC or in a zone is converted to local time (minutes kept, seconds
// dropped), a floating time is taken as written. Results: ICS_DATE_OK;
// ICS_DATE_ABSENT t is not present; ICS_DATE_DROPPED it lies outside the years
// 2000..2127; ICS_DATE_BAD it cannot be read; ICS_DATE_ZONE its zone is
// refused (zones.refusal() says why). out is DT_EMPTY unless OK.
int icsLocalDateTime(const T_IcsTime& t, IcsZones& zones, packedDT& out, bool& isDate);

// The moment of t in seconds since 1970, a date or a floating time taken as
// local time. Results: ICS_DATE_OK; ICS_DATE_BAD it cannot be read;
// ICS_DATE_ZONE its zone is refused (zones.refusal() says why).
int icsMoment(const T_IcsTime& t, IcsZones& zones, std::time_t& out);

// The Velk rule of the RRULE value for an entry anchored on anchor (a dated
// value): daily, weekly on the anchor's weekday or on a set of weekdays,
// monthly on its date or its ordinal weekday, yearly on its day; false for
// any other rule (BYSETPOS, several days of a month, negative ordinals, a
// yearly INTERVAL, ...). UNTIL becomes the range end, its local date; one
// outside the years 2000..2127 is left out and counted in datesDropped. COUNT
// becomes the day of the last occurrence, and the rule is marked counted.
bool icsVelkRule(const std::string& value, packedDT anchor, T_recData& rec, unsigned& datesDropped);

// The reminder a VALARM gives in Velk's terms, from its ACTION value and its
// TRIGGER line: minutes before the begin of an event or journal entry, or
// before the due date of a todo (todo: TRIGGER;RELATED=END). Only a DISPLAY or
// AUDIO alarm whose trigger is a whole number of minutes at or before that
// date, and at most four weeks before it, is one; any other (an absolute
// time, a trigger after the date, or one related to the other end) gives -1
// and stays the server's.
int icsReminderMinutes(std::string_view action, std::string_view triggerParams,
                       std::string_view triggerValue, bool todo);

// The same of the text of a VALARM component.
int icsAlarmReminder(std::string_view valarm, bool todo);

} // namespace storage
