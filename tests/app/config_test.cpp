#include "app/command_line.h"
#include "app/config.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::vector<std::string> builtIn = {"~/.velk/velk_default.dat", "~/velk/velk_default.dat",
                                          "velk_default.dat"};

// Writes the configuration file into the temporary home and reads it,
// returning what was printed.
std::string readConfig(const TempDir& home, const std::string* content) {
    if (content) {
        std::filesystem::create_directories(home.file(".velkrc"));
        writeWholeFile(home.file(".velkrc/velk.config"), *content);
    }
    testing::internal::CaptureStdout();
    ReadConfigFile();
    return testing::internal::GetCapturedStdout();
}

} // namespace

TEST(Config, FileContentsGiveEditorCandidatesAndPrintedLines) {
    struct Case {
        const char* name;
        const char* content; // null: no file
        const char* editor;
        std::vector<std::string> candidates;
        const char* printed;
    } cases[] = {
        {"no file", nullptr, "/etc/alternatives/emacs", builtIn, ""},
        {"editor only", "editor = vim\n", "vim", builtIn, "user config: editor = vim\n"},
        {"two defaults replace the built-in list", "default=~/a.dat\ndefault = b.dat\n",
         "/etc/alternatives/emacs", {"~/a.dat", "b.dat"},
         "user config: default = ~/a.dat\nuser config: default = b.dat\n"},
        {"value keeps later equals signs", "default = x=y.dat \n", "/etc/alternatives/emacs",
         {"x=y.dat"}, "user config: default = x=y.dat\n"},
        {"leading blanks, comments and prefixes",
         "   editor=nano\n#editor=vi\neditorial = ed\nno equals here\nother=1\n", "ed", builtIn,
         "user config: editor = nano\nuser config: editor = ed\n"},
        {"tabs and carriage returns around the value", "editor=\t emacs -nw\t\r\n",
         "emacs -nw", builtIn, "user config: editor = emacs -nw\n"},
        {"empty default value", "default=\n", "/etc/alternatives/emacs", {""},
         "user config: default = \n"},
        {"last line without line feed", "editor=joe", "joe", builtIn,
         "user config: editor = joe\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir home(true);
        std::string content = c.content ? c.content : "";
        std::string printed = readConfig(home, c.content ? &content : nullptr);
        EXPECT_EQ(velkconfig.editor, c.editor);
        EXPECT_EQ(velkconfig.defaultFiles, c.candidates);
        EXPECT_EQ(printed, c.printed);
    }
}

TEST(Config, OverlongLinesNeitherHangNorCrash) {
    TempDir home(true);
    std::string content = "editor=" + std::string(100000, 'e') + "\ndefault=after.dat\n";
    readConfig(home, &content);
    EXPECT_EQ(velkconfig.editor, std::string(498 - 7, 'e'));
    EXPECT_EQ(velkconfig.defaultFiles, std::vector<std::string>{"after.dat"});
}

TEST(Config, HomeComesFromUserProfileThenHome) {
    TempDir home(true);
    setenv("USERPROFILE", "/profile", 1);
    setenv("HOME", "/home/u", 1);
    EXPECT_EQ(GetHomeDir(), "/profile");
    unsetenv("USERPROFILE");
    EXPECT_EQ(GetHomeDir(), "/home/u");
    unsetenv("HOME");
    EXPECT_EQ(GetHomeDir(), "");
    testing::internal::CaptureStdout();
    ReadConfigFile(); // no home: no file is looked for
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(velkconfig.defaultFiles, builtIn);
}

TEST(DefaultFile, FirstExistingCandidateWinsAndMissingOnesAreReported) {
    TempDir home(true);
    std::filesystem::create_directories(home.file("velk"));
    writeWholeFile(home.file("velk/velk_default.dat"), "");
    velkconfig.defaultFiles = builtIn;
    std::string path;
    testing::internal::CaptureStdout();
    EXPECT_EQ(defaultFile(path), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              home.file(".velk/velk_default.dat") + " does not exist\n");
    EXPECT_EQ(path, home.file("velk/velk_default.dat"));
}

TEST(DefaultFile, WithoutHomeTildeCandidatesCountAsMissing) {
    TempDir home(true);
    writeWholeFile(home.file("x"), "");
    unsetenv("USERPROFILE");
    unsetenv("HOME");
    velkconfig.defaultFiles = {"~/x", "/nonexistent/velk.dat"};
    std::string path;
    testing::internal::CaptureStdout();
    EXPECT_EQ(defaultFile(path), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "~/x does not exist\n/nonexistent/velk.dat does not exist\n");
    EXPECT_EQ(path, "/nonexistent/velk.dat");
}

TEST(Config, SpecialConfigurationFileIsSkippedWithAMessage) {
    TempDir home(true);
    std::filesystem::create_directories(home.file(".velkrc"));
    const std::string config = home.file(".velkrc/velk.config");
    ASSERT_EQ(::mkfifo(config.c_str(), 0600), 0);
    ::alarm(10); // an open that blocks ends the test here instead of hanging it
    testing::internal::CaptureStderr();
    EXPECT_EQ(readConfig(home, nullptr), "");
    ::alarm(0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "The configuration file " + config +
                  " is skipped: it is a FIFO, not a regular file.\n");
    EXPECT_EQ(velkconfig.defaultFiles, builtIn);
}
