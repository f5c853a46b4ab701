// The built program, run as a user would: headless runs on files, and the real
// window under the X server of the test run.

#include "support/process.h"
#include "support/temp_dir.h"
#include "support/x_window.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> namesIn(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

ProcessSpec headless(const TempDir& home, const std::string& cwd,
                     std::vector<std::string> args) {
    ProcessSpec spec;
    spec.args = std::move(args);
    spec.cwd = cwd;
    spec.env = {{"USERPROFILE", home.path()}, {"HOME", home.path()}, {"DISPLAY", ""}};
    return spec;
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
    writeWholeFile(home.file("mine.dat"), "");
    fs::permissions(work.path(), fs::perms::owner_read | fs::perms::owner_exec);
    ProcessResult r = runProcess(headless(home, work.path(), {"-q"}));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "user config: editor = vim\nuser config: default = ~/mine.dat\n");
}

TEST(Startup, RefusedCalendarDateIsReportedOnStandardError) {
    TempDir home, work;
    ProcessResult r = runProcess(headless(home, work.path(), {"-q", "-c", "2011-02-30"}));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.err.find("2011-02-30"), std::string::npos) << r.err;
}

TEST(Startup, WindowIgnoresEscapeAndClosingEndsTheRun) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "the tests run under an X server (xvfb-run)";
    TempDir home, work;
    ProcessSpec spec = headless(home, work.path(), {"-f", work.file("w.dat")});
    spec.env.erase("DISPLAY");
    pid_t pid = startProcess(spec);
    unsigned long w = waitForWindow("Velk: " + work.file("w.dat"));
    ASSERT_NE(w, 0u);
    EXPECT_EQ(namesIn(work.path()), std::vector<std::string>{"velkXXXXXX.tmp"});

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
