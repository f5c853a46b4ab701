// Export of entries as an iCalendar file: each entry written as it comes, in
// the bytes libical writes (IcsWriter), the calendar around them by libical.

#include "storage/ical_export.h"

#include "common/description_cipher.h"
#include "common/services.h"
#include "common/text.h"
#include "model/clock.h"
#include "model/datetime.h"
#include "model/description.h"
#include "model/group.h"
#include "model/recurrence.h"
#include "model/todo_item.h"
#include "storage/file_tools.h"
#include "storage/ical_import.h"
#include "storage/ical_values.h"
#include "storage/ics_writer.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <libical/ical.h>
#include <map>
#include <memory>
#include <nettle/sha2.h>
#include <ostream>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

#ifndef VELK_VERSION
#error "VELK_VERSION must name Velk's version (CMakeLists.txt)"
#endif

namespace {

constexpr const char* PRODID = "-//Velk//Velk " VELK_VERSION "//EN";

struct ComponentFree {
    void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;

// Takes over the text that libical allocated for the caller.
std::string takeText(char* text) {
    std::string s = text ? text : "";
    std::free(text);
    return s;
}

// A date-time as iCalendar holds it: a DATE for a date-only value unless
// asDateTime (then 00:00 of that day), else a local time without zone.
// 24:00 becomes 00:00 of the following day, which iCalendar can write.
// libical counts the days, so that a day after 2127 can be written too.
icaltimetype icalTime(packedDT v, bool asDateTime) {
    icaltimetype t = icaltime_null_time();
    t.year = dtYear(v);
    t.month = dtMonth(v);
    t.day = dtDay(v);
    if (!dtHasTime(v) && !asDateTime) {
        t.is_date = 1;
        return t;
    }
    if (dtHasTime(v)) {
        t.hour = dtHour(v) % 24;
        t.minute = dtMinute(v);
        if (dtHour(v) == 24) icaltime_adjust(&t, 1, 0, 0, 0);
    }
    return t;
}

icaltimetype utcTime(std::time_t seconds) {
    return icaltime_from_timet_with_zone(seconds, 0, icaltimezone_get_utc_timezone());
}

// The weekday of libical's rules: 1 Sunday .. 7 Saturday; Velk counts 0
// Monday .. 6 Sunday.
icalrecurrencetype_weekday icalWeekday(int velkWeekday) {
    return icalrecurrencetype_weekday((velkWeekday + 1) % 7 + 1);
}

// The local day of a kept RECURRENCE-ID (";VALUE=DATE:YYYYMMDD" or
// ":YYYYMMDDTHHMMSSZ"); false when it is neither.
bool replacedDay(const std::string& id, packedDT& day) {
    const std::size_t colon = id.rfind(':');
    if (colon == std::string::npos) return false;
    const std::string v = id.substr(colon + 1);
    std::tm tm{};
    if (v.size() < 8 ||
        std::sscanf(v.c_str(), "%4d%2d%2d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday) != 3)
        return false;
    if (v.size() == 16 && v[8] == 'T' && v[15] == 'Z' &&
        std::sscanf(v.c_str() + 9, "%2d%2d%2d", &tm.tm_hour, &tm.tm_min, &tm.tm_sec) == 3) {
        tm.tm_year -= 1900, tm.tm_mon -= 1;
        const std::time_t t = timegm(&tm);
        if (!localtime_r(&t, &tm)) return false;
        tm.tm_year += 1900, tm.tm_mon += 1;
    } else if (v.size() != 8) {
        return false;
    }
    if (!isValidDate(tm.tm_mday, tm.tm_mon, tm.tm_year)) return false;
    day = packDate(tm.tm_mday, tm.tm_mon, tm.tm_year) | DT_NOTIME;
    return true;
}

// The number of occurrences of the rule rec of t from its anchor up to the
// range end (skipped ones count, as COUNT counts them); 0 when there is no
// range end or more than a writable count.
int occurrencesUpTo(const T_recData& rec, const ToDoListToDo& t) {
    if (!dtHasDate(rec.rangeEnd)) return 0;
    packedDT b = t.getDateTime(WHICH_BEGIN), e = t.getDateTime(WHICH_END);
    int n = 1;
    while (followingRecurrenceDate(rec, t.getPriority(), b, e) == 1)
        if (++n > 100000) return 0;
    return n;
}

// A repeating todo repeats by its due date, iCalendar by DTSTART. When the
// begin lies on another day, a monthly or yearly rule of the due date cannot
// be said of the begin (the 29th before a due date on the 31st): such a todo
// starts at its due date, and its begin, as local time, goes along as
// X-VELK-BEGIN.
bool startsAtDue(const ToDoListToDo& t) {
    T_recData rec;
    t.getRecData(rec);
    const packedDT begin = t.getDateTime(WHICH_BEGIN), end = t.getDateTime(WHICH_END);
    return t.isToDo() && rec.isRecurring() && rec.type != REC_DAILY_RESETABLE && dtHasDate(begin) &&
           dtHasDate(end) && dtDateOnly(begin) != dtDateOnly(end);
}

// Whether t writes a timed value, which carries the local zone: a timed
// DTSTART, DUE or DTEND, or beside a date-only DTSTART an added date with its
// own time (RDATE); skipped days (EXDATE) are timed only with a timed
// DTSTART. The calendar's VTIMEZONE precedes every entry, so the export
// knows from this before the first entry whether to write it. It follows
// Exporter::dates and Exporter::otherDates, which check it when they are done.
bool writesTimedValue(const ToDoListToDo& t) {
    const bool todo = t.isToDo();
    const packedDT end = t.getDateTime(WHICH_END);
    const packedDT begin = startsAtDue(t) ? end : t.getDateTime(WHICH_BEGIN);
    const bool hasBegin = dtHasDate(begin), hasEnd = dtHasDate(end);
    if (!todo && !hasBegin) return false; // no dates at all
    if ((hasBegin && dtHasTime(begin)) || (hasEnd && dtHasTime(end))) return true;
    if (!hasBegin || !t.hasExtras()) return false;
    const std::vector<packedDT>& added = t.extras().added;
    return std::any_of(added.begin(), added.end(), [](packedDT d) { return dtHasTime(d); });
}

// Writes the entries of one export as iCalendar text: plan() walks the tree
// once to count the entries and to tell whether the local zone is used,
// open() writes the calendar's opening lines (and the VTIMEZONE), each entry
// is then written as it comes, and close() writes the closing line. With a
// sink the text goes there in pieces as it grows, so that the export never
// holds the whole of it; without one it stays in text().
class Exporter {
  public:
    Exporter(const DescriptionCipher* cipher, T_IcsExportReport& report)
        : cipher(cipher), report(report) {
        const T_DescrCipher* table = services().descrCipher;
        if (!table) table = &passwordManagerCipher;
        loggedIn = table->isLoggedIn(const_cast<DescriptionCipher*>(cipher));
        const std::string name = localZoneName();
        icaltimezone* builtin =
            name.empty() ? nullptr : icaltimezone_get_builtin_timezone(name.c_str());
        if (builtin && icaltimezone_get_component(builtin)) {
            zone = builtin;
            tzid = name;
            icalparameter* p = icalparameter_new_tzid(tzid.c_str());
            zoneParam = takeText(icalparameter_as_ical_string_r(p));
            icalparameter_free(p);
        }
        stamp = utcTime(velkNow());
    }

    // Counts the entries of g's subtree, notes the days of the occurrences
    // that some of them replace (RECURRENCE-ID), whose series then writes no
    // EXDATE for them, as readers may drop a replacement whose occurrence is
    // excluded, and finds whether a timed value will carry the local zone.
    unsigned plan(const ToDoListGroup& g) {
        unsigned n = unsigned(g.getNrToDos());
        for (std::size_t i = 0; i < g.getNrToDos(); ++i) {
            const ToDoListToDo& t = *g.getToDo(i);
            const T_EntryExtras& x = t.extras();
            packedDT day;
            if (!x.recurrenceId.empty() && replacedDay(x.recurrenceId, day))
                replaced[x.uid].push_back(day);
            if (!zoneUsed && !tzid.empty()) zoneUsed = writesTimedValue(t);
        }
        for (std::size_t i = 0; i < g.getNrGroups(); ++i)
            n += plan(*g.getGroup(i));
        return n;
    }

    // One entry alone, with a DTSTAMP of 1970 when fixedStamp.
    void single(const ToDoListToDo& t, const std::vector<std::string>& names, bool fixedStamp,
                const std::vector<std::string>* groupPath) {
        if (fixedStamp) stamp = utcTime(0);
        path = groupPath;
        zoneUsed = !tzid.empty() && writesTimedValue(t);
        open();
        entry(t, names);
        close();
    }

    void open() {
        // libical writes the calendar's properties, then its VTIMEZONE, then
        // END:VCALENDAR; the entries go before that line.
        Component cal(icalcomponent_new_vcalendar());
        icalcomponent_add_property(cal.get(), icalproperty_new_version("2.0"));
        icalcomponent_add_property(cal.get(), icalproperty_new_prodid(PRODID));
        if (zoneUsed) icalcomponent_add_component(cal.get(), zoneComponent().release());
        std::string s = takeText(icalcomponent_as_ical_string_r(cal.get()));
        const std::size_t tail = s.rfind(END_CALENDAR);
        ending = s.substr(tail == std::string::npos ? s.size() : tail);
        s.resize(s.size() - ending.size());
        w.text() += s;
    }

    void group(const ToDoListGroup& g, std::vector<std::string>& names) {
        for (std::size_t i = 0; i < g.getNrToDos(); ++i)
            entry(*g.getToDo(i), names);
        for (std::size_t i = 0; i < g.getNrGroups(); ++i) {
            const ToDoListGroup& child = *g.getGroup(i);
            names.push_back(child.getSummary());
            group(child, names);
            names.pop_back();
        }
    }

    void close() {
        assert(zoneWritten == zoneUsed && "writesTimedValue follows what the entries write");
        w.text() += ending;
        flush(true);
    }

    std::string& text() { return w.text(); }
    // From now on the text goes to sink in pieces.
    void sendTo(std::ostream& out) { sink = &out; }

  private:
    static constexpr const char* END_CALENDAR = "END:VCALENDAR\r\n";
    // The text is handed to the sink in pieces of about this size.
    static constexpr std::size_t PIECE = 1 << 16;

    void flush(bool all) {
        if (!sink || (!all && w.text().size() < PIECE)) return;
        sink->write(w.text().data(), std::streamsize(w.text().size()));
        w.text().clear();
    }
    // The local zone's VTIMEZONE, with the zone's name as its TZID (libical's
    // own TZIDs carry a prefix of its own).
    Component zoneComponent() const {
        Component vtz(icalcomponent_new_clone(icaltimezone_get_component(zone)));
        icalproperty* id = icalcomponent_get_first_property(vtz.get(), ICAL_TZID_PROPERTY);
        if (id)
            icalproperty_set_tzid(id, tzid.c_str());
        else
            icalcomponent_add_property(vtz.get(), icalproperty_new_tzid(tzid.c_str()));
        return vtz;
    }
    void entry(const ToDoListToDo& t, const std::vector<std::string>& names);
    // The dates: DUE and DTSTART of a todo, DTSTART and DTEND of an event.
    void dates(const ToDoListToDo& t, bool todo, bool& anchorAsDate);
    // A date or date-time; a timed one in the local zone when it is known.
    void time(const char* name, const icaltimetype& v, bool timed);
    void recurrence(const ToDoListToDo& t, bool todo, bool anchorAsDate);
    // The skipped days (EXDATE) and added dates (RDATE) of a repeating entry,
    // each at the time of day of its DTSTART, as the rule's occurrences are.
    void otherDates(const ToDoListToDo& t);
    void description(const ToDoListToDo& t);
    void categories(const std::vector<std::string>& names);
    void reminder(const ToDoListToDo& t, bool todo, bool undated);

    const DescriptionCipher* cipher;
    T_IcsExportReport& report;
    std::ostream* sink = nullptr;
    IcsWriter w;
    bool loggedIn = false;
    icaltimezone* zone = nullptr; // libical's, when it knows the local zone
    std::string tzid;             // empty: timed values are written as floating local time
    std::string zoneParam;        // TZID=<tzid>, as libical writes it
    bool zoneUsed = false;        // the calendar holds the VTIMEZONE
    bool zoneWritten = false;     // a value was written with TZID
    std::string ending;           // the calendar's closing line
    icaltimetype stamp;
    std::string list; // the CATEGORIES value being made
    // The DTSTART written for the current entry, and whether it was written
    // as a date-time although date-only (a mixed pair).
    packedDT start = DT_EMPTY;
    bool startMixed = false;
    std::map<std::string, std::vector<packedDT>> replaced; // UID -> local days
    const std::vector<std::string>* path = nullptr;        // X-VELK-PATH, when given
};

void Exporter::time(const char* name, const icaltimetype& v, bool timed) {
    const bool zoned = timed && !tzid.empty();
    zoneWritten |= zoned;
    w.timeProperty(name, v, zoned ? std::string_view(zoneParam) : std::string_view());
}

void Exporter::dates(const ToDoListToDo& t, bool todo, bool& anchorAsDate) {
    packedDT begin = t.getDateTime(WHICH_BEGIN);
    const packedDT end = t.getDateTime(WHICH_END);
    if (startsAtDue(t)) {
        char text[32];
        if (dtHasTime(begin))
            std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d00", dtYear(begin),
                          dtMonth(begin), dtDay(begin), dtHour(begin), dtMinute(begin));
        else
            std::snprintf(text, sizeof text, "%04d%02d%02d", dtYear(begin), dtMonth(begin),
                          dtDay(begin));
        w.xProperty("X-VELK-BEGIN", text);
        begin = end;
    }
    const bool hasBegin = dtHasDate(begin), hasEnd = dtHasDate(end);
    // Both values of a component have one value type: when one is date-only
    // and the other timed, both are written timed and the date-only one is
    // named, so that an import restores it.
    const bool mixed = hasBegin && hasEnd && dtHasTime(begin) != dtHasTime(end);
    if (mixed) w.xProperty("X-VELK-DATE-ONLY", dtHasTime(begin) ? "END" : "BEGIN");
    const packedDT anchor = todo ? end : begin;
    anchorAsDate = dtHasDate(anchor) && !dtHasTime(anchor) && !mixed;
    start = hasBegin ? begin : DT_EMPTY;
    startMixed = mixed;
    if (hasBegin) time("DTSTART", icalTime(begin, mixed), mixed || dtHasTime(begin));
    if (!hasEnd) return;
    if (todo) {
        time("DUE", icalTime(end, mixed), mixed || dtHasTime(end));
        return;
    }
    if (!hasBegin) return; // an appointment or note without a begin has no end
    icaltimetype last = icalTime(end, mixed);
    // The end of a date-only event is the day after its last day. An event
    // that ends when it begins has no end: DTEND must lie after DTSTART.
    if (last.is_date) icaltime_adjust(&last, 1, 0, 0, 0);
    if (icaltime_compare(last, icalTime(begin, mixed)) == 0) return;
    time("DTEND", last, mixed || dtHasTime(end));
}

void Exporter::recurrence(const ToDoListToDo& t, bool todo, bool anchorAsDate) {
    T_recData rec;
    t.getRecData(rec);
    if (!rec.isRecurring()) return;
    if (dtHasDate(rec.rangeBegin)) {
        char day[16];
        std::snprintf(day, sizeof day, "%04d%02d%02d", dtYear(rec.rangeBegin),
                      dtMonth(rec.rangeBegin), dtDay(rec.rangeBegin));
        w.xProperty("X-VELK-RANGE-BEGIN", day);
    }
    if (rec.type == REC_DAILY_RESETABLE) {
        // Counted from the day of completion: no rule of iCalendar says that.
        std::string rule = "TYPE=2;INTERVAL=" + std::to_string(rec.interval);
        if (dtHasDate(rec.rangeEnd)) {
            char until[16];
            std::snprintf(until, sizeof until, "%04d%02d%02d", dtYear(rec.rangeEnd),
                          dtMonth(rec.rangeEnd), dtDay(rec.rangeEnd));
            rule += ";UNTIL=" + std::string(until);
        }
        w.xProperty("X-VELK-RECURRENCE", rule);
        return;
    }
    // iCalendar's intervals are positive and libical holds them in a short.
    // Below 1 Velk has no later occurrence either; beyond a short's range
    // (89 years of days) the rule cannot be written. Either way the entry is
    // exported as its one occurrence.
    if (rec.type != REC_YEARLY && (rec.interval < 1 || rec.interval > SHRT_MAX)) return;
    const packedDT anchor = t.getDateTime(todo ? WHICH_END : WHICH_BEGIN);
    const int day = dtDay(anchor), month = dtMonth(anchor), year = dtYear(anchor);
    icalrecurrencetype r;
    icalrecurrencetype_clear(&r);
    r.interval = short(rec.interval);
    switch (rec.type) {
    case REC_DAILY:
        r.freq = ICAL_DAILY_RECURRENCE;
        break;
    case REC_WEEKLY:
        r.freq = ICAL_WEEKLY_RECURRENCE;
        if (hasWeekdaySet(rec)) {
            int n = 0;
            for (int d = 0; d < 7; ++d)
                if (rec.weekdays & (1 << d)) r.by_day[n++] = short(icalWeekday(d));
        }
        break;
    case REC_MONTHLY_BY_DAY:
        // The same weekday in the same week block of the month: the 1st..5th.
        r.freq = ICAL_MONTHLY_RECURRENCE;
        r.by_day[0] = short(((day - 1) / 7 + 1) * 8 + icalWeekday(Wochentag(day, month, year)));
        break;
    case REC_MONTHLY_BY_DATE:
        r.freq = ICAL_MONTHLY_RECURRENCE;
        r.by_month_day[0] = short(day);
        break;
    case REC_YEARLY:
        // The interval of a yearly rule is not used: every year, and 29
        // February in every leap year.
        r.freq = ICAL_YEARLY_RECURRENCE;
        r.interval = 1;
        if (month == 2 && day == 29) r.by_month[0] = 2, r.by_month_day[0] = 29;
        break;
    default:
        return;
    }
    const int count = rec.counted ? occurrencesUpTo(rec, t) : 0;
    if (count > 0) {
        // A rule given as a number of occurrences goes back as one.
        r.count = count;
    } else if (dtHasDate(rec.rangeEnd)) {
        const int ed = dtDay(rec.rangeEnd), em = dtMonth(rec.rangeEnd), ey = dtYear(rec.rangeEnd);
        if (anchorAsDate) {
            r.until = icaltime_null_date();
            r.until.year = ey, r.until.month = em, r.until.day = ed;
        } else if (tzid.empty()) {
            // A floating start ends with a floating UNTIL: the range end's last second.
            r.until = icaltime_null_time();
            r.until.year = ey, r.until.month = em, r.until.day = ed;
            r.until.hour = 23, r.until.minute = 59, r.until.second = 59;
        } else {
            // The range end's last second in local time, as UTC.
            std::tm tm{};
            tm.tm_year = ey - 1900, tm.tm_mon = em - 1, tm.tm_mday = ed;
            tm.tm_hour = 23, tm.tm_min = 59, tm.tm_sec = 59, tm.tm_isdst = -1;
            r.until = utcTime(std::mktime(&tm));
        }
    }
    // The rule as libical writes it (a rule is rare enough to take its text).
    char* rule = icalrecurrencetype_as_string_r(&r);
    w.start("RRULE");
    w.value(rule ? rule : "");
    w.end();
    std::free(rule);
}

void Exporter::otherDates(const ToDoListToDo& t) {
    if (!t.hasExtras() || !dtHasDate(start)) return;
    const T_EntryExtras& x = t.extras();
    const bool timed = startMixed || dtHasTime(start);
    auto at = [&](packedDT day, packedDT own) {
        // The day at DTSTART's time, or an added date's own time.
        const packedDT v =
            (day & DT_DATEMASK) | (dtHasTime(own) ? dtTimeBits(own) : dtTimeBits(start));
        return icalTime(v, startMixed || (timed && !dtHasTime(v)));
    };
    T_recData rec;
    t.getRecData(rec);
    const auto ownReplaced = replaced.find(x.uid);
    if (rec.isRecurring())
        for (packedDT d : x.skipped) {
            if (ownReplaced != replaced.end() && !x.uid.empty() &&
                std::count(ownReplaced->second.begin(), ownReplaced->second.end(), d))
                continue;
            time("EXDATE", at(d, DT_EMPTY), timed);
        }
    for (packedDT d : x.added) {
        const icaltimetype when = at(d, d);
        time("RDATE", when, !when.is_date);
    }
}

void Exporter::description(const ToDoListToDo& t) {
    const DescrData& d = t.getDescrData();
    if (d.getLength() == 0) return;
    if (!d.keptEnciphered()) {
        // Plain text ends at its first zero byte. A first line that names a
        // place goes out as LOCATION, as it came in.
        const std::vector<unsigned char>& bytes = d.getData();
        const char* data = reinterpret_cast<const char*>(bytes.data());
        std::string_view text(data, strnlen(data, bytes.size()));
        const std::string_view prefix = storage::LOCATION_PREFIX;
        if (text.compare(0, prefix.size(), prefix) == 0) {
            const std::size_t end = std::min(text.find('\n'), text.size());
            w.textProperty("LOCATION", text.substr(prefix.size(), end - prefix.size()));
            text.remove_prefix(end == text.size() ? end : end + 1);
        }
        if (!text.empty()) w.textProperty("DESCRIPTION", text);
        return;
    }
    // A copy is deciphered, so that the tree stays as it is.
    DescrData copy(d);
    const char* text = nullptr;
    if (!cipher || !loggedIn || copy.GetDescription(text, const_cast<DescriptionCipher*>(cipher)) ||
        !text) {
        ++report.encipheredLeftOut;
        return;
    }
    w.textProperty("DESCRIPTION", text);
    w.xProperty("X-VELK-CRYPT", "1");
}

// The group names, separated by commas. libical writes the commas and
// semicolons of CATEGORIES as they are (a comma separates the names), so
// those inside a name are written escaped ("\," and "\;") after folding, in
// place of their stand-ins, which are dropped from the names first.
void Exporter::categories(const std::vector<std::string>& names) {
    if (names.empty()) return;
    list.clear();
    for (const std::string& name : names) {
        if (&name != &names.front()) list += ',';
        for (char ch : name) {
            if (ch == IcsWriter::COMMA_MARK || ch == IcsWriter::SEMICOLON_MARK) continue;
            list += ch == ',' ? IcsWriter::COMMA_MARK : ch == ';' ? IcsWriter::SEMICOLON_MARK : ch;
        }
    }
    w.start("CATEGORIES");
    w.textValue(list, IcsWriter::Escape::List);
    w.end(true);
}

// The reminder: a displayed alarm before the begin, or before a todo's due
// date.
void Exporter::reminder(const ToDoListToDo& t, bool todo, bool undated) {
    const int before = t.extras().remindBefore;
    if (before == NO_REMINDER || undated ||
        !dtHasDate(t.getDateTime(todo ? WHICH_END : WHICH_BEGIN)))
        return;
    w.line("BEGIN:VALARM");
    w.textProperty("ACTION", "DISPLAY");
    w.textProperty("DESCRIPTION", t.summaryView());
    w.start("TRIGGER");
    if (todo) w.param("RELATED=END");
    w.durationValue(-before * 60);
    w.end();
    w.line("END:VALARM");
}

void Exporter::entry(const ToDoListToDo& t, const std::vector<std::string>& names) {
    const bool todo = t.isToDo();
    // An event needs a start: an appointment or note without a date goes out
    // as a journal entry, its kind named so that it comes back as it was.
    const bool undated = !todo && !dtHasDate(t.getDateTime(WHICH_BEGIN));
    w.line(todo ? "BEGIN:VTODO" : undated ? "BEGIN:VJOURNAL" : "BEGIN:VEVENT");
    // The UID the entry keeps; the organizer gives every entry one before it
    // exports it, so that the stand-in is for entries outside its tree.
    const T_EntryExtras& x = t.extras();
    if (x.uid.empty()) {
        char made[48];
        const int n = std::snprintf(made, sizeof made, "velk-%u@velk.invalid", t.getSyncID());
        w.textProperty("UID", std::string_view(made, std::size_t(n)));
    } else {
        w.textProperty("UID", x.uid);
    }
    if (x.sequence > 0 && x.sequence <= INT_MAX) w.intProperty("SEQUENCE", int(x.sequence));
    if (!x.recurrenceId.empty()) {
        // Kept as a date or a UTC time ("params:value"), and written by libical.
        icalproperty* rid =
            icalproperty_new_from_string(("RECURRENCE-ID" + x.recurrenceId).c_str());
        icalerror_clear_errno();
        if (rid) {
            w.text() += takeText(icalproperty_as_ical_string_r(rid));
            icalproperty_free(rid);
        }
    }
    w.timeProperty("DTSTAMP", stamp, {});
    w.textProperty("SUMMARY", t.summaryView());
    bool anchorAsDate = false;
    dates(t, todo, anchorAsDate);
    if (todo) {
        // Velk shows higher numbers first (6 the most urgent), iCalendar 1 first.
        static const int icalPriority[] = {0, 9, 6, 5, 4, 3, 1};
        const unsigned prio = t.getPriority();
        if (prio == 0)
            w.xProperty("X-VELK-PRIORITY", "0");
        else
            w.intProperty("PRIORITY", icalPriority[prio]);
        if (t.isCompleted()) {
            w.textProperty("STATUS", "COMPLETED");
            w.timeProperty("COMPLETED", utcTime(t.getCompletedTime()), {});
        } else {
            w.textProperty("STATUS", "NEEDS-ACTION");
        }
        if (t.getShowTimeAs() != 0) {
            char n[16];
            std::snprintf(n, sizeof n, "%d", t.getShowTimeAs());
            w.xProperty("X-VELK-SHOW-TIME-AS", n);
        }
    } else if (undated) {
        w.xProperty("X-VELK-KIND", t.getPriority() == PRIO_NOTE ? "NOTE" : "APPOINTMENT");
    } else {
        w.textProperty("TRANSP", t.getPriority() == PRIO_NOTE ? "TRANSPARENT" : "OPAQUE");
    }
    recurrence(t, todo, anchorAsDate);
    otherDates(t);
    categories(names);
    if (path) w.xProperty("X-VELK-PATH", velkPathText(*path));
    description(t);
    for (int i = 0; i < t.getNrTimes(); ++i) {
        char span[32];
        std::snprintf(span, sizeof span, "%d,%d", int(t.getTimeBegin(i)), int(t.getTimeEnd(i)));
        w.xProperty("X-VELK-WORKTIME", span);
    }
    if (t.isRunning()) w.xProperty("X-VELK-RUNNING", "1");
    // libical writes a component's components after all its properties.
    reminder(t, todo, undated);
    w.line(todo ? "END:VTODO" : undated ? "END:VJOURNAL" : "END:VEVENT");
    ++report.entries;
    flush(false);
}

std::string firstLine(const std::string& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r'))
        line.pop_back();
    return line;
}

} // namespace

std::string localZoneName() {
    if (const char* tz = std::getenv("TZ"); tz && *tz) return tz[0] == ':' ? tz + 1 : tz;
    char target[4096];
    const ssize_t n = ::readlink("/etc/localtime", target, sizeof target - 1);
    if (n > 0) {
        const std::string link(target, std::size_t(n));
        const std::string below = "zoneinfo/";
        const std::size_t at = link.rfind(below);
        if (at != std::string::npos) return link.substr(at + below.size());
    }
    return firstLine("/etc/timezone");
}

namespace {

// Writes the calendar of group's subtree through exporter, which planned it.
void writeCalendar(Exporter& exporter, const ToDoListGroup& group, const ToDoListGroup& root) {
    std::vector<std::string> names = root.getPathNames(group.childPath());
    exporter.open();
    exporter.group(group, names);
    exporter.close();
}

void clearCounts(T_IcsExportReport& report) {
    report.entries = 0;
    report.encipheredLeftOut = 0;
}

} // namespace

std::string iCalendarText(const ToDoListGroup& group, const ToDoListGroup& root,
                          const DescriptionCipher* cipher, T_IcsExportReport& report) {
    clearCounts(report);
    Exporter exporter(cipher, report);
    exporter.plan(group);
    writeCalendar(exporter, group, root);
    return std::move(exporter.text());
}

std::string entryICalendar(const ToDoListToDo& t, const std::vector<std::string>& groupNames,
                           const DescriptionCipher* cipher, bool fixedStamp,
                           T_IcsExportReport& report, const std::vector<std::string>* groupPath) {
    clearCounts(report);
    Exporter exporter(cipher, report);
    exporter.single(t, groupNames, fixedStamp, groupPath);
    return std::move(exporter.text());
}

std::string velkPathText(const std::vector<std::string>& names) {
    // Each name with its '%' and '/' written as %25 and %2F, joined by '/'.
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i) text += '/';
        for (char c : names[i])
            text += c == '%'   ? std::string("%25")
                    : c == '/' ? std::string("%2F")
                               : std::string(1, c);
    }
    return text;
}

bool velkPathOf(const std::string& calendar, std::vector<std::string>& names) {
    names.clear();
    // The property's line, unfolded.
    std::string text = calendar;
    for (std::size_t at; (at = text.find("\r\n ")) != std::string::npos;)
        text.erase(at, 3);
    for (std::size_t at; (at = text.find("\n ")) != std::string::npos;)
        text.erase(at, 2);
    const std::string key = "\nX-VELK-PATH:";
    const std::size_t at = text.find(key);
    if (at == std::string::npos) return false;
    const std::size_t from = at + key.size();
    std::string value = text.substr(from, std::min(text.find('\n', from), text.size()) - from);
    if (!value.empty() && value.back() == '\r') value.pop_back();
    // libical writes the value as text: its escapes go first.
    std::string unescaped;
    for (std::size_t i = 0; i < value.size(); ++i)
        unescaped += value[i] == '\\' && i + 1 < value.size() ? value[++i] : value[i];
    std::string name;
    for (std::size_t i = 0; i <= unescaped.size(); ++i) {
        if (i == unescaped.size() || unescaped[i] == '/') {
            if (!unescaped.empty()) names.push_back(name);
            name.clear();
        } else if (unescaped.compare(i, 3, "%2F") == 0) {
            name += '/', i += 2;
        } else if (unescaped.compare(i, 3, "%25") == 0) {
            name += '%', i += 2;
        } else {
            name += unescaped[i];
        }
    }
    return true;
}

std::string sha256Hex(const std::string& text) {
    sha256_ctx ctx;
    sha256_init(&ctx);
    sha256_update(&ctx, text.size(), reinterpret_cast<const uint8_t*>(text.data()));
    uint8_t digest[SHA256_DIGEST_SIZE];
    sha256_digest(&ctx, sizeof digest, digest);
    return lowerHex(digest, sizeof digest);
}

int exportICalendar(const std::string& path, const ToDoListGroup& group, const ToDoListGroup& root,
                    const DescriptionCipher* cipher, T_IcsExportReport& report) {
    report.error.clear();
    clearCounts(report);
    // The text is written to the file as it is made, never held whole: a
    // million entries make some 300 MB of it.
    Exporter exporter(cipher, report);
    // A calendar without a component is no calendar to any reader.
    if (exporter.plan(group) == 0) {
        report.error = "nothing to export: no todo, appointment or note";
        return -3;
    }
    if (path.empty()) {
        report.error = std::strerror(ENOENT);
        return -1;
    }
    AtomicFile file(path);
    if (file.open() == 0) {
        exporter.sendTo(file.out());
        writeCalendar(exporter, group, root);
        // -2: the file is replaced, only its folder's sync failed.
        if (file.commit() != -1) return 0;
    }
    report.error = std::strerror(file.lastError() ? file.lastError() : EIO);
    return -1;
}

namespace {

// The properties of an entry that Velk reads and writes.
bool velkOwns(icalproperty* p) {
    switch (icalproperty_isa(p)) {
    case ICAL_SUMMARY_PROPERTY:
    case ICAL_DESCRIPTION_PROPERTY:
    case ICAL_LOCATION_PROPERTY:
    case ICAL_DTSTART_PROPERTY:
    case ICAL_DTEND_PROPERTY:
    case ICAL_DUE_PROPERTY:
    case ICAL_DURATION_PROPERTY:
    case ICAL_PRIORITY_PROPERTY:
    case ICAL_STATUS_PROPERTY:
    case ICAL_COMPLETED_PROPERTY:
    case ICAL_TRANSP_PROPERTY:
    case ICAL_CATEGORIES_PROPERTY:
    case ICAL_RRULE_PROPERTY:
    case ICAL_EXDATE_PROPERTY:
    case ICAL_RDATE_PROPERTY:
        return true;
    case ICAL_X_PROPERTY:
        return std::strncmp(icalproperty_get_x_name(p), "X-VELK-", 7) == 0;
    default:
        return false;
    }
}

// The name a property is compared under: its kind, or an X- property's name.
std::string ownedName(icalproperty* p) {
    return icalproperty_isa(p) == ICAL_X_PROPERTY
               ? icalproperty_get_x_name(p)
               : icalproperty_kind_to_string(icalproperty_isa(p));
}

// The entry component of a calendar: its first VEVENT, VTODO or VJOURNAL
// without RECURRENCE-ID.
icalcomponent* entryOf(icalcomponent* cal) {
    for (icalcomponent* c = icalcomponent_get_first_component(cal, ICAL_ANY_COMPONENT); c;
         c = icalcomponent_get_next_component(cal, ICAL_ANY_COMPONENT)) {
        const icalcomponent_kind k = icalcomponent_isa(c);
        if ((k == ICAL_VEVENT_COMPONENT || k == ICAL_VTODO_COMPONENT ||
             k == ICAL_VJOURNAL_COMPONENT) &&
            !icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY))
            return c;
    }
    return nullptr;
}

// The first alarm of entry c that is a Velk reminder, and its minutes; null
// and NO_REMINDER without one.
icalcomponent* reminderAlarm(icalcomponent* c, int& minutes) {
    const bool todo = icalcomponent_isa(c) == ICAL_VTODO_COMPONENT;
    for (icalcomponent* a = icalcomponent_get_first_component(c, ICAL_VALARM_COMPONENT); a;
         a = icalcomponent_get_next_component(c, ICAL_VALARM_COMPONENT)) {
        minutes = storage::icsAlarmReminder(takeText(icalcomponent_as_ical_string_r(a)), todo);
        if (minutes != NO_REMINDER) return a;
    }
    minutes = NO_REMINDER;
    return nullptr;
}

// The owned properties of c as text, by name.
std::map<std::string, std::vector<std::string>> ownedLines(icalcomponent* c) {
    std::map<std::string, std::vector<std::string>> lines;
    for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_ANY_PROPERTY); p;
         p = icalcomponent_get_next_property(c, ICAL_ANY_PROPERTY))
        if (velkOwns(p)) lines[ownedName(p)].push_back(takeText(icalproperty_as_ical_string_r(p)));
    return lines;
}

} // namespace

int patchICalendar(const std::string& server, const std::string& mine, const std::string& theirs,
                   std::string& out) {
    Component s(icalparser_parse_string(server.c_str()));
    Component m(icalparser_parse_string(mine.c_str()));
    Component t(icalparser_parse_string(theirs.c_str()));
    icalerror_clear_errno();
    icalcomponent* se = s ? entryOf(s.get()) : nullptr;
    icalcomponent* me = m ? entryOf(m.get()) : nullptr;
    icalcomponent* te = t ? entryOf(t.get()) : nullptr;
    if (!se || !me || !te) return -1;
    const auto mineLines = ownedLines(me), theirLines = ownedLines(te);
    std::vector<std::string> changed;
    for (const auto* side : {&mineLines, &theirLines})
        for (const auto& [name, lines] : *side) {
            const auto a = mineLines.find(name), b = theirLines.find(name);
            const bool same =
                a != mineLines.end() && b != theirLines.end() && a->second == b->second;
            if (!same && std::find(changed.begin(), changed.end(), name) == changed.end())
                changed.push_back(name);
        }
    bool zoneNeeded = false;
    for (const std::string& name : changed) {
        // The server's lines of that property go, mine come in their place.
        std::vector<icalproperty*> gone;
        for (icalproperty* p = icalcomponent_get_first_property(se, ICAL_ANY_PROPERTY); p;
             p = icalcomponent_get_next_property(se, ICAL_ANY_PROPERTY))
            if (velkOwns(p) && ownedName(p) == name) gone.push_back(p);
        for (icalproperty* p : gone) {
            icalcomponent_remove_property(se, p);
            icalproperty_free(p);
        }
        for (icalproperty* p = icalcomponent_get_first_property(me, ICAL_ANY_PROPERTY); p;
             p = icalcomponent_get_next_property(me, ICAL_ANY_PROPERTY))
            if (velkOwns(p) && ownedName(p) == name) {
                icalcomponent_add_property(se, icalproperty_new_clone(p));
                zoneNeeded |= icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER) != nullptr;
            }
    }
    // A value now in Velk's zone needs that zone in the calendar.
    if (zoneNeeded)
        for (icalcomponent* z =
                 icalcomponent_get_first_component(m.get(), ICAL_VTIMEZONE_COMPONENT);
             z; z = icalcomponent_get_next_component(m.get(), ICAL_VTIMEZONE_COMPONENT)) {
            icalproperty* id = icalcomponent_get_first_property(z, ICAL_TZID_PROPERTY);
            const char* tzid = id ? icalproperty_get_tzid(id) : nullptr;
            bool present = false;
            for (icalcomponent* y =
                     icalcomponent_get_first_component(s.get(), ICAL_VTIMEZONE_COMPONENT);
                 y && tzid;
                 y = icalcomponent_get_next_component(s.get(), ICAL_VTIMEZONE_COMPONENT)) {
                icalproperty* yid = icalcomponent_get_first_property(y, ICAL_TZID_PROPERTY);
                present |= yid && std::strcmp(icalproperty_get_tzid(yid), tzid) == 0;
            }
            if (!present) icalcomponent_add_component(s.get(), icalcomponent_new_clone(z));
        }
    // A reminder changed here replaces the server's alarm that was that
    // reminder; its other alarms stay.
    int mineAt, theirsAt, serverAt;
    icalcomponent* mineAlarm = reminderAlarm(me, mineAt);
    reminderAlarm(te, theirsAt);
    if (mineAt != theirsAt) {
        if (icalcomponent* old = reminderAlarm(se, serverAt)) {
            icalcomponent_remove_component(se, old);
            icalcomponent_free(old);
        }
        if (mineAlarm) icalcomponent_add_component(se, icalcomponent_new_clone(mineAlarm));
        changed.push_back("VALARM");
    }
    if (!changed.empty()) {
        // The version goes up, so that other programs take the change.
        icalproperty* seq = icalcomponent_get_first_property(se, ICAL_SEQUENCE_PROPERTY);
        if (seq)
            icalproperty_set_sequence(seq, icalproperty_get_sequence(seq) + 1);
        else
            icalcomponent_add_property(se, icalproperty_new_sequence(1));
        icalproperty* stamp = icalcomponent_get_first_property(se, ICAL_DTSTAMP_PROPERTY);
        if (stamp) icalproperty_set_dtstamp(stamp, utcTime(velkNow()));
    }
    out = takeText(icalcomponent_as_ical_string_r(s.get()));
    return 0;
}
