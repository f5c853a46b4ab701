// The built program started headless as a user starts it: a run that is
// killed while it edits, and the real program starting on the files it finds,
// among them the journal files that runs before it left behind.

#include "storage/file_lock.h"
#include "support/organizer.h"
#include "support/process.h"
#include "support/temp_dir.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using Files = std::vector<std::pair<std::string, std::string>>;
const std::string fresh = readWholeFile(VELK_TEST_DATA_DIR "/fresh.dat");
const std::string journaled =
    fixedLines + "<new parent=1>\nt\nsjournaled\nI3\n>\n>\n</new>\n</data>\n";

// s with "@W" and "@H" replaced by the work and home folders.
std::string with(std::string s, const std::string& w, const std::string& h) {
    for (auto [mark, by] : {std::pair{"@W", &w}, {"@H", &h}})
        for (std::size_t at = s.find(mark); at != std::string::npos; at = s.find(mark))
            s.replace(at, 2, *by);
    return s;
}

// Makes each file (its folders too) with its content, or: "<dir>" a folder,
// "<fifo>" a FIFO, "->x" a link to x, "=>x" a second name (hard link) of the
// file x made before, "<held>" the lock of the named data file
// taken (returned to be held). The entry "cwd" names the folder the run
// works in instead of @W.
std::shared_ptr<DataFileLock> make(const Files& files, const std::string& w, const std::string& h) {
    std::shared_ptr<DataFileLock> lock;
    for (const auto& [relative, content] : files) {
        const std::string name = with(relative, w, h), to = with(content, w, h);
        if (relative == "cwd") continue;
        fs::create_directories(fs::path(name).parent_path());
        const bool made = to == "<dir>" || to == "<fifo>" || to == "<held>" ||
                          to.starts_with("->") || to.starts_with("=>");
        if (!made) writeWholeFile(name, to);
        if (to == "<dir>") fs::create_directory(name);
        if (to == "<fifo>") ::mkfifo(name.c_str(), 0600);
        if (to.starts_with("->")) fs::create_symlink(to.substr(2), name);
        if (to.starts_with("=>")) fs::create_hard_link(to.substr(2), name);
        if (to == "<held>") (lock = std::make_shared<DataFileLock>())->acquire(name);
    }
    return lock;
}

ProcessSpec headless(const std::string& h, const std::string& w, std::vector<std::string> args) {
    return {std::move(args),
            w,
            {{"USERPROFILE", h}, {"HOME", h}, {"DISPLAY", ""}, {"VELK_NOW", "1299326400"}}};
}

// A row is a headless start on 5 March 2011 with args ("@W", "@H" replaced) in
// the folder @W, or the one the entry "cwd" names, with the home @H, after the
// files were made: the exit code, standard output (null: not looked at),
// standard error (a text that does not end a line: a part of it), everything
// below @W after (links marked " (link)"), and the texts files in @W then hold:
// a text that starts with the fixed lines is the whole file, another a part.
// clang-format off
struct Row { const char* rule; Files files; std::vector<std::string> args; int exitCode;
             const char* out; std::string err; std::vector<std::string> after; Files contents; };
// clang-format on

void check(const Row& row) {
    SCOPED_TRACE(row.rule);
    TempDir home, work;
    const std::string w = fs::canonical(work.path()), h = home.path();
    const auto held = make(row.files, w, h);
    ProcessSpec command = headless(h, w, {});
    for (const std::string& a : row.args)
        command.args.push_back(with(a, w, h));
    for (const auto& [relative, content] : row.files)
        if (relative == "cwd") command.cwd = content;
    const ProcessResult r = runProcess(command, 20);
    EXPECT_EQ(r.exitCode, row.exitCode) << r.err;
    EXPECT_EQ(row.out ? r.out : "", with(row.out ? row.out : "", w, h));
    const std::string err = with(row.err, w, h);
    EXPECT_TRUE(err.empty() || err.ends_with('\n') ? r.err == err
                                                   : r.err.find(err) != std::string::npos)
        << r.err;
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(w))
        names.push_back(e.path().lexically_relative(w).string() +
                        (e.is_symlink() ? " (link)" : ""));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, row.after);
    for (const auto& [file, text] : row.contents) {
        const std::string content = readWholeFile(w + "/" + file);
        EXPECT_TRUE(text.starts_with(fixedLines) ? content == text
                                                 : content.find(text) != std::string::npos)
            << file << ": " << content;
    }
}

// The summaries of the groups ("g...") and todos of a subtree.
void collect(ToDoListGroup& g, std::set<std::string>& names) {
    for (std::size_t i = 0; i < g.getNrToDos(); ++i)
        names.insert(g.getToDo(i)->getSummary());
    for (std::size_t i = 0; i < g.getNrGroups(); ++i) {
        names.insert(g.getGroup(i)->getSummary());
        collect(*g.getGroup(i), names);
    }
}

// The child: edits the organizer through the engine as the window would, one
// journal entry per operation, until it is killed: new todos and groups, todos
// of this run renamed and deleted. Each operation is logged ("+name",
// "-name", or "-old +new") before it is made, so the parent knows what the
// entry under its number holds.
[[noreturn]] void editUntilKilled(const std::string& path, const std::string& logPath,
                                  uint32_t seed, int round) {
    const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0600);
    TestOrganizer v(path);
    if (log < 0 || v.loaded != 0 || v.replayed != 0) _exit(3);
    std::vector<std::string> todos, groups;
    std::mt19937 rng(seed);
    const std::string big(120000, 'x');
    for (int k = 0;; ++k) {
        const std::string name = std::to_string(round) + "_" + std::to_string(k);
        const char dice = "dddrrrrggnnnnnnnnnnn"[rng() % 20];
        const std::size_t pick = todos.empty() ? 0 : rng() % todos.size();
        const char op = todos.empty() ? 'n' : dice;
        const std::string line = op == 'd'   ? "-" + todos[pick] + "\n"
                                 : op == 'r' ? "-" + todos[pick] + " +r" + name + "\n"
                                             : "+" + std::string(1, op) + name + "\n";
        if (::write(log, line.data(), line.size()) != ssize_t(line.size())) _exit(4);
        v->setGroup(v->getRoot());
        if (op == 'd' || op == 'r') v->setItem(findToDo(*v->getRoot(), todos[pick]));
        if (op == 'r') v->incsave_rememberTodo();
        if ((op == 'n' || op == 'g') && !groups.empty() && rng() % 2)
            v->setGroup(findGroup(*v->getRoot(), groups[rng() % groups.size()]));
        if (op == 'g') v->newGroup();
        if (op == 'n') v->newToDo(0, 0);
        if (op == 'n' || op == 'g') v->incsave_newItem();
        if (op == 'g') v->setGroupSummary(groups.emplace_back("g" + name));
        if (op == 'n') v->setItemSummary(todos.emplace_back("n" + name));
        if (op == 'r') v->setItemSummary(todos[pick] = "r" + name);
        if (op == 'n' && rng() % 3 == 0) v->setItemDescription(big.c_str());
        const int r = op == 'd'   ? v->delToDo()
                      : op == 'g' ? v->incsave_saveCurGroup()
                                  : v->incsave_saveCurItem();
        if (op == 'd') todos.erase(todos.begin() + long(pick));
        if (op == 'n' || op == 'r') v->incsave_forgetTodo();
        if (r != 0) _exit(5);
    }
}

} // namespace

// Five rounds: a child edits until it is killed right after a random number of
// entries appeared, while it writes further ones; a headless run then merges
// the journal, and the data file holds exactly the published entries.
TEST(CrashRecovery, EveryPublishedEntrySurvivesAKillAtARandomMoment) {
    TempDir home, work;
    const std::string path = work.file("c.dat"), logPath = home.file("ops.log");
    const uint32_t seed = 18;
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    std::set<std::string> model;
    for (int round = 0; round < 5 && !testing::Test::HasFailure(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) editUntilKilled(path, logPath, seed + uint32_t(round), round);
        const std::string target = path + std::to_string(1 + rng() % 30);
        EXPECT_TRUE(waitUntil([&] { return fs::exists(target); })) << "the child made no entries";
        ::kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the child ended by itself with " << status;

        // One more operation than published may be logged.
        unsigned published = 0;
        while (fs::exists(path + std::to_string(published)))
            ++published;
        std::istringstream log(readWholeFile(logPath));
        unsigned logged = 0;
        for (std::string op; log >> op; logged += log.get() == '\n') {
            if (logged < published && op[0] == '+') model.insert(op.substr(1));
            if (logged < published && op[0] == '-') model.erase(op.substr(1));
        }
        ASSERT_TRUE(logged == published || logged == published + 1) << logged << " " << published;

        ProcessResult r = runProcess(headless(home.path(), work.path(), {"-q", "-f", path}));
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
        for (const std::string& name : namesIn(work.path()))
            EXPECT_TRUE(name == "c.dat" || (name.starts_with("c.datb") && name.size() == 7))
                << name;
        TestOrganizer check(path);
        ASSERT_EQ(check.loaded, 0);
        std::set<std::string> held;
        collect(*check->getRoot(), held);
        EXPECT_EQ(held, model);
    }
}

// Every row is a start with -s on m.dat (todos "a" I2 and "b" I3) and the
// journal files beside it, named by their ending ("->entry" a link to a journal
// file "entry" beside them): "c" is "a" renamed, "d" added; a refused start
// leaves m.dat as it was.
TEST(JournalMerge, StartUpSituationsGiveExitMessageAndFiles) {
    const std::string data =
        fixedLines + "<idmax=3>\ng\ns<unnamed>\nI1\nt\nsa\nI2\n>\nt\nsb\nI3\n>\n>\n</data>\n";
    const std::string delA = fixedLines + "<deleted>\n2\n</deleted>\n</data>\n";
    const std::string delB = fixedLines + "<deleted>\n3\n</deleted>\n</data>\n";
    const std::string j1 = "The journal file @W/m.dat1";
    std::string damaged;
    for (const std::string n : {"1", "2", "3", "4"})
        damaged += "The journal file @W/m.dat" + n + " holds no change Velk can read; it was " +
                   "passed over and kept as @W/m.dat" + n + ".damaged.\n";
    const std::string refused = "\nVelk reads only journal files of its own. Move it away and "
                                "start again; nothing was changed.\n";
    const std::vector<std::string> m = {"-q", "-s", "-f", "@W/m.dat"};
    const std::vector<std::string> merged = {"m.dat", "m.datb0", "m.datb1"};
    const std::vector<std::string> untouched = {"m.dat", "m.dat0", "m.dat1"};
    const std::string root = "\ns<unnamed>\nI1\n"; // the group all todos are in
    const Files same = {{"m.dat", data}};
    const Files none = {{"m.dat", root + ">\n</data>\n"}};
    const std::string bad[] = {fixedLines + "<new parant=1>\n", std::string(99, '\0'),
                               "<type=Velk>\n<v", fixedLines + "</data>\n"};
    // m.dat with the journal files of that ending.
    const auto j = [&](Files journal) {
        for (auto& [name, content] : journal)
            name = name.starts_with("@") ? name : "@W/m.dat" + name;
        journal.push_back({"@W/m.dat", data});
        return journal;
    };
    // clang-format off
    const Row rows[] = {
        {"merged and removed, a half-written entry dropped",
         j({{"0", fixedLines + "<changed>\nt\nsc\nI2\n>\n</changed>\n</data>\n"}, {"1.tmpAbCdEf", "x"},
            {"1", fixedLines + "<new parent=1>\nt\nsd\nI4\n>\n>\n</new>\n</data>\n"}}),
         m, 0, nullptr, "", merged,
         {{"m.dat", root + "t\nsc\nI2\n>\nt\nsb\nI3\n>\nt\nsd\nI4\n>\n>\n"}}},
        {"a corrupt entry stops the run",
         j({{"0", delA}, {"1", fixedLines + "<changed>\nt\nsx\nI77\n>\n</changed>\n</data>\n"},
            {"3", delA}}), m, -1, nullptr,
         "Incremental file corrupt:\n@W/m.dat1\nRead Documentation about data recovery.\n",
         {"m.dat", "m.dat0", "m.dat1", "m.dat3"}, same},
        {"a file behind a gap is kept as an orphan", j({{"0", delA}, {"2", delB}}), m, 0, nullptr,
         "Journal file @W/m.dat2 lies behind a gap in the numbering and was not replayed; it is "
         "kept as @W/m.dat2.orphan for recovery by hand.\n",
         {"m.dat", "m.dat2.orphan", "m.datb0", "m.datb1"}, {{"m.dat", root + "t\nsb\nI3\n>\n>\n"}}},
        {"a misspelt tag, zero bytes, the fixed lines cut short or with </data> alone are damage",
         j({{"0", delA}, {"1", bad[0]}, {"2", bad[1]}, {"3", bad[2]}, {"4", bad[3]}, {"5", delB}}),
         m, 0, nullptr, damaged, {"m.dat", "m.dat1.damaged", "m.dat2.damaged", "m.dat3.damaged",
                                  "m.dat4.damaged", "m.datb0", "m.datb1"},
         {none[0], {"m.dat1.damaged", bad[0]}, {"m.dat2.damaged", bad[1]},
          {"m.dat3.damaged", bad[2]}, {"m.dat4.damaged", bad[3]}}},
        {"an empty file is told, fixed and blank lines are passed over",
         j({{"0", delA}, {"1", ""}, {"2", fixedLines + "\n  \n"}, {"3", delB}}), m, 0, nullptr,
         j1 + " was empty: the change it was written for never reached the disk and is lost.\n"
         "The empty file was removed.\n", merged, none},
        {"a kill after the replacement: the kept generation becomes b0",
         {{"@W/m.dat", data}, {"@W/m.dat.previousAbCdEf", "old"}, {"@W/m.datb0", "older"},
          {"@W/m.datb1", "oldest"}}, m, 0, nullptr, "",
         {"m.dat", "m.datb0", "m.datb1", "m.datb2"},
         {{"m.datb0", data}, {"m.datb1", "old"}, {"m.datb2", "older"}}},
        {"a kill in the middle of the rotation: it goes on where it stopped",
         {{"@W/m.dat", data}, {"@W/m.dat.previousAbCdEf", "old"}, {"@W/m.datb1", "older"},
          {"@W/m.datb2", "oldest"}}, m, 0, nullptr, "",
         {"m.dat", "m.datb0", "m.datb1", "m.datb2"},
         {{"m.datb0", data}, {"m.datb1", "old"}, {"m.datb2", "older"}}},
        {"a kill before the replacement: the kept copy of m.dat itself goes",
         {{"@W/m.dat", data}, {"@W/m.dat.previousAbCdEf", "=>@W/m.dat"}, {"@W/m.datb0", "older"}},
         m, 0, nullptr, "", {"m.dat", "m.datb0", "m.datb1"},
         {{"m.datb0", data}, {"m.datb1", "older"}}},
        {"a FIFO is refused", j({{"0", delB}, {"1", "<fifo>"}}), m, -1, nullptr,
         j1 + ": it is a FIFO, not a regular file." + refused, untouched, same},
        {"a link to an entry is refused", j({{"0", delB}, {"1", "->entry"}, {"@W/entry", delA}}),
         m, -1, nullptr, j1 + ": it is a symbolic link." + refused,
         {"entry", "m.dat", "m.dat0", "m.dat1 (link)"}, same},
        {"a folder is refused", j({{"0", delB}, {"1", "<dir>"}}), m, -1, nullptr,
         j1 + ": it is a directory, not a regular file." + refused, untouched, same},
    };
    // clang-format on
    for (const Row& row : rows)
        check(row);
}

// Every row is a headless start (fresh.dat: the file a first save writes).
TEST(Startup, StartUpSituationsGiveExitMessageAndFiles) {
    const Files link = {{"@W/real/v.dat", fresh},
                        {"@W/real/v.dat0", journaled},
                        {"@W/links/l.dat", "->../real/v.dat"}};
    const std::vector<std::string> linkTree = {"links",      "links/l.dat (link)", "real",
                                               "real/v.dat", "real/v.datb0",       "real/v.datb1"};
    const std::vector<std::string> d = {"-q", "-s", "-f", "@W/d.dat"};
    const std::vector<std::string> l = {"-q", "-s", "-f", "@W/links/l.dat"};
    const Files journaledFile = {{"real/v.dat", "\nsjournaled\n"}};
    // clang-format off
    const Row rows[] = {
        {"a headless run reports the candidates and makes no clipboard", {}, {"-q", "-f", "@W/x"},
         0,
         "@H/.velk/velk_default.dat does not exist\n@H/velk/velk_default.dat does not exist\n"
         "velk_default.dat does not exist\n", "", {}, {}},
        {"a headless run works where it may not write",
         {{"@H/.velkrc/velk.config", "editor = vim\ndefault = ~/mine.dat\n"},
          {"@H/mine.dat", fresh},
          {"cwd", "/proc"}}, // where nobody, not even the superuser, may make a file
         {"-q"}, 0, "user config: editor = vim\nuser config: default = ~/mine.dat\n", "", {}, {}},
        {"a headless save writes the fresh file", {}, d, 0, nullptr, "", {"d.dat"},
         {{"d.dat", fresh}}},
        {"a second save keeps the previous generation", {{"@W/d.dat", fresh}}, d, 0, nullptr, "",
         {"d.dat", "d.datb0"}, {{"d.dat", fresh}}},
        {"a corrupt data file stops the run", {{"@W/d.dat", fixedLines}}, d, -1, nullptr,
         "Master data file corrupt. Read Documentation about data recovery.\n", {"d.dat"},
         {{"d.dat", fixedLines}}},
        {"a folder as the data file is not read", {{"@W/d.dat", "<dir>"}}, d, -1, nullptr,
         "Cannot read the data file @W/d.dat: ", {"d.dat"}, {}},
        {"a FIFO as the data file is not opened", {{"@W/d.dat", "<fifo>"}}, d, -1, nullptr,
         "Cannot read the data file @W/d.dat: it exists but is not a readable file (it is a FIFO",
         {"d.dat"}, {}},
        {"a folder in the place of the lock", {{"@W/d.dat", fresh}, {"@W/d.dat.lock", "<dir>"}}, d,
         -1, nullptr,
         "Cannot take the lock file @W/d.dat.lock: it is a directory, not a regular file.\n"
         "Nothing was changed.\n", {"d.dat", "d.dat.lock"}, {{"d.dat", fresh}}},
        {"a dangling link in the place of the lock",
         {{"@W/d.dat", fresh}, {"@W/d.dat.lock", "->x"}}, d, -1, nullptr,
         "Cannot take the lock file @W/d.dat.lock: it is a symbolic link.\nNothing was changed.\n",
         {"d.dat", "d.dat.lock (link)"}, {{"d.dat", fresh}}},
        {"a relative link is followed", link, l, 0, nullptr, "", linkTree, journaledFile},
        {"an absolute link is followed", {link[0], link[1], {"@W/links/l.dat", "->@W/real/v.dat"}},
         l, 0, nullptr, "", linkTree, journaledFile},
        {"a dangling link makes the file where it leads", {link[1], link[2]}, l, 0, nullptr, "",
         {"links", "links/l.dat (link)", "real", "real/v.dat", "real/v.datb0"}, journaledFile},
        {"the lock on the real file keeps out a run through a link",
         {link[0], link[1], link[2], {"@W/real/v.dat", "<held>"}}, l, -1, nullptr,
         "Velk is already running on the data file @W/links/l.dat.\n"
         "Close that run first; nothing was changed.\n",
         {"links", "links/l.dat (link)", "real", "real/v.dat", "real/v.dat.lock", "real/v.dat0"},
         {{"real/v.dat", fresh}}},
        {"a rescue copy noted at the end of an earlier run is told of",
         {{"@W/d.dat", fresh}, {"@W/d.rescue", fresh}, {"@H/.velkrc/rescued", "@W/d.dat\t@W/d.rescue\n"}},
         d, 0, nullptr, "A rescue copy of @W/d.dat was saved to @W/d.rescue on ",
         {"d.dat", "d.datb0", "d.rescue"}, {}},
        {"a data file with a second name is refused", {{"@W/d.dat", fresh}, {"@W/e.dat", "=>@W/d.dat"}},
         d, -1, nullptr, "Velk cannot open @W/d.dat: the data file @W/d.dat has 2 names (hard links)",
         {"d.dat", "e.dat"}, {{"d.dat", fresh}}},
        {"a refused calendar date is reported", {}, {"-q", "-c", "2011-02-30"}, 0, nullptr,
         "Invalid date '2011-02-30' after -c", {}, {}},
    };
    // clang-format on
    for (const Row& row : rows)
        check(row);
}
