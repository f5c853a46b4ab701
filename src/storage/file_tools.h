#pragma once
#include <cstddef>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>
#include <sys/types.h>

// File-system services of the storage layer: existence, removal, backups of
// the data file, owner-only scratch files and atomic replacement of a file.

// True when name is a regular file (or a symbolic link to one) that can be
// opened for reading; false for an empty name, a missing or an unreadable file
// and for anything that is not a regular file (a directory, FIFO, device or
// socket). It never blocks: a FIFO without a writer is refused, not waited on.
bool existDat(const std::string& name);

// Opens name for reading without ever blocking: the file is opened with
// O_NONBLOCK (and O_NOFOLLOW unless followLinks), must be a regular file, and
// is then read through in. Results: 0 opened; -1 there is no such file
// (ENOENT/ENOTDIR: in stays closed); -2 it exists but is not a readable
// regular file (a directory, FIFO, device, socket, a symlink when followLinks
// is false, no permission); reason then says why in a few words, e.g.
// "it is a FIFO, not a regular file", "it is a symbolic link", or strerror text.
int openRegularFile(const std::string& name, bool followLinks, std::ifstream& in,
                    std::string& reason);

// The real file that the data file path stands for, so that the lock, the
// journal, the temporary file, the backups and the replacement all act beside
// it and a symbolic link to it stays a link. An existing file gives its
// canonical absolute path; a dangling link is followed link by link (relative
// targets taken from the link's folder, at most 40 links) to the name where
// the new file is to be made; a path that does not exist is returned as given.
std::string resolveDataFilePath(const std::string& path);

// Keeps the last three generations of the data file before it is rewritten:
// P+"b1" becomes P+"b2", P+"b0" becomes P+"b1", and P+"b0" receives the
// current content of P. A missing P (nothing written yet) is not an error.
void moveBackupFiles(const std::string& path);

namespace FileTools {

// Why a file of this type is not a regular file, in a few words ("it is a
// FIFO, not a regular file", "it is a symbolic link").
std::string notRegularReason(mode_t mode);

// Deletes the file. Result: 0 deleted, -1 it cannot be deleted.
int rm(const std::string& name);

// Creates (or empties) an owner-only file for reading and writing and closes
// it again. It is never opened through a symbolic link, and an existing file
// that belongs to someone else is refused. Result: 0 made, -1 refused.
int createPrivateFile(const std::string& name);

// The system calls through which files are written. Tests replace entries to
// inject failures (a full disk, a failing sync or rename) and restore them.
struct Ops {
    ssize_t (*write)(int fd, const void* data, std::size_t size);
    int (*fsync)(int fd);
    int (*rename)(const char* from, const char* to);
    int (*close)(int fd);
};
Ops& ops();
// The real system calls.
const Ops& systemOps();

} // namespace FileTools

// Replaces a file as one step: the new content goes to a temporary file in the
// same directory; commit() checks every write, syncs the file, renames it over
// the target and syncs the directory. Until commit() succeeds the target is
// untouched; a failed or abandoned write removes the temporary file. The new
// file keeps the permission bits of the old one; a new file is owner-only.
class AtomicFile {
  public:
    explicit AtomicFile(std::string path);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file. Result: 0 ready, -1 it cannot be created.
    int open();
    // The stream to write the new content to; valid after a successful open().
    std::ostream& out();
    // Publishes the content. Result: 0 the target now holds exactly what was
    // written, -1 a write, sync or rename failed and the target is unchanged.
    int commit();
    // Drops what was written; the target stays as it was.
    void abort();

    const std::string& path() const { return path_; }
    const std::string& tempPath() const { return tempPath_; }

  private:
    class Buf;
    std::string path_;
    std::string tempPath_;
    int fd_ = -1;
    std::unique_ptr<Buf> buf_;
    std::unique_ptr<std::ostream> out_;
};

// Writes content to path through AtomicFile. Result: 0 written, -1 failed.
int writeFileAtomically(const std::string& path, const std::string& content);
