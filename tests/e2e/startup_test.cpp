// The built program started as a user starts it: headless runs on files, and
// the real window under an X server of its own.

#include "storage/file_lock.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "support/velk_window.h"
#include "support/x_window.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

using Files = std::vector<std::pair<std::string, std::string>>;
const std::string fresh = readWholeFile(VELK_TEST_DATA_DIR "/fresh.dat");
const std::string journaled = "<type=Velk>\n<version=0.54>\n<data>\n<new parent=1>\nt\n"
                              "sjournaled\nI3\n>\n>\n</new>\n</data>\n";
const std::string header = "<type=Velk>\n<version=0.54>\n<data>\n";

// s with "@W" and "@H" replaced by the work and home folders.
std::string with(std::string s, const std::string& w, const std::string& h) {
    for (auto [mark, by] : {std::pair{"@W", &w}, {"@H", &h}})
        for (std::size_t at = s.find(mark); at != std::string::npos; at = s.find(mark))
            s.replace(at, 2, *by);
    return s;
}

// Makes each file (its folders too) with its content, or: "<dir>" a folder,
// "<fifo>" a FIFO, "->x" a link to x, "<held>" the lock of the named data file
// taken (returned to be held). The entry "cwd" names the folder the run
// works in instead of @W.
std::shared_ptr<DataFileLock> make(const Files& files, const std::string& w, const std::string& h) {
    std::shared_ptr<DataFileLock> lock;
    for (const auto& [relative, content] : files) {
        if (relative == "cwd") continue;
        const std::string name = with(relative, w, h), to = with(content, w, h);
        fs::create_directories(fs::path(name).parent_path());
        if (to == "<dir>") fs::create_directory(name);
        else if (to == "<fifo>") ::mkfifo(name.c_str(), 0600);
        else if (to.starts_with("->")) fs::create_symlink(to.substr(2), name);
        else if (to == "<held>") lock = std::make_shared<DataFileLock>(), lock->acquire(name);
        else writeWholeFile(name, to);
    }
    return lock;
}

// Everything below dir, sorted, links marked " (link)".
std::vector<std::string> treeOf(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        names.push_back(e.path().lexically_relative(dir).string() + (e.is_symlink() ? " (link)" : ""));
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

// Every row is a headless start on 5 March 2011 in the folder @W with the home
// @H and the files made there: the exit code, standard output (when given), a
// text standard error holds (empty: nothing on it), everything in @W after the
// run, and the text a file then holds (fresh.dat: all of it).
TEST(Startup, StartUpSituationsGiveExitMessageAndFiles) {
    const Files link = {{"@W/real/v.dat", fresh}, {"@W/real/v.dat0", journaled},
                        {"@W/links/l.dat", "->../real/v.dat"}};
    const std::vector<std::string> linkTree = {"links", "links/l.dat (link)", "real", "real/v.dat",
                                               "real/v.datb0", "real/v.datb1"};
    const std::vector<std::string> d = {"-q", "-s", "-f", "@W/d.dat"}, l = {"-q", "-s", "-f", "@W/links/l.dat"};
    const struct Row {
        const char* rule;
        Files files;
        std::vector<std::string> args;
        int exitCode;
        const char* out;
        std::string err;
        std::vector<std::string> after;
        std::string file, content;
    } rows[] = {
        {"a headless run reports the candidates and makes no clipboard", {}, {"-q", "-f", "@W/x"}, 0,
         "@H/.velk/velk_default.dat does not exist\n@H/velk/velk_default.dat does not exist\n"
         "velk_default.dat does not exist\n", "", {}, "", ""},
        {"a headless run works where it may not write",
         {{"@H/.velkrc/velk.config", "editor = vim\ndefault = ~/mine.dat\n"}, {"@H/mine.dat", fresh},
          {"cwd", "/proc"}}, // where nobody, not even the superuser, may make a file
         {"-q"}, 0, "user config: editor = vim\nuser config: default = ~/mine.dat\n", "", {}, "", ""},
        {"a headless save writes the fresh file", {}, d, 0, nullptr, "", {"d.dat"}, "d.dat", fresh},
        {"a second save keeps the previous generation", {{"@W/d.dat", fresh}}, d, 0, nullptr, "",
         {"d.dat", "d.datb0"}, "d.dat", fresh},
        {"a corrupt data file stops the run", {{"@W/d.dat", header}}, d, -1, nullptr,
         "Master data file corrupt. Read Documentation about data recovery.\n", {"d.dat"}, "d.dat",
         header},
        {"a folder as the data file is not read", {{"@W/d.dat", "<dir>"}}, d, -1, nullptr,
         "Cannot read the data file @W/d.dat: ", {"d.dat"}, "", ""},
        {"a FIFO as the data file is not opened", {{"@W/d.dat", "<fifo>"}}, d, -1, nullptr,
         "Cannot read the data file @W/d.dat: it exists but is not a readable file (it is a FIFO",
         {"d.dat"}, "", ""},
        {"a folder in the place of the lock", {{"@W/d.dat", fresh}, {"@W/d.dat.lock", "<dir>"}}, d,
         -1, nullptr,
         "Cannot take the lock file @W/d.dat.lock: it is a directory, not a regular file.\n"
         "Nothing was changed.\n", {"d.dat", "d.dat.lock"}, "d.dat", fresh},
        {"a dangling link in the place of the lock", {{"@W/d.dat", fresh}, {"@W/d.dat.lock", "->x"}},
         d, -1, nullptr, "Cannot take the lock file @W/d.dat.lock: it is a symbolic link.\n",
         {"d.dat", "d.dat.lock (link)"}, "d.dat", fresh},
        {"a relative link is followed", link, l, 0, nullptr, "", linkTree, "real/v.dat", "\nsjournaled\n"},
        {"an absolute link is followed",
         {link[0], link[1], {"@W/links/l.dat", "->@W/real/v.dat"}}, l, 0, nullptr, "", linkTree,
         "real/v.dat", "\nsjournaled\n"},
        {"a dangling link makes the file where it leads", {link[1], link[2]}, l, 0, nullptr, "",
         {"links", "links/l.dat (link)", "real", "real/v.dat", "real/v.datb0"}, "real/v.dat",
         "\nsjournaled\n"},
        {"the lock on the real file keeps out a run through a link",
         {link[0], link[1], link[2], {"@W/real/v.dat", "<held>"}}, l, -1, nullptr,
         "Velk is already running on the data file @W/links/l.dat.\n",
         {"links", "links/l.dat (link)", "real", "real/v.dat", "real/v.dat.lock", "real/v.dat0"},
         "real/v.dat", fresh},
        {"a refused calendar date is reported", {}, {"-q", "-c", "2011-02-30"}, 0, nullptr,
         "Invalid date '2011-02-30' after -c", {}, "", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        TempDir home, work;
        const std::string w = fs::canonical(work.path()), h = home.path();
        const auto held = make(r.files, w, h);
        ProcessSpec command{{}, w, {{"USERPROFILE", h}, {"HOME", h}, {"DISPLAY", ""},
                                    {"VELK_NOW", "1299326400"}}, {}};
        for (const std::string& a : r.args) command.args.push_back(with(a, w, h));
        for (const auto& [relative, content] : r.files)
            if (relative == "cwd") command.cwd = content;
        ProcessResult result = runProcess(command, 20);
        EXPECT_EQ(result.exitCode, r.exitCode) << result.err;
        EXPECT_EQ(r.out ? result.out : "", with(r.out ? r.out : "", w, h));
        EXPECT_NE(result.err.find(with(r.err, w, h)), std::string::npos) << result.err;
        EXPECT_EQ(result.err.empty(), r.err.empty()) << result.err;
        EXPECT_EQ(treeOf(w), r.after);
        const std::string content = r.file.empty() ? "" : readWholeFile(w + "/" + r.file);
        EXPECT_NE(content.find(r.content), std::string::npos) << content;
        EXPECT_TRUE(r.content != fresh || content == fresh) << content;
    }
}

// Escape does not close the window; closing it ends the run, saves and
// removes the clipboard file. A second run on the same data file is refused.
TEST(Startup, WindowIgnoresEscapeAndClosingEndsTheRun) {
    PrivateXServer x;
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    TempDir home, work;
    const std::string data = work.file("w.dat");
    ProcessSpec command{{"-f", data}, work.path(), {{"HOME", home.path()}, {"USERPROFILE", home.path()}}, {}};
    VelkWindow w(x, command, data);
    ASSERT_TRUE(w.ok());
    EXPECT_EQ(namesIn(work.path()), (std::vector<std::string>{"velkXXXXXX.tmp", "w.dat.lock"}));
    command.args.insert(command.args.begin(), {"-q", "-s"});
    ProcessResult refused = runProcess(command);
    EXPECT_EQ(refused.exitCode, -1);
    EXPECT_NE(refused.err.find("already running on the data file " + data), std::string::npos);

    // The new todo after Escape is made only by a window still open.
    w.keys("Escape alt+n alt+c");
    EXPECT_TRUE(waitUntil([&] { return fs::exists(data + "0"); })) << "Escape ended the program";
    ASSERT_TRUE(askWindowToClose(w.id()));
    EXPECT_EQ(w.waitForEnd().exitCode, 0);
    EXPECT_EQ(namesIn(work.path()), std::vector<std::string>{"w.dat"});
}
