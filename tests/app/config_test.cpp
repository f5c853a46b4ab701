#include "app/command_line.h"
#include "app/config.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

static const std::vector<std::string> builtIn = {"~/.velk/velk_default.dat",
                                                 "~/velk/velk_default.dat", "velk_default.dat"};

// s with every "@" replaced by at.
static std::string with(std::string s, const std::string& at) {
    for (std::size_t i = s.find('@'); i != std::string::npos; i = s.find('@', i + at.size()))
        s.replace(i, 1, at);
    return s;
}

// Every row is the content of ~/.velkrc/velk.config ("none": no file; "FIFO":
// a FIFO in its place, "@" its name) and what was printed on standard output
// and error. Each printed line names a value taken: the last editor wins, the
// defaults replace the built-in list.
TEST(Config, FileContentsGiveEditorCandidatesAndPrintedLines) {
    const std::string e491 = "user config: editor = " + std::string(491, 'e') + "\n";
    // clang-format off
    struct Row { const char* rule; std::string content, out, err; };
    const Row rows[] = {
        {"no file", "none", "", ""},
        {"the value keeps later equals signs; an empty one counts", "default = x=y \ndefault=",
         "user config: default = x=y\nuser config: default = \n", ""},
        {"names are prefixes; lines without '=' are skipped",
         "   editor=nano\n#editor=vi\nno equals\neditorial = ed\nother=1\n",
         "user config: editor = nano\nuser config: editor = ed\n", ""},
        {"blanks, tabs and CR around the value", "editor=\t emacs -nw\t\r\n",
         "user config: editor = emacs -nw\n", ""},
        {"an overlong line is cut, the next one read",
         "editor=" + std::string(100000, 'e') + "\ndefault=b\n",
         e491 + "user config: default = b\n", ""},
        {"a reminder's time of a date; one that is no time keeps 09:00",
         "remind-date-only = 7:30\nremind-date-only = 24:00\n",
         "user config: remind-date-only = 07:30\nuser config: remind-date-only = 07:30\n",
         "user config: remind-date-only = 24:00 is no HH:MM\n"},
        {"minutes between syncs; 0 is none, and what is no count keeps the last",
         "sync-every = 0\nsync-every = 5m\nsync-every = 1441\n",
         "user config: sync-every = 0\nuser config: sync-every = 0\nuser config: sync-every = 0\n",
         "user config: sync-every = 5m is no number of minutes\n"
         "user config: sync-every = 1441 is no number of minutes\n"},
        {"a scale factor from 0.5 to 4; anything else keeps the last",
         "scale = 1.5\nscale = 4.5\nscale = 2x\n", "user config: scale = 1.5\n",
         "user config: scale = 4.5 is no factor from 0.5 to 4\n"
         "user config: scale = 2x is no factor from 0.5 to 4\n"},
        {"a FIFO is skipped without being opened", "FIFO", "",
         "The configuration file @ is skipped: it is a FIFO, not a regular file.\n"},
    };
    // clang-format on
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        TempDir home(true);
        const std::string name = home.file(".velkrc/velk.config");
        std::filesystem::create_directories(home.file(".velkrc"));
        ASSERT_TRUE(r.content != "FIFO" || ::mkfifo(name.c_str(), 0600) == 0);
        if (r.content != "FIFO" && r.content != "none") writeWholeFile(name, r.content);
        ::alarm(10); // an open that blocks on the FIFO ends the test instead of hanging it
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        ReadConfigFile();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), r.out);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), with(r.err, name));
        ::alarm(0);
        std::string editor = "/etc/alternatives/emacs";
        std::vector<std::string> defaults;
        std::istringstream printed(r.out);
        for (std::string line; std::getline(printed, line);) {
            if (line.starts_with("user config: editor = ")) editor = line.substr(22);
            if (line.starts_with("user config: default = ")) defaults.push_back(line.substr(23));
        }
        EXPECT_EQ(velkconfig.editor, editor);
        EXPECT_EQ(velkconfig.defaultFiles, defaults.empty() ? builtIn : defaults);
        EXPECT_EQ(velkconfig.remindDateOnlyMinutes, r.out.find("07:30") != std::string::npos
                                                         ? 7 * 60 + 30
                                                         : 9 * 60);
        EXPECT_EQ(velkconfig.syncEveryMinutes, r.out.find("sync-every = 0") != std::string::npos ? 0 : 15);
        EXPECT_EQ(velkconfig.scale, r.out.find("scale = 1.5") != std::string::npos ? 1.5 : 0);
    }
}

// Every row sets USERPROFILE and HOME (null: unset) and the candidates; "@"
// stands for a folder that holds "a.dat". Without a home "~" candidates count
// as missing; a missing candidate is printed, the last one kept when none exists.
TEST(DefaultFile, TheFirstExistingCandidateWinsAndMissingOnesAreReported) {
    // clang-format off
    struct Row { const char *rule, *profile, *home; std::vector<std::string> candidates;
                 std::string path, out; };
    const Row rows[] = {
        {"the profile comes first", "@", "/no", {"~/a.dat"}, "@/a.dat", ""},
        {"then the home", nullptr, "@", {"~/gone", "~/a.dat"}, "@/a.dat",
         "@/gone does not exist\n"},
        {"an empty profile counts as unset", "", "@", {"~/a.dat"}, "@/a.dat", ""},
        {"without a home", nullptr, nullptr, {"~/a.dat", "@/x"}, "@/x",
         "~/a.dat does not exist\n@/x does not exist\n"},
    };
    // clang-format on
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        TempDir dir(true);
        writeWholeFile(dir.file("a.dat"), "");
        for (auto [var, value] : {std::pair{"USERPROFILE", r.profile}, {"HOME", r.home}})
            value ? setenv(var, with(value, dir.path()).c_str(), 1) : unsetenv(var);
        velkconfig.defaultFiles.clear();
        for (const std::string& c : r.candidates)
            velkconfig.defaultFiles.push_back(with(c, dir.path()));
        std::string path;
        testing::internal::CaptureStdout();
        const int found = defaultFile(path);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), with(r.out, dir.path()));
        EXPECT_EQ(found, r.out.ends_with("@/x does not exist\n") ? -1 : 0);
        EXPECT_EQ(path, with(r.path, dir.path()));
    }
}
