#include "storage/file_tools.h"
#include "storage/journal_files.h"
#include "support/temp_dir.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Restores the real system calls when a test that injects failures ends.
struct OpsGuard {
    ~OpsGuard() { FileTools::ops() = FileTools::systemOps(); }
};

mode_t modeOf(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

std::size_t entriesIn(const std::string& dir) {
    return std::size_t(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

} // namespace

TEST(FileTools, ExistDatOnlyForReadableFiles) {
    TempDir dir;
    EXPECT_FALSE(existDat(""));
    writeWholeFile(dir.file("f"), "x");
    EXPECT_TRUE(existDat(dir.file("f")));
    if (::geteuid() != 0) { // root reads everything
        ::chmod(dir.file("f").c_str(), 0);
        EXPECT_FALSE(existDat(dir.file("f")));
    }
}

TEST(FileTools, OnlyRegularFilesAreOpenedAndNothingBlocks) {
    const std::string fifo = "it is a FIFO, not a regular file", link = "it is a symbolic link";
    const std::string none = std::strerror(ENOENT), dir = "it is a directory, not a regular file";
    // name -> "result reason first-line" following links | not following | existDat
    const std::map<std::string, std::string> cases = {
        {"none", "-1 " + none + " | -1 " + none + " | no"},
        {"f/x", "-1 Not a directory | -1 Not a directory | no"},
        {"f", "0  text | 0  text | yes"},
        {".", "-2 " + dir + " | -2 " + dir + " | no"},
        {"fifo", "-2 " + fifo + " | -2 " + fifo + " | no"},
        {"to-fifo", "-2 " + fifo + " | -2 " + link + " | no"},
        {"to-zero", "-2 it is a character device, not a regular file | -2 " + link + " | no"},
        {"to-f", "0  text | -2 " + link + " | yes"},
        {"to-none", "-1 " + none + " | -2 " + link + " | no"},
    };
    TempDir folder;
    writeWholeFile(folder.file("f"), "text\n");
    ASSERT_EQ(::mkfifo(folder.file("fifo").c_str(), 0600), 0);
    for (std::string target : {"fifo", "f", "none", "/dev/zero"})
        fs::create_symlink(target, folder.file("to-" + target.substr(target.rfind('/') + 1)));
    ::alarm(10); // an open that blocks ends the test here instead of hanging it
    for (const auto& [name, expected] : cases) {
        SCOPED_TRACE(name);
        std::string seen;
        for (bool followLinks : {true, false}) {
            std::ifstream in;
            std::string reason, line;
            const int r = openRegularFile(folder.file(name), followLinks, in, reason);
            std::getline(in, line);
            seen += std::to_string(r) + " " + reason + (line.empty() ? "" : " " + line) + " | ";
        }
        EXPECT_EQ(seen + (existDat(folder.file(name)) ? "yes" : "no"), expected);
    }
    ::alarm(0);
}

TEST(FileTools, RmReportsWhetherTheFileWentAway) {
    TempDir dir;
    writeWholeFile(dir.file("f"), "x");
    EXPECT_EQ(FileTools::rm(dir.file("f")), 0);
    EXPECT_EQ(FileTools::rm(dir.file("f")), -1);
}

TEST(FileTools, BackupsKeepThreeGenerations) {
    TempDir dir;
    const std::string p = dir.file("v.dat");
    for (int generation = 1; generation <= 5; ++generation) {
        JournalFiles::CommitReport report;
        ASSERT_EQ(JournalFiles::commit(
                      p, [&](std::ostream& os) { os << "gen" << generation; }, false, report),
                  0)
            << report.error;
        EXPECT_TRUE(report.warnings.empty());
        // The first save has nothing to keep.
        if (generation == 1) {
            EXPECT_EQ(entriesIn(dir.path()), 1u);
        }
    }
    EXPECT_EQ(readWholeFile(p), "gen5");
    EXPECT_EQ(readWholeFile(p + "b0"), "gen4");
    EXPECT_EQ(readWholeFile(p + "b1"), "gen3");
    EXPECT_EQ(readWholeFile(p + "b2"), "gen2");
    EXPECT_EQ(entriesIn(dir.path()), 4u);
}

TEST(FileTools, AtomicWriteKeepsModeAndMakesNewFilesPrivate) {
    TempDir dir;
    const std::string p = dir.file("v.dat");
    ASSERT_EQ(writeFileAtomically(p, "one\n"), 0);
    EXPECT_EQ(modeOf(p), 0600u);
    ::chmod(p.c_str(), 0640);
    ASSERT_EQ(writeFileAtomically(p, "two\n"), 0);
    EXPECT_EQ(readWholeFile(p), "two\n");
    EXPECT_EQ(modeOf(p), 0640u);
    EXPECT_EQ(entriesIn(dir.path()), 1u) << "no temporary file is left";
}

TEST(FileTools, FailedWritesLeaveTheOldFileUntouched) {
    OpsGuard guard;
    struct Fault {
        const char* name;
        void (*inject)(FileTools::Ops&);
    } faults[] = {
        {"disk full", [](FileTools::Ops& o) {
             o.write = [](int, const void*, std::size_t) -> ssize_t { return errno = ENOSPC, -1; };
         }},
        {"short writes then failure", [](FileTools::Ops& o) {
             o.write = [](int fd, const void* d, std::size_t n) -> ssize_t {
                 static int calls = 0;
                 if (++calls % 3 == 0) return errno = EIO, -1;
                 return ::write(fd, d, n > 7 ? 7 : n);
             };
         }},
        {"sync fails", [](FileTools::Ops& o) { o.fsync = [](int) { return errno = EIO, -1; }; }},
        {"close fails", [](FileTools::Ops& o) {
             o.close = [](int fd) { ::close(fd); return errno = EIO, -1; };
         }},
        {"rename fails", [](FileTools::Ops& o) {
             o.rename = [](const char*, const char*) { return errno = EXDEV, -1; };
         }},
    };
    for (const Fault& f : faults) {
        SCOPED_TRACE(f.name);
        TempDir dir;
        const std::string p = dir.file("v.dat");
        ASSERT_EQ(writeFileAtomically(p, "old content\n"), 0);
        f.inject(FileTools::ops());
        EXPECT_EQ(writeFileAtomically(p, std::string(200000, 'n')), -1);
        FileTools::ops() = FileTools::systemOps();
        EXPECT_EQ(readWholeFile(p), "old content\n");
        EXPECT_EQ(entriesIn(dir.path()), 1u) << "the temporary file is removed";
    }
}

TEST(FileTools, AbandonedWriteChangesNothing) {
    TempDir dir;
    const std::string p = dir.file("v.dat");
    ASSERT_EQ(writeFileAtomically(p, "old"), 0);
    {
        AtomicFile f(p);
        ASSERT_EQ(f.open(), 0);
        f.out() << "half written";
    }
    EXPECT_EQ(readWholeFile(p), "old");
    EXPECT_EQ(entriesIn(dir.path()), 1u);
}

TEST(FileTools, PrivateFileIsEmptiedAndNeverFollowsALink) {
    TempDir dir;
    const std::string clip = dir.file("velkXXXXXX.tmp");
    writeWholeFile(clip, "left over");
    ::chmod(clip.c_str(), 0666);
    ASSERT_EQ(FileTools::createPrivateFile(clip), 0);
    EXPECT_EQ(readWholeFile(clip), "");
    EXPECT_EQ(modeOf(clip), 0600u);

    const std::string victim = dir.file("victim");
    writeWholeFile(victim, "precious");
    const std::string link = dir.file("link.tmp");
    ASSERT_EQ(::symlink(victim.c_str(), link.c_str()), 0);
    EXPECT_EQ(FileTools::createPrivateFile(link), -1);
    EXPECT_EQ(readWholeFile(victim), "precious");
    EXPECT_EQ(FileTools::createPrivateFile(dir.file("no/such/dir/x")), -1);
}
