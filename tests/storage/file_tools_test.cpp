// The file tools: regular files only and never a planted link, owner-only new
// files, writes that replace a file whole or not at all, three backups.

#include "storage/file_tools.h"
#include "storage/journal_files.h"
#include "support/temp_dir.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

mode_t modeOf(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

} // namespace

TEST(FileTools, OnlyRegularFilesOpenAndNothingBlocks) {
    const std::string none = std::strerror(ENOENT), link = "it is a symbolic link",
                      fifo = "it is a FIFO, not a regular file";
    // name -> "result reason first-line" following links | not following | existDat
    const std::pair<const char*, std::string> rows[] = {
        {"none", "-1 " + none + " | -1 " + none + " | no"},
        {"f/x", "-1 Not a directory | -1 Not a directory | no"},
        {"f", "0  text | 0  text | yes"},
        {".", "-2 it is a directory, not a regular file | -2 it is a directory, not a regular file | no"},
        {"fifo", "-2 " + fifo + " | -2 " + fifo + " | no"},
        {"to-fifo", "-2 " + fifo + " | -2 " + link + " | no"},
        {"to-zero", "-2 it is a character device, not a regular file | -2 " + link + " | no"},
        {"to-f", "0  text | -2 " + link + " | yes"},
        {"to-none", "-1 " + none + " | -2 " + link + " | no"},
    };
    TempDir dir;
    writeWholeFile(dir.file("f"), "text\n");
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    for (std::string target : {"fifo", "f", "none", "/dev/zero"})
        fs::create_symlink(target, dir.file("to-" + target.substr(target.rfind('/') + 1)));
    ::alarm(10); // an open that blocks ends the test here instead of hanging it
    for (const auto& [name, expected] : rows) {
        SCOPED_TRACE(name);
        std::string seen;
        for (bool followLinks : {true, false}) {
            std::ifstream in;
            std::string reason, line;
            const int r = openRegularFile(dir.file(name), followLinks, in, reason);
            std::getline(in, line);
            seen += std::to_string(r) + " " + reason + (line.empty() ? "" : " " + line) + " | ";
        }
        EXPECT_EQ(seen + (existDat(dir.file(name)) ? "yes" : "no"), expected);
    }
    ::alarm(0);
    EXPECT_EQ(resolveDataFilePath(dir.file("to-none")), fs::canonical(dir.path()).string() + "/none")
        << "a dangling link names the file to make";
    EXPECT_EQ(FileTools::copyFile(dir.file("none"), dir.file("copy")), -1);
    EXPECT_FALSE(fs::exists(dir.file("copy")));
}

// Every failing step of a write is driven in fault_injection_test.cpp; short
// writes are not a failure: the rest is written after them.
TEST(FileTools, ShortWritesAreCompletedAndAFailureAfterThemKeepsTheOldFile) {
    TempDir dir;
    const std::string p = dir.file("v.dat");
    std::string text(200000, ' ');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = char('a' + i % 26);
    ASSERT_EQ(writeFileAtomically(p, "old\n"), 0);
    static int calls, failAt;
    FileTools::ops().write = [](int fd, const void* d, std::size_t n) -> ssize_t {
        return ++calls == failAt ? (errno = EIO, -1) : ::write(fd, d, n > 7000 ? 7000 : n);
    };
    for (int fail : {5, 0}) {
        calls = 0, failAt = fail;
        EXPECT_EQ(writeFileAtomically(p, text), fail ? -1 : 0);
        EXPECT_TRUE(readWholeFile(p) == (fail ? "old\n" : text)) << "the text written whole, or the old file";
        EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"v.dat"});
    }
    FileTools::ops() = FileTools::systemOps();
}

TEST(FileTools, NewFilesAreOwnerOnlyAndKeptFilesKeepTheirMode) {
    TempDir dir;
    const std::string p = dir.file("v.dat");
    ASSERT_EQ(writeFileAtomically(p, "one\n"), 0);
    EXPECT_EQ(modeOf(p), 0600u);
    ::chmod(p.c_str(), 0640);
    ASSERT_EQ(writeFileAtomically(p, "two\n"), 0);
    EXPECT_EQ(modeOf(p), 0640u);

    const std::string clip = dir.file("clip.tmp"), victim = dir.file("victim");
    writeWholeFile(clip, "left over");
    ::chmod(clip.c_str(), 0666);
    ASSERT_EQ(FileTools::createPrivateFile(clip), 0);
    EXPECT_EQ(readWholeFile(clip), "");
    EXPECT_EQ(modeOf(clip), 0600u);
    writeWholeFile(victim, "precious");
    ::chmod(victim.c_str(), 0644);
    ASSERT_EQ(::symlink(victim.c_str(), dir.file("link").c_str()), 0);
    EXPECT_EQ(FileTools::createPrivateFile(dir.file("link")), -1);
    EXPECT_EQ(readWholeFile(victim), "precious");
    EXPECT_EQ(modeOf(victim), 0644u);
    EXPECT_EQ(FileTools::createPrivateFile(dir.file("no/such/dir")), -1);
}

TEST(FileTools, SavesKeepThreeGenerationsOfBackups) {
    TempDir dir;
    const std::string p = dir.file("v.dat");
    for (int generation = 1; generation <= 5; ++generation) {
        JournalFiles::CommitReport report;
        ASSERT_EQ(JournalFiles::commit(p, [&](std::ostream& os) { os << generation; }, false, report), 0)
            << report.error;
        EXPECT_TRUE(report.warnings.empty());
        if (generation == 1) {
            EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"v.dat"});
        }
    }
    EXPECT_EQ(readWholeFile(p) + readWholeFile(p + "b0") + readWholeFile(p + "b1") +
                  readWholeFile(p + "b2"), "5432");
    EXPECT_EQ(namesIn(dir.path()).size(), 4u);
}

// A program started with standard input closed gets descriptor 0 for a file.
TEST(FileTools, FoldersAreSyncedAlsoThroughDescriptorZero) {
    TempDir dir;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(0);
        ::_exit(syncDirectory(dir.path()) == 0 ? 0 : 1);
    }
    int status = -1;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}
