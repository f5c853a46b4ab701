#include "storage/exchange_file.h"

#include "storage/file_tools.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool digitsOnly(const std::string& s, std::size_t from, std::size_t to) {
    if (from >= to) return false;
    for (std::size_t i = from; i < to; ++i)
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
    return true;
}

bool lettersOrDigits(const std::string& s, std::size_t from) {
    for (std::size_t i = from; i < s.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(s[i]))) return false;
    return true;
}

// The canonical folder of a path's folder; "" when it cannot be resolved.
std::string realFolder(const std::string& path) {
    char* real = ::realpath(directoryOf(path).c_str(), nullptr);
    if (!real) return std::string();
    std::string folder(real);
    std::free(real);
    return folder;
}

// What an own file is, for the message.
std::string ownFileText(const std::string& base, const std::string& dataBase) {
    const std::string rest = base.substr(dataBase.size());
    if (rest.empty()) return "the data file of this organizer";
    if (rest == ".lock") return "the lock file of this organizer";
    if (rest == ".caldav") return "the sync state of this organizer";
    if (rest == "b0" || rest == "b1" || rest == "b2") return "a backup of this organizer";
    if (digitsOnly(rest, 0, rest.size())) return "a journal file of this organizer";
    return "a file this organizer keeps beside its data file";
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

bool isOwnFileName(const std::string& base, const std::string& dataBase) {
    if (dataBase.empty() || base.compare(0, dataBase.size(), dataBase) != 0) return false;
    const std::string rest = base.substr(dataBase.size());
    if (rest.empty() || rest == ".lock" || rest == "b0" || rest == "b1" || rest == "b2" ||
        rest == ".caldav")
        return true;
    // An optional journal number, then one of the tags the journal and the
    // save give their files.
    std::size_t i = 0;
    while (i < rest.size() && std::isdigit(static_cast<unsigned char>(rest[i])))
        ++i;
    if (i == rest.size()) return true; // a journal file
    for (const char* tag : {".tmp", ".merged", ".previous", ".orphan", ".damaged"}) {
        const std::size_t n = std::strlen(tag);
        if (rest.compare(i, n, tag) == 0 && lettersOrDigits(rest, i + n)) return true;
    }
    return false;
}

int checkExchangeFile(const std::string& name, const std::string& dataPath, ExchangeUse use,
                      std::string& target, std::string& error) {
    target = name;
    error.clear();
    if (name.empty()) {
        error = "no file name was given";
        return -1;
    }
    const std::string dataBase = baseNameOf(dataPath);
    const std::string dataFolder = realFolder(dataPath);
    struct stat named;
    if (::lstat(name.c_str(), &named) != 0) {
        if (errno != ENOENT) {
            error = std::strerror(errno);
            return -1;
        }
        if (use == ExchangeUse::Read) {
            error = std::strerror(ENOENT);
            return -1;
        }
        // A new name among the organizer's own would be taken for one of them
        // (a journal file replayed, a lock, a backup). A folder that cannot
        // be reached is not the data file's: the write itself says why it fails.
        const std::string folder = realFolder(name);
        if (!folder.empty() && folder == dataFolder && isOwnFileName(baseNameOf(name), dataBase)) {
            error = "that name belongs to " + ownFileText(baseNameOf(name), dataBase);
            return -1;
        }
        return 0;
    }
    struct stat st = named;
    if (S_ISLNK(named.st_mode)) {
        if (::stat(name.c_str(), &st) != 0) {
            error = "it is a symbolic link to a file that cannot be reached (" +
                    std::string(std::strerror(errno)) + ")";
            return -1;
        }
        target = resolveDataFilePath(name);
    }
    if (!S_ISREG(st.st_mode)) {
        error = FileTools::notRegularReason(st.st_mode);
        return -1;
    }
    if (use == ExchangeUse::Write && st.st_uid != ::geteuid()) {
        error = "it belongs to another user";
        return -1;
    }
    // The same file as one of the organizer's own, under whatever name.
    const std::string prefix = dataFolder.empty() ? std::string() : dataFolder + "/";
    for (const std::string& base : namesInDirectory(dataFolder.empty() ? "." : dataFolder)) {
        if (!isOwnFileName(base, dataBase)) continue;
        struct stat own;
        if (::stat((prefix + base).c_str(), &own) == 0 && sameFile(own, st)) {
            error = "it is " + ownFileText(base, dataBase) + " (" + prefix + base + ")";
            return -1;
        }
    }
    return 0;
}
