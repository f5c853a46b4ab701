// The record syntax of groups and entries, shared by the data file, the
// journal and the transfer files: each record begins with a one-character tag
// line ("g" or "t") and ends with a line ">".

#include "storage/records.h"

#include "storage/entry_filter.h"

#include "common/bin_ascii.h"
#include "common/text.h"
#include "model/calendar.h"
#include "model/group.h"
#include "model/sync_ids.h"
#include "model/todo_item.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>

const char* const FILE_HEADER_LINES[3] = {"<type=Velk>", "<version=0.54>", "<data>"};

void writeFileHeader(std::ostream& os) {
    for (const char* line : FILE_HEADER_LINES)
        os << line << '\n';
}

std::string oneLine(const std::string& text) {
    std::string s(text);
    for (char& c : s)
        if (c == '\n') c = ' ';
    return s;
}

namespace {

// Reads one line of a record, of any length, without its line feed, into a
// buffer the reader keeps: the stream's own line reader scans its buffer in
// blocks, where taking one character at a time cost a tenth of a whole load.
void readRecordLine(std::istream& in, std::string& line) {
    std::getline(in, line);
}

// Priorities as the records store them: a group's and a todo's priority is one
// of 0..6, a todo's may also be 100 (appointment) or 200 (note); any other
// positive value becomes 1. Negative values stay as read.
uint32_t groupPriority(int32_t p) {
    return uint32_t(p > 6 ? 1 : p);
}
uint32_t todoPriority(int32_t p) {
    return uint32_t(p > 6 && p != int32_t(PRIO_APPOINTMENT) && p != int32_t(PRIO_NOTE) ? 1 : p);
}

// The sync ID rule at the end of a record: a record without one gets a new
// number and counts as not saved yet; one read from the file, whatever its
// value, raises idmax and marks the item saved. At the end of the range of
// numbers the new one is left to the reader's caller (newSyncID).
void finishSyncID(ToDoListItem& item, unsigned& idmax) {
    if (item.getSyncID() == 0) {
        item.setSyncID(newSyncID(idmax, nullptr));
    } else {
        if (item.getSyncID() > idmax) idmax = item.getSyncID();
        item.hasBeenSaved(true);
    }
}

bool isDateTimeEmpty(packedDT v) {
    return (v & DT_NODATE) && (v & DT_NOTIME);
}

// Reads a plain description block of n bytes, without reserving more than the
// bytes actually present. Returns the count read.
int readPlainBlock(std::istream& in, int n, std::vector<unsigned char>& bytes) {
    bytes.clear();
    char buf[65536];
    int got = 0;
    while (got < n) {
        int want = n - got < int(sizeof buf) ? n - got : int(sizeof buf);
        in.read(buf, want);
        std::streamsize r = in.gcount();
        bytes.insert(bytes.end(), buf, buf + r);
        got += int(r);
        if (r < want) break;
    }
    return got;
}

// Reads a description block of n bytes stored under flagsWord into the
// entry's description; 0 or -1.
int readDescriptionBlock(std::istream& in, int n, int32_t flagsWord, DescrData& description) {
    std::vector<unsigned char> bytes;
    if (n < 0) {
        std::printf("Expected %i byte, got %i\n", n, 0);
        return -1;
    }
    if (DescrData::DescrIsBinary(flagsWord)) {
        int got = 0;
        if (ReadBinASCIIData(in, n, bytes, got) != 0) {
            std::printf("Expected %i byte, got %i\n", n, got);
            return -1;
        }
    } else {
        int got = readPlainBlock(in, n, bytes);
        if (got < n) {
            std::printf("Expected %i byte, got %i\n", n, got);
            return -1;
        }
        bytes.push_back(0);
    }
    // The line feed that ends the block.
    if (in.peek() == '\n') in.get();
    if (flagsWord & DescrData::DESCR_COMPRESSED) {
        std::printf("unable to unzip\n");
        return -1;
    }
    if (n == 0 && !DescrData::DescrIsBinary(flagsWord)) bytes.clear();
    description.SetStoredForm(std::move(bytes), flagsWord);
    return 0;
}

// A line of packed date-times after its tag, separated by commas.
void writeDateList(std::ostream& os, char tag, const std::vector<packedDT>& dates) {
    if (dates.empty()) return;
    os << tag;
    for (std::size_t i = 0; i < dates.size(); ++i)
        os << (i ? "," : "") << dates[i];
    os << '\n';
}

std::vector<packedDT> readDateList(const std::string& line) {
    std::vector<packedDT> dates;
    for (std::size_t at = 1; at < line.size();) {
        const std::size_t comma = std::min(line.find(',', at), line.size());
        dates.push_back(parseU32(line.substr(at, comma - at), 0));
        at = comma + 1;
    }
    return dates;
}

} // namespace

int writeRecord(std::ostream& os, ToDoListItem& item, DescriptionCipher* crypt,
                const T_RecordWrite& how) {
    if (auto* g = dynamic_cast<ToDoListGroup*>(&item)) return writeGroupRecord(os, *g, crypt, how);
    return writeToDoRecord(os, static_cast<ToDoListToDo&>(item), crypt, how);
}

int writeGroupRecord(std::ostream& os, ToDoListGroup& group, DescriptionCipher* crypt,
                     const T_RecordWrite& how) {
    int result = 0;
    if (how.withRecord) {
        os << "g\ns" << oneLine(group.getSummary()) << '\n';
        if (!how.exporting) os << 'I' << group.getSyncID() << '\n';
        if (group.getPriority() != 3) os << 'p' << int32_t(group.getPriority()) << '\n';
        if (!group.getShowCompleted()) os << "c0\n";
        if (!group.getCompletedLast()) os << "l0\n";
    }
    if (how.withChildren) {
        // Children are written whole; the skip applies to this group's children only.
        T_RecordWrite child = how;
        child.withRecord = true;
        child.withChildren = true;
        child.skip = nullptr;
        for (std::size_t i = 0; i < group.getNrToDos(); ++i)
            result |= writeToDoRecord(os, *group.getToDo(i), crypt, child);
        for (std::size_t i = 0; i < group.getNrGroups(); ++i)
            if (group.getGroup(i) != how.skip)
                result |= writeGroupRecord(os, *group.getGroup(i), crypt, child);
    }
    if (how.withRecord) os << ">\n";
    if (!how.exporting && how.markSaved) group.hasBeenSaved(true);
    return result;
}

int writeToDoRecord(std::ostream& os, ToDoListToDo& todo, DescriptionCipher* crypt,
                    const T_RecordWrite& how) {
    todo.sanitizeTimeThings();
    os << "t\ns" << oneLine(todo.getSummary()) << '\n';

    DescrData& description = todo.getDescrData();
    std::vector<unsigned char> data;
    int length = 0, flagsWord = 0;
    bool allocated = false;
    int result = description.GetDataToSave(data, length, flagsWord, allocated, crypt);
    if (result != 0) {
        // The description cannot take the form it is meant to be saved in
        // (nobody is logged in): keep it in the form it has, so nothing is lost.
        data = description.getData();
        length = int(data.size());
        flagsWord = description.getFlags();
        result = -1;
    }

    const packedDT begin = todo.getDateTime(WHICH_BEGIN), end = todo.getDateTime(WHICH_END);
    T_recData recData;
    todo.getRecData(recData);
    if (flagsWord != 0) os << 'F' << std::hex << uint32_t(flagsWord) << std::dec << '\n';
    if (!how.exporting) os << 'I' << todo.getSyncID() << '\n';
    if (todo.getPriority() != 3) os << 'p' << int32_t(todo.getPriority()) << '\n';
    if (todo.getShowTimeAs() != 0) os << 'S' << todo.getShowTimeAs() << '\n';
    if (!isDateTimeEmpty(begin)) os << 'm' << begin << '\n';
    if (!isDateTimeEmpty(end)) os << 'n' << end << '\n';
    if (recData.type != 0) {
        os << '1' << recData.type << '\n';
        if (recData.interval != 1) os << '2' << recData.interval << '\n';
        if (!(recData.rangeBegin & DT_NODATE)) os << '3' << recData.rangeBegin << '\n';
        if (!(recData.rangeEnd & DT_NODATE)) os << '4' << recData.rangeEnd << '\n';
        if (recData.weekdays != 0) os << '5' << int(recData.weekdays) << '\n';
        if (recData.counted) os << "61\n";
    }
    const T_EntryExtras& extras = todo.extras();
    writeDateList(os, 'x', extras.skipped);
    writeDateList(os, 'a', extras.added);
    if (extras.remindBefore != NO_REMINDER) os << 'b' << extras.remindBefore << '\n';
    // A transfer file (the clipboard, an exported group) holds copies: a copy
    // is a new entry to every calendar, and gets a UID of its own.
    if (!how.exporting && !extras.uid.empty()) os << 'u' << oneLine(extras.uid) << '\n';
    if (!how.exporting && !extras.recurrenceId.empty())
        os << 'i' << oneLine(extras.recurrenceId) << '\n';
    if (!how.exporting && (extras.sequence != 0 || !extras.stamp.empty()))
        os << 'q' << extras.sequence << ',' << oneLine(extras.stamp) << '\n';
    if (!how.exporting && !extras.resource.empty()) os << 'h' << oneLine(extras.resource) << '\n';
    if (!how.exporting && !extras.etag.empty()) os << 'e' << oneLine(extras.etag) << '\n';
    if (!how.exporting && !extras.agreed.empty()) os << 'y' << oneLine(extras.agreed) << '\n';
    if (todo.isRunning()) os << "R\n";
    for (int i = 0; i < todo.getNrTimes(); ++i)
        os << 'r' << todo.getTimeBegin(i) << ',' << todo.getTimeEnd(i) << '\n';
    const T_completed completed = todo.getCompletedDirect();
    if (completed.completed) os << 'f' << completed.time << '\n';
    if (!data.empty() && length != 0) {
        if (DescrData::DescrIsBinary(flagsWord)) {
            os << 'd' << length << '\n';
            WriteBinASCII(os, data.data(), length);
            os << '\n';
        } else {
            // Plain text is stored with its terminating zero byte in memory;
            // the file holds the bytes before it, framed by their count.
            os << 'd' << (length - 1) << '\n';
            os.write(reinterpret_cast<const char*>(data.data()), length - 1);
            os << '\n';
        }
    }
    os << ">\n";
    if (!how.exporting && how.markSaved) todo.hasBeenSaved(true);
    return result;
}

int readGroupRecord(std::istream& in, ToDoListGroup& group, unsigned& nrActiveJobs, unsigned& idmax,
                    T_Calendar& cal, EntryFilter* filter) {
    int result = -1;
    std::string line;
    for (;;) {
        readRecordLine(in, line);
        if (in.fail() && line.empty()) break;
        char tag = line.empty() ? '\0' : line[0];
        if (tag == 'g') {
            if (group.getLevel() >= MAX_GROUP_LEVEL) {
                std::printf("Groups nested deeper than %u levels are not read\n", MAX_GROUP_LEVEL);
                return -1;
            }
            auto child = std::make_unique<ToDoListGroup>(
                group.findFreeID(), group.sharedChildPath(), group.getLevel() + 1);
            if (readGroupRecord(in, *child, nrActiveJobs, idmax, cal, filter) != 0) {
                // The part of the subtree read so far goes: unfile it and do
                // not count its running recordings.
                child->removeFromCalLists(cal);
                unsigned running = child->getNrActiveJobs();
                nrActiveJobs -= running < nrActiveJobs ? running : nrActiveJobs;
                return -1;
            }
            group.addGroup(std::move(child));
        } else if (tag == 't') {
            if (filter && filter->skipsEntry(in)) continue;
            auto child =
                std::make_unique<ToDoListToDo>(group.findFreeID(), group.sharedChildPath());
            if (readToDoRecord(in, *child, nrActiveJobs, idmax, cal) != 0) return -1;
            group.addToDo(std::move(child));
        } else if (tag == 'I') {
            group.setSyncID(parseU32(line, 1));
        } else if (tag == 'p') {
            group.setPriority(groupPriority(parseI32(line, 1)));
        } else if (tag == 's') {
            group.setSummary(std::string_view(line).substr(1));
        } else if (tag == 'c') {
            group.setShowCompleted(false);
        } else if (tag == 'l') {
            group.setCompletedLast(false);
        } else if (tag == '>') {
            result = 0;
            break;
        }
        if (in.eof()) break;
    }
    finishSyncID(group, idmax);
    // The group's counts of completed todos, as checkCompleted makes them.
    if (result == 0) group.checkCompletedHere();
    return result;
}

int readToDoRecord(std::istream& in, ToDoListToDo& todo, unsigned& nrActiveJobs, unsigned& idmax,
                   T_Calendar& cal) {
    int result = -1;
    int32_t flagsWord = 0;
    bool haveBlock = false;
    T_recData recData;
    todo.getRecData(recData);
    std::string line;
    for (;;) {
        readRecordLine(in, line);
        if (in.fail() && line.empty()) break;
        char tag = line.empty() ? '\0' : line[0];
        switch (tag) {
        case 's':
            todo.setSummary(std::string_view(line).substr(1));
            break;
        case 'F':
            flagsWord = int32_t(std::strtoul(line.c_str() + 1, nullptr, 16));
            break;
        case 'I':
            todo.setSyncID(parseU32(line, 1));
            break;
        case 'p':
            todo.setPriority(todoPriority(parseI32(line, 1)));
            break;
        case 'S':
            todo.setShowTimeAsDirect(parseI32(line, 1));
            break;
        case 'm':
            todo.setDateTimeDirect(WHICH_BEGIN, parseU32(line, 1));
            break;
        case 'n':
            todo.setDateTimeDirect(WHICH_END, parseU32(line, 1));
            break;
        case '1':
            recData.type = parseI32(line, 1);
            todo.setRecDataDirect(recData);
            break;
        case '2':
            recData.interval = parseI32(line, 1);
            todo.setRecDataDirect(recData);
            break;
        case '3':
            recData.rangeBegin = parseU32(line, 1);
            todo.setRecDataDirect(recData);
            break;
        case '4':
            recData.rangeEnd = parseU32(line, 1);
            todo.setRecDataDirect(recData);
            break;
        case '5':
            recData.weekdays = uint8_t(parseU32(line, 1) & 0x7f);
            todo.setRecDataDirect(recData);
            break;
        case '6':
            recData.counted = line == "61";
            todo.setRecDataDirect(recData);
            break;
        case 'x':
            todo.setSkippedDirect(readDateList(line));
            break;
        case 'a':
            todo.setAddedDirect(readDateList(line));
            break;
        case 'b':
            todo.setRemindBefore(parseI32(line, 1));
            break;
        case 'u':
            todo.setUid(line.substr(1));
            break;
        case 'i':
            todo.setRecurrenceId(line.substr(1));
            break;
        case 'h':
            todo.setSyncState(line.substr(1), todo.extras().etag, todo.extras().agreed);
            break;
        case 'e':
            todo.setSyncState(todo.extras().resource, line.substr(1), todo.extras().agreed);
            break;
        case 'y':
            todo.setSyncState(todo.extras().resource, todo.extras().etag, line.substr(1));
            break;
        case 'q': {
            const std::size_t comma = std::min(line.find(','), line.size());
            todo.setVersion(parseI32(line.substr(0, comma), 1),
                            comma < line.size() ? line.substr(comma + 1) : std::string());
            break;
        }
        case 'R':
            if (!todo.isRunning()) ++nrActiveJobs;
            todo.setRunningDirect(true);
            break;
        case 'r': {
            std::size_t comma = line.find(',', 1);
            todo.addTime(parseI32(line, 1),
                         comma == std::string::npos ? 0 : parseI32(line, comma + 1));
            break;
        }
        case 'f':
            todo.setCompletedDirect({true, parseI32(line, 1)});
            break;
        case 'd':
            haveBlock = true;
            if (readDescriptionBlock(in, parseI32(line, 1), flagsWord, todo.getDescrData()) != 0) {
                if (todo.isRunning() && nrActiveJobs > 0) --nrActiveJobs;
                return -1;
            }
            break;
        case '>':
            result = 0;
            break;
        default:
            break;
        }
        if (result == 0 || in.eof()) break;
    }
    if (result != 0) {
        // A record cut off by the end of the file is not kept: it does not
        // count as running and is not filed.
        if (todo.isRunning() && nrActiveJobs > 0) --nrActiveJobs;
        finishSyncID(todo, idmax);
        return -1;
    }
    if (!haveBlock && flagsWord != 0) todo.getDescrData().SetStoredForm({}, flagsWord);
    todo.putIntoCalList(cal);
    finishSyncID(todo, idmax);
    return 0;
}
