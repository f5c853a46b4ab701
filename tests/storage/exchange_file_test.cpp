// The names of the organizer's own files, which no export, copy or import
// may use; and the rescue copies of a data file.

#include "storage/exchange_file.h"
#include "storage/file_tools.h"
#include "storage/rescue.h"
#include "support/temp_dir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

TEST(ExchangeFile, OwnNamesAreTheDataFilesAndNoOthers) {
    for (const char* name :
         {"v.dat", "v.dat0", "v.dat12", "v.dat.lock", "v.datb0", "v.datb2", "v.dat.tmpAb12Cd",
          "v.dat3.tmpAb12Cd", "v.dat3.mergedAb12Cd", "v.dat.previousAb12Cd", "v.dat4.orphan",
          "v.dat4.orphan2", "v.dat4.damaged"})
        EXPECT_TRUE(isOwnFileName(name, "v.dat")) << name;
    for (const char* name : {"v.datb3", "v.dat.ics", "v.dat.rescue", "v.da", "w.dat", "v.dat.tmp-x",
                             "v.dat4.orphan.ics"})
        EXPECT_FALSE(isOwnFileName(name, "v.dat")) << name;
}

// A copy under the suggested name counts when newer than the data file; a
// noted copy counts, once, while it is there.
TEST(RescueCopy, NotedCopiesAreToldWhileThereOthersWhenNewer) {
    TempDir dir, home;
    const std::string data = dir.file("v.dat"), suggested = home.file("v.dat.rescue"),
                      chosen = dir.file("saved elsewhere.dat");
    writeWholeFile(data, "data\n");
    EXPECT_TRUE(newerRescueCopies(data, home.path()).empty());
    writeWholeFile(suggested, "copy\n");
    writeWholeFile(chosen, "copy\n");
    ASSERT_EQ(newerRescueCopies(data, home.path()).size(), 1u);
    EXPECT_EQ(newerRescueCopies(data, home.path())[0].path, suggested);
    const timespec old[2] = {{1000, 0}, {1000, 0}};
    for (const std::string& name : {chosen, suggested})
        ASSERT_EQ(::utimensat(AT_FDCWD, name.c_str(), old, 0), 0);
    for (const std::string& of : {data, data, dir.file("other.dat")})
        ASSERT_EQ(noteRescueCopy(of, of == data ? chosen : suggested, home.path()), 0);
    const auto copies = newerRescueCopies(data, home.path());
    ASSERT_EQ(copies.size(), 1u) << "the older unnoted copy is left out";
    EXPECT_EQ(copies[0].path + " " + std::to_string(copies[0].saved), chosen + " 1000");
    std::remove(chosen.c_str());
    EXPECT_TRUE(newerRescueCopies(data, home.path()).empty()) << "a removed copy is not told";
    // A noted copy under the suggested name is one copy.
    writeWholeFile(dir.file("w.dat"), "data\n"),
        writeWholeFile(home.file("w.dat.rescue"), "copy\n");
    ASSERT_EQ(noteRescueCopy(dir.file("w.dat"), home.file("w.dat.rescue"), home.path()), 0);
    EXPECT_EQ(newerRescueCopies(dir.file("w.dat"), home.path()).size(), 1u);
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
