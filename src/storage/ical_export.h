#pragma once
#include <string>

class DescriptionCipher;
class ToDoListGroup;

// Export of entries as an iCalendar (RFC 5545) file: todos become VTODOs,
// appointments and notes VEVENTs (busy and free), or VJOURNALs when they
// have no date, with their dates, priority, completion, recurrence,
// description, group names and the values only Velk knows as X-VELK-*
// properties, so that an import restores the entries.

// What an export did.
struct T_IcsExportReport {
    unsigned entries = 0;           // entries written
    unsigned encipheredLeftOut = 0; // enciphered descriptions left out (no logged-in cipher)
    std::string error;              // why the file could not be written
};

// The iCalendar text of every entry in the subtree of group, lines ending in
// CRLF and folded as RFC 5545 asks. root is the tree's root, from which the
// names of an entry's groups (CATEGORIES) are taken. cipher: a logged-in
// cipher whose enciphered descriptions are exported deciphered, or nullptr to
// leave them out (each one is counted in report.encipheredLeftOut). Timed
// values carry the local zone (TZID and its VTIMEZONE) when its name is known
// (TZ, /etc/localtime, /etc/timezone) and libical has it, else floating time.
std::string iCalendarText(const ToDoListGroup& group, const ToDoListGroup& root,
                          const DescriptionCipher* cipher, T_IcsExportReport& report);

// Writes that text to path, replacing the file as one step (AtomicFile).
// Results: 0 written; -1 the file cannot be written, report.error says why,
// and the file is as it was; -3 the subtree holds no entry, so no file is
// written (report.error says so).
int exportICalendar(const std::string& path, const ToDoListGroup& group, const ToDoListGroup& root,
                    const DescriptionCipher* cipher, T_IcsExportReport& report);

// The name of the local time zone as the export finds it ("Europe/Berlin"),
// or "" when it cannot be told.
std::string localZoneName();
