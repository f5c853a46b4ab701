#pragma once
#include "model/datetime.h"
#include "model/recurrence.h"

#include <ctime>
#include <map>
#include <string>
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

// The time zones that TZIDs name: the VTIMEZONEs of the file first, then the
// zones libical knows by name. A name of neither gives null (floating time).
class IcsZones {
  public:
    IcsZones() = default;
    IcsZones(const IcsZones&) = delete;
    IcsZones& operator=(const IcsZones&) = delete;
    ~IcsZones();

    // Takes the text of a VTIMEZONE component; one that libical cannot read
    // is left out.
    void addComponent(const std::string& text);
    _icaltimezone* find(const std::string& tzid);

  private:
    std::map<std::string, _icaltimezone*> byId_;
    std::vector<_icaltimezone*> own_;
};

// What icsLocalDateTime made of a value.
enum IcsDateResult { ICS_DATE_OK, ICS_DATE_ABSENT, ICS_DATE_DROPPED, ICS_DATE_BAD };

// The local packed date-time of t: a DATE gives a date-only value, a time in
// UTC or in a zone is converted to local time (minutes kept, seconds
// dropped), a floating time is taken as written. Results: ICS_DATE_OK;
// ICS_DATE_ABSENT t is not present; ICS_DATE_DROPPED it lies outside the years
// 2000..2127; ICS_DATE_BAD it cannot be read. out is DT_EMPTY unless OK.
int icsLocalDateTime(const T_IcsTime& t, IcsZones& zones, packedDT& out, bool& isDate);

// The moment of t in seconds since 1970, a date or a floating time taken as
// local time; false when it cannot be read.
bool icsMoment(const T_IcsTime& t, IcsZones& zones, std::time_t& out);

// The Velk rule of the RRULE value for an entry anchored on anchor (a dated
// value): daily, weekly on the anchor's weekday, monthly on its date or its
// ordinal weekday, yearly on its day; false for any other rule (COUNT,
// BYSETPOS, several days, negative ordinals, a yearly INTERVAL, ...). UNTIL
// becomes the range end, its local date; one outside the years 2000..2127 is
// left out and counted in datesDropped.
bool icsVelkRule(const std::string& value, packedDT anchor, T_recData& rec, unsigned& datesDropped);

} // namespace storage
