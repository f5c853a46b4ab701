// The journal end to end: a run that is killed while it edits, and the real
// program merging what it left behind.

#include "engine/velk.h"
#include "support/organizer.h"
#include "support/process.h"
#include "support/temp_dir.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <functional>
#include <map>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <random>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string fixed = "<type=Velk>\n<version=0.54>\n<data>\n";

ProcessSpec headless(const TempDir& home, const std::string& cwd, std::vector<std::string> args) {
    ProcessSpec command;
    command.args = std::move(args);
    command.cwd = cwd;
    command.env = {{"USERPROFILE", home.path()}, {"HOME", home.path()}, {"DISPLAY", ""}};
    return command;
}

// What the organizer should hold: the summaries of its groups and todos.
struct Model {
    std::set<std::string> groups, todos;
    // Applies one logged operation.
    void apply(const std::string& line) {
        std::istringstream in(line);
        std::string op, a, b;
        in >> op >> a >> b;
        if (op == "new") todos.insert(a);
        if (op == "grp") groups.insert(a);
        if (op == "del") todos.erase(a);
        if (op == "ren") {
            todos.erase(a);
            todos.insert(b);
        }
    }
};

void collect(ToDoListGroup& g, Model& m) {
    for (std::size_t i = 0; i < g.getNrToDos(); ++i)
        m.todos.insert(g.getToDo(i)->getSummary());
    for (std::size_t i = 0; i < g.getNrGroups(); ++i) {
        m.groups.insert(g.getGroup(i)->getSummary());
        collect(*g.getGroup(i), m);
    }
}

// The child: edits the organizer through the engine as the user interface
// would, one journal entry per operation, until it is killed. Before each
// operation it appends the operation to the log, so the parent knows what the
// entry under that number holds.
[[noreturn]] void editUntilKilled(const std::string& path, const std::string& logPath,
                                  uint32_t seed, int round) {
    int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0600);
    Velk v;
    v.createRoot();
    std::string error;
    if (log < 0 || v.readData(path.c_str()) != 0 || v.incsave_readFiles(error) != 0) _exit(3);
    Model m;
    collect(*v.getRoot(), m);
    std::vector<std::string> todos(m.todos.begin(), m.todos.end());
    std::vector<std::string> groups(m.groups.begin(), m.groups.end());
    std::mt19937 rng(seed);
    const std::string big(120000, 'x');
    for (int k = 0; k < 100000; ++k) {
        const std::string name = std::to_string(round) + "_" + std::to_string(k);
        const unsigned dice = rng() % 20;
        std::string line;
        if (dice < 3 && !todos.empty()) {
            std::size_t i = rng() % todos.size();
            line = "del " + todos[i];
            todos.erase(todos.begin() + long(i));
        } else if (dice < 7 && !todos.empty()) {
            std::size_t i = rng() % todos.size();
            line = "ren " + todos[i] + " r" + name;
        } else if (dice < 9) {
            line = "grp g" + name;
        } else {
            line = "new n" + name;
        }
        line += "\n";
        if (::write(log, line.data(), line.size()) != ssize_t(line.size())) _exit(4);

        std::istringstream in(line);
        std::string op, a, b;
        in >> op >> a >> b;
        v.setGroup(v.getRoot());
        int r = 0;
        if (op == "del") {
            v.setItem(findToDo(*v.getRoot(), a));
            r = v.delToDo();
        } else if (op == "ren") {
            v.setItem(findToDo(*v.getRoot(), a));
            v.incsave_rememberTodo();
            v.setItemSummary(b);
            r = v.incsave_saveCurItem();
            v.incsave_forgetTodo();
            for (auto& t : todos)
                if (t == a) t = b;
        } else if (op == "grp") {
            if (!groups.empty() && rng() % 2)
                v.setGroup(findGroup(*v.getRoot(), groups[rng() % groups.size()]));
            v.newGroup();
            v.incsave_newItem();
            v.setGroupSummary(a);
            r = v.incsave_saveCurGroup();
            groups.push_back(a);
        } else {
            if (!groups.empty() && rng() % 2)
                v.setGroup(findGroup(*v.getRoot(), groups[rng() % groups.size()]));
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
    _exit(0);
}

} // namespace

TEST(CrashRecovery, EveryPublishedEntrySurvivesAKillAtARandomMoment) {
    TempDir home, work;
    const std::string path = work.file("c.dat");
    const std::string logPath = home.file("ops.log");
    const uint32_t seed = uint32_t(std::random_device()());
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    Model model;

    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) editUntilKilled(path, logPath, seed + uint32_t(round), round);
        std::this_thread::sleep_for(std::chrono::milliseconds(20 + rng() % 200));
        ::kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the child ended by itself with " << status;

        // Every published entry is a numbered file; the operations logged
        // tell what each holds (one more may be logged but unpublished).
        unsigned published = 0;
        while (fs::exists(path + std::to_string(published)))
            ++published;
        std::istringstream log(readWholeFile(logPath));
        std::vector<std::string> ops;
        for (std::string line; std::getline(log, line);)
            ops.push_back(line);
        ASSERT_GE(ops.size(), published);
        ASSERT_LE(ops.size(), published + 1);
        for (unsigned i = 0; i < published; ++i)
            model.apply(ops[i]);

        ProcessResult r = runProcess(headless(home, work.path(), {"-q", "-f", path}));
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
        if (published > 0) {
            EXPECT_NE(r.out.find("write to file: 0\n"), std::string::npos) << r.out;
        }
        for (const std::string& name : namesIn(work.path()))
            EXPECT_TRUE(name == "c.dat" || name == "c.datb0" || name == "c.datb1" ||
                        name == "c.datb2")
                << "left behind: " << name;

        Velk check;
        check.createRoot();
        ASSERT_EQ(check.readData(path.c_str()), 0);
        Model held;
        collect(*check.getRoot(), held);
        EXPECT_EQ(held.todos, model.todos);
        EXPECT_EQ(held.groups, model.groups);
        if (testing::Test::HasFailure()) break;
    }
}

TEST(JournalMerge, HeadlessRunMergesTheJournalAndRemovesIt) {
    TempDir home, work;
    const std::string path = work.file("m.dat");
    writeWholeFile(path, fixed + "<idmax=2>\ng\ns<unnamed>\nI1\nt\nsold\nI2\n>\n>\n</data>\n");
    writeWholeFile(path + "0", fixed + "<changed>\nt\nsrenamed\nI2\n>\n</changed>\n</data>\n");
    writeWholeFile(path + "1", fixed + "<new parent=1>\nt\nsadded\nI3\n>\n>\n</new>\n</data>\n");
    writeWholeFile(path + "1.tmpAbCdEf", "half an entry");
    ProcessResult r = runProcess(headless(home, work.path(), {"-q", "-f", path}));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find("write to file: 0\n"), std::string::npos) << r.out;
    EXPECT_EQ(namesIn(work.path()), (std::vector<std::string>{"m.dat", "m.datb0"}));
    const std::string merged = readWholeFile(path);
    EXPECT_NE(merged.find("t\nsrenamed\nI2\n>\nt\nsadded\nI3\n>\n"), std::string::npos) << merged;
    EXPECT_NE(merged.find("<idmax=3>"), std::string::npos);
}

TEST(JournalMerge, CorruptJournalStopsTheRunAndTouchesNothing) {
    TempDir home, work;
    const std::string path = work.file("m.dat");
    const std::string data = fixed + "<idmax=2>\ng\ns<unnamed>\nI1\nt\nsold\nI2\n>\n>\n</data>\n";
    const std::string good = fixed + "<deleted>\n2\n</deleted>\n</data>\n";
    const std::string bad = fixed + "<changed>\nt\nsx\nI77\n>\n</changed>\n</data>\n";
    writeWholeFile(path, data);
    writeWholeFile(path + "0", good);
    writeWholeFile(path + "1", bad);
    writeWholeFile(path + "3", good);
    ProcessResult r = runProcess(headless(home, work.path(), {"-q", "-s", "-f", path}));
    EXPECT_EQ(r.exitCode, -1);
    EXPECT_EQ(r.err, "Incremental file corrupt:\n" + path +
                         "1\nRead Documentation about data recovery.\n");
    EXPECT_EQ(namesIn(work.path()),
              (std::vector<std::string>{"m.dat", "m.dat0", "m.dat1", "m.dat3"}));
    EXPECT_EQ(readWholeFile(path), data);
    EXPECT_EQ(readWholeFile(path + "1"), bad);
}

TEST(JournalMerge, FilesBehindAGapAreKeptAsOrphansAndReported) {
    TempDir home, work;
    const std::string path = work.file("m.dat");
    writeWholeFile(
        path, fixed + "<idmax=3>\ng\ns<unnamed>\nI1\nt\nsa\nI2\n>\nt\nsb\nI3\n>\n>\n</data>\n");
    writeWholeFile(path + "0", fixed + "<deleted>\n2\n</deleted>\n</data>\n");
    writeWholeFile(path + "2", fixed + "<deleted>\n3\n</deleted>\n</data>\n");
    ProcessResult r = runProcess(headless(home, work.path(), {"-q", "-f", path}));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "Journal file " + path +
                         "2 lies behind a gap in the numbering and was not "
                         "replayed; it is kept as " +
                         path + "2.orphan for recovery by hand.\n");
    EXPECT_EQ(namesIn(work.path()),
              (std::vector<std::string>{"m.dat", "m.dat2.orphan", "m.datb0"}));
    const std::string merged = readWholeFile(path);
    EXPECT_EQ(merged.find("sa\n"), std::string::npos);
    EXPECT_NE(merged.find("sb\n"), std::string::npos);
}

// A journal file that holds no entry is passed over. When it holds anything
// but the fixed lines and blank lines, its change would be lost with it: it
// is kept aside as ".damaged" and named on standard error; the entries before
// and after it are merged as usual.
TEST(JournalMerge, DamagedFilesArePassedOverKeptAsideAndReported) {
    struct Case {
        const char* what;
        std::string content;
        bool damaged;
    };
    std::string garbage;
    for (int i = 0; i < 300; ++i)
        garbage += char((i * 37 + 11) % 256);
    const Case cases[] = {
        {"a misspelt tag", fixed + "<new parant=1>\nt\nsadded\nI9\n>\n>\n</new>\n</data>\n", true},
        {"all zero bytes", std::string(4096, '\0'), true},
        {"binary garbage", garbage, true},
        {"the fixed lines and </data>", fixed + "</data>\n", true},
        {"empty", "", false},
        {"only the fixed lines and blank lines", fixed + "\n  \n", false},
        {"the fixed lines cut short", "<type=Velk>\n<vers", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir home, work;
        const std::string path = work.file("m.dat");
        writeWholeFile(
            path, fixed + "<idmax=3>\ng\ns<unnamed>\nI1\nt\nsa\nI2\n>\nt\nsb\nI3\n>\n>\n</data>\n");
        writeWholeFile(path + "0", fixed + "<deleted>\n2\n</deleted>\n</data>\n");
        writeWholeFile(path + "1", c.content);
        writeWholeFile(path + "2", fixed + "<deleted>\n3\n</deleted>\n</data>\n");
        ProcessResult r = runProcess(headless(home, work.path(), {"-q", "-f", path}));
        EXPECT_EQ(r.exitCode, 0) << r.err;
        const std::string merged = readWholeFile(path);
        EXPECT_EQ(merged.find("sa\n"), std::string::npos) << "the entry before it is merged";
        EXPECT_EQ(merged.find("sb\n"), std::string::npos) << "the entry after it is merged";
        if (c.damaged) {
            EXPECT_EQ(r.err, "The journal file " + path +
                                 "1 holds no change Velk can read; it was passed over and kept "
                                 "as " + path + "1.damaged.\n");
            EXPECT_EQ(namesIn(work.path()),
                      (std::vector<std::string>{"m.dat", "m.dat1.damaged", "m.datb0"}));
            EXPECT_EQ(readWholeFile(path + "1.damaged"), c.content);
        } else {
            EXPECT_EQ(r.err, "");
            EXPECT_EQ(namesIn(work.path()), (std::vector<std::string>{"m.dat", "m.datb0"}));
        }
    }
}

// A journal file is Velk's own. A FIFO, a device, a folder or a link in its
// place stops the start at once with a message naming it; nothing is read
// from it, nothing is written, and the start never hangs on it.
TEST(JournalMerge, ASpecialFileInThePlaceOfAJournalFileIsRefusedAtOnce) {
    struct Case {
        const char* what;
        std::function<void(const std::string& name, const TempDir& work)> make;
        const char* reason;
    };
    const std::string entry = fixed + "<deleted>\n2\n</deleted>\n</data>\n";
    const Case cases[] = {
        {"a FIFO", [](const std::string& n, const TempDir&) { ::mkfifo(n.c_str(), 0600); },
         "it is a FIFO, not a regular file"},
        {"a device",
         [](const std::string& n, const TempDir&) {
             // Only the superuser may make a device node; others get a link to one.
             if (::mknod(n.c_str(), S_IFCHR | 0600, makedev(1, 5)) != 0)
                 fs::create_symlink("/dev/zero", n);
         },
         ::geteuid() == 0 ? "it is a character device, not a regular file"
                          : "it is a symbolic link"},
        {"a link to an entry",
         [&entry](const std::string& n, const TempDir& w) {
             writeWholeFile(w.file("planted"), entry);
             fs::create_symlink(w.file("planted"), n);
         },
         "it is a symbolic link"},
        {"a folder", [](const std::string& n, const TempDir&) { fs::create_directory(n); },
         "it is a directory, not a regular file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir home, work;
        const std::string path = work.file("m.dat");
        const std::string data =
            fixed + "<idmax=3>\ng\ns<unnamed>\nI1\nt\nsa\nI2\n>\nt\nsb\nI3\n>\n>\n</data>\n";
        writeWholeFile(path, data);
        writeWholeFile(path + "0", fixed + "<deleted>\n3\n</deleted>\n</data>\n");
        c.make(path + "1", work);
        const auto before = namesIn(work.path());
        ProcessResult r = runProcess(headless(home, work.path(), {"-q", "-s", "-f", path}), 20);
        EXPECT_EQ(r.exitCode, -1);
        EXPECT_EQ(r.err, "The journal file " + path + "1: " + c.reason +
                             ".\nVelk reads only journal files of its own. Move it away and "
                             "start again; nothing was changed.\n");
        EXPECT_EQ(namesIn(work.path()), before);
        EXPECT_EQ(readWholeFile(path), data);
    }
}
