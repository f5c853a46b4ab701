#include "storage/file_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

DataFileLock::~DataFileLock() { release(); }

int DataFileLock::acquire(const std::string& dataPath) {
    release();
    const std::string name = dataPath + ".lock";
    for (int attempt = 0; attempt < 10; ++attempt) {
        int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) return -2;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            int err = errno;
            ::close(fd);
            return err == EWOULDBLOCK ? -1 : -2;
        }
        // The run that held the lock removes the file when it ends; a lock
        // taken on a file that was removed meanwhile guards nothing, so the
        // lock counts only while the name still leads to the locked file.
        struct stat held, named;
        if (::fstat(fd, &held) == 0 && ::stat(name.c_str(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            fd_ = fd;
            name_ = name;
            return 0;
        }
        ::close(fd);
    }
    return -2;
}

void DataFileLock::release() {
    if (fd_ < 0) return;
    ::unlink(name_.c_str());
    ::close(fd_);
    fd_ = -1;
}
