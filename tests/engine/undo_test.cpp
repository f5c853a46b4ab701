// Undo and redo of every kind of step, through the engine's actions as the
// window calls them, checked against the tree dumped before and after.

#include "engine/velk.h"
#include "support/organizer.h"
#include "support/temp_dir.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

// Items that a step deletes are the last of their group, where one taken
// back comes back.
const std::string base =
    fixedLines + "<idmax=8>\ng\ns<unnamed>\nI1\nt\nsplain\nI2\n>\nt\nsdated\nI3\nn" +
    std::to_string(packDate(20, 3, 2011) | DT_NOTIME) +
    "\n>\ng\nsWork\nI4\nt\nsw1\nI5\n>\ng\nsSub\nI6\nt\nss1\nI7\n>\n>\n>\ng\nsHome\nI8\n>\n>\n"
    "</data>\n";

unsigned rowOf(Velk& v, const std::string& summary) {
    v.setGroup(v.getRoot());
    v.buildView();
    for (unsigned line = 0; line < v.getViewOrder().size(); ++line) {
        const ToDoListItem* item = v.getViewItems()[v.getViewOrder()[line]];
        if (item && item->getSummary() == summary) return v.getViewOrder()[line];
    }
    ADD_FAILURE() << summary;
    return 0;
}

void edit(Velk& v, const std::string& summary, const std::string& to) {
    v.setItem(findToDo(*v.getRoot(), summary));
    ASSERT_EQ(v.beginItemEdit(), 0);
    v.setItemPriority(1);
    v.closeItemEditor(to, nullptr);
}

} // namespace

// Each step done, taken back (the tree is the one before), made again (the
// one after), taken back again; after a restart the history is still there.
TEST(Undo, EveryKindOfStepIsTakenBackAndMadeAgainAlsoAfterARestart) {
    TempDir dir;
    const std::string path = dir.file("u.dat"), clip = dir.file("clip");
    // clang-format off
    const struct { const char* label; std::function<void(Velk&)> act; } steps[] = {
        {"edit plain edited", [](Velk& v) { edit(v, "plain", "plain edited"); }},
        {"new Fresh", [](Velk& v) {
             v.setGroup(v.getRoot()), v.newToDoForEditing(), v.closeItemEditor("Fresh", nullptr); }},
        {"new group Errands", [](Velk& v) {
             v.setGroup(v.getRoot()), v.newGroupForEditing(0, 0), v.closeGroupEditor("Errands", false); }},
        {"mark done plain", [](Velk& v) { v.toggleRowCompleted(rowOf(v, "plain")); }},
        {"delete 1 item", [](Velk& v) { v.deleteRows({rowOf(v, "dated")}); }},
        {"delete group Home", [](Velk& v) {
             v.setGroup(findGroup(*v.getRoot(), "Home")), v.deleteCurrentGroup(); }},
        {"turn dated into a group", [](Velk& v) {
             v.setItem(findToDo(*v.getRoot(), "dated")), v.beginItemEdit();
             v.turnCurrentItemIntoGroup("dated", nullptr, 0); }},
        {"paste", [&clip](Velk& v) {
             v.setGroup(findGroup(*v.getRoot(), "Sub")), v.exportGroupToFile(clip.c_str(), true);
             v.setGroup(v.getRoot()), v.insertDataFromFile(clip.c_str(), false); }},
        {"import todos", [](Velk& v) {
             storage::T_IcsImportReport r;
             v.importICalendar(VELK_TEST_DATA_DIR "/ics/todos.ics", *v.getRoot(), "todos", r); }},
        {"add Call Anna", [](Velk& v) {
             uint32_t id; std::string error; v.addItem({"Call Anna", "Work", 2, DT_EMPTY, DT_EMPTY}, id, error); }},
    };
    // clang-format on
    for (const auto& s : steps) {
        SCOPED_TRACE(s.label);
        for (const std::string& n : namesIn(dir.path()))
            std::remove(dir.file(n).c_str());
        writeWholeFile(path, base);
        std::string before, after, label, error;
        uint32_t shown = 0;
        {
            TestOrganizer o(path);
            before = dumpTree(*o);
            s.act(*o);
            after = dumpTree(*o);
            ASSERT_NE(after, before);
            EXPECT_EQ(o->undoLabel(), s.label);
            ASSERT_EQ(o->undo(label, shown, error), 0) << error;
            EXPECT_EQ(dumpTree(*o), before);
            EXPECT_NE(shown, 0u);
            EXPECT_EQ(o->undoLabel(), "");
            ASSERT_EQ(o->redo(label, shown, error), 0) << error;
            EXPECT_EQ(dumpTree(*o), after);
            ASSERT_EQ(o->undo(label, shown, error), 0) << error;
        }
        TestOrganizer again(path);
        EXPECT_EQ(dumpTree(*again), before) << "the journal holds the undo";
        EXPECT_EQ(again->redoLabel(), s.label);
        ASSERT_EQ(again->redo(label, shown, error), 0) << error;
        EXPECT_EQ(dumpTree(*again), after);
        EXPECT_EQ(again->redo(label, shown, error), Velk::UNDO_NOTHING);
    }
}

// A step whose item changed since by something that is no step (a sync) is
// refused whole, naming the item; a new step drops the steps taken back; a
// history that cannot be read is said to be so.
TEST(Undo, AStepOverTakenByAnotherChangeIsRefusedAndChangesNothing) {
    TempDir dir;
    const std::string path = dir.file("u.dat");
    writeWholeFile(path, base);
    std::string label, error, told;
    uint32_t shown = 0;
    {
        TestOrganizer o(path);
        edit(*o, "plain", "plain edited");
        edit(*o, "w1", "w1 edited");
        ASSERT_EQ(o->undo(label, shown, error), 0);
        edit(*o, "s1", "s1 edited");
        EXPECT_EQ(o->redoLabel(), "") << "a new step drops the step taken back";
        // As a sync changes an entry: journalled, but no step.
        o->setItem(findToDo(*o->getRoot(), "plain edited"));
        o->incsave_rememberTodo();
        o->setItemSummary("by the server");
        o->incsave_saveCurItem();
        ASSERT_EQ(o->undo(label, shown, error), 0) << "s1 was not touched";
        const std::string tree = dumpTree(*o);
        EXPECT_EQ(o->undo(label, shown, error), Velk::UNDO_REFUSED);
        EXPECT_NE(error.find("\"by the server\" was changed since"), std::string::npos) << error;
        EXPECT_EQ(dumpTree(*o), tree);
    }
    {
        TestOrganizer again(path);
        EXPECT_EQ(again->undoLabel(), "edit plain edited");
    }
    writeWholeFile(path + ".undo", "<velk-undo=1>\ndone=3\n");
    TestOrganizer damaged(path);
    EXPECT_EQ(damaged->undoLabel(), "");
    EXPECT_NE(damaged->undoHistoryNote().find("could not be read"), std::string::npos);
}

// An enciphered description changed in the editor and taken back comes back
// as its cipher text: no plain text reaches the history, the journal or a
// backup, and after a login it reads as before the change.
TEST(Undo, AnEncipheredDescriptionComesBackEnciphered) {
    TempDir dir;
    const std::string path = dir.file("u.dat");
    writeWholeFile(path, base);
    const auto described = [](Velk& v) {
        const char* text = nullptr;
        auto& d = findToDo(*v.getRoot(), "plain")->getDescrData();
        return d.GetDescription(text, &v.getCrypt()) ? std::string("<hidden>") : std::string(text);
    };
    {
        TestOrganizer o(path);
        o->getCrypt() = CryptMan(50); // a fast key setting
        ASSERT_EQ(o->getCrypt().AddPwd("main", "secret"), 0);
        ToDoListToDo* t = findToDo(*o->getRoot(), "plain");
        t->setDescription("PIN 4711"), t->SetSaveCrypt(true);
        T_SaveReport saved;
        ASSERT_EQ(o->saveData(saved), 0) << saved.error;
        o->setItem(t);
        ASSERT_EQ(o->beginItemEdit(), 0);
        o->closeItemEditor("plain", "PIN 1234");
        ASSERT_EQ(described(*o), "PIN 1234");
        std::string label, error;
        uint32_t shown = 0;
        ASSERT_EQ(o->undo(label, shown, error), 0) << error;
        EXPECT_EQ(described(*o), "PIN 4711");
    }
    for (const std::string& n : namesIn(dir.path())) {
        EXPECT_EQ(readWholeFile(dir.file(n)).find("PIN 4711"), std::string::npos) << n;
        EXPECT_EQ(readWholeFile(dir.file(n)).find("PIN 1234"), std::string::npos) << n;
    }
    TestOrganizer again(path);
    ASSERT_EQ(again->getCrypt().Login(0, "secret"), 0);
    EXPECT_EQ(described(*again), "PIN 4711");
}
