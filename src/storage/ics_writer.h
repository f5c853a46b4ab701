#pragma once
#include <libical/ical.h>
#include <string>
#include <string_view>

// Writes iCalendar content lines byte for byte as libical 3.0 renders them
// (icalproperty_as_ical_string_r), without building libical's objects: the
// export writes a hundred thousand entries, and making, rendering and freeing
// a component for each took most of its time.
//
// A property is written in steps: start() with its name, param() for each
// parameter, one value, then end(), which folds the line into text(). The
// buffers are kept, so that a writer used for many entries allocates only
// while its longest line and its text still grow.
class IcsWriter {
  public:
    // How a text value is escaped. Text: backslash, semicolon, comma and
    // newline. List: the commas and semicolons stay, as libical writes them in
    // CATEGORIES and X- properties (where a comma separates values).
    enum class Escape { Text, List };

    // The lines written so far; the caller writes them out and clears them.
    std::string& text() { return out; }

    // A line of its own, not folded: BEGIN:VTODO, END:VTODO.
    void line(std::string_view l);

    void start(std::string_view name) { pending.assign(name.data(), name.size()); }
    // A parameter as written ("VALUE=DATE"), after its ';'.
    void param(std::string_view written);
    // ':' and the value as it is.
    void value(std::string_view v);
    // ':' and the text up to its first zero byte, escaped as how says: a
    // newline becomes "\n", CR, backspace and form feed are dropped.
    void textValue(std::string_view v, Escape how);
    // ':' and a DATE (YYYYMMDD) or DATE-TIME (YYYYMMDDTHHMMSS, then Z in UTC).
    void timeValue(const icaltimetype& t);
    // ':' and a DURATION of that many seconds, as libical writes the one of
    // icaldurationtype_from_int: whole weeks as weeks, else days, hours,
    // minutes and seconds ("-P1DT2H", "PT0S").
    void durationValue(int seconds);
    // Folds the property's line into text() and ends it with CRLF. With
    // marks, the stand-ins COMMA_MARK and SEMICOLON_MARK become "\," and
    // "\;" after folding, as the export has always written them.
    void end(bool marks = false);

    // Whole properties of the usual forms.
    void textProperty(std::string_view name, std::string_view v, Escape how = Escape::Text) {
        start(name), textValue(v, how), end();
    }
    void xProperty(std::string_view name, std::string_view v) {
        textProperty(name, v, Escape::List);
    }
    void intProperty(std::string_view name, int v);
    // A date or date-time; a date says VALUE=DATE, and zoneParam (";TZID=..."
    // as written, or empty) follows.
    void timeProperty(std::string_view name, const icaltimetype& t, std::string_view zoneParam);

    // The stand-ins of an escaped comma and semicolon in a CATEGORIES value:
    // control characters that iCalendar text cannot hold, and that the
    // folding counts as one octet each.
    static constexpr char COMMA_MARK = '\x1f';
    static constexpr char SEMICOLON_MARK = '\x1e';

  private:
    std::string pending; // the property's unfolded line
    std::string out;
};
