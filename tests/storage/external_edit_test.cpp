// Editing a description in an external editor through an owner-only scratch
// file in a private folder that is never reached through a link.

#include "storage/external_edit.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct ExternalEdit : testing::Test {
    void SetUp() override { setScratchFolder(folder); }
    void TearDown() override { setScratchFolder(""); }
    static mode_t modeOf(const std::string& path) {
        struct stat st {};
        return ::lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
    }
    TempDir dir;
    std::string folder = dir.file("scratch");
};

} // namespace

TEST_F(ExternalEdit, TheScratchFolderIsPrivateAndNeverALink) {
    const std::string run = dir.file("run"), home = dir.file("home");
    ASSERT_EQ(::mkdir(run.c_str(), 0700), 0);
    ASSERT_EQ(::symlink(run.c_str(), dir.file("runlink").c_str()), 0);
    EXPECT_EQ(scratchFolderFor(run.c_str(), home), run + "/velk");
    for (const std::string& unusable : {std::string(), dir.file("missing"), dir.file("runlink")})
        EXPECT_EQ(scratchFolderFor(unusable.c_str(), home), home + "/.velkrc/scratch") << unusable;
    ASSERT_EQ(::mkdir(home.c_str(), 0755), 0);
    ASSERT_EQ(prepareScratchFolder(home + "/.velkrc/scratch"), 0) << "the settings folder is made";
    EXPECT_EQ(modeOf(home + "/.velkrc/scratch"), S_IFDIR | 0700);

    ASSERT_EQ(::symlink(run.c_str(), folder.c_str()), 0);
    ScratchFile f;
    EXPECT_EQ(f.create("secret"), -1);
    EXPECT_EQ(removeStaleScratchFiles(folder), -1);
    EXPECT_TRUE(namesIn(run).empty());
    // A folder of another user is left alone; the superuser makes one.
    const std::string theirs = ::chown(run.c_str(), 65534, 65534) == 0 ? run : "/";
    EXPECT_EQ(removeStaleScratchFiles(theirs), -1);
}

TEST_F(ExternalEdit, ScratchFilesAreOwnerOnlyUniqueAndRemoved) {
    const pid_t ended = ::fork();
    if (ended == 0) ::_exit(0);
    ASSERT_EQ(::waitpid(ended, nullptr, 0), ended);
    std::string first;
    {
        ScratchFile a, b;
        ASSERT_EQ(a.create("text\n"), 0);
        ASSERT_EQ(b.create(""), 0);
        EXPECT_EQ(modeOf(folder), S_IFDIR | 0700);
        first = a.name();
        EXPECT_NE(first, b.name());
        EXPECT_EQ(first.rfind(folder + "/velk-" + std::to_string(::getpid()) + "-", 0), 0u);
        EXPECT_EQ(modeOf(first), S_IFREG | 0600);
        EXPECT_EQ(readWholeFile(first), "text\n");
        EXPECT_EQ(a.create("again"), -1) << "one file per object";
        // Files of runs that ended are removed, this run's and others' stay.
        writeWholeFile(folder + "/velk-" + std::to_string(ended) + "-aB3dE9.tmp", "");
        writeWholeFile(folder + "/notes.txt", "");
        EXPECT_EQ(removeStaleScratchFiles(folder), 1);
        EXPECT_EQ(namesIn(folder).size(), 3u);
    }
    EXPECT_EQ(namesIn(folder), std::vector<std::string>{"notes.txt"});
}

TEST_F(ExternalEdit, TheEditedTextComesBackWithEveryLineEndedOrNotAtAll) {
    const struct {
        const char* editor; // the script's body; null: no such editor
        int result;
        const char* text;
    } rows[] = {
        {"printf 'one\\ntwo' > \"$1\"", 0, "one\ntwo\n"}, {"printf 'one\\n\\n' > \"$1\"", 0, "one\n\n"},
        {": > \"$1\"", 0, ""}, {"echo junk > \"$1\"; exit 3", -2, "keep\n"}, {"rm -f \"$1\"", -3, "keep\n"},
        {"rm -f \"$1\"; ln -s /etc/hostname \"$1\"", -3, "keep\n"}, {nullptr, -2, "keep\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.editor ? row.editor : "no such editor");
        writeWholeFile(dir.file("ed.sh"), std::string("#!/bin/sh\n") + (row.editor ? row.editor : "") + "\n");
        ::chmod(dir.file("ed.sh").c_str(), 0700);
        std::string text = "keep\n";
        EXPECT_EQ(editInExternalEditor(row.editor ? dir.file("ed.sh") : dir.file("none"), text), row.result);
        EXPECT_EQ(text, row.text);
        EXPECT_TRUE(namesIn(folder).empty()) << "a scratch file was left behind";
    }
}
