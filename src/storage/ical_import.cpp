// Entries read from an iCalendar file.
//
// The content lines are read by storage/ical_lines.h; libical reads the
// values (dates, durations, rules) and the time zones (storage/ical_values.h).
// libical's own parser builds a tree of every property first: it took 0.84 s
// for 100,000 components on the development machine, and 0.2 s more to free
// the tree, so the lines are read here and only the values used go to
// libical (BM_ImportICalendar100k: about 0.2 s for the whole import).

#include "storage/ical_import.h"

#include "common/text.h"
#include "model/clock.h"
#include "model/datetime.h"
#include "model/recurrence.h"
#include "storage/file_tools.h"
#include "storage/ical_lines.h"
#include "storage/ical_values.h"

#include <libical/ical.h>

#include <algorithm>
#include <charconv>
#include <ctime>
#include <fstream>
#include <map>

namespace storage {

namespace {

// Velk's "show time as" of an appointment (busy) and of a note (free).
constexpr int SHOW_AS_BUSY = 1;
constexpr int SHOW_AS_FREE = 0;

enum class Kind { ToDo, Event, Journal };

// A VTODO, VEVENT or VJOURNAL as read, before its values are converted.
struct T_IcsEntry {
    Kind kind = Kind::ToDo;
    bool hasSummary = false, hasDescription = false;
    std::string summary, description;
    std::string location; // LOCATION, kept as the description's first line
    T_IcsTime dtstart, dtend, due, completedAt;
    T_IcsTime velkBegin; // X-VELK-BEGIN: a repeating todo's begin when DTSTART is its due date
    std::string duration;
    unsigned durationLine = 0;
    std::vector<std::string> rules;         // RRULE values
    std::vector<std::string> ruleLines;     // RRULE, RDATE and EXDATE lines as written
    std::vector<T_IcsTime> rdates, exdates; // one value each
    bool statusCompleted = false;
    bool cancelled = false; // STATUS:CANCELLED
    bool transparent = false;
    bool velkAppointment = false; // X-VELK-KIND:APPOINTMENT (an undated one, as a journal)
    int priority = -1;            // PRIORITY; -1 when absent
    int velkPriority = -1;        // X-VELK-PRIORITY; -1 when absent
    bool beginDateOnly = false, endDateOnly = false;
    std::string velkRecurrence;
    std::string rangeBegin;
    bool crypt = false, running = false;
    int showTimeAs = 0;
    std::vector<T_workingTimes> times;
    // Which version of which entry it is: an update of an entry repeats its
    // UID with a higher SEQUENCE or a later LAST-MODIFIED or DTSTAMP.
    std::string uid, lastModified, dtstamp;
    long sequence = 0;
    bool isInstance = false; // RECURRENCE-ID: one occurrence of a series, not an update
    T_IcsTime recurrenceId;
    bool thisAndFuture = false; // RANGE=THISANDFUTURE: this and every later occurrence
    // The first alarm that is a Velk reminder; the alarm being read.
    int remindBefore = NO_REMINDER;
    std::string alarmAction, alarmParams, alarmTrigger;
};

// The values of an RDATE or EXDATE line, each with the line's zone; of a
// PERIOD its start.
void takeDateList(const T_IcsLine& line, std::vector<T_IcsTime>& out) {
    const std::string tzid(icsParam(line.params, "TZID"));
    std::string_view v = line.value;
    while (!v.empty()) {
        const std::size_t comma = std::min(v.find(','), v.size());
        const std::string_view one = v.substr(0, comma);
        T_IcsTime t;
        t.value.assign(one.substr(0, std::min(one.find('/'), one.size())));
        t.tzid = tzid;
        t.line = line.number;
        t.present = true;
        out.push_back(std::move(t));
        v.remove_prefix(std::min(comma + 1, v.size()));
    }
}

// Whether a is a later version of the entry than b.
bool isNewer(const T_IcsEntry& a, const T_IcsEntry& b) {
    if (a.sequence != b.sequence) return a.sequence > b.sequence;
    // UTC times as written ("YYYYMMDDTHHMMSSZ") compare as text.
    const std::string& ta = a.lastModified.empty() ? a.dtstamp : a.lastModified;
    const std::string& tb = b.lastModified.empty() ? b.dtstamp : b.lastModified;
    return ta > tb;
}

template <class T> bool parseNumber(std::string_view s, T& out) {
    const char* end = s.data() + s.size();
    auto r = std::from_chars(s.data(), end, out);
    return r.ec == std::errc() && r.ptr == end;
}

// Velk's priority of a todo of iCalendar PRIORITY p (1 the highest; -1 absent).
unsigned todoPriority(int p) {
    if (p >= 1 && p <= 2) return 6;
    if (p >= 3 && p <= 5) return unsigned(8 - p); // 3 -> 5, 4 -> 4, 5 -> 3
    if (p >= 6 && p <= 8) return 2;
    if (p == 9) return 1;
    return 3;
}

// X-VELK-RECURRENCE:TYPE=2;INTERVAL=n (also without "TYPE=", or without the
// interval when it is 1); false for anything else.
bool resetableRule(const std::string& value, T_recData& rec) {
    const std::string upper = strU(value);
    std::string_view v = upper;
    if (v.substr(0, 5) == "TYPE=") v.remove_prefix(5);
    if (v.substr(0, 1) != "2") return false;
    v.remove_prefix(1);
    int interval = 1;
    packedDT until = DT_EMPTY;
    // The parts after the type: ";INTERVAL=n" and ";UNTIL=YYYYMMDD", the range end.
    while (!v.empty()) {
        if (v[0] != ';') return false;
        v.remove_prefix(1);
        const std::size_t end = std::min(v.find(';'), v.size());
        const std::string_view part = v.substr(0, end);
        v.remove_prefix(end);
        int y, m, d;
        if (part.substr(0, 9) == "INTERVAL=") {
            if (!parseNumber(part.substr(9), interval) || interval < 1) return false;
        } else if (part.substr(0, 6) == "UNTIL=" && part.size() == 14 &&
                   parseNumber(part.substr(6, 4), y) && parseNumber(part.substr(10, 2), m) &&
                   parseNumber(part.substr(12, 2), d) && y >= 2000 && y <= 2127 &&
                   isValidDate(d, m, y)) {
            until = packDate(d, m, y) | DT_NOTIME;
        } else {
            return false;
        }
    }
    rec = T_recData();
    rec.type = REC_DAILY_RESETABLE;
    rec.interval = interval;
    rec.rangeEnd = until;
    return true;
}

std::string badValue(unsigned line, const char* what) {
    return "line " + std::to_string(line) + ": the " + what + " cannot be read";
}

std::string refusedZone(unsigned line, const IcsZones& zones) {
    return "line " + std::to_string(line) + ": " + zones.refusal();
}

// Builds the entry of e. Results: 0 built; -1 a value cannot be read or names a refused
// zone (error says which).
int makeEntry(const T_IcsEntry& e, IcsZones& zones, T_IcsImportReport& report,
              std::unique_ptr<ToDoListToDo>& out, std::string& error) {
    auto todo = std::make_unique<ToDoListToDo>(0, SharedPath());
    if (e.hasSummary) todo->setSummary(e.summary);
    const bool isToDo = e.kind == Kind::ToDo;
    if (isToDo) {
        todo->setPriority(e.velkPriority >= 0 ? unsigned(e.velkPriority)
                                              : todoPriority(e.priority));
        todo->setShowTimeAsDirect(e.showTimeAs);
    } else {
        const bool busy = e.kind == Kind::Event ? !e.transparent : e.velkAppointment;
        todo->setPriority(busy ? PRIO_APPOINTMENT : PRIO_NOTE);
        todo->setShowTimeAsDirect(busy ? SHOW_AS_BUSY : SHOW_AS_FREE);
    }

    // The dates, converted to local time.
    auto convert = [&](const T_IcsTime& t, packedDT& v, bool& isDate) {
        const int r = icsLocalDateTime(t, zones, v, isDate);
        if (r == ICS_DATE_BAD) error = badValue(t.line, "date");
        if (r == ICS_DATE_ZONE) error = refusedZone(t.line, zones);
        if (r == ICS_DATE_DROPPED) ++report.datesDropped;
        return r == ICS_DATE_ZONE ? int(ICS_DATE_BAD) : r;
    };
    packedDT begin = DT_EMPTY, end = DT_EMPTY;
    bool beginIsDate = false, endIsDate = false;
    const T_IcsTime& start = isToDo && e.velkBegin.present ? e.velkBegin : e.dtstart;
    if (convert(start, begin, beginIsDate) == ICS_DATE_BAD) return -1;
    if (isToDo) {
        if (convert(e.due, end, endIsDate) == ICS_DATE_BAD) return -1;
        // Without a due date the start is the due date.
        if (!e.due.present) std::swap(begin, end);
    } else if (e.kind == Kind::Journal) {
        end = begin;
    } else if (e.dtend.present) {
        if (convert(e.dtend, end, endIsDate) == ICS_DATE_BAD) return -1;
        // A DATE end is the day after the last one; an end on the start day
        // or before it (written by some programs) is the start day.
        if (endIsDate && dtHasDate(end)) {
            moveDate(end, -1);
            if (dtHasDate(begin) && dtDateOnly(end) < dtDateOnly(begin)) end = dtDateOnly(begin);
        }
    } else if (!e.duration.empty()) {
        const icaldurationtype d = icaldurationtype_from_string(e.duration.c_str());
        icalerror_clear_errno();
        if (icaldurationtype_is_bad_duration(d)) {
            error = badValue(e.durationLine, "duration");
            return -1;
        }
        end = begin;
        if (dtHasDate(end) && !d.is_neg) {
            const long days = long(d.weeks) * 7 + long(d.days);
            const long minutes = long(d.hours) * 60 + long(d.minutes) + long(d.seconds) / 60;
            // The day the end reaches, by number: a move past the last day
            // Velk holds would stop there and shorten the entry.
            const long first = getNumberOfDay(dtDay(begin), dtMonth(begin), dtYear(begin));
            const long reached =
                beginIsDate
                    ? first + std::max(days - 1, 0L)
                    : first + days + (dtHour(begin) * 60L + dtMinute(begin) + minutes) / 1440;
            if (reached > getNumberOfDay(31, 12, DT_MAXYEAR)) {
                end = DT_EMPTY;
                ++report.datesDropped;
            } else if (beginIsDate) {
                // Whole days from a DATE start: the last day is the one before.
                moveDate(end, int(std::max(days - 1, 0L)));
            } else {
                moveDate(end, int(days));
                moveDateTime(end, int(minutes));
            }
        }
    } else {
        end = begin;
    }
    // An event that ends at 00:00 of a later day ends at midnight of the
    // day before (24:00), so that it does not show on a day it does not reach.
    if (!isToDo && !e.endDateOnly && dtHasDate(begin) && dtHasTime(end) && dtHour(end) == 0 &&
        dtMinute(end) == 0 && dtDateOnly(end) > dtDateOnly(begin))
        moveDateTime(end, 0);
    if (e.beginDateOnly && dtHasDate(begin)) begin = dtDateOnly(begin);
    if (e.endDateOnly && dtHasDate(end)) end = dtDateOnly(end);
    // Begin and end in the order Velk keeps them, so that the anchor of the
    // rule below is the one the entry will have.
    if (dtHasDate(begin) && dtHasDate(end) &&
        (dtDateOnly(begin) > dtDateOnly(end) ||
         (dtDateOnly(begin) == dtDateOnly(end) && dtHasTime(begin) && dtHasTime(end) &&
          begin > end)))
        std::swap(begin, end);

    // The repetition.
    T_recData rec;
    const packedDT anchor = isToDo ? end : begin;
    bool ruleAsText = false;
    if (!e.velkRecurrence.empty() && e.rules.empty() && e.rdates.empty() && e.exdates.empty()) {
        if (!dtHasDate(anchor) || !resetableRule(e.velkRecurrence, rec)) rec = T_recData();
    } else if (!e.ruleLines.empty()) {
        // One rule, or extra dates alone, is held; the others stay as text.
        ruleAsText =
            e.rules.size() > 1 || !dtHasDate(anchor) ||
            (e.rules.size() == 1 && !icsVelkRule(e.rules[0], anchor, rec, report.datesDropped));
        if (ruleAsText) rec = T_recData();
    }
    if (rec.isRecurring()) {
        if (!e.rangeBegin.empty()) {
            T_IcsTime rb;
            rb.value = e.rangeBegin;
            rb.present = true;
            packedDT v;
            bool isDate;
            const int r = icsLocalDateTime(rb, zones, v, isDate);
            if (r == ICS_DATE_OK) rec.rangeBegin = dtDateOnly(v);
            if (r == ICS_DATE_DROPPED) ++report.datesDropped;
        }
        // An anchor outside the range leaves the first occurrence only, as
        // the entry is.
        if ((dtHasDate(rec.rangeBegin) && dtDateOnly(anchor) < rec.rangeBegin) ||
            (dtHasDate(rec.rangeEnd) && dtDateOnly(anchor) > rec.rangeEnd))
            rec = T_recData();
    }
    // A recurring entry has both dates: a todo due on a day begins that day,
    // an event whose end was left out ends where it begins.
    if (rec.isRecurring() && isToDo && !dtHasDate(begin)) begin = end;
    if (rec.isRecurring() && !isToDo && !dtHasDate(end)) end = begin;

    todo->setDateTimeDirect(WHICH_END, end);
    todo->setDateTimeDirect(WHICH_BEGIN, begin);
    todo->setRecDataDirect(rec);
    todo->sanitizeTimeThings();

    // Skipped days and added dates, as local days and times. They are
    // written at the time of DTSTART: a todo's begin, or its due date when
    // its begin went along as X-VELK-BEGIN.
    const packedDT dtstartValue =
        !isToDo || (e.velkBegin.present && e.due.present) || !dtHasDate(begin) ? anchor : begin;
    if (!ruleAsText && dtHasDate(anchor)) {
        std::vector<packedDT> skipped, added;
        for (const auto* list : {&e.exdates, &e.rdates})
            for (const T_IcsTime& t : *list) {
                packedDT v;
                bool isDate;
                if (convert(t, v, isDate) == ICS_DATE_BAD) return -1;
                if (!dtHasDate(v)) continue;
                // An added date at the time of the rule's own occurrences
                // is kept as a day, as Velk keeps such dates.
                if (list == &e.rdates && dtTimeBits(v) == dtTimeBits(dtstartValue))
                    v = dtDateOnly(v);
                (list == &e.exdates ? skipped : added).push_back(v);
            }
        todo->setSkippedDirect(std::move(skipped));
        todo->setAddedDirect(std::move(added));
    }
    todo->setUid(e.uid);
    if (e.remindBefore != NO_REMINDER) todo->setRemindBefore(e.remindBefore);
    todo->setVersion(e.sequence, e.lastModified.empty() ? e.dtstamp : e.lastModified);

    std::string description = e.description;
    if (ruleAsText) {
        std::string text;
        for (const std::string& l : e.ruleLines)
            text += (text.empty() ? "" : "\n") + l;
        description = description.empty() ? text : text + "\n" + description;
        ++report.rulesAsText;
    }
    // Velk has no place of its own: it heads the description, one line long.
    if (!e.location.empty()) {
        std::string line = LOCATION_PREFIX + e.location;
        std::replace(line.begin(), line.end(), '\n', ' ');
        description = description.empty() ? line : line + "\n" + description;
    }
    if (!description.empty()) {
        todo->setDescription(description.c_str());
        if (e.crypt) todo->SetSaveCrypt(true);
    }

    if (isToDo && (e.statusCompleted || e.completedAt.present)) {
        std::time_t when = velkNow();
        const int r = e.completedAt.present ? icsMoment(e.completedAt, zones, when) : ICS_DATE_OK;
        if (r != ICS_DATE_OK) {
            error = r == ICS_DATE_ZONE ? refusedZone(e.completedAt.line, zones)
                                       : badValue(e.completedAt.line, "completion time");
            return -1;
        }
        todo->setCompletedDirect({true, int32_t(when)});
    }
    for (const T_workingTimes& t : e.times)
        todo->addTime(t.begin, t.end);
    todo->setRunningDirect(e.running);
    out = std::move(todo);
    return 0;
}

T_IcsTime timeOf(const T_IcsLine& line) {
    T_IcsTime t;
    t.value.assign(line.value);
    t.tzid.assign(icsParam(line.params, "TZID"));
    t.line = line.number;
    t.present = true;
    return t;
}

// Whether the broken line text of an entry may hold a property Velk reads
// or a BEGIN or END: its name, as far as it goes, is one of those.
bool readsBrokenLine(std::string_view text) {
    std::size_t n = 0;
    while (n < text.size() && (std::isalnum(static_cast<unsigned char>(text[n])) || text[n] == '-'))
        ++n;
    const std::string name = strU(text.substr(0, n));
    static const char* const read[] = {"BEGIN", "END",    "SUMMARY",   "DESCRIPTION", "DTSTART",
                                       "DTEND", "DUE",    "COMPLETED", "DURATION",    "RRULE",
                                       "RDATE", "EXDATE", "STATUS",    "TRANSP",      "PRIORITY"};
    return name.rfind("X-VELK-", 0) == 0 ||
           std::any_of(std::begin(read), std::end(read), [&](const char* r) { return name == r; });
}

// Takes a property of a VTODO, VEVENT or VJOURNAL; unknown ones are passed over.
void takeProperty(T_IcsEntry& e, const T_IcsLine& line) {
    const std::string_view n = line.name;
    if (n == "SUMMARY") {
        if (!e.hasSummary) e.summary = icsText(line.value);
        e.hasSummary = true;
    } else if (n == "DESCRIPTION") {
        if (!e.hasDescription) e.description = icsText(line.value);
        e.hasDescription = true;
    } else if (n == "DTSTART") {
        e.dtstart = timeOf(line);
    } else if (n == "DTEND") {
        e.dtend = timeOf(line);
    } else if (n == "DUE") {
        e.due = timeOf(line);
    } else if (n == "COMPLETED") {
        e.completedAt = timeOf(line);
    } else if (n == "DURATION") {
        e.duration.assign(line.value);
        e.durationLine = line.number;
    } else if ((n == "RRULE" || n == "RDATE" || n == "EXDATE") && line.value.empty()) {
        // An empty rule or list, as some programs write: no repetition.
    } else if (n == "RRULE" || n == "RDATE" || n == "EXDATE") {
        if (n == "RRULE")
            e.rules.emplace_back(line.value);
        else
            takeDateList(line, n == "RDATE" ? e.rdates : e.exdates);
        e.ruleLines.push_back(std::string(n) + std::string(line.params) + ":" +
                              std::string(line.value));
    } else if (n == "STATUS") {
        e.statusCompleted = strU(line.value) == "COMPLETED";
        e.cancelled = strU(line.value) == "CANCELLED";
    } else if (n == "TRANSP") {
        e.transparent = strU(line.value) == "TRANSPARENT";
    } else if (n == "PRIORITY") {
        if (!parseNumber(line.value, e.priority)) e.priority = -1;
    } else if (n == "X-VELK-PRIORITY") {
        int p;
        if (parseNumber(line.value, p) && p >= 0 && p <= int(PRIO_MAXTODO)) e.velkPriority = p;
    } else if (n == "X-VELK-DATE-ONLY") {
        const std::string v = strU(line.value);
        e.beginDateOnly |= v == "BEGIN";
        e.endDateOnly |= v == "END";
    } else if (n == "X-VELK-BEGIN") {
        e.velkBegin = timeOf(line);
        e.velkBegin.tzid.clear(); // local time as written
    } else if (n == "X-VELK-RECURRENCE") {
        e.velkRecurrence.assign(line.value);
    } else if (n == "X-VELK-RANGE-BEGIN") {
        e.rangeBegin.assign(line.value);
    } else if (n == "LOCATION") {
        if (e.location.empty()) e.location = icsText(line.value);
    } else if (n == "UID") {
        e.uid.assign(line.value);
    } else if (n == "SEQUENCE") {
        if (!parseNumber(line.value, e.sequence)) e.sequence = 0;
    } else if (n == "LAST-MODIFIED") {
        e.lastModified.assign(line.value);
    } else if (n == "DTSTAMP") {
        e.dtstamp.assign(line.value);
    } else if (n == "RECURRENCE-ID") {
        e.isInstance = true;
        e.recurrenceId = timeOf(line);
        e.thisAndFuture = strU(icsParam(line.params, "RANGE")) == "THISANDFUTURE";
    } else if (n == "X-VELK-KIND") {
        e.velkAppointment = strU(line.value) == "APPOINTMENT";
    } else if (n == "X-VELK-CRYPT") {
        e.crypt = line.value == "1";
    } else if (n == "X-VELK-RUNNING") {
        e.running = line.value == "1";
    } else if (n == "X-VELK-SHOW-TIME-AS") {
        if (!parseNumber(line.value, e.showTimeAs)) e.showTimeAs = 0;
    } else if (n == "X-VELK-WORKTIME") {
        const std::size_t comma = line.value.find(',');
        T_workingTimes t;
        if (comma != std::string_view::npos && parseNumber(line.value.substr(0, comma), t.begin) &&
            parseNumber(line.value.substr(comma + 1), t.end))
            e.times.push_back(t);
    }
}

// Collects the VTIMEZONE components of text, which entries may name before
// the zone is defined.
void collectZones(std::string_view text, IcsZones& zones) {
    IcsLineReader reader(text);
    T_IcsLine line;
    std::string zone;
    int depth = 0;      // inside a VTIMEZONE: the nesting of its components
    unsigned begin = 0; // the line of its BEGIN
    int r;
    while ((r = reader.next(line)) != 0) {
        if (r < 0) continue;
        if (depth == 0) {
            if (line.name == "BEGIN" && strU(line.value) == "VTIMEZONE") {
                depth = 1;
                begin = line.number;
                zone.assign(line.text);
                zone += "\r\n";
            }
            continue;
        }
        zone.append(line.text);
        zone += "\r\n";
        if (line.name == "BEGIN") ++depth;
        if (line.name == "END" && --depth == 0) zones.addComponent(zone, begin);
    }
}

// The RECURRENCE-ID of an occurrence as Velk keeps it: a date, or the moment
// in UTC, so that it names the occurrence whatever zone it was written in.
std::string keptRecurrenceId(bool isDate, packedDT day, std::time_t moment) {
    char text[80];
    if (isDate) {
        std::snprintf(text, sizeof text, ";VALUE=DATE:%04d%02d%02d", dtYear(day), dtMonth(day),
                      dtDay(day));
    } else {
        std::tm tm{};
        gmtime_r(&moment, &tm);
        std::snprintf(text, sizeof text, ":%04d%02d%02dT%02d%02d%02dZ", tm.tm_year + 1900,
                      tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    }
    return text;
}

// Binds the occurrences that replace one of a series (RECURRENCE-ID) to the
// series of their UID in the file: the series skips the replaced day; a
// cancelled occurrence is nothing more; one that goes on for this and the
// later occurrences (RANGE=THISANDFUTURE, or a rule of its own) ends the
// series the day before and repeats in its place. An occurrence without its
// series stands alone (a cancelled one is left out). made[i] is the entry of
// read[i]; left-out entries become null. Results: 0; -1 a RECURRENCE-ID
// cannot be read (error says why).
int bindOccurrences(const std::vector<T_IcsEntry>& read,
                    std::vector<std::unique_ptr<ToDoListToDo>>& made, IcsZones& zones,
                    std::string& error) {
    std::map<std::string, std::size_t> series;
    for (std::size_t i = 0; i < read.size(); ++i)
        if (!read[i].isInstance && !read[i].uid.empty()) series.emplace(read[i].uid, i);
    std::vector<std::size_t> replacedWhole;
    for (std::size_t i = 0; i < read.size(); ++i) {
        const T_IcsEntry& e = read[i];
        if (!e.isInstance) continue;
        packedDT day;
        bool isDate;
        std::time_t moment = 0;
        int r = icsLocalDateTime(e.recurrenceId, zones, day, isDate);
        if (r == ICS_DATE_OK) r = icsMoment(e.recurrenceId, zones, moment);
        if (r == ICS_DATE_BAD || r == ICS_DATE_ZONE) {
            error = r == ICS_DATE_ZONE ? refusedZone(e.recurrenceId.line, zones)
                                       : badValue(e.recurrenceId.line, "RECURRENCE-ID");
            return -1;
        }
        if (r == ICS_DATE_OK) made[i]->setRecurrenceId(keptRecurrenceId(isDate, day, moment));
        const auto s = series.find(e.uid);
        if (r != ICS_DATE_OK || s == series.end()) {
            if (e.cancelled) made[i].reset();
            continue;
        }
        ToDoListToDo& base = *made[s->second];
        base.skipDay(day);
        if (e.cancelled) {
            made[i].reset();
            continue;
        }
        if (!e.thisAndFuture && e.rules.empty()) continue;
        // The series ends the day before; without a rule of its own this
        // occurrence repeats by the series' rule.
        T_recData rec;
        base.getRecData(rec);
        if (!rec.isRecurring()) continue;
        const bool todo = base.isToDo();
        const packedDT anchor = dtDateOnly(base.getDateTime(todo ? WHICH_END : WHICH_BEGIN));
        if (e.rules.empty()) {
            T_recData own = rec;
            own.rangeBegin = DT_EMPTY;
            made[i]->setRecDataDirect(own);
            if (made[i]->sanitizeTimeThings() == REC_KEPT) {
                std::vector<packedDT> later;
                for (packedDT d : base.extras().skipped)
                    if (d > dtDateOnly(day)) later.push_back(d);
                made[i]->setSkippedDirect(std::move(later));
            }
        }
        packedDT last = dtDateOnly(day);
        moveDate(last, -1);
        if (last < anchor) {
            replacedWhole.push_back(s->second);
            continue;
        }
        if (!dtHasDate(rec.rangeEnd) || last < rec.rangeEnd) rec.rangeEnd = last | DT_NOTIME;
        base.setRecDataDirect(rec);
        base.sanitizeTimeThings();
    }
    for (std::size_t i : replacedWhole)
        made[i].reset();
    return 0;
}

bool isTaken(const std::string& component, Kind& kind) {
    if (component == "VTODO")
        kind = Kind::ToDo;
    else if (component == "VEVENT")
        kind = Kind::Event;
    else if (component == "VJOURNAL")
        kind = Kind::Journal;
    else
        return false;
    return true;
}

// Reads the components of text into entries. Results as readICalendar's.
int readComponents(std::string_view text, std::vector<std::unique_ptr<ToDoListToDo>>& entries,
                   T_IcsImportReport& report) {
    IcsZones zones;
    // Names are case-insensitive: the zones are looked for in any case.
    const std::string_view zoneName = "VTIMEZONE";
    if (std::search(text.begin(), text.end(), zoneName.begin(), zoneName.end(), [](char a, char b) {
            return (a >= 'a' && a <= 'z' ? char(a - 'a' + 'A') : a) == b;
        }) != text.end())
        collectZones(text, zones);

    IcsLineReader reader(text);
    T_IcsLine line;
    std::vector<std::string> open; // the components around the line
    bool inEntry = false;          // open[1] is a VTODO, VEVENT or VJOURNAL
    T_IcsEntry entry;
    std::vector<T_IcsEntry> read;              // the entries, in the file's order
    std::map<std::string, std::size_t> latest; // UID -> its latest version in read
    bool calendarSeen = false;
    for (;;) {
        const int r = reader.next(line);
        if (r == 0) break;
        const bool begins = r > 0 && line.name == "BEGIN";
        if (open.empty()) {
            // Only calendars lie at the top level.
            if (!begins || strU(line.value) != "VCALENDAR") {
                report.error = calendarSeen ? "line " + std::to_string(line.number) +
                                                  " lies after the end of the calendar"
                                            : "it is not an iCalendar file (it does not begin "
                                              "with BEGIN:VCALENDAR)";
                return -1;
            }
            calendarSeen = true;
            open.push_back("VCALENDAR");
            continue;
        }
        const bool entryLevel = inEntry && open.size() == 2;
        if (r < 0) {
            // A broken line of an entry would lose what it holds when Velk
            // reads its property, or when it may be the BEGIN or END of a
            // component; one of any other property (an unknown X- line with
            // a bad parameter, a fold without its blank) is passed over and
            // counted.
            if (entryLevel && readsBrokenLine(line.text)) {
                report.error = "line " + std::to_string(line.number) + " is not an iCalendar line";
                return -1;
            }
            if (entryLevel) ++report.linesSkipped;
            continue;
        }
        if (begins) {
            open.push_back(strU(line.value));
            if (inEntry && open.size() == 3 && open.back() == "VALARM") {
                entry.alarmAction.clear();
                entry.alarmParams.clear();
                entry.alarmTrigger.clear();
            }
            if (open.size() == 2 && isTaken(open.back(), entry.kind)) {
                const Kind kind = entry.kind;
                entry = T_IcsEntry();
                entry.kind = kind;
                inEntry = true;
            }
            continue;
        }
        if (line.name == "END") {
            const std::string name = strU(line.value);
            if (name != open.back()) {
                report.error = "line " + std::to_string(line.number) + ": END:" + name +
                               " does not close BEGIN:" + open.back();
                return -1;
            }
            if (inEntry && open.size() == 3 && name == "VALARM" &&
                entry.remindBefore == NO_REMINDER && !entry.alarmTrigger.empty())
                entry.remindBefore =
                    icsReminderMinutes(entry.alarmAction, entry.alarmParams, entry.alarmTrigger,
                                       entry.kind == Kind::ToDo);
            if (entryLevel) {
                inEntry = false;
                // Of the versions of one entry (or of one occurrence of a
                // series) only the latest is taken.
                const bool versioned = !entry.uid.empty();
                const std::string key =
                    entry.uid + (entry.isInstance ? "\n" + entry.recurrenceId.value : "");
                const auto known = versioned ? latest.find(key) : latest.end();
                if (known == latest.end()) {
                    if (versioned) latest[key] = read.size();
                    read.push_back(std::move(entry));
                } else {
                    ++report.duplicatesDropped;
                    if (isNewer(entry, read[known->second])) read[known->second] = std::move(entry);
                }
            }
            open.pop_back();
            continue;
        }
        if (entryLevel) takeProperty(entry, line);
        if (inEntry && open.size() == 3 && open.back() == "VALARM") {
            if (line.name == "ACTION") entry.alarmAction.assign(line.value);
            if (line.name == "TRIGGER")
                entry.alarmParams.assign(line.params), entry.alarmTrigger.assign(line.value);
        }
    }
    if (!calendarSeen) {
        report.error = "it is empty, not an iCalendar file";
        return -1;
    }
    if (!open.empty()) {
        report.error = "it ends inside " + open.back();
        return -1;
    }
    std::vector<std::unique_ptr<ToDoListToDo>> made(read.size());
    for (std::size_t i = 0; i < read.size(); ++i)
        if (makeEntry(read[i], zones, report, made[i], report.error) != 0) return -1;
    if (bindOccurrences(read, made, zones, report.error) != 0) return -1;
    for (std::unique_ptr<ToDoListToDo>& m : made)
        if (m) entries.push_back(std::move(m));
    if (entries.empty()) {
        report.error = "it holds no todo, event or journal entry";
        return -2;
    }
    return 0;
}

// The whole file, read without blocking. Results: 0 read; -1 not (error says why).
int readWholeFile(const std::string& path, std::string& text, std::string& error) {
    ReadFile in;
    if (openRegularFile(path, true, in, error) != 0) return -1;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    if (size < 0 || !in) {
        error = "it cannot be read";
        return -1;
    }
    if (std::size_t(size) > ICS_MAX_FILE_SIZE) {
        error = "it is larger than 256 MB";
        return -1;
    }
    text.resize(std::size_t(size));
    in.read(text.data(), size);
    if (in.bad() || in.gcount() != size) {
        error = "it cannot be read";
        return -1;
    }
    return 0;
}

} // namespace

int readICalendar(const std::string& path, std::vector<std::unique_ptr<ToDoListToDo>>& entries,
                  T_IcsImportReport& report) {
    report = T_IcsImportReport();
    entries.clear();
    std::string text;
    if (readWholeFile(path, text, report.error) != 0) return -1;
    return readICalendarText(text, entries, report);
}

int readICalendarText(std::string_view text, std::vector<std::unique_ptr<ToDoListToDo>>& entries,
                      T_IcsImportReport& report) {
    report = T_IcsImportReport();
    entries.clear();
    const int r = readComponents(text, entries, report);
    if (r != 0) {
        entries.clear();
        report.entries = report.rulesAsText = report.datesDropped = report.linesSkipped =
            report.duplicatesDropped = 0;
        return r;
    }
    report.entries = unsigned(entries.size());
    return 0;
}

} // namespace storage
