// Export, import, copy and paste through transfer files: records without sync
// IDs out, fresh sync IDs in, every insertion journaled, and the clipboard
// file written owner-only and never through a planted file.

#include "engine/velk.h"
#include "support/organizer.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string march10 = std::to_string(packDate(10, 3, 2011) | DT_NOTIME);

// root { "t0" (running), "Proj" { "a", "b" (due 10 March 2011), "Sub" { "c" } } }
const std::string baseFile = fixedLines +
                             "<idmax=7>\ng\ns<unnamed>\nI1\nt\nst0\nI2\nR\nr5,5\n>\n"
                             "g\nsProj\nI3\np2\nt\nsa\nI4\n>\nt\nsb\nI5\nn" +
                             march10 + "\n>\ng\nsSub\nI6\nt\nsc\nI7\n>\n>\n>\n>\n</data>\n";

// Every summary in tree order, and whether two items share a sync ID.
void walk(ToDoListGroup& g, std::string& s, std::vector<uint32_t>& ids) {
    s += g.getSummary() + " ", ids.push_back(g.getSyncID());
    for (std::size_t i = 0; i < g.getNrToDos(); ++i)
        s += g.getToDo(i)->getSummary() + " ", ids.push_back(g.getToDo(i)->getSyncID());
    for (std::size_t i = 0; i < g.getNrGroups(); ++i)
        walk(*g.getGroup(i), s, ids);
}

struct Transfer : testing::Test {
    void SetUp() override {
        writeWholeFile(path, baseFile), org = std::make_unique<TestOrganizer>(path);
        proj = v().getRoot()->getGroup(0);
    }
    Velk& v() { return **org; }
    int exportSearchResults() {
        v().setMainViewType(MAINVIEW_SEARCH);
        const std::vector<ToDoListItem*> found{proj->getToDo(0), proj->getGroup(0)};
        v().contentView().setRows(v().getViewData(), found, v().getViewOrder());
        return v().exportGroupToFile(clip.c_str());
    }
    TempDir dir;
    std::string path = dir.file("t.dat"), clip = dir.file("velkXXXXXX.tmp");
    std::unique_ptr<TestOrganizer> org;
    ToDoListGroup* proj = nullptr;
};

} // namespace

TEST_F(Transfer, ExportsHoldTheRecordsWithoutSyncIDs) {
    const std::string b = "t\nsb\nn" + march10 + "\n>\n";
    // clang-format off
    const std::pair<std::function<int()>, std::string> rows[] = {
        {[&] { return v().exportGroupToFile(clip.c_str()); }, "g\nsProj\np2\nt\nsa\n>\n" + b + "g\nsSub\nt\nsc\n>\n>\n>\n"},
        {[&] { return v().exportContentToFile(clip.c_str()); }, "t\nsa\n>\n" + b + "g\nsSub\nt\nsc\n>\n>\n"},
        {[&] { return v().exportToDoToFile(clip.c_str()); }, "t\nsa\n>\n"},
        {[&] { return v().exportRowsToFile(clip.c_str(), {1, 2, 0, 3}, false); }, "t\nsa\n>\ng\nsSub\nt\nsc\n>\n>\n"},
        {[&] { return exportSearchResults(); }, "g\nssearch results\nt\nsa\n>\ng\nsSub\nt\nsc\n>\n>\n>\n"},
    };
    // clang-format on
    v().setGroup(proj), v().setItem(proj->getToDo(0));
    // Rows shown: a, a calendar marker, Sub; displayed in the order Sub, a, marker.
    v().contentView().setRows(std::vector<T_viewDataItem>(3),
                              {proj->getToDo(0), nullptr, proj->getGroup(0)}, {2, 0, 1});
    std::ostringstream os;
    EXPECT_EQ(v().exportToStream(os, 2u), -1) << "a calendar marker row";
    for (const auto& [exportIt, records] : rows) {
        SCOPED_TRACE(records);
        ASSERT_EQ(exportIt(), 0);
        EXPECT_EQ(readWholeFile(clip), fixedLines + records + "</data>\n");
    }
    EXPECT_EQ(v().incsave_getNrOfFiles(), 0) << "nothing was marked saved";
    EXPECT_EQ(v().insertDataFromFile(clip.c_str()), -1) << "paste only in the normal view";
}

TEST_F(Transfer, InsertedRecordsGetFreshSyncIDsAndAreJournaled) {
    writeWholeFile(dir.file("cut"), fixedLines + "t\nsone\n>\ng\nstwo\nt\nsinside\n");
    writeWholeFile(dir.file("other.dat"), baseFile);
    auto paste = [&](int (Velk::*exportTo)(const char*, bool), bool cut, bool intoRoot) {
        v().setGroup(proj), (v().*exportTo)(clip.c_str(), false);
        if (cut) v().delCurGroup();
        if (intoRoot) v().setGroup(v().getRoot());
        return v().insertDataFromFile(clip.c_str());
    };
    auto insert = [&](const std::string& name) {
        return v().insertDataFromFile(dir.file(name).c_str());
    };
    const std::string unchanged = "<unnamed> t0 Proj a b Sub c ";
    // clang-format off
    const struct { const char* rule; std::function<int()> insert; int result, entries; std::string tree; }
    rows[] = {
        {"a group pasted into itself becomes a copy inside", [&] { return paste(&Velk::exportGroupToFile, false, false); },
         0, 1, unchanged + "Proj a b Sub c "},
        {"a cut group comes back", [&] { return paste(&Velk::exportGroupToFile, true, false); }, 0, 2, unchanged},
        {"content goes in record by record, todos first",
         [&] { return paste(&Velk::exportContentToFile, false, true); }, 0, 3, "<unnamed> t0 a b Proj a b Sub c Sub c "},
        {"a data file becomes one group; its running todo runs on", [&] { return insert("other.dat"); }, 0, 1,
         unchanged + unchanged},
        {"a file without its end keeps what was read", [&] { return insert("cut"); }, -2, 2,
         "<unnamed> t0 one Proj a b Sub c two "},
        {"a missing file (a folder is refused by the same open)", [&] { return insert("none"); }, -3, 0, unchanged},
        {"not in the calendar view", [&] { return v().setMainViewType(MAINVIEW_CALENDAR), insert("other.dat"); },
         -1, 0, unchanged},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        path = dir.file(std::string(row.rule) + ".dat"); // a data file of its own
        SetUp();
        EXPECT_EQ(row.insert(), row.result);
        EXPECT_EQ(v().incsave_getNrOfFiles(), row.entries);
        std::string tree;
        std::vector<uint32_t> ids;
        walk(*v().getRoot(), tree, ids), std::sort(ids.begin(), ids.end());
        EXPECT_EQ(tree, row.tree);
        EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end()) << "a sync ID given twice";
        EXPECT_EQ(dumpTree(*TestOrganizer(path)), dumpTree(v())) << "every insertion journaled";
    }
}

TEST_F(Transfer, TheClipboardIsWrittenOwnerOnlyAndNeverOverAPlantedFile) {
    writeWholeFile(dir.file("victim"), "letter\n");
    v().setGroup(proj), v().setItem(proj->getToDo(0));
    v().contentView().setRows(std::vector<T_viewDataItem>(1), {proj->getToDo(0)}, {0});
    const std::function<int()> writers[] = {
        [&] { return v().exportGroupToFile(clip.c_str(), true); },
        [&] { return v().exportRowsToFile(clip.c_str(), {0}, true); }};
    for (const std::string what : {"", "own file", "link", "folder", "fifo", "theirs"}) {
        for (const auto& write : writers) {
            SCOPED_TRACE("planted: " + what);
            std::filesystem::remove_all(clip);
            if (what == "own file" || what == "theirs") writeWholeFile(clip, "old\n");
            ::chmod(clip.c_str(), 0644);
            if (what == "theirs" && ::chown(clip.c_str(), 65534, 65534) != 0) continue; // not root
            if (what == "link") ::symlink(dir.file("victim").c_str(), clip.c_str());
            if (what == "folder") ::mkdir(clip.c_str(), 0700);
            if (what == "fifo") ::mkfifo(clip.c_str(), 0600);
            struct stat before = {}, after = {};
            ::lstat(clip.c_str(), &before);
            const bool ours = what.empty() || what == "own file";
            EXPECT_EQ(write(), ours ? 0 : -4);
            ASSERT_EQ(::lstat(clip.c_str(), &after), 0);
            EXPECT_EQ(after.st_mode, ours ? S_IFREG | 0600 : before.st_mode);
            EXPECT_TRUE(ours || after.st_ino == before.st_ino) << "the planted file is kept";
            EXPECT_EQ(readWholeFile(dir.file("victim")), "letter\n");
        }
    }
    // Pasting from the clipboard does not follow a link; an import may.
    std::filesystem::remove_all(clip);
    ::symlink(dir.file("victim").c_str(), clip.c_str());
    writeWholeFile(dir.file("victim"), fixedLines + "t\nsinjected\n>\n</data>\n");
    EXPECT_EQ(v().insertDataFromFile(clip.c_str(), false), -3);
    EXPECT_EQ(findToDo(*v().getRoot(), "injected"), nullptr);
    EXPECT_EQ(v().insertDataFromFile(clip.c_str()), 0);
}
