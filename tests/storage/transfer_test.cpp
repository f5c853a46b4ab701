#include "engine/velk.h"
#include "support/organizer.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string fixed = "<type=Velk>\n<version=0.54>\n<data>\n";

// root { "t0" (running), "Proj" { "a", "b" (due 10 March 2011), "Sub" { "c" } } }
std::string baseFile() {
    const packedDT march10 = packDate(10, 3, 2011) | DT_NOTIME;
    return fixed +
           "<idmax=7>\ng\ns<unnamed>\nI1\nt\nst0\nI2\nR\nr5,5\n>\ng\nsProj\nI3\np2\n"
           "t\nsa\nI4\n>\nt\nsb\nI5\nn" +
           std::to_string(march10) + "\n>\ng\nsSub\nI6\nt\nsc\nI7\n>\n>\n>\n>\n</data>\n";
}

struct Transfer : testing::Test {
    void SetUp() override {
        path = dir.file("t.dat");
        clip = dir.file("velkXXXXXX.tmp");
        writeWholeFile(path, baseFile());
        org = std::make_unique<TestOrganizer>(path);
        proj = v().getRoot()->getGroup(0);
    }
    Velk& v() { return **org; }
    // Every sync ID of the tree, to see that none is given twice.
    void collect(ToDoListGroup& g, std::vector<uint32_t>& ids) {
        ids.push_back(g.getSyncID());
        for (std::size_t i = 0; i < g.getNrToDos(); ++i)
            ids.push_back(g.getToDo(i)->getSyncID());
        for (std::size_t i = 0; i < g.getNrGroups(); ++i)
            collect(*g.getGroup(i), ids);
    }
    void expectUniqueSyncIDs() {
        std::vector<uint32_t> ids;
        collect(*v().getRoot(), ids);
        std::sort(ids.begin(), ids.end());
        EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
    }
    // A restart must show the same organizer through the journal.
    void expectSurvivesRestart() {
        TestOrganizer again(path);
        EXPECT_EQ(again.replayed, 1) << again.journalError;
        EXPECT_EQ(dumpTree(*again), dumpTree(v()));
    }

    TempDir dir;
    std::string path, clip;
    std::unique_ptr<TestOrganizer> org;
    ToDoListGroup* proj = nullptr;
};

} // namespace

TEST_F(Transfer, ExportedGroupHasNoSyncIDsAndMarksNothingSaved) {
    v().setGroup(proj);
    ASSERT_EQ(v().exportGroupToFile(clip.c_str()), 0);
    const std::string march10 = std::to_string(packDate(10, 3, 2011) | DT_NOTIME);
    EXPECT_EQ(readWholeFile(clip), fixed + "g\nsProj\np2\nt\nsa\n>\nt\nsb\nn" + march10 +
                                       "\n>\ng\nsSub\nt\nsc\n>\n>\n>\n</data>\n");
    ASSERT_EQ(v().exportContentToFile(clip.c_str()), 0);
    EXPECT_EQ(readWholeFile(clip),
              fixed + "t\nsa\n>\nt\nsb\nn" + march10 + "\n>\ng\nsSub\nt\nsc\n>\n>\n</data>\n");
    v().setItem(proj->getToDo(0));
    ASSERT_EQ(v().exportToDoToFile(clip.c_str()), 0);
    EXPECT_EQ(readWholeFile(clip), fixed + "t\nsa\n>\n</data>\n");
    EXPECT_EQ(v().incsave_getNrOfFiles(), 0);
}

TEST_F(Transfer, CopiedGroupPastedIntoItselfBecomesANewCopyInside) {
    v().setGroup(proj);
    ASSERT_EQ(v().exportGroupToFile(clip.c_str()), 0);
    ASSERT_EQ(v().insertDataFromFile(clip.c_str()), 0);
    EXPECT_EQ(v().getCurGroup(), proj);
    ASSERT_EQ(proj->getNrGroups(), 2u);
    ToDoListGroup* copy = proj->getGroup(1);
    EXPECT_EQ(copy->getSummary(), "Proj");
    EXPECT_EQ(copy->getPriority(), 2u);
    EXPECT_EQ(copy->getNrToDos(), 2u);
    EXPECT_EQ(copy->getGroup(0)->getToDo(0)->getSummary(), "c");
    EXPECT_GT(copy->getSyncID(), 7u);
    EXPECT_EQ(v().calendar().datedToDos.size(), 2u);
    EXPECT_EQ(v().incsave_getNrOfFiles(), 1);
    expectUniqueSyncIDs();
    expectSurvivesRestart();
}

TEST_F(Transfer, CutGroupPastedElsewhereComesBackWithNewIdentities) {
    v().setGroup(proj);
    ASSERT_EQ(v().exportGroupToFile(clip.c_str()), 0);
    ASSERT_EQ(v().delCurGroup(), 0);
    EXPECT_EQ(v().getRoot()->getNrGroups(), 0u);
    EXPECT_EQ(v().calendar().datedToDos.size(), 0u);
    ASSERT_EQ(v().insertDataFromFile(clip.c_str()), 0);
    ASSERT_EQ(v().getRoot()->getNrGroups(), 1u);
    EXPECT_EQ(v().getRoot()->getGroup(0)->getSummary(), "Proj");
    EXPECT_EQ(v().calendar().datedToDos.size(), 1u);
    expectSurvivesRestart();
}

TEST_F(Transfer, PastedContentIsInsertedRecordByRecordTodosFirst) {
    v().setGroup(proj);
    ASSERT_EQ(v().exportContentToFile(clip.c_str()), 0);
    v().setGroup(v().getRoot());
    ASSERT_EQ(v().insertDataFromFile(clip.c_str()), 0);
    ASSERT_EQ(v().getRoot()->getNrToDos(), 3u);
    EXPECT_EQ(v().getRoot()->getToDo(1)->getSummary(), "a");
    EXPECT_EQ(v().getRoot()->getToDo(2)->getSummary(), "b");
    EXPECT_EQ(v().getRoot()->getGroup(1)->getSummary(), "Sub");
    EXPECT_EQ(v().incsave_getNrOfFiles(), 3) << "one journal entry per inserted record";
    EXPECT_EQ(v().getCurItem(), v().getRoot()->getToDo(2));
    expectUniqueSyncIDs();
    expectSurvivesRestart();
}

TEST_F(Transfer, CopiedSelectedRowsFollowTheDisplayOrder) {
    v().contentView().setRows(std::vector<T_viewDataItem>(3),
                              {proj->getToDo(0), nullptr, proj->getGroup(0)}, {2, 0, 1});
    std::ostringstream os;
    EXPECT_EQ(v().exportToStream(os, 0u), 0);
    EXPECT_EQ(v().exportToStream(os, 1u), 0);
    EXPECT_EQ(v().exportToStream(os, 2u), -1) << "a calendar marker row";
    EXPECT_EQ(v().exportToStream(os, 3u), -1);
    EXPECT_EQ(os.str(), "g\nsSub\nt\nsc\n>\n>\nt\nsa\n>\n");
    ASSERT_EQ(v().exportRowsToFile(clip.c_str(), {1, 2, 0, 3}, false), 0);
    EXPECT_EQ(readWholeFile(clip), fixed + "t\nsa\n>\ng\nsSub\nt\nsc\n>\n>\n</data>\n");
}

TEST_F(Transfer, ClipboardIsWrittenOwnerOnlyAndNeverOverAPlantedFile) {
    writeWholeFile(dir.file("victim"), "letter\n");
    v().setGroup(proj);
    v().setItem(proj->getToDo(0));
    v().contentView().setRows(std::vector<T_viewDataItem>(1), {proj->getToDo(0)}, {0});
    const std::function<int()> writers[] = {
        [&] { return v().exportGroupToFile(clip.c_str(), true); },
        [&] { return v().exportContentToFile(clip.c_str(), true); },
        [&] { return v().exportToDoToFile(clip.c_str(), true); },
        [&] { return v().exportRowsToFile(clip.c_str(), {0}, true); }};
    const std::pair<std::string, int> targets[] = {{"missing", 0}, {"own file", 0},
                                                   {"link", -4},   {"directory", -4},
                                                   {"fifo", -4},   {"theirs", -4}};
    for (const auto& [what, result] : targets) {
        for (const auto& write : writers) {
            SCOPED_TRACE(what);
            fs::remove_all(clip);
            if (what == "own file" || what == "theirs") writeWholeFile(clip, "old\n");
            chmod(clip.c_str(), 0644);
            if (what == "theirs" && chown(clip.c_str(), 65534, 65534) != 0) continue; // not root
            if (what == "link") symlink(dir.file("victim").c_str(), clip.c_str());
            if (what == "directory") mkdir(clip.c_str(), 0700);
            if (what == "fifo") mkfifo(clip.c_str(), 0600);
            struct stat before {
            }, after{};
            lstat(clip.c_str(), &before);
            EXPECT_EQ(write(), result);
            ASSERT_EQ(lstat(clip.c_str(), &after), 0);
            if (result == 0) {
                EXPECT_EQ(after.st_mode, S_IFREG | 0600);
                EXPECT_EQ(readWholeFile(clip).substr(0, fixed.size()), fixed);
            } else {
                EXPECT_EQ(after.st_ino, before.st_ino) << "the planted file is kept";
                EXPECT_EQ(after.st_mode, before.st_mode);
                EXPECT_EQ(after.st_uid, before.st_uid);
            }
            EXPECT_EQ(readWholeFile(dir.file("victim")), "letter\n");
        }
    }
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"t.dat", "velkXXXXXX.tmp", "victim"}));
}

TEST_F(Transfer, PastingFromTheClipboardDoesNotFollowALink) {
    writeWholeFile(dir.file("planted"), fixed + "t\nsinjected\n>\n</data>\n");
    ASSERT_EQ(symlink(dir.file("planted").c_str(), clip.c_str()), 0);
    const std::string before = dumpTree(v());
    EXPECT_EQ(v().insertDataFromFile(clip.c_str(), false), -3);
    EXPECT_EQ(dumpTree(v()), before);
    EXPECT_EQ(v().insertDataFromFile(clip.c_str()), 0) << "an import may name a link";
}

TEST_F(Transfer, SearchHitsAreExportedInAGroupNamedSearchResults) {
    v().setMainViewType(MAINVIEW_SEARCH);
    v().contentView().setRows(v().getViewData(), {proj->getToDo(0), proj->getGroup(0)},
                              v().getViewOrder());
    ASSERT_EQ(v().exportGroupToFile(clip.c_str()), 0);
    EXPECT_EQ(readWholeFile(clip),
              fixed + "g\nssearch results\nt\nsa\n>\ng\nsSub\nt\nsc\n>\n>\n>\n</data>\n");
    ASSERT_EQ(v().exportContentToFile(clip.c_str()), 0);
    EXPECT_EQ(readWholeFile(clip), fixed + "t\nsa\n>\ng\nsSub\nt\nsc\n>\n>\n</data>\n");
    EXPECT_EQ(v().insertDataFromFile(clip.c_str()), -1) << "paste only in the normal view";
}

TEST_F(Transfer, ImportedDataFileBecomesOneGroupWithFreshSyncIDs) {
    // The file's own sync IDs collide with ours; its header is ignored.
    writeWholeFile(dir.file("other.dat"), baseFile());
    const std::string before = dumpTree(v());
    const uint32_t idmax = v().getIdMax();
    ASSERT_EQ(v().insertDataFromFile(dir.file("other.dat").c_str()), 0);
    ASSERT_EQ(v().getRoot()->getNrGroups(), 2u);
    ToDoListGroup* imported = v().getRoot()->getGroup(1);
    EXPECT_EQ(imported->getSummary(), "<unnamed>");
    EXPECT_EQ(imported->getNrGroups(), 1u);
    EXPECT_EQ(imported->getSyncID(), idmax + 1);
    EXPECT_EQ(v().getIdMax(), idmax + 7);
    EXPECT_EQ(v().getNrActiveJobs(), 2u) << "the running todo of the file runs on";
    expectUniqueSyncIDs();
    expectSurvivesRestart();
    EXPECT_NE(dumpTree(v()), before);
}

TEST_F(Transfer, RefusedOrFailedTransfersChangeNothing) {
    const std::string before = dumpTree(v());
    writeWholeFile(clip, fixed + "t\nsx\n>\n</data>\n");
    v().setMainViewType(MAINVIEW_CALENDAR);
    EXPECT_EQ(v().insertDataFromFile(clip.c_str()), -1);
    v().setMainViewType(MAINVIEW_NORMAL);
    EXPECT_EQ(v().insertDataFromFile(dir.file("missing").c_str()), -3);
    EXPECT_EQ(v().insertDataFromFile(dir.path().c_str()), -3) << "a directory";
    EXPECT_EQ(dumpTree(v()), before);

    v().itemTree().activeJobs() = 1;
    v().setMainViewType(MAINVIEW_ACTIVE);
    EXPECT_EQ(v().exportGroupToFile(clip.c_str()), -1);
    EXPECT_EQ(v().exportContentToFile(clip.c_str()), -1);
    EXPECT_EQ(readWholeFile(clip), fixed + "t\nsx\n>\n</data>\n");
    v().setMainViewType(MAINVIEW_BACK);
    EXPECT_EQ(v().exportGroupToFile(dir.file("no/such/dir").c_str()), -3);
    EXPECT_EQ(v().exportGroupToFile(""), -3);
}

TEST_F(Transfer, FileWithoutEndKeepsWhatWasReadAndJournalsIt) {
    writeWholeFile(clip, fixed + "t\nsone\n>\ng\nstwo\nt\nsinside\n");
    EXPECT_EQ(v().insertDataFromFile(clip.c_str()), -2);
    EXPECT_EQ(v().getRoot()->getNrToDos(), 2u);
    ASSERT_EQ(v().getRoot()->getNrGroups(), 2u);
    EXPECT_EQ(v().getRoot()->getGroup(1)->getSummary(), "two");
    EXPECT_EQ(v().incsave_getNrOfFiles(), 2);
    expectSurvivesRestart();
}
