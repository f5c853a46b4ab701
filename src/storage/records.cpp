// The record syntax of groups and entries, shared by the data file, the
// journal and the transfer files: each record begins with a one-character tag
// line ("g" or "t") and ends with a line ">".

#include "storage/records.h"

#include "common/bin_ascii.h"
#include "common/text.h"
#include "crypt/crypt_man.h"
#include "model/calendar.h"
#include "model/group.h"
#include "model/sync_ids.h"
#include "model/todo_item.h"

#include <cstdio>
#include <cstdlib>
#include <limits>

std::string oneLine(const std::string& text) {
    std::string s(text);
    for (char& c : s)
        if (c == '\n') c = ' ';
    return s;
}

std::string readRecordLine(std::istream& in) {
    return readRawLine(in, std::numeric_limits<std::size_t>::max());
}

namespace {

// Priorities as the records store them: a group's and a todo's priority is one
// of 0..6, a todo's may also be 100 (appointment) or 200 (note); any other
// positive value becomes 1. Negative values stay as read.
uint32_t groupPriority(int32_t p) { return uint32_t(p > 6 ? 1 : p); }
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

bool isDateTimeEmpty(packedDT v) { return (v & DT_NODATE) && (v & DT_NOTIME); }

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

} // namespace

int ToDoListGroup::writeContent(std::ostream& os, bool exporting, CryptMan* crypt, bool withRecord,
                                bool withChildren) {
    return writeContentExcept(os, exporting, crypt, withRecord, withChildren, nullptr);
}

int ToDoListGroup::writeContentExcept(std::ostream& os, bool exporting, CryptMan* crypt,
                                      bool withRecord, bool withChildren,
                                      const ToDoListGroup* skip) {
    int result = 0;
    if (withRecord) {
        os << "g\ns" << oneLine(summary) << '\n';
        if (!exporting) os << 'I' << syncID << '\n';
        if (priority != 3) os << 'p' << int32_t(priority) << '\n';
        if (!showCompleted) os << "c0\n";
        if (!completedLast) os << "l0\n";
    }
    if (withChildren) {
        for (auto& t : todos)
            result |= t->writeContent(os, exporting, crypt, true, true);
        for (auto& g : groups)
            if (g.get() != skip) result |= g->writeContent(os, exporting, crypt, true, true);
    }
    if (withRecord) os << ">\n";
    if (!exporting) hasBeenSaved(true);
    return result;
}

int ToDoListToDo::writeContent(std::ostream& os, bool exporting, CryptMan* crypt, bool, bool) {
    sanitizeTimeThings();
    os << "t\ns" << oneLine(summary) << '\n';

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

    if (flagsWord != 0) os << 'F' << std::hex << uint32_t(flagsWord) << std::dec << '\n';
    if (!exporting) os << 'I' << syncID << '\n';
    if (priority != 3) os << 'p' << int32_t(priority) << '\n';
    if (showTimeAs != 0) os << 'S' << showTimeAs << '\n';
    if (!isDateTimeEmpty(begin)) os << 'm' << begin << '\n';
    if (!isDateTimeEmpty(end)) os << 'n' << end << '\n';
    if (recData.type != 0) {
        os << '1' << recData.type << '\n';
        if (recData.interval != 1) os << '2' << recData.interval << '\n';
        if (!(recData.rangeBegin & DT_NODATE)) os << '3' << recData.rangeBegin << '\n';
        if (!(recData.rangeEnd & DT_NODATE)) os << '4' << recData.rangeEnd << '\n';
    }
    if (running) os << "R\n";
    for (const T_workingTimes& w : workingTimes)
        os << 'r' << w.begin << ',' << w.end << '\n';
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
    if (!exporting) hasBeenSaved(true);
    return result;
}

int ToDoListGroup::readContent(std::istream& in, unsigned& nrActiveJobs, unsigned& idmax,
                               T_Calendar& cal) {
    int result = -1;
    for (;;) {
        std::string line = readRecordLine(in);
        if (in.fail() && line.empty()) break;
        char tag = line.empty() ? '\0' : line[0];
        const std::string rest = line.empty() ? line : line.substr(1);
        if (tag == 'g') {
            if (level >= MAX_GROUP_LEVEL) {
                std::printf("Groups nested deeper than %u levels are not read\n", MAX_GROUP_LEVEL);
                return -1;
            }
            auto child = std::make_unique<ToDoListGroup>(findFreeID(), childPath(), level + 1);
            if (child->readContent(in, nrActiveJobs, idmax, cal) != 0) {
                // The part of the subtree read so far goes: unfile it and do
                // not count its running recordings.
                child->removeFromCalLists(cal);
                unsigned running = child->getNrActiveJobs();
                nrActiveJobs -= running < nrActiveJobs ? running : nrActiveJobs;
                return -1;
            }
            addGroup(std::move(child));
        } else if (tag == 't') {
            auto child = std::make_unique<ToDoListToDo>(findFreeID(), childPath());
            if (child->readContent(in, nrActiveJobs, idmax, cal) != 0) return -1;
            addToDo(std::move(child));
        } else if (tag == 'I') {
            syncID = parseU32(rest);
        } else if (tag == 'p') {
            priority = groupPriority(parseI32(rest));
        } else if (tag == 's') {
            summary = rest;
        } else if (tag == 'c') {
            showCompleted = false;
        } else if (tag == 'l') {
            completedLast = false;
        } else if (tag == '>') {
            result = 0;
            break;
        }
        if (in.eof()) break;
    }
    finishSyncID(*this, idmax);
    return result;
}

int ToDoListToDo::readContent(std::istream& in, unsigned& nrActiveJobs, unsigned& idmax,
                              T_Calendar& cal) {
    int result = -1;
    int32_t flagsWord = 0;
    bool haveBlock = false;
    for (;;) {
        std::string line = readRecordLine(in);
        if (in.fail() && line.empty()) break;
        char tag = line.empty() ? '\0' : line[0];
        const std::string rest = line.empty() ? line : line.substr(1);
        switch (tag) {
        case 's': summary = rest; break;
        case 'F': flagsWord = int32_t(std::strtoul(rest.c_str(), nullptr, 16)); break;
        case 'I': syncID = parseU32(rest); break;
        case 'p': priority = todoPriority(parseI32(rest)); break;
        case 'S': showTimeAs = parseI32(rest); break;
        case 'm': begin = parseU32(rest); break;
        case 'n': end = parseU32(rest); break;
        case '1': recData.type = parseI32(rest); break;
        case '2': recData.interval = parseI32(rest); break;
        case '3': recData.rangeBegin = parseU32(rest); break;
        case '4': recData.rangeEnd = parseU32(rest); break;
        case 'R':
            if (!running) ++nrActiveJobs;
            running = true;
            break;
        case 'r': {
            std::size_t comma = rest.find(',');
            addTime(parseI32(rest), comma == std::string::npos ? 0 : parseI32(rest, comma + 1));
            break;
        }
        case 'f':
            completed.completed = true;
            completed.time = parseI32(rest);
            break;
        case 'd':
            haveBlock = true;
            if (readDescriptionBlock(in, parseI32(rest), flagsWord) != 0) {
                if (running && nrActiveJobs > 0) --nrActiveJobs;
                return -1;
            }
            break;
        case '>': result = 0; break;
        default: break;
        }
        if (result == 0 || in.eof()) break;
    }
    if (result != 0) {
        // A record cut off by the end of the file is not kept: it does not
        // count as running and is not filed.
        if (running && nrActiveJobs > 0) --nrActiveJobs;
        finishSyncID(*this, idmax);
        return -1;
    }
    if (!haveBlock && flagsWord != 0) description.SetStoredForm({}, flagsWord);
    putIntoCalList(cal);
    finishSyncID(*this, idmax);
    return 0;
}

int ToDoListToDo::readDescriptionBlock(std::istream& in, int n, int32_t flagsWord) {
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
