#pragma once
#include <string>

#include <vector>

class DescriptionCipher;
class ToDoListGroup;
class ToDoListToDo;

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

// The iCalendar text of the entry t alone, as a CalDAV resource holds it: a
// VCALENDAR around its component (with the local zone when it is timed).
// groupNames are the names of its groups (CATEGORIES). With fixedStamp its
// DTSTAMP is 1970's, so that the same entry always gives the same text: what
// both sides of a sync agreed on is kept as that text's hash.
// groupPath, when given, goes along as X-VELK-PATH: the names of the
// entry's groups below its calendar's group.
std::string entryICalendar(const ToDoListToDo& t, const std::vector<std::string>& groupNames,
                           const DescriptionCipher* cipher, bool fixedStamp,
                           T_IcsExportReport& report,
                           const std::vector<std::string>* groupPath = nullptr);

// X-VELK-PATH's value of the group names, and the names read back from a
// calendar's text: false when it holds no X-VELK-PATH (names then empty).
std::string velkPathText(const std::vector<std::string>& names);
bool velkPathOf(const std::string& calendar, std::vector<std::string>& names);

// The SHA-256 of text, in lower-case hex.
std::string sha256Hex(const std::string& text);

// Writes that text to path as it is made, never holding all of it,
// replacing the file as one step (AtomicFile).
// Results: 0 written; -1 the file cannot be written, report.error says why,
// and the file is as it was; -3 the subtree holds no entry, so no file is
// written (report.error says so).
int exportICalendar(const std::string& path, const ToDoListGroup& group, const ToDoListGroup& root,
                    const DescriptionCipher* cipher, T_IcsExportReport& report);

// The name of the local time zone as the export finds it ("Europe/Berlin"),
// or "" when it cannot be told.
std::string localZoneName();

// A server's resource changed in place for an entry edited here: server is
// the resource's text, mine the entry's text now (entryICalendar), and
// theirs the text the entry had as it came from the server (the server's
// resource read and written again). Of the properties Velk holds (summary,
// description, place, dates, priority, status, completion, transparency,
// categories, the rule, skipped days and added dates, X-VELK-*) those whose
// lines in mine differ from theirs take mine's lines in the server's first
// component; everything else stays as the server has it: other components
// (occurrences moved elsewhere, alarms), unknown properties, and the time
// zones of the values Velk did not change. Results: 0 with out; -1 a text
// cannot be read as a calendar with a component.
int patchICalendar(const std::string& server, const std::string& mine, const std::string& theirs,
                   std::string& out);
