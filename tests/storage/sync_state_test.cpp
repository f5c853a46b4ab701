// The sync state and the reminder state beside the data file: read back as
// written, owner-only, and refused when they are something else.

#include "storage/exchange_file.h"
#include "storage/reminder_state.h"
#include "storage/sync_state.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace storage;

TEST(SyncState, ReadsBackAsWrittenAndIsTheOrganizersOwn) {
    TempDir dir;
    const std::string path = syncStatePath(dir.file("o.dat"));
    EXPECT_EQ(path, dir.file("o.dat.caldav"));
    T_SyncState state;
    std::string error;
    EXPECT_EQ(readSyncState(path, state, error), 1) << "no file yet";
    state.url = "https://dav.example.org/";
    state.user = "ann";
    state.passwordCommand = "pass show dav\nrm -rf /"; // one line in the file
    state.home = "https://dav.example.org/ann/";
    state.idmax = 4711;
    state.collections.push_back({7,
                                 "https://dav.example.org/ann/work/",
                                 "tok-1",
                                 {{"https://dav.example.org/ann/work/a.ics", "\"e 1\""}}});
    state.collections.push_back({0, "https://dav.example.org/ann/velk/", "", {}});
    ASSERT_EQ(writeSyncState(path, state, error), 0) << error;
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    T_SyncState back;
    ASSERT_EQ(readSyncState(path, back, error), 0) << error;
    EXPECT_EQ(back.url, state.url);
    EXPECT_EQ(back.passwordCommand, "pass show dav rm -rf /");
    EXPECT_EQ(back.idmax, 4711u);
    ASSERT_EQ(back.collections.size(), 2u);
    EXPECT_EQ(back.collectionOf(7)->members, state.collections[0].members);
    EXPECT_EQ(back.collectionOf(7)->token, "tok-1");
    EXPECT_EQ(back.collectionOf(0)->url, state.collections[1].url);
    EXPECT_EQ(back.collectionOf(3), nullptr);
    // Never an export's target.
    std::string target;
    EXPECT_EQ(checkExchangeFile(path, dir.file("o.dat"), ExchangeUse::Write, target, error), -1);
    EXPECT_NE(error.find("the sync state of this organizer"), std::string::npos) << error;

    writeWholeFile(path, "<type=Velk>\n");
    EXPECT_EQ(readSyncState(path, back, error), -1);
    EXPECT_TRUE(back.collections.empty());
}

TEST(ReminderState, ReadsBackAsWritten) {
    TempDir dir;
    const std::string path = reminderStatePath(dir.file("o.dat"));
    T_ReminderState state, back;
    std::string error;
    EXPECT_EQ(readReminderState(path, back, error), 1) << "no file yet";
    state.last = 1299326400;
    state.fired[reminderKey(3, 123456)] = 1299327000;
    state.snoozed[reminderKey(12, 7)] = 1299330000;
    ASSERT_EQ(writeReminderState(path, state, error), 0) << error;
    ASSERT_EQ(readReminderState(path, back, error), 0) << error;
    EXPECT_EQ(back.last, state.last);
    EXPECT_EQ(back.fired, state.fired);
    EXPECT_EQ(back.snoozed, state.snoozed);
    writeWholeFile(path, "last=1\n");
    EXPECT_EQ(readReminderState(path, back, error), -1);
}
