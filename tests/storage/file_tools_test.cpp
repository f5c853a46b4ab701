// The file tools: regular files only and never a planted link, owner-only new
// files, writes that replace a file whole or not at all, three backups; and
// editing a description in an external editor through an owner-only scratch
// file in a private folder that is never reached through a link.

#include "storage/external_edit.h"
#include "storage/file_tools.h"
#include "storage/journal_files.h"
#include "support/temp_dir.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

mode_t modeOf(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

struct ExternalEdit : testing::Test {
    void SetUp() override { setScratchFolder(folder); }
    void TearDown() override { setScratchFolder(""); }
    TempDir dir;
    std::string folder = dir.file("scratch");
};

} // namespace

TEST(FileTools, OnlyRegularFilesOpenAndNothingBlocks) {
    const std::string none = std::strerror(ENOENT), link = "it is a symbolic link",
                      fifo = "it is a FIFO, not a regular file";
    // name -> "result reason first-line" following links | not following | existDat
    // clang-format off
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
    // clang-format on
    TempDir dir;
    writeWholeFile(dir.file("f"), "text\n");
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    for (std::string target : {"fifo", "f", "none", "/dev/zero"})
        std::filesystem::create_symlink(target,
                                        dir.file("to-" + target.substr(target.rfind('/') + 1)));
    ::alarm(10); // an open that blocks ends the test here instead of hanging it
    for (const auto& [name, expected] : rows) {
        SCOPED_TRACE(name);
        std::string seen;
        for (bool followLinks : {true, false}) {
            ReadFile in;
            std::string reason, line;
            const int r = openRegularFile(dir.file(name), followLinks, in, reason);
            std::getline(in, line);
            seen += std::to_string(r) + " " + reason + (line.empty() ? "" : " " + line) + " | ";
        }
        EXPECT_EQ(seen + (existDat(dir.file(name)) ? "yes" : "no"), expected);
    }
    ::alarm(0);
    EXPECT_EQ(resolveDataFilePath(dir.file("to-none")),
              std::filesystem::canonical(dir.path()).string() + "/none")
        << "a dangling link names the file to make";
    EXPECT_EQ(FileTools::copyFile(dir.file("none"), dir.file("copy")), -1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("copy")));
}

// Every failing step of a write is driven in fault_injection_test.cpp; short
// writes are not a failure: the rest is written after them.
// An open or a read interrupted by a signal, or told to try again, is tried
// again, ten times in all; the tenth such error is the file's error.
TEST(FileTools, PassingErrorsAreTriedAgainTenTimes) {
    TempDir dir;
    writeWholeFile(dir.file("f"), "text\n");
    static int failures, err;
    // failures in a row of open (EINTR) or read (EAGAIN); what is read
    for (const auto& [n, inOpen, seen] : {std::tuple{9, true, "0 text"},
                                          {10, true, "-2 Interrupted system call bad"},
                                          {9, false, "0 text"},
                                          {10, false, "0  bad"}}) {
        failures = n, err = inOpen ? EINTR : EAGAIN;
        FileTools::ops().open = [](const char* name, int f, mode_t m) {
            return err == EINTR && failures-- > 0 ? (errno = err, -1) : ::open(name, f, m);
        };
        FileTools::ops().read = [](int fd, void* d, std::size_t size) -> ssize_t {
            return err == EAGAIN && failures-- > 0 ? (errno = err, -1) : ::read(fd, d, size);
        };
        ReadFile in;
        std::string reason, line;
        const int r = openRegularFile(dir.file("f"), false, in, reason);
        std::getline(in, line);
        FileTools::ops() = FileTools::systemOps();
        EXPECT_EQ(std::to_string(r) + " " + line + reason + (in.bad() ? " bad" : ""), seen) << n;
    }
}

TEST(FileTools, ShortWritesAreCompleted) {
    TempDir dir;
    const std::string p = dir.file("v.dat");
    std::string text(200000, ' ');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = char('a' + i % 26);
    FileTools::ops().write = [](int fd, const void* d, std::size_t n) {
        return ::write(fd, d, n > 7000 ? 7000 : n);
    };
    EXPECT_EQ(writeFileAtomically(p, text), 0);
    FileTools::ops() = FileTools::systemOps();
    EXPECT_TRUE(readWholeFile(p) == text) << "the text written whole";
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"v.dat"});
}

TEST(FileTools, NewFilesAreOwnerOnlyAndKeptFilesKeepTheirMode) {
    TempDir dir;
    const std::string p = dir.file("v.dat");
    ASSERT_EQ(writeFileAtomically(p, "one\n"), 0);
    EXPECT_EQ(modeOf(p), S_IFREG | 0600);
    ::chmod(p.c_str(), 0640);
    ASSERT_EQ(writeFileAtomically(p, "two\n"), 0);
    EXPECT_EQ(modeOf(p), S_IFREG | 0640);

    const std::string clip = dir.file("clip.tmp"), victim = dir.file("victim");
    writeWholeFile(clip, "left over");
    ::chmod(clip.c_str(), 0666);
    ASSERT_EQ(FileTools::createPrivateFile(clip), 0);
    EXPECT_EQ(readWholeFile(clip), "");
    EXPECT_EQ(modeOf(clip), S_IFREG | 0600);
    writeWholeFile(victim, "precious");
    ::chmod(victim.c_str(), 0644);
    ASSERT_EQ(::symlink(victim.c_str(), dir.file("link").c_str()), 0);
    EXPECT_EQ(FileTools::createPrivateFile(dir.file("link")), -1);
    EXPECT_EQ(readWholeFile(victim), "precious");
    EXPECT_EQ(modeOf(victim), S_IFREG | 0644);
    EXPECT_EQ(FileTools::createPrivateFile(dir.file("no/such/dir")), -1);
}

TEST(FileTools, SavesKeepThreeGenerationsOfBackups) {
    TempDir dir;
    const std::string p = dir.file("v.dat");
    for (char generation : std::string("12345")) {
        JournalFiles::CommitReport report;
        const auto write = [&](std::ostream& os) { os << generation; };
        ASSERT_EQ(JournalFiles::commit(p, write, false, report), 0) << report.error;
        EXPECT_TRUE(report.warnings.empty());
    }
    std::string generations;
    for (const std::string& name : namesIn(dir.path()))
        generations += readWholeFile(dir.file(name));
    EXPECT_EQ(generations, "5432") << "v.dat, v.datb0, v.datb1, v.datb2 and no more";
}

// A program started with standard input closed gets descriptor 0 for a file.
TEST(FileTools, FoldersAreSyncedAlsoThroughDescriptorZero) {
    TempDir dir;
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit((::close(0), syncDirectory(dir.path())) == 0 ? 0 : 1);
    int status = -1;
    EXPECT_TRUE(::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(ExternalEdit, TheScratchFolderIsPrivateAndNeverALink) {
    const std::string run = dir.file("run"), home = dir.file("home");
    ASSERT_EQ(::mkdir(run.c_str(), 0700), 0);
    ASSERT_EQ(::symlink(run.c_str(), dir.file("runlink").c_str()), 0);
    EXPECT_EQ(scratchFolderFor(run.c_str(), home), run + "/velk");
    for (const std::string& unusable : {std::string(), dir.file("missing"), dir.file("runlink")})
        EXPECT_EQ(scratchFolderFor(unusable.c_str(), home), home + "/.velkrc/scratch") << unusable;
    ASSERT_EQ(::mkdir(home.c_str(), 0755), 0);
    ASSERT_EQ(prepareScratchFolder(home + "/.velkrc/scratch"), 0) << "the settings folder is made";
    EXPECT_EQ(modeOf(home + "/.velkrc/scratch"), S_IFDIR | 0700);

    ASSERT_EQ(::symlink(run.c_str(), folder.c_str()), 0);
    EXPECT_EQ(ScratchFile().create("secret"), -1);
    EXPECT_EQ(removeStaleScratchFiles(folder), -1);
    EXPECT_TRUE(namesIn(run).empty());
    // A folder of another user is left alone; the superuser makes one.
    EXPECT_EQ(removeStaleScratchFiles(::chown(run.c_str(), 65534, 65534) == 0 ? run : "/"), -1);
}

TEST_F(ExternalEdit, ScratchFilesAreOwnerOnlyUniqueAndRemoved) {
    const pid_t ended = ::fork();
    if (ended == 0) ::_exit(0);
    ASSERT_EQ(::waitpid(ended, nullptr, 0), ended);
    // The digits after "velk-" are a process ID. The kernel hands out none
    // above pid_max, so the 9-digit one (a 0 and a 9 in it) names a run that
    // has ended; a letter among the digits makes no scratch file's name.
    ASSERT_LT(std::stol(readWholeFile("/proc/sys/kernel/pid_max")), 900000009L);
    const std::string ended1 = "velk-" + std::to_string(ended) + "-aB3dE9.tmp",
                      ended2 = "velk-900000009-aB3dE9.tmp", letter = "velk-99999999z-aB3dE9.tmp";
    {
        ScratchFile a, b;
        ASSERT_EQ(a.create("text\n"), 0);
        ASSERT_EQ(b.create(""), 0);
        EXPECT_EQ(modeOf(folder), S_IFDIR | 0700);
        const std::string first = a.name();
        EXPECT_EQ(first.rfind(folder + "/velk-" + std::to_string(::getpid()) + "-", 0), 0u);
        EXPECT_EQ(modeOf(first), S_IFREG | 0600);
        EXPECT_EQ(readWholeFile(first), "text\n");
        EXPECT_EQ(a.create("again"), -1) << "one file per object";
        // Files of runs that ended are removed, this run's and others' stay.
        for (const std::string& name : {ended1, ended2, letter, std::string("notes.txt")})
            writeWholeFile(folder + "/" + name, "");
        EXPECT_EQ(removeStaleScratchFiles(folder), 2);
        EXPECT_EQ(namesIn(folder).size(), 4u);
    }
    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"notes.txt", letter}));
}

TEST_F(ExternalEdit, TheEditedTextComesBackWithEveryLineEndedOrNotAtAll) {
    // editor: the script's body; null: no such editor
    // clang-format off
    const struct { const char* editor; int result; const char* text; } rows[] = {
        {"printf 'one\\ntwo' > \"$1\"", 0, "one\ntwo\n"}, {"printf 'one\\n\\n' > \"$1\"", 0, "one\n\n"},
        {": > \"$1\"", 0, ""}, {"echo junk > \"$1\"; exit 3", -2, "keep\n"}, {"rm -f \"$1\"", -3, "keep\n"},
        {"rm -f \"$1\"; ln -s /etc/hostname \"$1\"", -3, "keep\n"}, {nullptr, -2, "keep\n"},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.editor ? row.editor : "no such editor");
        writeWholeFile(dir.file("ed.sh"),
                       std::string("#!/bin/sh\n") + (row.editor ? row.editor : "") + "\n");
        ::chmod(dir.file("ed.sh").c_str(), 0700);
        std::string text = "keep\n";
        EXPECT_EQ(editInExternalEditor(row.editor ? dir.file("ed.sh") : dir.file("none"), text),
                  row.result);
        EXPECT_EQ(text, row.text);
        EXPECT_TRUE(namesIn(folder).empty()) << "a scratch file was left behind";
    }
}
