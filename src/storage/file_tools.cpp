#include "storage/file_tools.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <streambuf>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

ssize_t sysWrite(int fd, const void* data, std::size_t size) { return ::write(fd, data, size); }
int sysFsync(int fd) { return ::fsync(fd); }
int sysRename(const char* from, const char* to) { return std::rename(from, to); }
int sysClose(int fd) { return ::close(fd); }

const FileTools::Ops realOps = {sysWrite, sysFsync, sysRename, sysClose};
FileTools::Ops currentOps = realOps;

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

std::string directoryOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Syncs a directory so that a rename inside it survives a crash.
bool syncDirectory(const std::string& dir) {
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = FileTools::ops().fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// Copies the file from to the new file to (owner-only); false on any failure.
bool copyFile(const std::string& from, const std::string& to) {
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

} // namespace

bool existDat(const std::string& name) {
    if (name.empty()) return false;
    int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
    ::close(fd);
    return ok;
}

void moveBackupFiles(const std::string& path) {
    if (path.empty()) return;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
    const std::string b0 = path + "b0", b1 = path + "b1", b2 = path + "b2";
    FileTools::ops().rename(b1.c_str(), b2.c_str());
    FileTools::ops().rename(b0.c_str(), b1.c_str());
    ::unlink(b0.c_str());
    // The data file is only ever replaced by a rename, never rewritten in
    // place, so a hard link keeps the old generation at no cost. Where links
    // are not possible the file is copied.
    if (::link(path.c_str(), b0.c_str()) != 0) copyFile(path, b0);
    syncDirectory(directoryOf(path));
}

namespace FileTools {

int rm(const std::string& name) { return ::unlink(name.c_str()) == 0 ? 0 : -1; }

int createPrivateFile(const std::string& name) {
    int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
              ::fchmod(fd, 0600) == 0 && ::ftruncate(fd, 0) == 0;
    ::close(fd);
    return ok ? 0 : -1;
}

Ops& ops() { return currentOps; }
const Ops& systemOps() { return realOps; }

} // namespace FileTools

// A stream buffer that writes to a file descriptor and remembers any failure.
class AtomicFile::Buf : public std::streambuf {
  public:
    explicit Buf(int fd) : fd_(fd) { setp(buffer_, buffer_ + sizeof buffer_); }
    bool failed() const { return failed_; }
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
        if (n > 0 && !failed_ && !writeAll(fd_, pbase(), n)) failed_ = true;
        setp(buffer_, buffer_ + sizeof buffer_);
        return !failed_;
    }
    int fd_;
    bool failed_ = false;
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
    if (fd < 0) return -1;
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
    if (fd_ < 0) return -1;
    out_->flush();
    bool ok = out_->good() && buf_->flushAll() && FileTools::ops().fsync(fd_) == 0;
    ok = FileTools::ops().close(fd_) == 0 && ok;
    fd_ = -1;
    if (ok) ok = FileTools::ops().rename(tempPath_.c_str(), path_.c_str()) == 0;
    if (!ok) {
        abort();
        return -1;
    }
    tempPath_.clear();
    out_.reset();
    buf_.reset();
    syncDirectory(directoryOf(path_));
    return 0;
}

void AtomicFile::abort() {
    out_.reset();
    buf_.reset();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!tempPath_.empty()) ::unlink(tempPath_.c_str());
    tempPath_.clear();
}

int writeFileAtomically(const std::string& path, const std::string& content) {
    AtomicFile file(path);
    if (file.open() != 0) return -1;
    file.out().write(content.data(), std::streamsize(content.size()));
    return file.commit();
}

bool mayReplacePrivately(const std::string& name) {
    struct stat st;
    if (::lstat(name.c_str(), &st) != 0) return errno == ENOENT;
    return S_ISREG(st.st_mode) && st.st_uid == ::geteuid();
}
