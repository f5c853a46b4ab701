#include "storage/external_edit.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// Runs each test in a fresh directory, with the scratch folder "scratch" in it.
struct ExternalEdit : testing::Test {
    void SetUp() override {
        ASSERT_EQ(getcwd(oldCwd, sizeof oldCwd), oldCwd);
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        folder = dir.file("scratch");
        setScratchFolder(folder);
    }
    void TearDown() override {
        setScratchFolder("");
        ASSERT_EQ(chdir(oldCwd), 0);
    }
    static mode_t modeOf(const std::string& path) {
        struct stat st {};
        EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
        return st.st_mode;
    }
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
    std::string folder;
    char oldCwd[4096];
};

TEST_F(ExternalEdit, ScratchFilesAreOwnerOnlyUniqueAndRemoved) {
    std::string first, second;
    const std::string prefix = folder + "/velk-" + std::to_string(getpid()) + "-";
    {
        ScratchFile a, b;
        ASSERT_EQ(a.create("text\n"), 0);
        EXPECT_EQ(modeOf(folder), S_IFDIR | 0700) << "the folder is made private";
        ASSERT_EQ(b.create(""), 0);
        first = a.name();
        second = b.name();
        EXPECT_NE(first, second);
        for (const std::string& n : {first, second}) {
            ASSERT_EQ(n.size(), prefix.size() + 10);
            EXPECT_EQ(n.substr(0, prefix.size()), prefix);
            EXPECT_EQ(n.substr(n.size() - 4), ".tmp");
            EXPECT_EQ(modeOf(n), S_IFREG | 0600);
        }
        EXPECT_EQ(readWholeFile(first), "text\n");
        EXPECT_EQ(a.create("again"), -1) << "one file per object";
    }
    EXPECT_TRUE(namesIn(folder).empty());
    EXPECT_EQ(files(), std::vector<std::string>{"scratch"}) << "nothing in the working directory";
}

TEST_F(ExternalEdit, ScratchFolderIsTheRuntimeDirOrTheSettingsFolderMadePrivate) {
    const std::string run = dir.file("run"), home = dir.file("home");
    ASSERT_EQ(mkdir(run.c_str(), 0700), 0);
    ASSERT_EQ(symlink(run.c_str(), dir.file("runlink").c_str()), 0);
    EXPECT_EQ(scratchFolderFor(run.c_str(), home), run + "/velk");
    for (const std::string& unusable : {std::string(), dir.file("missing"), dir.file("runlink")})
        EXPECT_EQ(scratchFolderFor(unusable.c_str(), home), home + "/.velkrc/scratch") << unusable;
    ASSERT_EQ(mkdir(home.c_str(), 0755), 0);
    ASSERT_EQ(prepareScratchFolder(home + "/.velkrc/scratch"), 0);
    EXPECT_EQ(modeOf(home + "/.velkrc/scratch"), S_IFDIR | 0700);
}

TEST_F(ExternalEdit, ScratchFolderThatIsALinkIsRefused) {
    ASSERT_EQ(mkdir(dir.file("elsewhere").c_str(), 0700), 0);
    ASSERT_EQ(symlink(dir.file("elsewhere").c_str(), folder.c_str()), 0);
    ScratchFile f;
    EXPECT_EQ(f.create("secret"), -1);
    std::string text = "kept";
    EXPECT_EQ(editInExternalEditor("true", text), -1);
    EXPECT_EQ(text, "kept");
    EXPECT_TRUE(namesIn(dir.file("elsewhere")).empty());
}

TEST_F(ExternalEdit, StaleScratchFilesOfEndedRunsAreRemoved) {
    const pid_t ended = fork();
    ASSERT_GE(ended, 0);
    if (ended == 0) _exit(0);
    ASSERT_EQ(waitpid(ended, nullptr, 0), ended);
    ASSERT_EQ(prepareScratchFolder(folder), 0);
    const std::string live = "velk-" + std::to_string(getpid()) + "-aB3dE9.tmp";
    for (const std::string& n :
         {live, "velk-" + std::to_string(ended) + "-aB3dE9.tmp", std::string("notes.txt")})
        writeWholeFile(folder + "/" + n, "");
    EXPECT_EQ(removeStaleScratchFiles(folder), 1);
    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"notes.txt", live}));
    ASSERT_EQ(symlink(folder.c_str(), dir.file("link").c_str()), 0);
    EXPECT_EQ(removeStaleScratchFiles(dir.file("link")), -1) << "a link is not followed";
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
    EXPECT_EQ(seen.substr(0, folder.size() + 6), folder + "/velk-");
    EXPECT_EQ(readWholeFile(dir.file("velkXXXXXX.tmp")), "clipboard\n");
    EXPECT_EQ(access(seen.substr(0, seen.size() - 1).c_str(), F_OK), -1)
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
    EXPECT_TRUE(namesIn(folder).empty()) << "a scratch file was left behind";
}

} // namespace
