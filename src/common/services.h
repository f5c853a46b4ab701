#pragma once
#include "common/description_cipher.h"

#include <cstddef>
#include <ctime>
#include <sys/types.h>

// What Velk takes from outside itself and tests replace: the clock, the
// system calls that write files, the cipher of descriptions and the random
// source. They are kept in one struct, so that a test replaces them in one
// place; every layer reads them through services().

// The system calls through which files are written and read.
struct T_FileOps {
    ssize_t (*write)(int fd, const void* data, std::size_t size);
    int (*fsync)(int fd);
    int (*rename)(const char* from, const char* to);
    int (*close)(int fd);
    int (*unlink)(const char* name);
    int (*link)(const char* from, const char* to);
    // Opening a file to read it, and reading it (storage/file_tools.h: ReadFile).
    int (*open)(const char* name, int flags, mode_t mode);
    ssize_t (*read)(int fd, void* data, std::size_t size);
};

// The real system calls.
const T_FileOps& systemFileOps();

// Fills buf with n random bytes. Returns 0, or -1 when no bytes could be had.
using RandomSource = int (*)(unsigned char* buf, std::size_t n);

struct Services {
    // The moment every "now" and "today" is pinned to (seconds since 1970);
    // negative: the system clock, or VELK_NOW (model/clock.h).
    std::time_t pinnedNow = -1;
    // The system calls of the atomic writer, the journal, the backups and the
    // readers of the data file, the journal and exchanged files
    // (storage/file_tools.h).
    T_FileOps files = systemFileOps();
    // The cipher of descriptions; null: the cipher handed in, the password
    // manager (model/description.h).
    const T_DescrCipher* descrCipher = nullptr;
    // The source of random bytes; null: the kernel's (crypt/random.h).
    RandomSource random = nullptr;
};

// The services of this process.
Services& services();
