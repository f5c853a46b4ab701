// The built program, run as a user would: headless runs on files, and the real
// window under the X server of the test run.

#include "storage/file_lock.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "support/velk_window.h"
#include "support/x_window.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

ProcessSpec headless(const TempDir& home, const std::string& cwd,
                     std::vector<std::string> args) {
    ProcessSpec command;
    command.args = std::move(args);
    command.cwd = cwd;
    command.env = {{"USERPROFILE", home.path()}, {"HOME", home.path()}, {"DISPLAY", ""}};
    return command;
}

} // namespace

TEST(Startup, HeadlessRunReportsCandidatesAndLeavesNoClipboard) {
    TempDir home, work;
    ProcessResult r = runProcess(headless(home, work.path(), {"-q", "-f", work.file("x.dat")}));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, home.file(".velk/velk_default.dat") + " does not exist\n" +
                         home.file("velk/velk_default.dat") + " does not exist\n" +
                         "velk_default.dat does not exist\n");
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(namesIn(work.path()).empty()) << "no clipboard file is made without a window";
}

TEST(Startup, HeadlessRunWorksWhereItMayNotWrite) {
    TempDir home, work;
    fs::create_directories(home.file(".velkrc"));
    writeWholeFile(home.file(".velkrc/velk.config"), "editor = vim\ndefault = ~/mine.dat\n");
    writeWholeFile(home.file("mine.dat"), readWholeFile(std::string(VELK_TEST_DATA_DIR) + "/fresh.dat"));
    fs::permissions(work.path(), fs::perms::owner_read | fs::perms::owner_exec);
    ProcessResult r = runProcess(headless(home, work.path(), {"-q"}));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "user config: editor = vim\nuser config: default = ~/mine.dat\n");
}

TEST(Startup, HeadlessSaveWritesTheFreshFile) {
    TempDir home, work;
    ProcessSpec command = headless(home, work.path(), {"-q", "-s", "-f", work.file("new.dat")});
    command.env["VELK_NOW"] = "1299326400"; // 5 March 2011
    ProcessResult r = runProcess(command);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("write to file: 0\n"), std::string::npos) << r.out;
    EXPECT_EQ(readWholeFile(work.file("new.dat")),
              readWholeFile(std::string(VELK_TEST_DATA_DIR) + "/fresh.dat"));
    EXPECT_EQ(namesIn(work.path()), std::vector<std::string>{"new.dat"})
        << "no backup of a file that did not exist, no lock left behind";

    // Saved again: the previous generation is kept.
    r = runProcess(command);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(namesIn(work.path()), (std::vector<std::string>{"new.dat", "new.datb0"}));
}

TEST(Startup, CorruptOrUnreadableDataFileStopsTheRunAndChangesNothing) {
    TempDir home, work;
    writeWholeFile(work.file("bad.dat"), "<type=Velk>\n<version=0.54>\n<data>\n");
    ProcessResult r = runProcess(headless(home, work.path(), {"-q", "-s", "-f", work.file("bad.dat")}));
    EXPECT_EQ(r.exitCode, -1);
    EXPECT_EQ(r.err, "Master data file corrupt. Read Documentation about data recovery.\n");
    EXPECT_EQ(readWholeFile(work.file("bad.dat")), "<type=Velk>\n<version=0.54>\n<data>\n");
    EXPECT_EQ(namesIn(work.path()), std::vector<std::string>{"bad.dat"});

    fs::create_directories(work.file("dir.dat"));
    r = runProcess(headless(home, work.path(), {"-q", "-s", "-f", work.file("dir.dat")}));
    EXPECT_EQ(r.exitCode, -1);
    EXPECT_NE(r.err.find("Cannot read the data file " + work.file("dir.dat")), std::string::npos)
        << r.err;
    EXPECT_TRUE(fs::is_directory(work.file("dir.dat")));
}

TEST(Startup, SpecialDataFileOrUntakableLockStopsTheRunPromptlyAndChangesNothing) {
    const std::string fresh = readWholeFile(std::string(VELK_TEST_DATA_DIR) + "/fresh.dat");
    struct Case {
        std::string made;    // what stands at the data file's or the lock file's name
        const char* message; // following "<name>: "
    } cases[] = {
        {"FIFO data file", "it exists but is not a readable file (it is a FIFO"},
        {"lock directory", "it is a directory, not a regular file.\nNothing was changed.\n"},
        {"dangling lock link", "it is a symbolic link.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.made);
        TempDir home, work;
        const std::string data = work.file("d.dat");
        const std::string lock = fs::canonical(work.path()).string() + "/d.dat.lock";
        const bool fifo = c.made == "FIFO data file";
        if (fifo)
            ASSERT_EQ(::mkfifo(data.c_str(), 0600), 0);
        else
            writeWholeFile(data, fresh);
        if (c.made == "lock directory") fs::create_directory(lock);
        if (c.made == "dangling lock link") fs::create_symlink("gone", lock);
        const std::vector<std::string> before = namesIn(work.path());
        ProcessResult r = runProcess(headless(home, work.path(), {"-q", "-s", "-f", data}));
        EXPECT_EQ(r.exitCode, -1);
        const std::string named =
            fifo ? "Cannot read the data file " + data : "Cannot take the lock file " + lock;
        EXPECT_NE(r.err.find(named + ": " + c.message), std::string::npos) << r.err;
        EXPECT_EQ(namesIn(work.path()), before);
        EXPECT_TRUE(fifo || readWholeFile(data) == fresh) << "the data file is untouched";
    }
}

TEST(Startup, DataFileReachedThroughALinkIsUpdatedWhereTheLinkLeads) {
    const std::string fresh = readWholeFile(std::string(VELK_TEST_DATA_DIR) + "/fresh.dat");
    for (const std::string kind : {"relative", "absolute", "dangling"}) {
        SCOPED_TRACE(kind);
        TempDir home, work;
        fs::create_directories(work.file("real"));
        fs::create_directories(work.file("links"));
        const std::string real = fs::canonical(work.path()).string() + "/real/v.dat";
        const std::string link = work.file("links/l.dat");
        if (kind != "dangling") writeWholeFile(real, fresh);
        // A journal entry left by a run that did not end normally.
        writeWholeFile(real + "0", "<type=Velk>\n<version=0.54>\n<data>\n<new parent=1>\nt\n"
                                   "sjournaled\nI3\n>\n>\n</new>\n</data>\n");
        fs::create_symlink(kind == "absolute" ? real : "../real/v.dat", link);
        ProcessSpec command = headless(home, work.path(), {"-q", "-s", "-f", link});
        command.env["VELK_NOW"] = "1299326400"; // 5 March 2011
        DataFileLock held; // on the real file: it keeps out a run through the link
        ASSERT_EQ(held.acquire(real), 0);
        ProcessResult r = runProcess(command);
        EXPECT_NE(r.err.find("already running on the data file " + link), std::string::npos);
        held.release();
        r = runProcess(command);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_NE(readWholeFile(real).find("\nsjournaled\n"), std::string::npos);
        EXPECT_EQ(namesIn(work.file("links")), std::vector<std::string>{"l.dat"});
        // Saved after the merge and at the end: the journal went, backups came.
        std::vector<std::string> beside = {"v.dat", "v.datb0", "v.datb1"};
        if (kind == "dangling") beside.pop_back();
        EXPECT_EQ(namesIn(work.file("real")), beside);
    }
}

TEST(Startup, RefusedCalendarDateIsReportedOnStandardError) {
    TempDir home, work;
    ProcessResult r = runProcess(headless(home, work.path(), {"-q", "-c", "2011-02-30"}));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.err.find("2011-02-30"), std::string::npos) << r.err;
}

TEST(Startup, WindowIgnoresEscapeAndClosingEndsTheRun) {
    PrivateXServer x;
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    TempDir home, work;
    ProcessSpec command = headless(home, work.path(), {"-f", work.file("w.dat")});
    command.env["DISPLAY"] = x.display();
    pid_t pid = startProcess(command);
    unsigned long w = waitForWindow("Velk: " + work.file("w.dat"));
    ASSERT_NE(w, 0u);
    EXPECT_EQ(namesIn(work.path()), (std::vector<std::string>{"velkXXXXXX.tmp", "w.dat.lock"}));

    // A second run on the same data file refuses to start and changes nothing.
    ProcessSpec second = headless(home, work.path(), {"-q", "-s", "-f", work.file("w.dat")});
    ProcessResult refused = runProcess(second);
    EXPECT_EQ(refused.exitCode, -1);
    EXPECT_NE(refused.err.find("already running on the data file " + work.file("w.dat")),
              std::string::npos)
        << refused.err;
    EXPECT_FALSE(fs::exists(work.file("w.dat")));

    std::string focusAndEscape = "xdotool windowfocus --sync " + std::to_string(w) +
                                 " key Escape >/dev/null 2>&1";
    ASSERT_EQ(std::system(focusAndEscape.c_str()), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_TRUE(processRunning(pid)) << "Escape does not end the program";

    ASSERT_TRUE(askWindowToClose(w));
    ProcessResult r = waitProcess(pid, 20);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(namesIn(work.path()).empty()) << "the clipboard file is removed at the end";
}
