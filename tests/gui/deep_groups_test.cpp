// The main window at the deepest level of groups: a new group there is
// refused with a message and the tree stays as it was.

#include "gui_fixture.h"

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
