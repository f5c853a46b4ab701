// velk --remind from the terminal, beside a window that holds the data file,
// with a notification service of its own on a private session bus.

#include "desktop/notifier.h"
#include "storage/file_lock.h"
#include "support/dates.h"
#include "support/process.h"
#include "support/session_bus.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>

// Each reminder fires once: as a line, and as a notification where a
// notification service answers (without one the run says so); a second run
// fires nothing again, and what fired is kept owner-only.
TEST(Remind, FiresEachReminderOnceAsANotification) {
    PrivateSessionBus bus;
    ASSERT_TRUE(bus.running());
    TempDir work;
    const std::string data = work.file("o.dat");
    auto appointment = [](int sync, const char* summary, packedDT begin, int before) {
        return "t\ns" + std::string(summary) + "\nI" + std::to_string(sync) + "\np100\nm" +
               std::to_string(begin) + "\nb" + std::to_string(before) + "\n>\n";
    };
    writeWholeFile(data, "<type=Velk>\n<version=0.54>\n<data>\n<idmax=5>\ng\ns<unnamed>\nI1\n"
                         "g\nsHealth\nI2\n" +
                             appointment(3, "Dentist", at(2011, 3, 5, 13, 10), 15) +
                             appointment(4, "Physio", at(2011, 3, 5, 15, 0), 15) +
                             appointment(5, "Yoga", at(2011, 3, 6, 15, 0), 15) + ">\n>\n</data>\n");
    DataFileLock window;
    ASSERT_EQ(window.acquire(data), 0);
    auto remind = [&](std::time_t now) {
        return runProcess({{"-f", data, "--remind"},
                           work.path(),
                           {{"HOME", work.path()},
                            {"XDG_RUNTIME_DIR", ""},
                            {"VELK_NOW", std::to_string(now)},
                            {"DBUS_SESSION_BUS_ADDRESS", bus.address()}}});
    };
    ProcessResult r = remind(SATURDAY_5_MARCH_2011); // 13:00
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "reminder: 13:10 Dentist (Health)\n");
    EXPECT_NE(r.err.find("reminders show here only"), std::string::npos) << r.err;
    EXPECT_EQ(remind(SATURDAY_5_MARCH_2011 + 60).out, "") << "nothing fires twice";

    ASSERT_TRUE(bus.startNotificationRecorder(true));
    r = remind(SATURDAY_5_MARCH_2011 + 110 * 60); // 14:50
    EXPECT_EQ(r.out, "reminder: 15:00 Physio (Health)\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(bus.notifications(), "Physio|15:00 Physio (Health)|\n")
        << "a run that ends takes no actions";
    // The window's notifications carry them where the server offers them.
    ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.address().c_str(), 1);
    desktop::Notifier notifier;
    std::string error;
    EXPECT_EQ(notifier.notify("Yoga", "15:00 Yoga", true, error), 2u) << error;
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    EXPECT_EQ(bus.notifications().substr(bus.notifications().find("Yoga")),
              "Yoga|15:00 Yoga|snooze,Snooze 10 minutes,dismiss,Dismiss\n");
    // The agenda marks the entries that carry a reminder.
    r = runProcess({{"-f", data, "--agenda=1", "-c", "2011-03-05"}, work.path(), {}});
    EXPECT_NE(r.out.find("Dentist (reminder)\n"), std::string::npos) << r.out;
    struct stat st;
    ASSERT_EQ(::stat((data + ".remind").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}
