#pragma once
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

class DescriptionCipher;
class T_Calendar;
class ToDoListGroup;
class ToDoListItem;
class ToDoListToDo;

// Transfer files: groups and entries copied to the clipboard file or exported
// to a named file, and inserted from such a file. A transfer file is a data
// file without header values whose records carry no sync IDs, so inserted
// items always get new identities.
namespace storage {

// insertFromFile's result when the file holds a group and the group to insert
// into is at the deepest level.
constexpr int INSERT_TOO_DEEP = -4;

// Writes a transfer file through writeRecords, replacing the file as one step;
// a privateFile (the clipboard) is owner-only and never replaces anything but
// a regular file of the user's own. Results: 0 written; -3 the file cannot be
// written (error: the system's reason); -4 refused, not a regular file of the
// user's own. On failure the file stays as it was.
int writeTransferFile(const char* name, bool privateFile, std::string& error,
                      const std::function<void(std::ostream&)>& writeRecords);

// The group with its content, or its content only. Results as writeTransferFile.
int exportGroup(const char* name, bool privateFile, ToDoListGroup& group, DescriptionCipher* crypt,
                std::string& error);
int exportContent(const char* name, bool privateFile, ToDoListGroup& group,
                  DescriptionCipher* crypt, std::string& error);
// The entry. Results as writeTransferFile.
int exportToDo(const char* name, bool privateFile, ToDoListToDo& todo, DescriptionCipher* crypt,
               std::string& error);
// The items (null ones are passed over), inside a group record "search
// results" when asGroup. Results as writeTransferFile.
int exportItems(const char* name, bool privateFile, const std::vector<ToDoListItem*>& items,
                bool asGroup, DescriptionCipher* crypt, std::string& error);

// Inserts the records of the transfer file name into parent, a group of
// root's tree. Without followLinks a symbolic link is not read. Every record
// read is given new sync IDs (idmax counts on) and then handed to inserted,
// with isGroup, before the next one is read; a record cut short stays
// inserted as far as it was read. Running recordings count on in
// nrActiveJobs, entries are filed into cal. Results: 0 done; -2 the file
// ended before "</data>"; -3 the file cannot be opened or is not a regular
// file (error says why); INSERT_TOO_DEEP refused, nothing inserted.
int insertFromFile(const char* name, bool followLinks, ToDoListGroup& root, ToDoListGroup& parent,
                   unsigned& nrActiveJobs, uint32_t& idmax, T_Calendar& cal, std::string& error,
                   const std::function<void(ToDoListItem& item, bool isGroup)>& inserted);

} // namespace storage
