// What the main window tells the user when a change is refused or cannot be
// written: a new group below the deepest level, and a journal entry that
// cannot be written because the disk is full.

#include "gui_fixture.h"
#include "storage/file_tools.h"

#include <cerrno>

TEST_F(GuiTest, ANewGroupBelowTheDeepestLevelIsRefusedWithAMessage) {
    for (unsigned l = 0; l < MAX_GROUP_LEVEL; ++l)
        ASSERT_EQ(engine->newGroup(), 0);
    ToDoListGroup* bottom = engine->getCurGroup();
    ASSERT_EQ(bottom->getLevel(), MAX_GROUP_LEVEL);
    mainWin->showList(0);

    mainWin->CB_Menu_newGroup();
    EXPECT_EQ(asked, std::vector<std::string>{"Groups cannot be nested deeper than 1000 levels."});
    EXPECT_EQ(engine->getCurGroup(), bottom);
    EXPECT_EQ(bottom->getNrGroups(), 0u);

    // One level up a group is made as before.
    asked.clear();
    engine->leaveCurGroup();
    mainWin->CB_Menu_newGroup();
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(engine->getCurGroup()->getLevel(), MAX_GROUP_LEVEL);
}

namespace {

ssize_t diskFull(int, const void*, std::size_t) {
    errno = ENOSPC;
    return -1;
}

} // namespace

TEST_F(GuiTest, AChangeThatCannotBeJournaledIsReportedOnce) {
    ToDoListToDo* t = addToDo(engine->root.get(), "before");
    mainWin->showList(0);
    const std::string told = "A change could not be written to the journal file next to the "
                             "data file (is the disk full?). It is kept in memory and written "
                             "to the data file when Velk ends.";
    auto rename = [&](const char* summary) {
        engine->setItem(t);
        engine->incsave_rememberTodo();
        engine->setItemSummary(summary);
        const int r = engine->incsave_saveCurItem();
        engine->incsave_forgetTodo();
        mainWin->showList(0);
        return r;
    };

    FileTools::ops().write = diskFull;
    EXPECT_EQ(rename("first"), -1);
    EXPECT_EQ(asked, std::vector<std::string>{told});
    mainWin->showList(0);
    EXPECT_EQ(asked.size(), 1u) << "told once per failure";
    EXPECT_EQ(rename("second"), -1);
    EXPECT_EQ(asked.size(), 2u);
    FileTools::ops() = FileTools::systemOps();

    EXPECT_EQ(rename("third"), 0);
    EXPECT_EQ(asked.size(), 2u) << "a change that is journaled is not reported";
    EXPECT_TRUE(engine->incsave_hasUnjournaledChanges()) << "the save at the end still runs";
}
