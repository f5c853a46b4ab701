#include "storage/external_edit.h"

#include "storage/file_tools.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

std::string currentScratchFolder;

const char* const scratchPrefix = "velk-";
const char* const scratchSuffix = ".tmp";
constexpr std::size_t scratchRandomChars = 6; // the X of mkstemps

// A directory, not a link, that belongs to the user.
bool isOwnDirectory(const struct stat& st) {
    return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
}

// The process ID in a scratch file's name "velk-PID-XXXXXX.tmp"; 0 when the
// name is not one of a scratch file.
pid_t scratchFileOwner(const std::string& name) {
    const std::string prefix = scratchPrefix, suffix = scratchSuffix;
    if (name.size() < prefix.size() + 2 + scratchRandomChars + suffix.size() ||
        name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return 0;
    const std::size_t dash = name.size() - suffix.size() - scratchRandomChars - 1;
    if (name[dash] != '-' || dash == prefix.size() || dash - prefix.size() > 9) return 0;
    pid_t pid = 0;
    for (std::size_t i = prefix.size(); i < dash; ++i) {
        if (name[i] < '0' || name[i] > '9') return 0;
        pid = pid * 10 + (name[i] - '0');
    }
    return pid;
}

// True while a process with this ID exists (also one of another user's,
// which the signal test may not reach).
bool processRuns(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

} // namespace

std::string scratchFolderFor(const char* xdgRuntimeDir, const std::string& homeDir) {
    struct stat st;
    if (xdgRuntimeDir && *xdgRuntimeDir && ::lstat(xdgRuntimeDir, &st) == 0 && isOwnDirectory(st))
        return std::string(xdgRuntimeDir) + "/velk";
    if (!homeDir.empty()) return homeDir + "/.velkrc/scratch";
    return std::string();
}

void setScratchFolder(const std::string& folder) {
    currentScratchFolder = folder;
}

const std::string& scratchFolder() {
    return currentScratchFolder;
}

int prepareScratchFolder(const std::string& folder) {
    if (folder.empty()) return -1;
    if (::mkdir(folder.c_str(), 0700) != 0 && errno == ENOENT) {
        // The parent (the settings folder in the home directory) is missing.
        const std::string parent = directoryOf(folder);
        if (folder.find('/') == std::string::npos || parent == "/") return -1;
        ::mkdir(parent.c_str(), 0700);
        ::mkdir(folder.c_str(), 0700);
    }
    struct stat st;
    if (::lstat(folder.c_str(), &st) != 0 || !isOwnDirectory(st)) return -1;
    if ((st.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0) return -1;
    return 0;
}

int removeStaleScratchFiles(const std::string& folder) {
    if (folder.empty()) return -1;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st;
    DIR* dir = nullptr;
    if (::fstat(fd, &st) != 0 || !isOwnDirectory(st) || !(dir = ::fdopendir(fd))) {
        ::close(fd);
        return -1;
    }
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const pid_t owner = scratchFileOwner(entry->d_name);
        if (owner > 0 && !processRuns(owner) && ::unlinkat(fd, entry->d_name, 0) == 0) ++removed;
    }
    ::closedir(dir); // closes fd as well
    return removed;
}

int startScratchFolder(const std::string& homeDir) {
    setScratchFolder(scratchFolderFor(std::getenv("XDG_RUNTIME_DIR"), homeDir));
    return removeStaleScratchFiles(scratchFolder());
}

ScratchFile::ScratchFile() = default;

ScratchFile::~ScratchFile() {
    if (!name_.empty()) FileTools::rm(name_);
}

int ScratchFile::create(const std::string& text) {
    if (!name_.empty() || prepareScratchFolder(scratchFolder()) != 0) return -1;
    const std::string templ = scratchFolder() + "/" + scratchPrefix + std::to_string(::getpid()) +
                              "-" + std::string(scratchRandomChars, 'X') + scratchSuffix;
    std::vector<char> pattern(templ.begin(), templ.end());
    pattern.push_back('\0');
    // mkstemps creates the file exclusively with owner-only permissions.
    const int fd = mkstemps(pattern.data(), int(std::string(scratchSuffix).size()));
    if (fd < 0) return -1;
    std::string name(pattern.data());
    const char* p = text.data();
    std::size_t left = text.size();
    bool ok = true;
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        p += n;
        left -= std::size_t(n);
    }
    if (::close(fd) != 0) ok = false;
    if (!ok) {
        FileTools::rm(name);
        return -1;
    }
    name_ = name;
    return 0;
}

int readFileIntoBuf(const std::string& name, std::string& text) {
    const int fd = ::open(name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    std::string content;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return -1;
        }
        if (n == 0) break;
        content.append(chunk, std::size_t(n));
    }
    ::close(fd);
    if (!content.empty() && content.back() != '\n') content += '\n';
    text = std::move(content);
    return 0;
}

std::string commandEnding(int status) {
    if (status == -1) return "could not be started";
    if (WIFSIGNALED(status)) {
        const int sig = WTERMSIG(status);
        const char* name = strsignal(sig);
        return "was ended by signal " + std::to_string(sig) +
               (name ? " (" + std::string(name) + ")" : std::string());
    }
    if (WIFEXITED(status)) {
        // The shell's own statuses: 127 the command was not found, 128 + n
        // the command it ran was ended by signal n.
        const int code = WEXITSTATUS(status);
        std::string ending = "ended with exit status " + std::to_string(code);
        if (code == 127) ending += " (command not found)";
        if (code > 128 && code < 128 + 65) {
            const char* name = strsignal(code - 128);
            ending += " (ended by signal " + std::to_string(code - 128) +
                      (name ? ", " + std::string(name) : std::string()) + ")";
        }
        return ending;
    }
    return "ended abnormally (status " + std::to_string(status) + ")";
}

int editInExternalEditor(const std::string& editorCommand, std::string& text,
                         T_ExternalEditFailure* failure) {
    ScratchFile file;
    if (file.create(text) != 0) return -1;
    const std::string command = editorCommand + " " + file.name();
    std::fflush(nullptr);
    const int status = std::system(command.c_str());
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        if (failure) *failure = {command, commandEnding(status)};
        return -2;
    }
    std::string edited;
    if (readFileIntoBuf(file.name(), edited) != 0) return -3;
    text = std::move(edited);
    return 0;
}
