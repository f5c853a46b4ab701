#include "storage/journal_files.h"

#include "storage/file_tools.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const mergedTag = ".merged";
const char* const previousTag = ".previous";
const std::size_t suffixLength = 6; // the X of mkstemp

// The folder prefix of path, "" or ending in "/".
std::string prefixOf(const std::string& path) {
    return path.substr(0, path.size() - baseNameOf(path).size());
}

bool isSuffix(const std::string& s) {
    return s.size() == suffixLength &&
           std::all_of(s.begin(), s.end(), [](char c) { return std::isalnum((unsigned char)c); });
}

bool allDigits(const std::string& s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return std::isdigit((unsigned char)c); });
}

// name = base + tag + suffix: the suffix, else "".
std::string suffixAfter(const std::string& name, const std::string& base, const char* tag) {
    const std::string head = base + tag;
    if (name.size() != head.size() + suffixLength || name.compare(0, head.size(), head) != 0)
        return std::string();
    std::string s = name.substr(head.size());
    return isSuffix(s) ? s : std::string();
}

// An entry retired by a commit: base + n + ".merged" + suffix.
struct Retired {
    unsigned n;
    std::string suffix;
    std::string name; // without the folder
};

bool parseRetired(const std::string& name, const std::string& base, Retired& r) {
    if (name.size() <= base.size() || name.compare(0, base.size(), base) != 0) return false;
    const std::size_t tag = name.find(mergedTag, base.size());
    if (tag == std::string::npos) return false;
    const std::string digits = name.substr(base.size(), tag - base.size());
    const std::string suffix = name.substr(tag + std::strlen(mergedTag));
    if (!allDigits(digits) || digits.size() > 9 || !isSuffix(suffix)) return false;
    r = {unsigned(std::stoul(digits)), suffix, name};
    return true;
}

bool exists(const std::string& name) {
    struct stat st;
    return ::lstat(name.c_str(), &st) == 0;
}

std::string why(int err) { return std::strerror(err); }

// Puts retired entries back under their numbers, last first. Result: true
// when every one is back.
bool putBack(const std::string& dataPath, const std::vector<unsigned>& numbers,
             const std::string& suffix, std::string& error) {
    bool ok = true;
    for (auto it = numbers.rbegin(); it != numbers.rend(); ++it) {
        const std::string entry = JournalFiles::entryName(dataPath, *it);
        const std::string retired = entry + mergedTag + suffix;
        if (FileTools::ops().rename(retired.c_str(), entry.c_str()) != 0) {
            if (error.empty()) error = "cannot rename " + retired + " back to " + entry + ": " + why(errno);
            ok = false;
        }
    }
    return ok;
}

// Settles the kept copy previous of the generation a commit was about to
// replace. While it is still the data file itself (the same file), the commit
// never replaced it and the copy only goes. Once the data file is another
// file, the commit replaced it and ended before the backups moved along: the
// rotation is finished where it stopped, so that no generation is lost.
// Results: 0 settled; -1 error says what could not be done.
int finishRotation(const std::string& dataPath, const std::string& previous,
                   std::string& error) {
    struct stat kept, current;
    const bool replaced = ::stat(previous.c_str(), &kept) == 0 &&
                          !(::stat(dataPath.c_str(), &current) == 0 &&
                            current.st_dev == kept.st_dev && current.st_ino == kept.st_ino);
    if (!replaced) {
        if (FileTools::ops().unlink(previous.c_str()) != 0 && errno != ENOENT) {
            error = "cannot remove " + previous + ": " + why(errno);
            return -1;
        }
        return 0;
    }
    // The rotation moves b1 to b2, b0 to b1 and the kept copy to b0, in this
    // order. Without b0 it had gone past the first two moves already.
    const std::string b0 = dataPath + "b0", b1 = dataPath + "b1", b2 = dataPath + "b2";
    auto move = [&](const std::string& from, const std::string& to) {
        if (FileTools::ops().rename(from.c_str(), to.c_str()) == 0) return true;
        error = "cannot rename " + from + " to " + to + ": " + why(errno);
        return false;
    };
    if (exists(b0) && ((exists(b1) && !move(b1, b2)) || !move(b0, b1))) return -1;
    return move(previous, b0) ? 0 : -1;
}

} // namespace

namespace JournalFiles {

std::string entryName(const std::string& dataPath, unsigned n) {
    return dataPath + std::to_string(n);
}

int countEntries(const std::string& dataPath, unsigned& count) {
    count = 0;
    int there;
    while ((there = entryAt(entryName(dataPath, count))) == 1)
        ++count;
    return there < 0 ? -1 : 0;
}

bool saveUnderway(const std::string& dataPath) {
    const std::string base = baseNameOf(dataPath);
    for (const std::string& name : namesInDirectory(directoryOf(dataPath))) {
        Retired r;
        if (parseRetired(name, base, r) || !suffixAfter(name, base, previousTag).empty())
            return true;
    }
    return false;
}

int recover(const std::string& dataPath, std::string& error) {
    const std::string dir = directoryOf(dataPath), base = baseNameOf(dataPath),
                      prefix = prefixOf(dataPath);
    std::set<std::string> temporaries;
    std::vector<Retired> retired;
    std::vector<std::string> previous;
    for (const std::string& name : namesInDirectory(dir)) {
        Retired r;
        if (parseRetired(name, base, r))
            retired.push_back(r);
        else if (!suffixAfter(name, base, ".tmp").empty())
            temporaries.insert(suffixAfter(name, base, ".tmp"));
        else if (!suffixAfter(name, base, previousTag).empty())
            previous.push_back(name);
    }
    if (retired.empty() && previous.empty()) return 0;
    // Entries go back in number order, so that a crash in the middle leaves
    // the lower numbers in place and the rest still retired.
    std::sort(retired.begin(), retired.end(),
              [](const Retired& a, const Retired& b) { return a.n < b.n; });
    bool changed = false;
    for (const Retired& r : retired) {
        const std::string from = prefix + r.name;
        if (temporaries.count(r.suffix)) {
            // The commit never replaced the data file: the entry still counts.
            const std::string to = entryName(dataPath, r.n);
            if (exists(to)) {
                error = "both " + from + " and " + to +
                        " exist; the journal must be sorted out by hand";
                return -1;
            }
            if (FileTools::ops().rename(from.c_str(), to.c_str()) != 0) {
                error = "cannot rename " + from + " back to " + to + ": " + why(errno);
                return -1;
            }
        } else if (FileTools::ops().unlink(from.c_str()) != 0 && errno != ENOENT) {
            // The data file holds the entry: it only has to go.
            error = "cannot remove " + from + ", which the data file already holds: " + why(errno);
            return -1;
        }
        changed = true;
    }
    for (const std::string& name : previous) {
        if (finishRotation(dataPath, prefix + name, error) != 0) return -1;
        changed = true;
    }
    if (changed && syncDirectory(dir) != 0) {
        error = "cannot sync the folder " + dir + ": " + why(errno);
        return -1;
    }
    return 0;
}

int commit(const std::string& dataPath, const std::function<void(std::ostream&)>& write,
           bool dropBackups, CommitReport& report) {
    if (recover(dataPath, report.error) != 0) return -1;
    const std::string dir = directoryOf(dataPath);

    // 1. The whole new file, synced, under its temporary name.
    AtomicFile file(dataPath);
    if (file.open() != 0) {
        report.error = "cannot create a new file in " + dir + ": " + why(file.lastError());
        return -1;
    }
    write(file.out());
    if (file.prepare() != 0) {
        report.error = "cannot write the new version of " + dataPath + ": " + why(file.lastError());
        return -1;
    }
    const std::string& temp = file.tempPath();
    const std::string suffix = temp.substr(temp.size() - suffixLength);

    // 2. The journal is retired under the commit's suffix.
    // Exactly the entries the new file holds are retired: one that cannot be
    // looked at ends the commit, or it would stay behind and be set aside
    // (or replayed again) as if the new file did not hold it.
    std::vector<unsigned> retired;
    unsigned count = 0;
    bool ok = true;
    if (countEntries(dataPath, count) != 0) {
        report.error = "cannot look at the journal file " + entryName(dataPath, count) + ": " +
                       why(errno);
        ok = false;
    }
    for (unsigned n = 0; n < count && ok; ++n) {
        const std::string entry = entryName(dataPath, n);
        const std::string to = entry + mergedTag + suffix;
        if (FileTools::ops().rename(entry.c_str(), to.c_str()) == 0) {
            retired.push_back(n);
        } else {
            report.error = "cannot rename the journal file " + entry + ": " + why(errno);
            ok = false;
        }
    }
    if (ok && !retired.empty() && syncDirectory(dir) != 0) {
        report.error = "cannot sync the folder " + dir + ": " + why(errno);
        ok = false;
    }
    // 3. The generation that is about to be replaced is kept aside.
    const std::string previous = dataPath + previousTag + suffix;
    int kept = 1;
    if (ok && !dropBackups) {
        kept = keepPreviousGeneration(dataPath, previous, report.error);
        ok = kept >= 0;
    }
    // 4. The new file replaces the old one.
    int published = ok ? file.publish() : -1;
    if (ok && published == -1)
        report.error = "cannot replace " + dataPath + ": " + why(file.lastError());
    if (published == -1) {
        if (kept == 0) FileTools::ops().unlink(previous.c_str());
        // While an entry cannot be put back, the temporary stays: it tells
        // the next start that the retired entries still count.
        if (putBack(dataPath, retired, suffix, report.error)) {
            file.abort();
            if (!retired.empty()) syncDirectory(dir);
        } else {
            report.warnings.push_back("the journal files are kept as retired files with the "
                                      "suffix " + std::string(mergedTag) + suffix +
                                      "; the next start takes them back");
        }
        return -1;
    }
    if (published == -2)
        report.error = "the folder " + dir + " could not be synced after " + dataPath +
                       " was replaced: " + why(file.lastError());

    // 5. The backups move along, or go when they hold what must not stay.
    std::string rotation;
    if (dropBackups) {
        for (const char* b : {"b0", "b1", "b2"}) {
            const std::string name = dataPath + b;
            if (FileTools::ops().unlink(name.c_str()) != 0 && errno != ENOENT)
                report.warnings.push_back("cannot remove the backup " + name + ": " + why(errno));
        }
    } else if (moveBackupFiles(dataPath, kept == 0 ? previous : std::string(), rotation) != 0) {
        report.warnings.push_back("the backups could not be moved along: " + rotation);
        if (kept == 0) FileTools::ops().unlink(previous.c_str());
    }
    // 6. The retired entries are in the new file: they go.
    for (unsigned n : retired) {
        const std::string name = entryName(dataPath, n) + mergedTag + suffix;
        if (FileTools::ops().unlink(name.c_str()) != 0 && errno != ENOENT)
            report.warnings.push_back("cannot remove " + name + " (the next start removes it): " +
                                      why(errno));
    }
    if (syncDirectory(dir) != 0 && published == 0) {
        report.error = "cannot sync the folder " + dir + ": " + why(errno);
        published = -2;
    }
    return published == 0 ? 0 : -2;
}

} // namespace JournalFiles
