#include "storage/file_tools.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <streambuf>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Writes all bytes, retrying short writes and interruptions.
bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = FileTools::ops().write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= std::size_t(n);
    }
    return true;
}

// Copies the file from to the new file to (owner-only); false on any failure.
bool copyPrivate(const std::string& from, const std::string& to) {
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    ::unlink(to.c_str());
    int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    bool ok = out >= 0;
    std::vector<char> buf(1 << 16);
    while (ok) {
        ssize_t n = ::read(in, buf.data(), buf.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        ok = writeAll(out, buf.data(), std::size_t(n));
    }
    if (out >= 0) {
        ok = ok && FileTools::ops().fsync(out) == 0;
        ok = FileTools::ops().close(out) == 0 && ok;
    }
    ::close(in);
    if (!ok) ::unlink(to.c_str());
    return ok;
}

std::string errorText(int err) { return std::strerror(err); }

// Renames from to to when from exists. Result: true done or nothing to do.
bool renameIfPresent(const std::string& from, const std::string& to, std::string& error) {
    struct stat st;
    if (::lstat(from.c_str(), &st) != 0) return errno == ENOENT;
    if (FileTools::ops().rename(from.c_str(), to.c_str()) == 0) return true;
    error = "cannot rename " + from + " to " + to + ": " + errorText(errno);
    return false;
}

// A missing file, as opposed to one that is there but cannot be read.
bool isMissing(int err) {
    return err == ENOENT || err == ENOTDIR;
}

// How often an open or a read that failed with a passing error is tried.
const int passingRetries = 10;

// An error that says "try again", not that the file cannot be read.
bool isPassing(int err) {
    return err == EINTR || err == EAGAIN;
}

// Opens name read-only without blocking and makes sure it is a regular file.
// Results as openRegularFile's; on 0, fd holds the open descriptor.
int openRegularDescriptor(const std::string& name, bool followLinks, int& fd, std::string& reason) {
    fd = -1;
    reason.clear();
    if (name.empty()) {
        reason = std::strerror(ENOENT);
        return -1;
    }
    // Looking before opening keeps devices from being opened at all, since
    // opening one can have effects of its own; the look after opening covers
    // a file that was swapped for something else in between.
    struct stat st;
    if ((followLinks ? ::stat(name.c_str(), &st) : ::lstat(name.c_str(), &st)) != 0) {
        const int err = errno;
        reason = std::strerror(err);
        return isMissing(err) ? -1 : -2;
    }
    if (!S_ISREG(st.st_mode)) {
        reason = FileTools::notRegularReason(st.st_mode);
        return -2;
    }
    const int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (followLinks ? 0 : O_NOFOLLOW);
    int opened = -1;
    for (int attempt = 0; attempt < passingRetries; ++attempt) {
        opened = FileTools::ops().open(name.c_str(), flags, 0);
        if (opened >= 0 || !isPassing(errno)) break;
    }
    if (opened < 0) {
        // The look before found the file: whatever the open says now, it is
        // there and cannot be read, never "no such file".
        const int err = errno;
        reason = err == ELOOP && !followLinks ? "it is a symbolic link" : std::strerror(err);
        return -2;
    }
    if (::fstat(opened, &st) != 0 || !S_ISREG(st.st_mode)) {
        reason =
            S_ISREG(st.st_mode) ? std::strerror(errno) : FileTools::notRegularReason(st.st_mode);
        ::close(opened);
        return -2;
    }
    fd = opened;
    return 0;
}

// The target of the symbolic link name; empty when it cannot be read.
std::string linkTarget(const std::string& name) {
    std::vector<char> buf(PATH_MAX + 1);
    const ssize_t n = ::readlink(name.c_str(), buf.data(), buf.size());
    if (n <= 0 || std::size_t(n) >= buf.size()) return std::string();
    return std::string(buf.data(), std::size_t(n));
}

// Links followed at most while resolving a data file path, as the kernel
// allows in one path lookup.
const int maxLinkHops = 40;

} // namespace

std::string directoryOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string baseNameOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<std::string> namesInDirectory(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (dirent* e = ::readdir(d))
            names.emplace_back(e->d_name);
        ::closedir(d);
    }
    return names;
}

int syncDirectory(const std::string& dir) {
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return -1;
    int r = FileTools::ops().fsync(fd);
    int err = errno;
    ::close(fd);
    errno = err;
    return r == 0 ? 0 : -1;
}

bool existDat(const std::string& name) {
    int fd = -1;
    std::string reason;
    if (openRegularDescriptor(name, true, fd, reason) != 0) return false;
    ::close(fd);
    return true;
}

// The buffer of a ReadFile: reads its descriptor through the seam and, on
// an error that does not pass, sets badbit on its stream instead of throwing.
class ReadFile::Buf : public std::streambuf {
  public:
    Buf(int fd, std::istream& owner) : fd_(fd), owner_(owner) {}
    ~Buf() override { ::close(fd_); }
    int error() const { return err_; }

  protected:
    int_type underflow() override {
        if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
        if (err_ != 0) return traits_type::eof();
        ssize_t n = -1;
        for (int attempt = 0; attempt < passingRetries; ++attempt) {
            n = FileTools::ops().read(fd_, buffer_, sizeof buffer_);
            if (n >= 0 || !isPassing(errno)) break;
        }
        if (n < 0) {
            err_ = errno ? errno : EIO;
            owner_.setstate(std::ios::badbit);
            return traits_type::eof();
        }
        if (n == 0) return traits_type::eof();
        setg(buffer_, buffer_, buffer_ + n);
        return traits_type::to_int_type(*gptr());
    }
    pos_type seekoff(off_type off, std::ios::seekdir dir, std::ios::openmode) override {
        // What is buffered but not taken yet lies before the descriptor's place.
        if (dir == std::ios::cur) off -= off_type(egptr() - gptr());
        const off_t at =
            ::lseek(fd_, off_t(off), dir == std::ios::beg ? SEEK_SET
                                     : dir == std::ios::cur ? SEEK_CUR
                                                            : SEEK_END);
        setg(buffer_, buffer_, buffer_);
        return at < 0 ? pos_type(off_type(-1)) : pos_type(off_type(at));
    }
    pos_type seekpos(pos_type pos, std::ios::openmode mode) override {
        return seekoff(off_type(pos), std::ios::beg, mode);
    }

  private:
    int fd_;
    std::istream& owner_;
    int err_ = 0;
    char buffer_[1 << 16];
};

ReadFile::ReadFile() : std::istream(nullptr) {}
ReadFile::~ReadFile() = default;

void ReadFile::close() {
    rdbuf(nullptr);
    buf_.reset();
}

int ReadFile::error() const { return buf_ ? buf_->error() : 0; }

std::string ReadFile::errorText() const {
    return error() ? "it could not be read to the end: " + std::string(std::strerror(error()))
                   : std::string();
}

void ReadFile::attach(int fd) {
    buf_ = std::make_unique<Buf>(fd, *this);
    rdbuf(buf_.get());
    clear();
}

int openRegularFile(const std::string& name, bool followLinks, ReadFile& in, std::string& reason) {
    in.close();
    int fd = -1;
    const int r = openRegularDescriptor(name, followLinks, fd, reason);
    if (r != 0) {
        // As a stream whose open failed: closed and failed.
        in.setstate(std::ios::failbit);
        return r;
    }
    in.attach(fd);
    return 0;
}

int entryAt(const std::string& name) {
    struct stat st;
    if (::lstat(name.c_str(), &st) == 0) return 1;
    return isMissing(errno) ? 0 : -1;
}

std::string resolveDataFilePath(const std::string& path) {
    if (path.empty()) return path;
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        std::string resolved(real);
        std::free(real);
        return resolved;
    }
    // No existing file at the end: a dangling link is followed by hand to the
    // name where the new file is to be made.
    std::string current = path;
    for (int hop = 0; hop <= maxLinkHops; ++hop) {
        struct stat st;
        if (::lstat(current.c_str(), &st) != 0) break;
        if (!S_ISLNK(st.st_mode)) return hop == 0 ? path : current;
        const std::string target = linkTarget(current);
        if (target.empty() || hop == maxLinkHops) return path;
        current = target[0] == '/' ? target : directoryOf(current) + "/" + target;
    }
    if (current == path) return path;
    // The folder of the new file is named canonically, so that every name of
    // the same file takes the same lock.
    const std::string dir = directoryOf(current);
    char* realDir = ::realpath(dir.c_str(), nullptr);
    if (!realDir) return current;
    std::string resolved(realDir);
    std::free(realDir);
    const std::string base = baseNameOf(current);
    return resolved == "/" ? "/" + base : resolved + "/" + base;
}

int keepPreviousGeneration(const std::string& path, const std::string& previous,
                           std::string& error) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return 1;
    if (FileTools::ops().unlink(previous.c_str()) != 0 && errno != ENOENT) {
        error = "cannot remove " + previous + ": " + errorText(errno);
        return -1;
    }
    // The data file is only ever replaced by a rename, never rewritten in
    // place, so a hard link keeps the old generation at no cost. Where links
    // are not possible the file is copied.
    if (FileTools::ops().link(path.c_str(), previous.c_str()) == 0) return 0;
    if (copyPrivate(path, previous)) return 0;
    error = "cannot keep a copy of " + path + " as " + previous + ": " + errorText(errno);
    return -1;
}

int moveBackupFiles(const std::string& path, const std::string& previous, std::string& error) {
    const std::string b0 = path + "b0", b1 = path + "b1", b2 = path + "b2";
    if (!renameIfPresent(b1, b2, error) || !renameIfPresent(b0, b1, error) ||
        (!previous.empty() && !renameIfPresent(previous, b0, error)))
        return -1;
    return 0;
}

namespace FileTools {

std::string notRegularReason(mode_t mode) {
    if (S_ISDIR(mode)) return "it is a directory, not a regular file";
    if (S_ISFIFO(mode)) return "it is a FIFO, not a regular file";
    if (S_ISCHR(mode)) return "it is a character device, not a regular file";
    if (S_ISBLK(mode)) return "it is a block device, not a regular file";
    if (S_ISSOCK(mode)) return "it is a socket, not a regular file";
    if (S_ISLNK(mode)) return "it is a symbolic link";
    return "it is not a regular file";
}

int rm(const std::string& name) {
    return ::unlink(name.c_str()) == 0 ? 0 : -1;
}

int copyFile(const std::string& from, const std::string& to) {
    return copyPrivate(from, to) ? 0 : -1;
}

int createPrivateFile(const std::string& name) {
    int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
              ::fchmod(fd, 0600) == 0 && ::ftruncate(fd, 0) == 0;
    ::close(fd);
    return ok ? 0 : -1;
}

} // namespace FileTools

// A stream buffer that writes to a file descriptor and remembers any failure.
class AtomicFile::Buf : public std::streambuf {
  public:
    explicit Buf(int fd) : fd_(fd) { setp(buffer_, buffer_ + sizeof buffer_); }
    bool failed() const { return failed_; }
    int error() const { return err_; }
    bool flushAll() { return drain() && !failed_; }

  protected:
    int_type overflow(int_type c) override {
        if (!drain()) return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override { return drain() ? 0 : -1; }

  private:
    bool drain() {
        std::size_t n = std::size_t(pptr() - pbase());
        if (n > 0 && !failed_ && !writeAll(fd_, pbase(), n)) {
            failed_ = true;
            err_ = errno ? errno : EIO;
        }
        setp(buffer_, buffer_ + sizeof buffer_);
        return !failed_;
    }
    int fd_;
    bool failed_ = false;
    int err_ = 0;
    char buffer_[1 << 16];
};

AtomicFile::AtomicFile(std::string path, Mode mode) : path_(std::move(path)), mode_(mode) {}

AtomicFile::~AtomicFile() { abort(); }

int AtomicFile::open() {
    abort();
    if (mode_ == Mode::Private && !mayReplacePrivately(path_)) return -2;
    std::string pattern = path_ + ".tmpXXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) {
        err_ = errno;
        return -1;
    }
    tempPath_ = name.data();
    fd_ = fd;
    mode_t mode = 0600;
    struct stat st;
    if (mode_ == Mode::KeepPermissions && ::stat(path_.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        mode = st.st_mode & 07777;
    // A private file must not be published with wider bits than owner-only.
    if (::fchmod(fd_, mode) != 0 && mode_ == Mode::Private) {
        abort();
        return -1;
    }
    buf_ = std::make_unique<Buf>(fd_);
    out_ = std::make_unique<std::ostream>(buf_.get());
    return 0;
}

std::ostream& AtomicFile::out() { return *out_; }

int AtomicFile::commit() {
    if (prepare() != 0) return -1;
    return publish();
}

int AtomicFile::prepare() {
    if (fd_ < 0) return -1;
    out_->flush();
    errno = 0;
    bool ok = out_->good() && buf_->flushAll();
    if (!ok) err_ = buf_->error() ? buf_->error() : EIO;
    if (ok && FileTools::ops().fsync(fd_) != 0) {
        err_ = errno;
        ok = false;
    }
    if (FileTools::ops().close(fd_) != 0 && ok) {
        err_ = errno;
        ok = false;
    }
    fd_ = -1;
    out_.reset();
    buf_.reset();
    if (!ok) {
        abort();
        return -1;
    }
    prepared_ = true;
    return 0;
}

int AtomicFile::publish() {
    if (!prepared_) return -1;
    if (FileTools::ops().rename(tempPath_.c_str(), path_.c_str()) != 0) {
        err_ = errno;
        abort();
        return -1;
    }
    prepared_ = false;
    tempPath_.clear();
    if (syncDirectory(directoryOf(path_)) == 0) return 0;
    err_ = errno;
    return -2;
}

void AtomicFile::abort() {
    out_.reset();
    buf_.reset();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    prepared_ = false;
    if (!tempPath_.empty()) FileTools::ops().unlink(tempPath_.c_str());
    tempPath_.clear();
}

int writeFileAtomically(const std::string& path, const std::string& content) {
    AtomicFile file(path);
    if (file.open() != 0) return -1;
    file.out().write(content.data(), std::streamsize(content.size()));
    return file.commit() == 0 ? 0 : -1;
}

int writePrivateFile(const std::string& path, const std::string& content, std::string& error) {
    AtomicFile file(path, AtomicFile::Mode::Private);
    const int opened = file.open();
    if (opened == 0) {
        file.out() << content;
        if (file.commit() != -1) return 0;
    }
    error = path + ": " +
            (opened == -2 ? std::string("not a regular file of the user's own")
                          : std::strerror(file.lastError() ? file.lastError() : EIO));
    return -1;
}

bool mayReplacePrivately(const std::string& name) {
    struct stat st;
    if (::lstat(name.c_str(), &st) != 0) return errno == ENOENT;
    return S_ISREG(st.st_mode) && st.st_uid == ::geteuid();
}

FileStamp stampOf(const std::string& path) {
    FileStamp f;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return f;
    f.exists = true;
    f.device = st.st_dev;
    f.inode = st.st_ino;
    f.size = st.st_size;
    f.changedSec = st.st_ctim.tv_sec;
    f.changedNsec = st.st_ctim.tv_nsec;
    return f;
}
