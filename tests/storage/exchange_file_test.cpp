// Files named for an export, a copy or an import against the organizer's own
// files, by name and by identity; and the rescue copies of a data file.

#include "storage/exchange_file.h"
#include "storage/file_tools.h"
#include "storage/rescue.h"
#include "support/temp_dir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

TEST(ExchangeFile, OwnNamesAreTheDataFilesAndNoOthers) {
    const std::pair<const char*, bool> rows[] = {
        {"v.dat", true},          {"v.dat0", true},           {"v.dat12", true},
        {"v.dat.lock", true},     {"v.datb0", true},          {"v.datb2", true},
        {"v.dat.tmpAb12Cd", true}, {"v.dat3.tmpAb12Cd", true}, {"v.dat3.mergedAb12Cd", true},
        {"v.dat.previousAb12Cd", true}, {"v.dat4.orphan", true}, {"v.dat4.orphan2", true},
        {"v.dat4.damaged", true}, {"v.datb3", false},        {"v.dat.ics", false},
        {"v.dat.rescue", false},  {"v.da", false},           {"w.dat", false},
        {"v.dat.tmp-x", false},   {"v.dat4.orphan.ics", false},
    };
    for (const auto& [name, own] : rows)
        EXPECT_EQ(isOwnFileName(name, "v.dat"), own) << name;
}

TEST(ExchangeFile, OwnFilesAreRefusedUnderEveryNameOthersAllowed) {
    TempDir dir, other;
    const std::string data = dir.file("v.dat");
    writeWholeFile(data, "data\n");
    writeWholeFile(data + "0", "entry\n");
    writeWholeFile(other.file("mine.ics"), "mine\n");
    ASSERT_EQ(::link(data.c_str(), other.file("hard.ics").c_str()), 0);
    ASSERT_EQ(::symlink((data + "0").c_str(), other.file("soft.ics").c_str()), 0);
    ASSERT_EQ(::symlink("mine.ics", other.file("to-mine.ics").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", other.file("dangling.ics").c_str()), 0);
    ASSERT_EQ(::mkdir(other.file("folder.ics").c_str(), 0700), 0);
    // name, use, refused, the file used when allowed
    const std::tuple<std::string, ExchangeUse, bool, std::string> rows[] = {
        {data, ExchangeUse::Write, true, ""},
        {dir.path() + "/../" + baseNameOf(dir.path()) + "/v.dat", ExchangeUse::Read, true, ""},
        {other.file("hard.ics"), ExchangeUse::Write, true, ""},
        {other.file("soft.ics"), ExchangeUse::Read, true, ""},
        {data + "5", ExchangeUse::Write, true, ""},
        {other.file("dangling.ics"), ExchangeUse::Write, true, ""},
        {other.file("folder.ics"), ExchangeUse::Write, true, ""},
        {other.file("new.ics"), ExchangeUse::Read, true, ""},
        {other.file("new.ics"), ExchangeUse::Write, false, other.file("new.ics")},
        {dir.file("v.dat.ics"), ExchangeUse::Write, false, dir.file("v.dat.ics")},
        {other.file("mine.ics"), ExchangeUse::Read, false, other.file("mine.ics")},
        {other.file("to-mine.ics"), ExchangeUse::Write, false,
         resolveDataFilePath(other.file("mine.ics"))},
    };
    for (const auto& [name, use, refused, used] : rows) {
        std::string target, error;
        EXPECT_EQ(checkExchangeFile(name, data, use, target, error), refused ? -1 : 0) << name;
        EXPECT_EQ(error.empty(), !refused) << name << ": " << error;
        if (!refused) {
            EXPECT_EQ(target, used);
        }
    }
}

TEST(RescueCopy, NotedCopiesAreToldWhileThereOthersWhenNewer) {
    TempDir dir, home;
    const std::string data = dir.file("v.dat");
    writeWholeFile(data, "data\n");
    EXPECT_TRUE(newerRescueCopies(data, home.path()).empty());
    // A copy under the suggested name in a rescue folder, newer than the file.
    const std::string suggested = home.file("v.dat.rescue");
    writeWholeFile(suggested, "copy\n");
    auto copies = newerRescueCopies(data, home.path());
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].path, suggested);
    // A noted copy counts even when older than the data file; noting twice
    // lists it once.
    const std::string chosen = dir.file("saved elsewhere.dat");
    writeWholeFile(chosen, "copy\n");
    const timespec old[2] = {{1000, 0}, {1000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, chosen.c_str(), old, 0), 0);
    ASSERT_EQ(::utimensat(AT_FDCWD, suggested.c_str(), old, 0), 0);
    ASSERT_EQ(noteRescueCopy(data, chosen, home.path()), 0);
    ASSERT_EQ(noteRescueCopy(data, chosen, home.path()), 0);
    ASSERT_EQ(noteRescueCopy(dir.file("other.dat"), suggested, home.path()), 0);
    copies = newerRescueCopies(data, home.path());
    ASSERT_EQ(copies.size(), 1u) << "the older unnoted copy is left out";
    EXPECT_EQ(copies[0].path, chosen);
    EXPECT_EQ(copies[0].saved, 1000);
    std::remove(chosen.c_str());
    EXPECT_TRUE(newerRescueCopies(data, home.path()).empty()) << "a removed copy is not told";
}

// The suggestion lies on another file system than the data file's where one
// of the rescue folders does (here the data file lies in /dev/shm).
TEST(RescueCopy, IsOfferedOnAnotherFileSystem) {
    TempDir home;
    struct stat shm, own;
    ASSERT_EQ(::stat("/dev/shm", &shm), 0);
    ASSERT_EQ(::stat(home.path().c_str(), &own), 0);
    const std::string suggestion = rescueSuggestion("/dev/shm/velk-test.dat", home.path());
    EXPECT_EQ(suggestion, shm.st_dev != own.st_dev ? home.file("velk-test.dat.rescue")
                                                   : "/var/tmp/velk-test.dat.rescue");
}
