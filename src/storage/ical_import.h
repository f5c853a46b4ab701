#pragma once
#include "model/todo_item.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Entries read from an iCalendar file (RFC 5545): VTODO becomes a todo,
// VEVENT an appointment (or a note when it is TRANSPARENT), VJOURNAL a note.
namespace storage {

struct T_IcsImportReport {
    unsigned entries = 0;           // entries read
    unsigned rulesAsText = 0;       // entries whose repetition Velk cannot hold: first occurrence,
                                    // rule text kept in the description
    unsigned datesDropped = 0;      // dates outside the years Velk holds (2000..2127), left out
    unsigned linesSkipped = 0;      // broken lines of properties Velk does not read, passed over
    unsigned duplicatesDropped = 0; // older versions of an entry (the same UID), left out
    // What an import into the organizer did with the entries: new ones, ones
    // that replaced an older version already there (the same UID and
    // RECURRENCE-ID), and ones whose version there was as new or newer.
    unsigned added = 0, updated = 0, unchanged = 0;
    std::string error; // why the file was refused
};

// The first line of a description that holds an entry's LOCATION: this text,
// then the place.
constexpr const char* LOCATION_PREFIX = "Location: ";

// The largest file that is read; a larger one is refused.
constexpr std::size_t ICS_MAX_FILE_SIZE = std::size_t(256) << 20;

// Reads the iCalendar file at path into new entries that belong to no tree yet (no IDs, no
// sync IDs, not filed in any calendar list). Results: 0 read (entries holds at least one);
// -1 the file cannot be read or is not iCalendar (report.error says why); -2 it holds no
// component Velk can take (VTODO, VEVENT, VJOURNAL). On failure entries is empty.
//
// A file is refused (-1) when it is not a regular file (a FIFO is never waited on), is larger
// than ICS_MAX_FILE_SIZE, does not begin with BEGIN:VCALENDAR, nests BEGIN and END wrongly or
// ends inside a component, or when an entry holds a line that is no content line or a date,
// time, duration or rule that cannot be read: such a file would lose data silently. Broken
// lines in components that are passed over (VALARM, VFREEBUSY, unknown ones) do not matter.
// A TZID that names neither a VTIMEZONE of the file nor a zone libical knows is taken as
// floating local time. A file is also refused when an entry names a zone that would cost
// libical too much work (storage/ical_values.h, IcsZones): one whose observances repeat other
// than yearly on a day of one month, or that has too many offset changes alone or with the
// other zones the file uses.
int readICalendar(const std::string& path, std::vector<std::unique_ptr<ToDoListToDo>>& entries,
                  T_IcsImportReport& report);

// The same for the text of a calendar (a resource a server gave).
int readICalendarText(std::string_view text, std::vector<std::unique_ptr<ToDoListToDo>>& entries,
                      T_IcsImportReport& report);

} // namespace storage
