#include "storage/undo_history.h"

#include <cstdlib>
#include <sstream>

namespace storage {

namespace {

const char* const FIRST_LINE = "<velk-undo=1>";

// A block of text of n bytes after its line "NAME=n".
bool readBlock(std::istream& in, const std::string& line, const char* name, std::string& out) {
    const std::string head = std::string(name) + "=";
    if (line.compare(0, head.size(), head) != 0) return false;
    const std::size_t n = std::strtoull(line.c_str() + head.size(), nullptr, 10);
    out.assign(n, '\0');
    return n == 0 || bool(in.read(&out[0], std::streamsize(n)));
}

} // namespace

std::string undoHistoryPath(const std::string& dataPath) {
    return dataPath + ".undo";
}

int readUndoHistory(const std::string& path, T_UndoHistory& history, std::string& error) {
    history = T_UndoHistory();
    ReadFile in;
    std::string why, line;
    const int opened = openRegularFile(path, false, in, why);
    if (opened == -1) return 1;
    bool ok = opened == 0 && std::getline(in, line) && line == FIRST_LINE;
    // "file=DEVICE INODE SIZE SEC NSEC", "done=N", then each
    // step: "step", "label=", "ops=KIND ID PARENT ...", "changed=", "complete=0|1",
    // "undo=N" and N bytes, "redo=N" and N bytes, "end".
    while (ok && std::getline(in, line)) {
        if (line.rfind("file=", 0) == 0) {
            std::istringstream s(line.substr(5));
            FileStamp& f = history.dataFile;
            unsigned long long device = 0, inode = 0;
            long long size = 0;
            ok = bool(s >> device >> inode >> size >> f.changedSec >> f.changedNsec);
            f.exists = true;
            f.device = dev_t(device);
            f.inode = ino_t(inode);
            f.size = off_t(size);
        } else if (line.rfind("done=", 0) == 0) {
            history.done = std::strtoull(line.c_str() + 5, nullptr, 10);
        } else if (line == "step") {
            T_UndoStep step;
            while ((ok = bool(std::getline(in, line))) && line != "end") {
                if (line.rfind("label=", 0) == 0) step.label = line.substr(6);
                if (line.rfind("changed=", 0) == 0) step.changedSince = line.substr(8);
                if (line == "complete=0") step.complete = false;
                if (line.rfind("ops=", 0) == 0) {
                    std::istringstream s(line.substr(4));
                    for (T_UndoOp op; s >> op.kind >> op.id >> op.parent;)
                        step.ops.push_back(op);
                }
                if ((line.rfind("undo=", 0) == 0 && !readBlock(in, line, "undo", step.undo)) ||
                    (line.rfind("redo=", 0) == 0 && !readBlock(in, line, "redo", step.redo)))
                    ok = false;
                if (!ok) break;
            }
            history.steps.push_back(std::move(step));
        }
    }
    ok = ok && in.error() == 0 && history.done <= history.steps.size();
    if (!ok) {
        error = path + (opened != 0         ? ": " + why
                        : in.error() != 0   ? ": " + in.errorText()
                                            : std::string(" is not Velk's undo history"));
        history = T_UndoHistory();
        return -1;
    }
    return 0;
}

int writeUndoHistory(const std::string& path, const T_UndoHistory& history, std::string& error) {
    std::ostringstream os;
    const FileStamp& f = history.dataFile;
    os << FIRST_LINE << "\nfile=" << (unsigned long long)f.device << ' '
       << (unsigned long long)f.inode << ' ' << (long long)f.size << ' ' << f.changedSec << ' '
       << f.changedNsec << "\ndone=" << history.done
       << "\n";
    for (const T_UndoStep& s : history.steps) {
        os << "step\nlabel=" << s.label << "\nops=";
        for (std::size_t i = 0; i < s.ops.size(); ++i)
            os << (i ? " " : "") << s.ops[i].kind << ' ' << s.ops[i].id << ' ' << s.ops[i].parent;
        os << "\nchanged=" << s.changedSince << "\ncomplete=" << (s.complete ? 1 : 0)
           << "\nundo=" << s.undo.size() << "\n"
           << s.undo << "redo=" << s.redo.size() << "\n"
           << s.redo << "end\n";
    }
    return writePrivateFile(path, os.str(), error);
}

} // namespace storage
