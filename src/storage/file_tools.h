#pragma once
#include <cstddef>
#include <memory>
#include <ostream>
#include <string>
#include <sys/types.h>

// File-system services of the storage layer: existence, removal, backups of
// the data file, owner-only scratch files and atomic replacement of a file.

// True when name is a file that can be opened for reading; false for an empty
// name, a directory, a missing or an unreadable file.
bool existDat(const std::string& name);

// Keeps the last three generations of the data file before it is rewritten:
// P+"b1" becomes P+"b2", P+"b0" becomes P+"b1", and P+"b0" receives the
// current content of P. A missing P (nothing written yet) is not an error.
void moveBackupFiles(const std::string& path);

namespace FileTools {

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
//
// A private file (the clipboard) is always owner-only, and open() refuses a
// path that exists and is not a regular file of the user's own (a symbolic
// link, a directory, a FIFO, another user's file), so that nothing someone
// else planted is replaced or shown the content. The path itself is never
// followed: the rename replaces a link that appears later, not its target.
class AtomicFile {
  public:
    enum class Mode { KeepPermissions, Private };
    explicit AtomicFile(std::string path, Mode mode = Mode::KeepPermissions);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file. Results: 0 ready; -1 it cannot be created;
    // -2 (private file only) refused: the path exists and is not a regular
    // file of the user's own.
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
    Mode mode_;
    std::string tempPath_;
    int fd_ = -1;
    std::unique_ptr<Buf> buf_;
    std::unique_ptr<std::ostream> out_;
};

// Writes content to path through AtomicFile. Result: 0 written, -1 failed.
int writeFileAtomically(const std::string& path, const std::string& content);

// True when name does not exist, or is a regular file (not a link to one)
// that belongs to the user: a file that a private file may replace.
bool mayReplacePrivately(const std::string& name);
