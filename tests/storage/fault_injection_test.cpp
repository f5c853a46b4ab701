// One driver for every write that keeps the user's data: a journal entry, the
// save at the end of a run (which merges the journal of that run) and the save
// at start-up that merges the journal a crashed run left. Each file step
// (write, sync, close, rename, unlink, link) in turn fails, or the process is
// killed just before or just after it; every step of a whole start, the
// opens and reads included, fails with EIO and with ENOSPC. A failure loses nothing and is
// reported; after a kill the next start shows the tree from before the write
// (or with the entry, once it was published), never half of it.

#include "engine/velk.h"
#include "storage/file_tools.h"
#include "storage/sync_state.h"
#include "support/organizer.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sys/wait.h>
#include <unistd.h>

namespace {

enum class Action { None, Fail, KillBefore, KillAfter };
enum class Step { Write, Fsync, Rename, Close, Unlink, Link, Open, Read };

struct Plan {
    long at = -1, count = 0;
    Action action = Action::None;
    std::vector<Step> seen;
    int err = 0; // the error a failing step gives; 0: ENOSPC for a write, else EIO
} plan;

// One file step under the plan. A failing close still releases the descriptor.
template <class F> auto step(Step s, F call) -> decltype(call()) {
    const long i = plan.count++;
    plan.seen.push_back(s);
    if (i == plan.at && plan.action == Action::KillBefore) ::raise(SIGKILL);
    if (i == plan.at && plan.action == Action::Fail) {
        if (s == Step::Close) call();
        errno = plan.err ? plan.err : s == Step::Write ? ENOSPC : EIO;
        return -1;
    }
    auto r = call();
    if (i == plan.at && plan.action == Action::KillAfter) ::raise(SIGKILL);
    return r;
}

// The system's call, under the plan. A kill does not drop what the system has
// cached: syncing is counted, not done.
#define PLANNED(S, call)                                                                           \
    [](auto... a) { return step(Step::S, [&] { return FileTools::systemOps().call(a...); }); }
const T_FileOps planned = {
    PLANNED(Write, write),   [](int) { return step(Step::Fsync, [] { return 0; }); },
    PLANNED(Rename, rename), PLANNED(Close, close),
    PLANNED(Unlink, unlink), PLANNED(Link, link),
    PLANNED(Open, open),     PLANNED(Read, read)};

// Outside a plan every step is only counted.
struct PlanScope {
    PlanScope(long at, Action action, int err = 0) { plan = Plan{at, 0, action, {}, err}; }
    ~PlanScope() { plan.at = -1; }
};

const std::string base = fixedLines +
                         "<idmax=5>\n<curGroup=/0/>\ng\ns<unnamed>\nI1\nt\nsplain\nI2\n>\n"
                         "t\nsdated\nI3\n>\ng\nsWork\nI4\nt\nsw1\nI5\n>\n>\n>\n</data>\n";

int newToDo(Velk& v, const char* summary) {
    if (v.newToDo(0, 0u) != 0) return -9;
    v.incsave_newItem(), v.setItemSummary(summary);
    return v.incsave_saveCurItem();
}
// Three journaled edits: a changed, a deleted and a new todo.
void editThree(Velk& v) {
    v.setItem(findToDo(*v.getRoot(), "plain")), v.setItemSummary("changed");
    ASSERT_EQ(v.incsave_saveCurItem(), 0);
    ASSERT_EQ(v.DeleteItem(findToDo(*v.getRoot(), "dated")), 0);
    ASSERT_EQ(newToDo(v, "new"), 0);
}

// withJournal: entries of a crashed run wait beside the data file; editsFirst:
// the run edits before the operation; op: what runs under the plan.
T_SaveReport report; // of the last save
// clang-format off
struct Operation { const char* name; bool withJournal, editsFirst; std::function<int(Velk&)> op; };
const Operation operations[] = {
    {"journal entry", true, false, [](Velk& v) { return newToDo(v, "fresh"); }},
    {"save at the end of a run", false, true, [](Velk& v) { return v.saveData(report); }},
    {"merge at start-up", true, false, [](Velk& v) { return v.saveData(report); }},
};
// clang-format on

struct FaultInjection : testing::Test {
    TempDir home;
    std::string path = home.file("v.dat");
    std::map<std::string, std::string> entries; // the journal of a crashed run

    void SetUp() override {
        FileTools::ops() = planned;
        writeWholeFile(path, base);
        editThree(*TestOrganizer(path));
        for (unsigned n = 0; n < 3; ++n)
            entries["v.dat" + std::to_string(n)] = readWholeFile(journalFile(path, n));
    }
    void TearDown() override { FileTools::ops() = FileTools::systemOps(); }
    // The files as the operation finds them, and the organizer it runs in.
    std::unique_ptr<TestOrganizer> start(const Operation& o) {
        for (const std::string& n : namesIn(home.path()))
            std::remove(home.file(n).c_str());
        writeWholeFile(path, base);
        for (const char* b : {"b0", "b1", "b2"})
            writeWholeFile(path + b, std::string("generation ") + b + "\n");
        for (const auto& [name, text] : entries)
            if (o.withJournal) writeWholeFile(home.file(name), text);
        auto v = std::make_unique<TestOrganizer>(path);
        if (o.editsFirst) editThree(**v);
        return v;
    }
    std::map<std::string, std::string> files() {
        std::map<std::string, std::string> all;
        for (const std::string& n : namesIn(home.path()))
            all[n] = readWholeFile(home.file(n));
        return all;
    }
    // What the next start does: recover, replay, merge and set strays aside.
    // It must show the tree expected and leave only the data file and backups.
    void expectNextStart(const std::string& expected) {
        {
            TestOrganizer next(path);
            ASSERT_GE(next.replayed, 0) << next.journalError;
            EXPECT_EQ(dumpTree(*next), expected);
            T_SaveReport report;
            EXPECT_EQ(next.replayed == 1 ? next->saveData(report) : 0, 0) << report.error;
            EXPECT_TRUE(next->incsave_setAsideStrays().empty()) << "nothing is set aside";
        }
        for (const std::string& n : namesIn(home.path()))
            EXPECT_TRUE(n == "v.dat" || n == "v.datb0" || n == "v.datb1" || n == "v.datb2") << n;
        TestOrganizer again(path);
        EXPECT_EQ(again.replayed, 0);
        EXPECT_EQ(dumpTree(*again), expected);
    }
};

} // namespace

TEST_F(FaultInjection, EveryStepOfEveryWriteFailsOrIsKilledWithoutLoss) {
    for (const Operation& o : operations) {
        SCOPED_TRACE(o.name);
        const bool isEntry = std::string(o.name) == "journal entry";
        auto probe = start(o);
        const std::string before = dumpTree(**probe);
        ASSERT_EQ((PlanScope(-1, Action::None), o.op(**probe)), 0);
        const std::vector<Step> steps = plan.seen;
        const std::string withEntry = dumpTree(**probe);
        probe.reset();
        const long renamed =
            long(std::find(steps.begin(), steps.end(), Step::Rename) - steps.begin());
        ASSERT_LT(renamed, long(steps.size()));

        for (long k = 0; k < long(steps.size()); ++k) {
            SCOPED_TRACE("step " + std::to_string(k));
            {
                SCOPED_TRACE("fails");
                auto v = start(o);
                const auto filesBefore = files();
                const int r = (PlanScope(k, Action::Fail), o.op(**v));
                if (isEntry) {
                    // Unpublished, the entry waits and comes with the next one.
                    EXPECT_EQ(r, k <= renamed ? -1 : 0) << "a failed entry is reported";
                    (*v)->setItemSummary("fresh again");
                    ASSERT_EQ((*v)->incsave_saveCurItem(), 0);
                    const std::string run = dumpTree(**v);
                    v.reset(), expectNextStart(run);
                } else {
                    EXPECT_EQ(report.error.empty(), r == 0) << "a failed save is reported";
                    // Only a failed link is not reported: a copy stands in for it.
                    EXPECT_TRUE(r != 0 || !report.warnings.empty() || steps[k] == Step::Link);
                    if (r == -1) {
                        EXPECT_EQ(files(), filesBefore) << "every file stays as it was";
                        EXPECT_GT((*v)->incsave_getNrOfFiles(), 0);
                    }
                    v.reset(), expectNextStart(before);
                }
            }
            for (Action a : {Action::KillBefore, Action::KillAfter}) {
                SCOPED_TRACE(a == Action::KillBefore ? "killed before" : "killed after");
                std::fflush(nullptr);
                const pid_t pid = ::fork();
                if (pid == 0) {
                    auto v = start(o);
                    ::_exit((PlanScope(k, a), o.op(**v)));
                }
                int status = 0;
                ASSERT_EQ(::waitpid(pid, &status, 0), pid);
                ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
                const bool published = k > renamed || (k == renamed && a == Action::KillAfter);
                expectNextStart(isEntry && published ? withEntry : before);
            }
        }
    }
}

namespace {

// A start as the program makes it: load, replay, merge, set strays aside.
// Result: 0 started (the merge saved or had nothing to save), else the first
// failure's code.
int startUp(const std::string& path, std::string& tree) {
    Velk v;
    if (v.openDataFile(path.c_str()) != 0) return -10;
    std::string error;
    int saved = 0;
    T_SaveReport report;
    std::vector<std::pair<std::string, std::string>> strays;
    const int merged = v.mergeJournalAtStart(error, saved, report, strays);
    tree = dumpTree(v);
    if (merged < 0) return merged;
    return saved == -1 ? -20 : 0;
}

} // namespace

// Every kind of entry waits: a changed, a deleted and a new todo, a changed
// and a deleted group, a new group with content, an empty entry. Each file
// call of a start fails in turn with EIO, then ENOSPC; the start reports it
// or completes, and the start after it gives exactly the tree of an
// uninterrupted one: nothing lost, nothing doubled, nothing merged set aside.
TEST_F(FaultInjection, EveryFileCallOfAStartUpMergeFailsWithoutLoss) {
    for (const std::string& n : namesIn(home.path()))
        std::remove(home.file(n).c_str());
    writeWholeFile(path, base);
    {
        TestOrganizer v(path);
        editThree(*v);
        v->setGroup(findGroup(*v->getRoot(), "Work"));
        v->incsave_rememberGroup(), v->setGroupSummary("Office");
        ASSERT_EQ(v->incsave_saveCurGroup(), 0);
        v->setGroup(v->getRoot());
        ASSERT_EQ(v->newGroup(), 0);
        v->incsave_newItem(), v->setGroupSummary("Home");
        ASSERT_EQ(v->incsave_saveCurGroup(), 0);
        ASSERT_EQ(newToDo(*v, "in Home"), 0);
        v->setGroup(v->getRoot());
        ASSERT_EQ(v->newGroup(), 0);
        v->incsave_newItem(), v->setGroupSummary("Short-lived");
        ASSERT_EQ(v->incsave_saveCurGroup(), 0);
        v->setGroup(v->getRoot());
        ASSERT_EQ(v->DeleteItem(findGroup(*v->getRoot(), "Short-lived")), 0);
    }
    const std::string dataFile = readWholeFile(path);
    std::map<std::string, std::string> journal;
    for (unsigned n = 0; n < 64 && entryAt(journalFile(path, n)) == 1; ++n)
        journal["v.dat" + std::to_string(n)] = readWholeFile(journalFile(path, n));
    ASSERT_GE(journal.size(), 7u);
    const std::string empty = "v.dat" + std::to_string(journal.size());
    journal[empty] = "";
    auto reset = [&] {
        for (const std::string& n : namesIn(home.path()))
            std::remove(home.file(n).c_str());
        writeWholeFile(path, dataFile);
        for (const auto& [name, text] : journal)
            writeWholeFile(home.file(name), text);
    };
    reset();
    std::string expected;
    ASSERT_EQ((PlanScope(-1, Action::None), startUp(path, expected)), 0);
    const long steps = plan.count;
    for (const int err : {EIO, ENOSPC}) {
        for (long k = 0; k < steps; ++k) {
            SCOPED_TRACE((err == EIO ? "EIO at step " : "ENOSPC at step ") + std::to_string(k));
            reset();
            const auto before = files();
            std::string tree;
            const int r = (PlanScope(k, Action::Fail, err), startUp(path, tree));
            if (r == 0) {
                EXPECT_EQ(tree, expected) << "a start that goes on shows every change";
            } else {
                EXPECT_EQ(files(), before) << "a failed start leaves every file as it was";
                EXPECT_NE(r, -3) << "a journal file that cannot be read is no stranger's file";
            }
            std::string after;
            ASSERT_EQ(startUp(path, after), 0);
            EXPECT_EQ(after, expected);
            for (const std::string& n : namesIn(home.path()))
                EXPECT_TRUE(n == "v.dat" || n == "v.datb0" || n == "v.datb1" || n == "v.datb2")
                    << n << " is left after the next start";
        }
    }
}

// A search's load of only the entries that may hold its text: an open or a
// read of the data file that fails is reported as a failed read, never taken
// for a file without hits.
TEST_F(FaultInjection, ASearchsLoadThatCannotReadTheFileSaysSo) {
    writeWholeFile(path, base);
    auto load = [this] {
        Velk v;
        v.createRoot();
        v.loadOnlyEntriesHolding("W1");
        const int r = v.readData(path.c_str());
        return std::make_pair(r, r == 0 ? findToDo(*v.getRoot(), "w1") != nullptr : false);
    };
    ASSERT_EQ((PlanScope(-1, Action::None), load()), std::make_pair(0, true));
    const long steps = plan.count;
    ASSERT_GE(steps, 2);
    for (long k = 0; k < steps; ++k) {
        SCOPED_TRACE("EIO at step " + std::to_string(k));
        const auto r = (PlanScope(k, Action::Fail), load());
        EXPECT_EQ(r.first, -2);
    }
}

// What a sync remembers: a write of it that fails at any step says so and
// leaves the state of the last run; one that reports success left the new one.
TEST_F(FaultInjection, EveryStepOfASyncStateWriteFailsWithoutLoss) {
    const std::string file = storage::syncStatePath(path);
    storage::T_SyncState old, now;
    old.url = "https://dav.example.org/";
    old.idmax = 5;
    now = old;
    now.idmax = 9;
    std::string error;
    long steps = 0;
    {
        PlanScope counting(-1, Action::None);
        ASSERT_EQ(storage::writeSyncState(file, now, error), 0) << error;
        steps = plan.count;
    }
    long refused = 0;
    for (long at = 0; at < steps; ++at) {
        ASSERT_EQ(storage::writeSyncState(file, old, error), 0) << error;
        int written;
        {
            PlanScope failing(at, Action::Fail);
            written = storage::writeSyncState(file, now, error);
        }
        storage::T_SyncState back;
        ASSERT_EQ(storage::readSyncState(file, back, error), 0) << at << ": " << error;
        EXPECT_EQ(back.idmax, written == 0 ? 9u : 5u) << at;
        EXPECT_TRUE(written == 0 || !error.empty()) << at;
        refused += written != 0;
    }
    EXPECT_GE(refused, steps - 2) << "of " << steps << " steps";
}

// An undo (a group deleted, then taken back) killed before and after each of
// its file steps: the next start shows the tree with the group deleted or
// with it back whole, never a part of it; once its entry was published, back.
// A step that fails leaves the undo in memory, and the save takes it.
TEST_F(FaultInjection, AnUndoKilledAtAnyFileStepIsWholeOrNotDone) {
    const Operation none{"undo", false, false, nullptr};
    const auto deleted = [&] {
        auto v = start(none);
        (*v)->setGroup(findGroup(*(*v)->getRoot(), "Work"));
        EXPECT_EQ((*v)->deleteCurrentGroup(), 0);
        return v;
    };
    std::string label, error;
    uint32_t shown = 0;
    auto probe = deleted();
    const std::string without = dumpTree(**probe);
    ASSERT_EQ((PlanScope(-1, Action::None), (*probe)->undo(label, shown, error)), 0) << error;
    const std::vector<Step> steps = plan.seen;
    const std::string back = dumpTree(**probe);
    probe.reset();
    const long renamed = long(std::find(steps.begin(), steps.end(), Step::Rename) - steps.begin());
    ASSERT_LT(renamed, long(steps.size()));
    for (long k = 0; k < long(steps.size()); ++k) {
        {
            // A step that fails (EIO, ENOSPC): the undo is done in memory, its
            // entry waits, and the save at the end takes it.
            auto v = deleted();
            EXPECT_EQ((PlanScope(k, Action::Fail), (*v)->undo(label, shown, error)), 0) << k;
            EXPECT_EQ(dumpTree(**v), back) << k;
            EXPECT_EQ((*v)->saveData(report), 0) << k << ": " << report.error;
            v.reset();
            EXPECT_EQ(dumpTree(*TestOrganizer(path)), back) << k;
        }
        for (Action a : {Action::KillBefore, Action::KillAfter}) {
            SCOPED_TRACE("step " + std::to_string(k) +
                         (a == Action::KillBefore ? " before" : " after"));
            std::fflush(nullptr);
            const pid_t pid = ::fork();
            if (pid == 0) {
                auto v = deleted();
                ::_exit((PlanScope(k, a), (*v)->undo(label, shown, error)));
            }
            int status = 0;
            ASSERT_EQ(::waitpid(pid, &status, 0), pid);
            ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
            const bool published = k > renamed || (k == renamed && a == Action::KillAfter);
            TestOrganizer next(path);
            EXPECT_EQ(dumpTree(*next), published ? back : without);
        }
    }
}
