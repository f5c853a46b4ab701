#include "common/services.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

ssize_t sysWrite(int fd, const void* data, std::size_t size) {
    return ::write(fd, data, size);
}
int sysFsync(int fd) {
    return ::fsync(fd);
}
int sysRename(const char* from, const char* to) {
    return std::rename(from, to);
}
int sysClose(int fd) {
    return ::close(fd);
}
int sysUnlink(const char* name) {
    return ::unlink(name);
}
int sysLink(const char* from, const char* to) {
    return ::link(from, to);
}

int sysOpen(const char* name, int flags, mode_t mode) {
    return ::open(name, flags, mode);
}
ssize_t sysRead(int fd, void* data, std::size_t size) {
    return ::read(fd, data, size);
}

const T_FileOps realOps = {sysWrite, sysFsync, sysRename, sysClose,
                           sysUnlink, sysLink,  sysOpen,   sysRead};

} // namespace

const T_FileOps& systemFileOps() {
    return realOps;
}

Services& services() {
    static Services current;
    return current;
}
