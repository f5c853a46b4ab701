// Failures and crashes at every step of every write: a journal entry and the
// save that merges the journal into the data file, at start-up and at the end
// of a run. Each write, sync, close, rename, link and removal in turn fails (a
// full disk among them) or the process is killed just before or just after
// it; then the organizer starts again. The data file must be the old or the
// new complete version, no journal entry may be lost or applied twice, and a
// failed save must change nothing and be reported.

#include "engine/velk.h"
#include "storage/file_tools.h"
#include "support/organizer.h"
#include "support/process.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

enum class Step { Write, Fsync, Close, Rename, Unlink, Link };
enum class Action { None, Fail, KillBefore, KillAfter };

// What happens at which step. Steps are counted from 0 over every write, sync,
// close and rename that goes through FileTools::ops().
struct Plan {
    long at = -1;
    Action action = Action::None;
    long count = 0;
    std::vector<Step> seen;
};
Plan plan;

// The error a failing step reports: a full disk for writes.
int errorFor(Step s) {
    switch (s) {
    case Step::Write:
        return ENOSPC;
    case Step::Fsync:
        return EIO;
    case Step::Close:
        return EIO;
    case Step::Rename:
    case Step::Unlink:
    case Step::Link:
        return EACCES;
    }
    return EIO;
}

// Before a step: true when the step is to fail; kills the process first when
// the plan says so.
bool before(Step s, long& index) {
    index = plan.count++;
    plan.seen.push_back(s);
    if (index != plan.at) return false;
    if (plan.action == Action::KillBefore) ::raise(SIGKILL);
    if (plan.action != Action::Fail) return false;
    errno = errorFor(s);
    return true;
}
void after(long index) {
    if (index == plan.at && plan.action == Action::KillAfter) ::raise(SIGKILL);
}

ssize_t planWrite(int fd, const void* data, std::size_t size) {
    long i;
    if (before(Step::Write, i)) return -1;
    ssize_t r = FileTools::systemOps().write(fd, data, size);
    after(i);
    return r;
}
int planFsync(int fd) {
    long i;
    if (before(Step::Fsync, i)) return -1;
    int r = FileTools::systemOps().fsync(fd);
    after(i);
    return r;
}
int planClose(int fd) {
    long i;
    if (before(Step::Close, i)) {
        // A failing close still releases the descriptor.
        FileTools::systemOps().close(fd);
        errno = EIO;
        return -1;
    }
    int r = FileTools::systemOps().close(fd);
    after(i);
    return r;
}
int planRename(const char* from, const char* to) {
    long i;
    if (before(Step::Rename, i)) return -1;
    int r = FileTools::systemOps().rename(from, to);
    after(i);
    return r;
}

int planUnlink(const char* name) {
    long i;
    if (before(Step::Unlink, i)) return -1;
    int r = FileTools::systemOps().unlink(name);
    after(i);
    return r;
}
int planLink(const char* from, const char* to) {
    long i;
    if (before(Step::Link, i)) return -1;
    int r = FileTools::systemOps().link(from, to);
    after(i);
    return r;
}

// Follows a plan while it lives; the real system calls come back after it.
struct PlanScope {
    PlanScope(long at, Action action) {
        plan = Plan();
        plan.at = at;
        plan.action = action;
        FileTools::ops() = {planWrite, planFsync, planRename, planClose, planUnlink, planLink};
    }
    ~PlanScope() { FileTools::ops() = FileTools::systemOps(); }
};

// Runs f in a child process under the plan and waits for it. Returns true when
// the child was killed by SIGKILL, false when it ended by itself.
template <class F> bool runChild(long at, Action action, F f) {
    std::fflush(nullptr);
    pid_t pid = ::fork();
    if (pid == 0) {
        PlanScope scope(at, action);
        f();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

const std::string fixed = "<type=Velk>\n<version=0.54>\n<data>\n";

// A data file whose save takes several writes: "long" holds a description of
// 150,000 bytes, more than two buffers of the atomic file.
std::string baseFile() {
    return fixed +
           "<idmax=6>\n<curGroup=/0/>\ng\ns<unnamed>\nI1\n"
           "t\nsplain\nI2\n>\nt\nsdated\nI3\n>\n"
           "t\nslong\nI4\nd150000\n" +
           std::string(150000, 'x') +
           "\n>\n"
           "g\nsWork\nI5\nt\nsw1\nI6\n>\n>\n>\n</data>\n";
}

// The editor's round: rename the todo and journal the change.
int renameToDo(Velk& v, const std::string& from, const std::string& to) {
    v.setItem(findToDo(*v.getRoot(), from));
    v.incsave_rememberTodo();
    v.setItemSummary(to);
    int r = v.incsave_saveCurItem();
    v.incsave_forgetTodo();
    return r;
}

bool hasTemporary(const std::string& dir) {
    for (const std::string& n : namesIn(dir))
        if (n.find(".tmp") != std::string::npos) return true;
    return false;
}

// Starts the program headless on the data file, as a user would after a crash.
ProcessResult startAgain(const TempDir& home, const std::string& dataFile) {
    ProcessSpec command;
    command.args = {"-q", "-f", dataFile};
    command.cwd = home.path();
    command.env = {{"USERPROFILE", home.path()}, {"HOME", home.path()}, {"DISPLAY", ""}};
    return runProcess(command, 60);
}

// The summaries that a load of the data file (and its journal) shows.
std::vector<std::string> summaries(const std::string& dataFile) {
    TestOrganizer v(dataFile);
    std::vector<std::string> s;
    if (v.loaded != 0 || v.replayed < 0) return {"<unreadable>"};
    for (std::size_t i = 0; i < v->getRoot()->getNrToDos(); ++i)
        s.push_back(v->getRoot()->getToDo(i)->getSummary());
    return s;
}

struct FaultInjection : testing::Test {
    TempDir home{true};
    std::string path = home.file("v.dat");
    void SetUp() override { writeWholeFile(path, baseFile()); }

    // The steps of a call, counted without failing any.
    template <class F> std::vector<Step> stepsOf(F f) {
        PlanScope scope(-1, Action::None);
        f();
        return plan.seen;
    }
    static long renameIndex(const std::vector<Step>& steps) {
        auto it = std::find(steps.rbegin(), steps.rend(), Step::Rename);
        return it == steps.rend() ? -1 : long(steps.rend() - it - 1);
    }
};

} // namespace

TEST_F(FaultInjection, AFailingStepOfAJournalEntryPublishesNothingAndTheSaveKeepsTheChange) {
    {
        TestOrganizer v(path);
        ASSERT_EQ(renameToDo(*v, "plain", "first change"), 0);
    }
    const std::string entry0 = readWholeFile(path + "0");
    std::vector<Step> steps;
    {
        TestOrganizer v(path);
        ASSERT_EQ(v.replayed, 1);
        steps = stepsOf([&] { ASSERT_EQ(renameToDo(*v, "dated", "second change"), 0); });
        fs::remove(path + "1");
    }
    const long renamed = renameIndex(steps);
    ASSERT_GT(renamed, 0);

    for (long k = 0; k < long(steps.size()); ++k) {
        SCOPED_TRACE("failing step " + std::to_string(k));
        writeWholeFile(path, baseFile());
        writeWholeFile(path + "0", entry0);
        TestOrganizer v(path);
        ASSERT_EQ(v.replayed, 1);
        int r;
        {
            PlanScope scope(k, Action::Fail);
            r = renameToDo(*v, "dated", "second change");
        }
        EXPECT_EQ(readWholeFile(path + "0"), entry0) << "an earlier entry is never touched";
        EXPECT_FALSE(hasTemporary(home.path()));
        if (k <= renamed) {
            EXPECT_EQ(r, -1) << "a failed entry is reported";
            EXPECT_FALSE(fs::exists(path + "1"));
            EXPECT_TRUE(v->incsave_hasUnjournaledChanges()) << "the save at the end must run";
        } else {
            EXPECT_EQ(r, 0);
            EXPECT_TRUE(fs::exists(path + "1"));
        }
        // The save at the end of the run holds both changes.
        ASSERT_EQ(v->writeData(path.c_str()), 0);
        ASSERT_EQ(v->incsave_delFiles(), 0);
        EXPECT_EQ(summaries(path),
                  (std::vector<std::string>{"first change", "second change", "long"}));
    }
}

TEST_F(FaultInjection, AKillAtAnyStepOfAJournalEntryLosesNoEntry) {
    {
        TestOrganizer v(path);
        ASSERT_EQ(renameToDo(*v, "plain", "first change"), 0);
    }
    const std::string entry0 = readWholeFile(path + "0");
    std::vector<Step> steps;
    std::string entry1;
    {
        TestOrganizer v(path);
        steps = stepsOf([&] { ASSERT_EQ(renameToDo(*v, "dated", "second change"), 0); });
        entry1 = readWholeFile(path + "1");
        fs::remove(path + "1");
    }
    const long renamed = renameIndex(steps);

    for (long k = 0; k < long(steps.size()); ++k) {
        for (Action a : {Action::KillBefore, Action::KillAfter}) {
            SCOPED_TRACE("kill " + std::string(a == Action::KillBefore ? "before" : "after") +
                         " step " + std::to_string(k));
            writeWholeFile(path, baseFile());
            writeWholeFile(path + "0", entry0);
            ASSERT_TRUE(runChild(k, a, [&] {
                TestOrganizer v(path);
                renameToDo(*v, "dated", "second change");
            }));
            const bool published = k > renamed || (k == renamed && a == Action::KillAfter);
            EXPECT_EQ(readWholeFile(path + "0"), entry0);
            if (published) {
                EXPECT_EQ(readWholeFile(path + "1"), entry1);
            } else {
                EXPECT_FALSE(fs::exists(path + "1"));
            }

            ProcessResult r = startAgain(home, path);
            EXPECT_EQ(r.exitCode, 0) << r.err;
            EXPECT_FALSE(fs::exists(path + "0")) << "merged into the data file";
            EXPECT_FALSE(hasTemporary(home.path()));
            EXPECT_EQ(summaries(path),
                      (std::vector<std::string>{"first change",
                                                published ? "second change" : "dated", "long"}));
        }
    }
}

namespace {

// One change of every kind the journal knows: a new todo, a new group with a
// todo in it, a changed todo, a deleted todo.
void editEveryKind(Velk& v) {
    ASSERT_EQ(v.newToDo(0, 0u), 0);
    v.incsave_newItem();
    v.setItemSummary("fresh");
    ASSERT_EQ(v.incsave_saveCurItem(), 0);
    ASSERT_EQ(v.newGroup(), 0);
    v.incsave_newItem();
    v.setGroupSummary("NewG");
    ASSERT_EQ(v.incsave_saveCurGroup(), 0);
    ASSERT_EQ(v.newToDo(0, 0u), 0);
    v.incsave_newItem();
    v.setItemSummary("inNewG");
    ASSERT_EQ(v.incsave_saveCurItem(), 0);
    ASSERT_EQ(v.leaveCurGroup(), 0);
    ASSERT_EQ(renameToDo(v, "plain", "changed"), 0);
    ASSERT_EQ(v.DeleteItem(findToDo(*v.getRoot(), "dated")), 0);
    ASSERT_NE(findGroup(*v.getRoot(), "NewG"), nullptr);
}

// Only the data file and its backups may be left: no journal, no retired or
// set-aside file, no temporary.
std::vector<std::string> leftovers(const std::string& dir) {
    std::vector<std::string> odd;
    for (const std::string& n : namesIn(dir))
        if (n.rfind("v.dat", 0) == 0 && n != "v.dat" && n != "v.datb0" && n != "v.datb1" &&
            n != "v.datb2")
            odd.push_back(n);
    return odd;
}

} // namespace

// The save that merges the journal is one commit: killed at any file step,
// the next start gives exactly the tree of an uninterrupted run, with no
// change lost or applied twice and nothing set aside. Once at start-up (the
// journal of a run that crashed is merged) and once at the end of a run (the
// journal of this run).
TEST_F(FaultInjection, AKillAtAnyStepOfAMergingSaveGivesTheSameTreeAtTheNextStart) {
    for (const bool atStartUp : {true, false}) {
        SCOPED_TRACE(atStartUp ? "merge at start-up" : "save at the end of a run");
        std::unique_ptr<TestOrganizer> v;
        auto reset = [&] {
            for (const std::string& n : namesIn(home.path()))
                if (n.rfind("v.dat", 0) == 0) fs::remove(home.file(n));
            writeWholeFile(path, baseFile());
            v.reset();
            if (atStartUp) {
                TestOrganizer crashed(path);
                editEveryKind(*crashed);
            }
        };
        // Up to the save, nothing is planned: the run loads (and replays) or
        // makes its changes.
        auto prepare = [&] {
            v = std::make_unique<TestOrganizer>(path);
            if (!atStartUp) editEveryKind(**v);
        };
        auto save = [&] {
            T_SaveReport report;
            (*v)->saveData(report);
        };
        reset();
        prepare();
        const std::string expected = dumpTree(**v);
        const auto steps = stepsOf(save);
        ASSERT_EQ(std::count(steps.begin(), steps.end(), Step::Rename), 1 + 5 + 1)
            << "the new file, five journal files, the kept generation";

        for (long k = 0; k < long(steps.size()); ++k) {
            for (Action a : {Action::KillBefore, Action::KillAfter}) {
                SCOPED_TRACE("kill " + std::string(a == Action::KillBefore ? "before" : "after") +
                             " step " + std::to_string(k));
                reset();
                std::fflush(nullptr);
                const pid_t pid = ::fork();
                if (pid == 0) {
                    prepare();
                    PlanScope scope(k, a);
                    save();
                    ::_exit(0);
                }
                int status = 0;
                ::waitpid(pid, &status, 0);
                ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

                ProcessResult r = startAgain(home, path);
                EXPECT_EQ(r.exitCode, 0) << r.err;
                EXPECT_EQ(r.err.find(".orphan"), std::string::npos) << r.err;
                EXPECT_EQ(leftovers(home.path()), std::vector<std::string>{});
                TestOrganizer after(path);
                EXPECT_EQ(after.replayed, 0);
                EXPECT_EQ(dumpTree(*after), expected);
            }
        }
    }
}

namespace {

// Runs the program headless with the size of the files it may write limited
// to limit bytes: every write beyond fails as on a full disk.
ProcessResult runWithFileSizeLimit(const TempDir& home, std::vector<std::string> args,
                                   rlim_t limit) {
    ProcessSpec command;
    command.args = std::move(args);
    command.cwd = home.path();
    command.env = {{"USERPROFILE", home.path()}, {"HOME", home.path()}, {"DISPLAY", ""}};
    // The child inherits both: writes fail with EFBIG instead of a signal.
    struct sigaction ignore {
    }, old{};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &old);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = limit;
    ::setrlimit(RLIMIT_FSIZE, &small);
    pid_t pid = startProcess(command);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::sigaction(SIGXFSZ, &old, nullptr);
    return waitProcess(pid, 60);
}

} // namespace

TEST_F(FaultInjection, TheProgramTellsTheUserWhenTheSaveAtTheEndFails) {
    ProcessResult r = runWithFileSizeLimit(home, {"-q", "-s", "-f", path}, 4096);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_NE(r.err.find("The data file " + path + " could not be written; it was left as it was."),
              std::string::npos)
        << r.err;
    EXPECT_EQ(readWholeFile(path), baseFile());
    EXPECT_FALSE(hasTemporary(home.path()));
}

TEST_F(FaultInjection, TheProgramKeepsTheJournalWhenTheMergeCannotBeSaved) {
    {
        TestOrganizer v(path);
        ASSERT_EQ(renameToDo(*v, "plain", "first change"), 0);
    }
    ProcessResult r = runWithFileSizeLimit(home, {"-q", "-f", path}, 4096);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_NE(r.err.find("The journal files beside it are kept and will be merged at the next "
                         "start."),
              std::string::npos)
        << r.err;
    EXPECT_EQ(readWholeFile(path), baseFile());
    EXPECT_TRUE(fs::exists(path + "0"));

    // With room on the disk again, the next start merges the change.
    r = startAgain(home, path);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_FALSE(fs::exists(path + "0"));
    EXPECT_EQ(summaries(path), (std::vector<std::string>{"first change", "dated", "long"}));
}

// A save that fails at any file step changes nothing: the data file, every
// journal file and the three backups stay byte for byte as they were, and
// the next start replays the same journal. A failure after the new file is
// in place leaves the new file and never loses the journal's changes.
TEST_F(FaultInjection, AFailingStepOfAMergingSaveChangesNothingOrCompletesIt) {
    const std::vector<std::string> backups = {"generation b0\n", "generation b1\n",
                                              "generation b2\n"};
    unsigned entries = 0;
    auto reset = [&] {
        for (const std::string& n : namesIn(home.path()))
            if (n.rfind("v.dat", 0) == 0) fs::remove(home.file(n));
        writeWholeFile(path, baseFile());
        for (std::size_t b = 0; b < backups.size(); ++b)
            writeWholeFile(path + "b" + std::to_string(b), backups[b]);
        TestOrganizer crashed(path);
        editEveryKind(*crashed);
        entries = unsigned(crashed->incsave_getNrOfFiles());
    };
    auto files = [&] {
        std::vector<std::string> content;
        for (const std::string& n : namesIn(home.path()))
            if (n.rfind("v.dat", 0) == 0) content.push_back(n + ":" + readWholeFile(home.file(n)));
        return content;
    };
    reset();
    ASSERT_EQ(entries, 5u);
    const auto before = files();
    std::string expected;
    std::vector<Step> steps;
    {
        TestOrganizer v(path);
        expected = dumpTree(*v);
        T_SaveReport report;
        steps = stepsOf([&] { ASSERT_EQ(v->saveData(report), 0); });
    }
    for (long k = 0; k < long(steps.size()); ++k) {
        SCOPED_TRACE("failing step " + std::to_string(k));
        reset();
        TestOrganizer v(path);
        T_SaveReport report;
        int r;
        {
            PlanScope scope(k, Action::Fail);
            r = v->saveData(report);
        }
        if (r == -1) {
            EXPECT_FALSE(report.error.empty());
            EXPECT_EQ(files(), before) << "data file, journal and backups as they were";
            // The run goes on: the save can be tried again.
            EXPECT_EQ(v->incsave_getNrOfFiles(), 5);
        } else {
            EXPECT_EQ(v->incsave_getNrOfFiles(), 0);
            if (r == 0 && report.warnings.empty()) {
                EXPECT_EQ(readWholeFile(path + "b0"), baseFile());
                EXPECT_EQ(readWholeFile(path + "b1"), backups[0]);
                EXPECT_EQ(readWholeFile(path + "b2"), backups[1]);
            }
        }
        TestOrganizer after(path);
        EXPECT_EQ(after.replayed, r == -1 ? 1 : 0);
        EXPECT_EQ(dumpTree(*after), expected);
    }
}
