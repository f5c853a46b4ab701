#pragma once
#include <cstdint>
#include <istream>
#include <ostream>
#include <string>

class DescriptionCipher;
class T_Calendar;
class ToDoListGroup;
class ToDoListItem;
class ToDoListToDo;
namespace storage {
class EntryFilter;
}
using storage::EntryFilter;

// The record syntax in which groups and entries are stored, shared by the
// data file, the journal and the transfer files: each record begins with a
// one-character tag line ("g" or "t") and ends with a line ">".

// The fixed lines that begin the data file, every journal entry and every
// transfer file.
void writeFileHeader(std::ostream& os);
// The lines of writeFileHeader, without their line feeds, in order.
extern const char* const FILE_HEADER_LINES[3];

// How records are written.
struct T_RecordWrite {
    // Transfer files: the sync IDs are left out and the items are not marked
    // as saved. Otherwise (the data file, the journal) writing marks them saved.
    bool exporting = false;
    // Groups only: the group's own lines and its closing ">", and the records
    // of its children. A group's content alone is written without its record.
    bool withRecord = true;
    bool withChildren = true;
    // Groups only: a child group that is left out (the temporary search results).
    const ToDoListGroup* skip = nullptr;
    // Whether writing for the data file or the journal marks the items saved;
    // not for a copy kept to be written later (the undo history).
    bool markSaved = true;
};
// The data file and the journal.
constexpr T_RecordWrite RECORD_SAVE{false, true, true, nullptr};
// Transfer files.
constexpr T_RecordWrite RECORD_EXPORT{true, true, true, nullptr};

// Writes the record of item, a group (with its subtree, as how says) or an
// entry. Results: 0, or non-zero when a description could not be brought into
// the form it is to be saved in (its record is still complete).
int writeRecord(std::ostream& os, ToDoListItem& item, DescriptionCipher* crypt,
                const T_RecordWrite& how = RECORD_SAVE);
int writeGroupRecord(std::ostream& os, ToDoListGroup& group, DescriptionCipher* crypt,
                     const T_RecordWrite& how = RECORD_SAVE);
int writeToDoRecord(std::ostream& os, ToDoListToDo& todo, DescriptionCipher* crypt,
                    const T_RecordWrite& how = RECORD_SAVE);

// Reads the rest of a record after its first line into the group or entry.
// Running recordings raise nrActiveJobs; a record without a sync ID gets one
// from newSyncID (model/sync_ids.h), which at the end of the range leaves it
// without one for the caller to number with numberNewItems. A group's child
// records become its children; an entry read completely is filed into cal.
// Results: 0 at the record's ">", -1 at the end of the input or when a part
// of the record is malformed. A group read completely has its completed
// todos counted (ToDoListGroup::checkCompletedHere). With a filter, the entry records it skips
// (EntryFilter::skipsEntry) are passed over unread.
int readGroupRecord(std::istream& in, ToDoListGroup& group, unsigned& nrActiveJobs, unsigned& idmax,
                    T_Calendar& cal, EntryFilter* filter = nullptr);
int readToDoRecord(std::istream& in, ToDoListToDo& todo, unsigned& nrActiveJobs, unsigned& idmax,
                   T_Calendar& cal);

// The text with every line break turned into a blank: summaries and paths are
// single lines in the files.
std::string oneLine(const std::string& text);
