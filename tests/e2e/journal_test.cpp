// The journal end to end: a run that is killed while it edits, and the real
// program merging what runs before it left behind.

#include "engine/velk.h"
#include "support/organizer.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "support/velk_window.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string fixed = "<type=Velk>\n<version=0.54>\n<data>\n";

ProcessSpec headless(const TempDir& home, const TempDir& work, std::vector<std::string> args) {
    return {std::move(args), work.path(),
            {{"USERPROFILE", home.path()}, {"HOME", home.path()}, {"DISPLAY", ""}}, {}};
}

// The summaries of the groups and todos of an organizer.
struct Model {
    std::set<std::string> groups, todos;
    // Applies one logged operation: "new a", "grp a", "del a" or "ren a b".
    void apply(const std::string& line) {
        std::istringstream in(line);
        std::string op, a, b;
        in >> op >> a >> b;
        if (op == "del" || op == "ren") todos.erase(a);
        if (op == "new") todos.insert(a);
        if (op == "ren") todos.insert(b);
        if (op == "grp") groups.insert(a);
    }
    void collect(ToDoListGroup& g) {
        for (std::size_t i = 0; i < g.getNrToDos(); ++i) todos.insert(g.getToDo(i)->getSummary());
        for (std::size_t i = 0; i < g.getNrGroups(); ++i) {
            groups.insert(g.getGroup(i)->getSummary());
            collect(*g.getGroup(i));
        }
    }
};

// The child: edits the organizer through the engine as the window would, one
// journal entry per operation, until it is killed. Each operation is logged
// before it is made, so the parent knows what the entry under its number holds.
[[noreturn]] void editUntilKilled(const std::string& path, const std::string& logPath,
                                  uint32_t seed, int round) {
    const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0600);
    Velk v;
    v.createRoot();
    std::string error;
    if (log < 0 || v.readData(path.c_str()) != 0 || v.incsave_readFiles(error) != 0) _exit(3);
    Model m;
    m.collect(*v.getRoot());
    std::vector<std::string> todos(m.todos.begin(), m.todos.end());
    std::vector<std::string> groups(m.groups.begin(), m.groups.end());
    std::mt19937 rng(seed);
    const std::string big(120000, 'x');
    for (int k = 0;; ++k) {
        const std::string name = std::to_string(round) + "_" + std::to_string(k);
        const unsigned dice = rng() % 20;
        const std::size_t pick = todos.empty() ? 0 : rng() % todos.size();
        std::string line = dice < 3 && !todos.empty()   ? "del " + todos[pick]
                           : dice < 7 && !todos.empty() ? "ren " + todos[pick] + " r" + name
                           : dice < 9                   ? "grp g" + name
                                                        : "new n" + name;
        line += "\n";
        if (::write(log, line.data(), line.size()) != ssize_t(line.size())) _exit(4);
        v.setGroup(v.getRoot());
        if (line[0] == 'g' || line[0] == 'n') {
            if (!groups.empty() && rng() % 2)
                v.setGroup(findGroup(*v.getRoot(), groups[rng() % groups.size()]));
        } else {
            v.setItem(findToDo(*v.getRoot(), todos[pick]));
        }
        int r = 0;
        const std::string a = line.substr(4, line.find_first_of(" \n", 4) - 4);
        if (line[0] == 'd') {
            r = v.delToDo();
            todos.erase(todos.begin() + long(pick));
        } else if (line[0] == 'r') {
            v.incsave_rememberTodo();
            todos[pick] = "r" + name;
            v.setItemSummary(todos[pick]);
            r = v.incsave_saveCurItem();
            v.incsave_forgetTodo();
        } else if (line[0] == 'g') {
            v.newGroup();
            v.incsave_newItem();
            v.setGroupSummary(a);
            r = v.incsave_saveCurGroup();
            groups.push_back(a);
        } else {
            v.newToDo(0, 0);
            v.incsave_newItem();
            v.setItemSummary(a);
            if (rng() % 3 == 0) v.setItemDescription(big.c_str());
            r = v.incsave_saveCurItem();
            v.incsave_forgetTodo();
            todos.push_back(a);
        }
        if (r != 0) _exit(5);
    }
}

} // namespace

// Five rounds: a child edits until it is killed right after a random number of
// entries appeared, in the middle of writing further ones; a headless run then
// merges the journal, and the data file holds exactly the published entries.
TEST(CrashRecovery, EveryPublishedEntrySurvivesAKillAtARandomMoment) {
    TempDir home, work;
    const std::string path = work.file("c.dat"), logPath = home.file("ops.log");
    const uint32_t seed = 18;
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    Model model;
    for (int round = 0; round < 5; ++round) {
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
        while (fs::exists(path + std::to_string(published))) ++published;
        std::istringstream log(readWholeFile(logPath));
        std::vector<std::string> ops;
        for (std::string line; std::getline(log, line);) ops.push_back(line);
        ASSERT_GE(ops.size(), published);
        ASSERT_LE(ops.size(), published + 1);
        for (unsigned i = 0; i < published; ++i) model.apply(ops[i]);

        ProcessResult r = runProcess(headless(home, work, {"-q", "-f", path}));
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_NE(r.out.find("write to file: 0\n"), std::string::npos) << r.out;
        for (const std::string& name : namesIn(work.path()))
            EXPECT_TRUE(name == "c.dat" || (name.starts_with("c.datb") && name.size() == 7))
                << "left behind: " << name;
        Velk check;
        check.createRoot();
        ASSERT_EQ(check.readData(path.c_str()), 0);
        Model held;
        held.collect(*check.getRoot());
        EXPECT_EQ(held.todos, model.todos);
        EXPECT_EQ(held.groups, model.groups);
        if (testing::Test::HasFailure()) break;
    }
}

// Every row is a start on the data file m.dat (todos "a" I2 and "b" I3) with
// the journal files beside it: the exit code, standard error ("@" stands for
// the data file), the names in the folder after, and whether "a" and "b" are
// still in the data file ("ab": both, "-": the file must be unchanged).
// Journal contents "<fifo>", "<device>", "<link>" and "<folder>" stand for
// special files in that place.
TEST(JournalMerge, StartUpSituationsGiveExitMessageAndFiles) {
    const std::string data =
        fixed + "<idmax=3>\ng\ns<unnamed>\nI1\nt\nsa\nI2\n>\nt\nsb\nI3\n>\n>\n</data>\n";
    const std::string delA = fixed + "<deleted>\n2\n</deleted>\n</data>\n",
                      delB = fixed + "<deleted>\n3\n</deleted>\n</data>\n",
                      renameA = fixed + "<changed>\nt\nsc\nI2\n>\n</changed>\n</data>\n",
                      addD = fixed + "<new parent=1>\nt\nsd\nI4\n>\n>\n</new>\n</data>\n",
                      corrupt = fixed + "<changed>\nt\nsx\nI77\n>\n</changed>\n</data>\n";
    const std::string damaged = "The journal file @1 holds no change Velk can read; it was passed "
                                "over and kept as @1.damaged.\n";
    const std::string special = "The journal file @1: %.\nVelk reads only journal files of its "
                                "own. Move it away and start again; nothing was changed.\n";
    const std::vector<std::string> mergedNames = {"m.dat", "m.datb0", "m.datb1"},
                                   damagedNames = {"m.dat", "m.dat1.damaged", "m.datb0", "m.datb1"},
                                   specialNames = {"m.dat", "m.dat0", "m.dat1"};
    auto because = [&special](const std::string& reason) {
        return std::string(special).replace(special.find('%'), 1, reason);
    };
    const bool root = ::geteuid() == 0; // only the superuser may make a device node
    struct Row {
        const char* rule;
        std::map<std::string, std::string> journal;
        int exitCode;
        std::string err;
        std::vector<std::string> names;
        std::string kept; // which of "a", "b", "c" (renamed a), "d" (added) the file holds
    } rows[] = {
        {"merged in order and removed, a half-written entry dropped",
         {{"0", renameA}, {"1", addD}, {"1.tmpAbCdEf", "half"}}, 0, "", mergedNames, "bcd"},
        {"a corrupt entry stops the run", {{"0", delA}, {"1", corrupt}, {"3", delA}}, -1,
         "Incremental file corrupt:\n@1\nRead Documentation about data recovery.\n",
         {"m.dat", "m.dat0", "m.dat1", "m.dat3"}, "-"},
        {"a file behind a gap is kept as an orphan", {{"0", delA}, {"2", delB}}, 0,
         "Journal file @2 lies behind a gap in the numbering and was not replayed; it is kept "
         "as @2.orphan for recovery by hand.\n",
         {"m.dat", "m.dat2.orphan", "m.datb0", "m.datb1"}, "b"},
        {"a misspelt tag is damage", {{"0", delA}, {"1", fixed + "<new parant=1>\n</new>\n"}, {"2", delB}},
         0, damaged, damagedNames, ""},
        {"zero bytes are damage", {{"0", delA}, {"1", std::string(4096, '\0')}, {"2", delB}}, 0,
         damaged, damagedNames, ""},
        {"the fixed lines cut short are damage", {{"0", delA}, {"1", "<type=Velk>\n<vers"}, {"2", delB}},
         0, damaged, damagedNames, ""},
        {"the fixed lines and </data> are damage", {{"0", delA}, {"1", fixed + "</data>\n"}, {"2", delB}},
         0, damaged, damagedNames, ""},
        {"an empty file is passed over", {{"0", delA}, {"1", ""}, {"2", delB}}, 0, "", mergedNames,
         ""},
        {"fixed and blank lines are passed over", {{"0", delA}, {"1", fixed + "\n  \n"}, {"2", delB}},
         0, "", mergedNames, ""},
        {"a FIFO is refused", {{"0", delB}, {"1", "<fifo>"}}, -1,
         because("it is a FIFO, not a regular file"), specialNames, "-"},
        {"a device is refused", {{"0", delB}, {"1", "<device>"}}, -1,
         because(root ? "it is a character device, not a regular file" : "it is a symbolic link"),
         specialNames, "-"},
        {"a link to an entry is refused", {{"0", delB}, {"1", "<link>"}}, -1,
         because("it is a symbolic link"), {"m.dat", "m.dat0", "m.dat1", "planted"}, "-"},
        {"a folder is refused", {{"0", delB}, {"1", "<folder>"}}, -1,
         because("it is a directory, not a regular file"), specialNames, "-"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        TempDir home, work;
        const std::string path = work.file("m.dat");
        writeWholeFile(path, data);
        for (const auto& [suffix, content] : row.journal) {
            const std::string name = path + suffix;
            if (content == "<fifo>") ::mkfifo(name.c_str(), 0600);
            else if (content == "<folder>") fs::create_directory(name);
            else if (content == "<device>" && root) ::mknod(name.c_str(), S_IFCHR | 0600, makedev(1, 5));
            else if (content == "<device>") fs::create_symlink("/dev/zero", name);
            else if (content == "<link>") {
                writeWholeFile(work.file("planted"), delA);
                fs::create_symlink(work.file("planted"), name);
            } else writeWholeFile(name, content);
        }
        ProcessResult r = runProcess(headless(home, work, {"-q", "-s", "-f", path}), 20);
        EXPECT_EQ(r.exitCode, row.exitCode);
        std::string err = row.err;
        for (std::size_t at = err.find('@'); at != std::string::npos; at = err.find('@', at))
            err.replace(at, 1, path);
        EXPECT_EQ(r.err, err);
        EXPECT_EQ(namesIn(work.path()), row.names);
        const std::string after = readWholeFile(path);
        if (row.kept == "-") {
            EXPECT_EQ(after, data) << "the data file is untouched";
        }
        for (std::string s : {"a", "b", "c", "d"}) {
            if (row.kept == "-") break;
            EXPECT_EQ(after.find("\ns" + s + "\n") != std::string::npos,
                      row.kept.find(s) != std::string::npos) << s << " in " << after;
        }
        if (row.err == damaged) {
            EXPECT_EQ(readWholeFile(path + "1.damaged"), row.journal.at("1"));
        }
        if (row.exitCode != 0 && fs::is_regular_file(fs::symlink_status(path + "1"))) {
            EXPECT_EQ(readWholeFile(path + "1"), row.journal.at("1"));
        }
    }
}
