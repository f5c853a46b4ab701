// Reminders in the window: set from the item editor, and shown while the
// window is open as a desktop notification (on a private session bus) whose
// "Snooze 10 minutes" brings it back ten minutes later, then, without a
// notification service, as a message of the window.

#include "gui/reminder_watch.h"
#include "gui_fixture.h"
#include "support/process.h"
#include "support/session_bus.h"

#include <cstdlib>

TEST_F(GuiTest, AReminderSetInTheEditorShowsAsANotificationAndSnoozes) {
    PrivateSessionBus bus;
    ASSERT_TRUE(bus.startNotificationRecorder(true));
    engine->setItem(addToDo("Dentist"));
    engine->setItemPriority(PRIO_APPOINTMENT);
    engine->setDate(DATE_BEGIN, 2011, 3, 5), engine->setTime(DATE_BEGIN, 13, 10);
    mainWin->showList(0);
    clickLine("Dentist", 100);
    ASSERT_EQ(mainWin->screen(), SCREEN_ITEM_BASICS);
    ASSERT_TRUE(mainWin->editRemind()->visible());
    EXPECT_STREQ(mainWin->editRemind()->label(), "remind");
    pick(mainWin->editRemind(), 3);
    EXPECT_STREQ(mainWin->editRemind()->label(), "15 min");
    mainWin->CB_Done();
    EXPECT_NE(readWholeFile(dir.file("gui.dat0")).find("\nb15\n"), std::string::npos)
        << "journalled";

    ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.address().c_str(), 1);
    {
        ReminderWatch watch(*engine);
        watch.start();
        EXPECT_EQ(bus.notifications(),
                  "Dentist|13:10 Dentist|snooze,Snooze 10 minutes,dismiss,Dismiss\n");
        bus.chooseAction(1, "snooze");
        EXPECT_TRUE(waitUntil([&] {
            Fl::wait(0.05);
            return readWholeFile(dir.file("gui.dat.remind")).find("snoozed=") != std::string::npos;
        }));
    }
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    PinnedClock later(SATURDAY_5_MARCH_2011 + 600);
    ReminderWatch watch(*engine);
    watch.start();
    EXPECT_EQ(asked, std::vector<std::string>{"Reminder:\n13:10 Dentist"});
}
