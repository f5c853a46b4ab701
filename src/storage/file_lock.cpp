#include "storage/file_lock.h"

#include "storage/file_tools.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

DataFileLock::~DataFileLock() { release(); }

namespace {

// Why the lock file could not be opened: what stands at its name when that is
// not a regular file, else the system's text for err.
std::string openFailure(const std::string& name, int err) {
    struct stat st;
    if (::lstat(name.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return FileTools::notRegularReason(st.st_mode);
    return std::strerror(err);
}

// The number of names the data file has, without the kept copy of an
// interrupted save (P + ".previous" + six letters), which is a name of P's
// own until the next start settles it. 1 when there is no data file yet.
unsigned long namesOfDataFile(const std::string& dataPath) {
    struct stat data;
    if (::stat(dataPath.c_str(), &data) != 0 || !S_ISREG(data.st_mode)) return 1;
    unsigned long names = data.st_nlink;
    if (names <= 1) return names;
    const std::string prefix = baseNameOf(dataPath) + ".previous";
    const std::string dir = directoryOf(dataPath);
    for (const std::string& name : namesInDirectory(dir)) {
        struct stat st;
        if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0 &&
            ::lstat((dir + "/" + name).c_str(), &st) == 0 && st.st_dev == data.st_dev &&
            st.st_ino == data.st_ino)
            --names;
    }
    return names;
}

} // namespace

int DataFileLock::acquire(const std::string& dataPath) {
    release();
    name_ = dataPath + ".lock";
    reason_.clear();
    for (int attempt = 0; attempt < 10; ++attempt) {
        // Never through a link and never waiting on a FIFO planted at the name.
        int fd =
            ::open(name_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
        if (fd < 0) {
            reason_ = openFailure(name_, errno);
            return -2;
        }
        struct stat held = {};
        if (::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
            reason_ = FileTools::notRegularReason(held.st_mode);
            ::close(fd);
            return -2;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            int err = errno;
            ::close(fd);
            reason_ = err == EWOULDBLOCK ? "another run holds it" : std::strerror(err);
            return err == EWOULDBLOCK ? -1 : -2;
        }
        // The run that held the lock removes the file when it ends; a lock
        // taken on a file that was removed meanwhile guards nothing, so the
        // lock counts only while the name still leads to the locked file.
        struct stat named;
        if (::lstat(name_.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
            held.st_ino == named.st_ino) {
            fd_ = fd;
            const unsigned long names = namesOfDataFile(dataPath);
            if (names > 1) {
                reason_ = "the data file " + dataPath + " has " + std::to_string(names) +
                          " names (hard links); a run under another name would not see this "
                          "lock, and the first save would part the names into two files. Keep "
                          "one name (remove the others) and start again";
                release();
                return -3;
            }
            return 0;
        }
        ::close(fd);
    }
    reason_ = "it was replaced again and again while it was being taken";
    return -2;
}

void DataFileLock::release() {
    if (fd_ < 0) return;
    ::unlink(name_.c_str());
    ::close(fd_);
    fd_ = -1;
}
