#pragma once
#include "common/services.h"

#include <cstddef>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>
#include <sys/types.h>
#include <vector>

// File-system services of the storage layer: existence, removal, backups of
// the data file, owner-only scratch files and atomic replacement of a file.

// True when name is a regular file (or a symbolic link to one) that can be
// opened for reading; false for an empty name, a missing or an unreadable file
// and for anything that is not a regular file (a directory, FIFO, device or
// socket). It never blocks: a FIFO without a writer is refused, not waited on.
bool existDat(const std::string& name);

// A file read through the file-operation seam (services().files: open and
// read), so that tests can make any read fail. A read that fails is retried
// while the error is a passing one (EINTR, EAGAIN); any other error ends the
// input: the stream gets badbit, never an exception, and error() keeps the
// system's error number, so that a reader never takes a failed read for the
// end of the file.
class ReadFile : public std::istream {
  public:
    ReadFile();
    ~ReadFile() override;
    ReadFile(const ReadFile&) = delete;
    ReadFile& operator=(const ReadFile&) = delete;

    void close();
    // The error number of the read that failed; 0 while none did.
    int error() const;
    // "it could not be read to the end: " + the system's text, or "" while
    // no read failed.
    std::string errorText() const;

  private:
    friend int openRegularFile(const std::string&, bool, ReadFile&, std::string&);
    class Buf;
    void attach(int fd);
    std::unique_ptr<Buf> buf_;
};

// Opens name for reading without ever blocking: the file is opened with
// O_NONBLOCK (and O_NOFOLLOW unless followLinks), must be a regular file, and
// is then read through in. A passing error of the open (EINTR, EAGAIN) is
// retried. Results: 0 opened; -1 there is no such file (ENOENT/ENOTDIR: in
// stays closed); -2 it exists but is not a readable regular file (a directory,
// FIFO, device, socket, a symlink when followLinks is false, no permission,
// or the open failed); reason then says why in a few words, e.g. "it is a
// FIFO, not a regular file", "it is a symbolic link", or strerror text.
int openRegularFile(const std::string& name, bool followLinks, ReadFile& in, std::string& reason);

// Whether something stands at name (any kind of file; links not followed).
// Results: 1 yes; 0 nothing (ENOENT, ENOTDIR); -1 it cannot be told (errno
// says why), which a caller must never take for "nothing".
int entryAt(const std::string& name);

// The real file that the data file path stands for, so that the lock, the
// journal, the temporary file, the backups and the replacement all act beside
// it and a symbolic link to it stays a link. An existing file gives its
// canonical absolute path; a dangling link is followed link by link (relative
// targets taken from the link's folder, at most 40 links) to the name where
// the new file is to be made; a path that does not exist is returned as given.
std::string resolveDataFilePath(const std::string& path);

// Keeps the last three generations of the data file once a new one has
// replaced it: P+"b1" becomes P+"b2", P+"b0" becomes P+"b1", and the file
// previous (a link to or copy of the old P, made before the replacement by
// keepPreviousGeneration) becomes P+"b0". Without previous only the older
// generations move along. Results: 0 rotated; -1 a rename failed (error says
// which), the generations after it stay where they were.
int moveBackupFiles(const std::string& path, const std::string& previous, std::string& error);
// Keeps the current P under the name previous as a hard link (or a copy where
// links are not possible), for moveBackupFiles. Results: 0 kept; 1 there is
// no P yet; -1 it could not be kept (error says why; nothing is left behind).
int keepPreviousGeneration(const std::string& path, const std::string& previous,
                           std::string& error);

namespace FileTools {

// Why a file of this type is not a regular file, in a few words ("it is a
// FIFO, not a regular file", "it is a symbolic link").
std::string notRegularReason(mode_t mode);

// Deletes the file. Result: 0 deleted, -1 it cannot be deleted.
int rm(const std::string& name);

// Copies from into the new owner-only file to (an existing to is replaced),
// synced. Result: 0 copied; -1 failed (nothing is left at to).
int copyFile(const std::string& from, const std::string& to);

// Creates (or empties) an owner-only file for reading and writing and closes
// it again. It is never opened through a symbolic link, and an existing file
// that belongs to someone else is refused. Result: 0 made, -1 refused.
int createPrivateFile(const std::string& name);

// The system calls through which files are written: services().files. Tests
// replace entries to inject failures (a full disk, a failing sync or rename)
// and restore them.
using Ops = T_FileOps;
inline Ops& ops() {
    return services().files;
}
// The real system calls.
inline const Ops& systemOps() {
    return systemFileOps();
}

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
    // Publishes the content: prepare(), then publish(). Results: 0 the target
    // now holds exactly what was written; -1 a write, sync or rename failed
    // and the target is unchanged; -2 the target was replaced but its folder
    // could not be synced, so the replacement may not survive a power loss.
    int commit();
    // Completes the temporary file: checks every write, syncs and closes it.
    // Results: 0 the temporary holds the whole content; -1 it does not (it is
    // removed and the target is unchanged).
    int prepare();
    // Renames the prepared temporary over the target and syncs the folder.
    // Results as commit(); on -1 the temporary is removed.
    int publish();
    // Drops what was written; the target stays as it was.
    void abort();

    const std::string& path() const { return path_; }
    const std::string& tempPath() const { return tempPath_; }
    // The system's error number of the last failure (0 before any).
    int lastError() const { return err_; }

  private:
    class Buf;
    std::string path_;
    Mode mode_;
    std::string tempPath_;
    int fd_ = -1;
    bool prepared_ = false;
    int err_ = 0;
    std::unique_ptr<Buf> buf_;
    std::unique_ptr<std::ostream> out_;
};

// The folder of a file's path: "." for a bare name, "/" for a file in the root.
std::string directoryOf(const std::string& path);
// The name of a file's path without its folder.
std::string baseNameOf(const std::string& path);
// The names of the entries of a folder ("." and ".." among them); empty when
// it cannot be read.
std::vector<std::string> namesInDirectory(const std::string& dir);
// Syncs a folder so that the renames and removals in it survive a crash.
// Result: 0 synced; -1 it could not be (errno tells why).
int syncDirectory(const std::string& dir);

// What tells one version of a file from the next: a replacement by rename
// changes the inode, a write in place the size or the change time.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long long changedSec = 0, changedNsec = 0;
    bool operator==(const FileStamp& o) const {
        return exists == o.exists && device == o.device && inode == o.inode && size == o.size &&
               changedSec == o.changedSec && changedNsec == o.changedNsec;
    }
    bool operator!=(const FileStamp& o) const { return !(*this == o); }
};
// The stamp of the file that path names (links followed).
FileStamp stampOf(const std::string& path);

// Writes content to path through AtomicFile. Result: 0 written, -1 failed.
int writeFileAtomically(const std::string& path, const std::string& content);
// Writes content to path owner-only through AtomicFile, replacing only a
// regular file of the user's own. Results: 0; -1 not written (error names
// the path and says why), the old file stays.
int writePrivateFile(const std::string& path, const std::string& content, std::string& error);

// True when name does not exist, or is a regular file (not a link to one)
// that belongs to the user: a file that a private file may replace.
bool mayReplacePrivately(const std::string& name);
