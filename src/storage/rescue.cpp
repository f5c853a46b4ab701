#include "storage/rescue.h"

#include "storage/file_tools.h"

#include <algorithm>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

// The folders a rescue copy is offered in, in this order.
std::vector<std::string> rescueFolders(const std::string& home) {
    std::vector<std::string> folders;
    if (!home.empty()) folders.push_back(home);
    folders.push_back("/var/tmp");
    folders.push_back("/tmp");
    return folders;
}

// True when folder can take a new file: writable and with free blocks.
bool hasRoom(const std::string& folder) {
    struct statvfs fs;
    return ::access(folder.c_str(), W_OK) == 0 && ::statvfs(folder.c_str(), &fs) == 0 &&
           fs.f_bavail > 0;
}

std::string listName(const std::string& home) {
    return home + "/.velkrc/rescued";
}

// The lines of the list ("data file, tab, copy"); false when it is there but
// cannot be read.
bool notedLines(const std::string& home, std::vector<std::string>& lines) {
    ReadFile in;
    std::string reason, line;
    if (home.empty() || openRegularFile(listName(home), true, in, reason) != 0) return true;
    while (std::getline(in, line))
        if (!line.empty()) lines.push_back(line);
    return in.error() == 0;
}

} // namespace

std::string rescueSuggestion(const std::string& dataPath, const std::string& home) {
    const std::string name = baseNameOf(dataPath) + ".rescue";
    struct stat data;
    const bool known = ::stat(directoryOf(dataPath).c_str(), &data) == 0;
    for (const std::string& folder : rescueFolders(home)) {
        struct stat st;
        if (known && ::stat(folder.c_str(), &st) == 0 && st.st_dev != data.st_dev &&
            hasRoom(folder))
            return folder + "/" + name;
    }
    return (home.empty() ? directoryOf(dataPath) : home) + "/" + name;
}

int noteRescueCopy(const std::string& dataPath, const std::string& rescue,
                   const std::string& home) {
    if (home.empty()) return -1;
    ::mkdir((home + "/.velkrc").c_str(), 0700);
    // The list keeps what it held; a line noted twice is not repeated.
    const std::string noted = dataPath + "\t" + rescue;
    std::vector<std::string> lines;
    if (!notedLines(home, lines)) return -1;
    std::string text;
    for (const std::string& line : lines)
        if (line != noted) text += line + "\n";
    return writeFileAtomically(listName(home), text + noted + "\n");
}

std::vector<T_RescueCopy> newerRescueCopies(const std::string& dataPath, const std::string& home) {
    // Noted copies count while they are there; files that only bear the
    // name of one count when they are newer than the data file.
    std::vector<std::pair<std::string, bool>> names;
    std::vector<std::string> lines;
    notedLines(home, lines);
    for (const std::string& line : lines)
        if (line.compare(0, dataPath.size() + 1, dataPath + "\t") == 0)
            names.emplace_back(line.substr(dataPath.size() + 1), true);
    for (const std::string& folder : rescueFolders(home))
        names.emplace_back(folder + "/" + baseNameOf(dataPath) + ".rescue", false);

    struct stat data;
    const std::time_t written = ::stat(dataPath.c_str(), &data) == 0 ? data.st_mtime : 0;
    std::vector<T_RescueCopy> copies;
    for (const auto& entry : names) {
        const std::string& name = entry.first;
        const bool noted = entry.second;
        struct stat st;
        if (::stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
            (!noted && st.st_mtime < written))
            continue;
        const bool seen = std::any_of(copies.begin(), copies.end(), [&](const T_RescueCopy& c) {
            return stampOf(c.path) == stampOf(name);
        });
        if (!seen) copies.push_back({name, st.st_mtime});
    }
    return copies;
}
