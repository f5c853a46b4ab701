#pragma once
#include "storage/file_tools.h"
#include "storage/journal_files.h"

#include <cstdint>
#include <fstream>
#include <functional>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

class DescriptionCipher;
class T_Calendar;
class ToDoListItem;
class ToDoListGroup;

// The files of the storage layer are named in this namespace, apart from the
// engine's and the tests' names.
namespace storage {

// The values of the data file's header lines. The view numbers are the
// engine's (engine/velk.h): viewtype 0 flat, 1 tree; mainviewtype 0 normal,
// 1 only active, 3 calendar; sorttype 0 priority, 1 date.
struct T_DataHeader {
    uint32_t idmax = 0;
    uint32_t idmaxaftersync = 0;
    std::string curGroup = "/0/"; // the ID path of the current group
    bool showKbd = false;
    int32_t viewtype = 1;
    int32_t mainviewtype = 0;
    int32_t sorttype = 1;
    uint32_t calDate = 0; // the calendar's first shown day
    uint32_t calDays = 0; // and the number of days it shows
    int32_t nLineNormal = 0;
    int32_t nLineCal = 0;
    std::vector<int32_t> oldPosInList; // the list's top line of every group entered
    uint32_t winWidth = 320;           // the main window's size, half the pixels
    uint32_t winHeight = 320;
};

// The password section of the data file ("<Crypt>" ... "</Crypt>"), which the
// password manager reads and writes: storage hands it the stream at the right
// place. The reader returns 0, or -1 when the section was malformed.
using PasswordSectionReader = std::function<int(std::istream&)>;
using PasswordSectionWriter = std::function<void(std::ostream&)>;
// Writes a whole data file's content to the stream.
using DataFileWriter = std::function<void(std::ostream&)>;

// The data file: three fixed lines, the header lines, the password section and
// the record of the root group, which holds every other record. It also keeps
// which descriptions the file on disk holds in plain text, so that a save that
// enciphers one of them can drop the backups that still show it.
class EntryFilter;

class DataFile {
  public:
    // read's result when there is no data file yet.
    static constexpr int NO_FILE = 1;

    // The header lines.
    static void writeHeader(std::ostream& os, const T_DataHeader& header);
    // The whole content: fixed lines, header, password section and the tree
    // below root without the group skip. Prints a diagnostic on standard
    // error when a description could not be brought into its stored form.
    static void writeContent(std::ostream& os, const T_DataHeader& header,
                             const PasswordSectionWriter& passwords, ToDoListGroup& root,
                             const ToDoListGroup* skip, DescriptionCipher* crypt);

    // Writes the content to the file name, replacing it as one step.
    // Results: 0 written; -1 nothing written (the old file is unchanged).
    static int write(const std::string& name, const DataFileWriter& content);
    // Writes the content to another file than the data file dataPath, leaving
    // the saved marks of root's tree as they were. Results: 0 written; -1
    // refused (no name, or the data file itself) or not written, error says why.
    static int saveCopy(const std::string& name, const std::string& dataPath, ToDoListGroup& root,
                        const DataFileWriter& content, std::string& error);
    // Writes the content as the new data file dataPath and retires the journal
    // with it (JournalFiles::commit), dropping the backups when the save
    // enciphers a description that the replaced file held in plain text
    // (backupsDropped), and only when the content holds the key to read it
    // (holdsKey: a password section). Results as JournalFiles::commit; on -1
    // the saved marks of root's tree are as they were.
    int save(const std::string& dataPath, ToDoListGroup& root, const DataFileWriter& content,
             bool holdsKey, JournalFiles::CommitReport& report, bool& backupsDropped);

    // Opens the data file name for read, which may be reached through a
    // symbolic link; anything that is not a regular file is refused. Results:
    // 0 opened; NO_FILE there is no such file; -2 it exists but cannot be
    // read (error says why).
    static int open(const std::string& name, ReadFile& in, std::string& error);
    // Reads the opened data file into the empty tree root. header comes in with
    // the values to keep where the file names none and leaves with those the
    // file names (also when the file turns out malformed); passwords reads the
    // password section. The records' running recordings raise nrActiveJobs and
    // their entries are filed into cal; records read without a sync ID are
    // numbered once the tree is complete (header.idmax counts on). Results: 0
    // read; -1 the file is malformed; -2 it could not be read to the end
    // (error says why). On success numberedAtLoad gets the sorted sync IDs
    // given to records that the file stored without one. With a filter, in
    // is its stream and the entries it skips are left out of the tree.
    int read(std::istream& in, T_DataHeader& header, const PasswordSectionReader& passwords,
             ToDoListGroup& root, unsigned& nrActiveJobs, T_Calendar& cal, std::string& error,
             std::vector<uint32_t>& numberedAtLoad, EntryFilter* filter = nullptr);

  private:
    // Reads the header lines up to the root record's first line; foundEnd
    // tells whether that line was found. Results: 0, or -1 when the password
    // section was malformed (reading went on after it).
    static int readHeader(std::istream& in, T_DataHeader& header,
                          const PasswordSectionReader& passwords, bool& foundEnd);
    // Gives the records that were numbered while loading (numbered, in tree
    // order) and whose number another item also carries a new sync ID.
    static void repairSyncIDCollisions(ToDoListGroup& root, uint32_t& idmax,
                                       const std::vector<ToDoListItem*>& numbered);
    // The sync IDs of the todos whose description the file keeps in plain text, sorted.
    static std::vector<uint32_t> plainDescriptionIDs(ToDoListGroup& root);
    // True when a description that the data file holds in plain text is now
    // to be stored enciphered.
    bool savingEnciphersPlainText(ToDoListGroup& root) const;

    // Sync IDs of the todos whose description the data file on disk holds in
    // plain text, sorted.
    std::vector<uint32_t> plainInDataFile;
};

} // namespace storage
