#include "storage/external_edit.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Runs each test in a fresh directory, where the scratch files are made.
struct ExternalEdit : testing::Test {
    void SetUp() override {
        ASSERT_EQ(getcwd(oldCwd, sizeof oldCwd), oldCwd);
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
    }
    void TearDown() override { ASSERT_EQ(chdir(oldCwd), 0); }
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        DIR* d = opendir(dir.path().c_str());
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') names.push_back(e->d_name);
        closedir(d);
        return names;
    }
    // A shell script in the directory, run as the editor command.
    std::string script(const std::string& name, const std::string& body) {
        const std::string path = dir.file(name);
        writeWholeFile(path, "#!/bin/sh\n" + body);
        chmod(path.c_str(), 0700);
        return path;
    }
    TempDir dir;
    char oldCwd[4096];
};

TEST_F(ExternalEdit, ScratchFilesAreOwnerOnlyUniqueAndRemoved) {
    std::string first, second;
    {
        ScratchFile a, b;
        ASSERT_EQ(a.create("text\n"), 0);
        ASSERT_EQ(b.create(""), 0);
        first = a.name();
        second = b.name();
        EXPECT_NE(first, second);
        for (const std::string& n : {first, second}) {
            EXPECT_EQ(n.size(), 14u);
            EXPECT_EQ(n.substr(0, 4), "velk");
            EXPECT_EQ(n.substr(10), ".tmp");
            EXPECT_NE(n, "velkXXXXXX.tmp");
            struct stat st {};
            ASSERT_EQ(lstat(n.c_str(), &st), 0);
            EXPECT_TRUE(S_ISREG(st.st_mode));
            EXPECT_EQ(st.st_mode & 0777, 0600u);
        }
        EXPECT_EQ(readWholeFile(dir.file(first)), "text\n");
        EXPECT_EQ(a.create("again"), -1) << "one file per object";
    }
    EXPECT_TRUE(files().empty());
}

TEST_F(ExternalEdit, ScratchFileThatCannotBeMadeLeavesNothing) {
    // The working directory is gone, so no file can be created in it, not
    // even by the super-user.
    const std::string sub = dir.file("gone");
    ASSERT_EQ(mkdir(sub.c_str(), 0700), 0);
    ASSERT_EQ(chdir(sub.c_str()), 0);
    ASSERT_EQ(rmdir(sub.c_str()), 0);
    ScratchFile f;
    EXPECT_EQ(f.create("x"), -1);
    EXPECT_TRUE(f.name().empty());
    std::string text = "kept";
    EXPECT_EQ(editInExternalEditor("true", text), -1);
    EXPECT_EQ(text, "kept");
}

TEST_F(ExternalEdit, ReadingBackEndsEveryLineAndRefusesLinks) {
    std::string text = "old";
    writeWholeFile(dir.file("a"), "one\ntwo");
    EXPECT_EQ(readFileIntoBuf(dir.file("a"), text), 0);
    EXPECT_EQ(text, "one\ntwo\n");
    writeWholeFile(dir.file("b"), "one\n\n");
    EXPECT_EQ(readFileIntoBuf(dir.file("b"), text), 0);
    EXPECT_EQ(text, "one\n\n") << "no empty line is added";
    writeWholeFile(dir.file("c"), "");
    EXPECT_EQ(readFileIntoBuf(dir.file("c"), text), 0);
    EXPECT_EQ(text, "");
    text = "old";
    EXPECT_EQ(readFileIntoBuf(dir.file("missing"), text), -1);
    ASSERT_EQ(symlink(dir.file("a").c_str(), dir.file("link").c_str()), 0);
    EXPECT_EQ(readFileIntoBuf(dir.file("link"), text), -1);
    EXPECT_EQ(readFileIntoBuf(dir.path(), text), -1) << "a directory";
    EXPECT_EQ(text, "old");
}

TEST_F(ExternalEdit, TheEditorChangesTheTextThroughItsOwnFile) {
    writeWholeFile(dir.file("velkXXXXXX.tmp"), "clipboard\n");
    const std::string editor = script("ed.sh", "echo \"$1\" > seen\nprintf appended >> \"$1\"\n");
    std::string text = "first line\n";
    ASSERT_EQ(editInExternalEditor(editor, text), 0);
    EXPECT_EQ(text, "first line\nappended\n") << "the last line gets its line break";
    const std::string seen = readWholeFile(dir.file("seen"));
    EXPECT_NE(seen, "velkXXXXXX.tmp\n");
    EXPECT_EQ(readWholeFile(dir.file("velkXXXXXX.tmp")), "clipboard\n");
    EXPECT_EQ(access(dir.file(seen.substr(0, seen.size() - 1)).c_str(), F_OK), -1)
        << "the scratch file is removed";
}

TEST_F(ExternalEdit, AFailedEditorOrALostFileLeavesTheTextAsItWas) {
    const std::string failing = script("fail.sh", "echo junk > \"$1\"\nexit 3\n");
    const std::string remover = script("rm.sh", "rm -f \"$1\"\n");
    const std::string linker = script("ln.sh", "rm -f \"$1\"\nln -s /etc/hostname \"$1\"\n");
    for (const auto& [command, result] :
         {std::pair{failing, -2}, std::pair{remover, -3}, std::pair{linker, -3},
          std::pair{dir.file("no-such-editor"), -2}}) {
        std::string text = "keep me\n";
        EXPECT_EQ(editInExternalEditor(command, text), result) << command;
        EXPECT_EQ(text, "keep me\n") << command;
    }
    for (const std::string& n : files())
        EXPECT_EQ(n.find(".tmp"), std::string::npos) << n << " was left behind";
}

} // namespace
