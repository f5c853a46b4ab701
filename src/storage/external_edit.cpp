#include "storage/external_edit.h"

#include "storage/file_tools.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

ScratchFile::ScratchFile() = default;

ScratchFile::~ScratchFile() { if (!name_.empty()) FileTools::rm(name_); }

int ScratchFile::create(const std::string& text) {
    if (!name_.empty()) return -1;
    std::vector<char> pattern{'v', 'e', 'l', 'k', 'X', 'X', 'X', 'X',
                              'X', 'X', '.', 't', 'm', 'p', '\0'};
    // mkstemps creates the file exclusively with owner-only permissions.
    const int fd = mkstemps(pattern.data(), 4);
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

int editInExternalEditor(const std::string& editorCommand, std::string& text) {
    ScratchFile file;
    if (file.create(text) != 0) return -1;
    const std::string command = editorCommand + " " + file.name();
    std::fflush(nullptr);
    const int status = std::system(command.c_str());
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -2;
    std::string edited;
    if (readFileIntoBuf(file.name(), edited) != 0) return -3;
    text = std::move(edited);
    return 0;
}
