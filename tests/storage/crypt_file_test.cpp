// Enciphered descriptions and the password section through the data file.

#include "engine/velk.h"
#include "model/clock.h"
#include "support/temp_dir.h"

#include <fstream>
#include <gtest/gtest.h>

namespace {

struct Engine {
    explicit Engine(const std::string& path) {
        v.createRoot();
        result = v.readData(path.c_str());
        v.getCrypt() =
            v.getCrypt().GetNumPwds() ? v.getCrypt() : CryptMan(50); // fast key setting for tests
    }
    Velk v;
    int result;
};

std::string description(Velk& v, ToDoListToDo* t) {
    const char* text = nullptr;
    bool hidden = t->GetDescription(text, &v.getCrypt());
    if (hidden) return "<encrypted>";
    return text ? text : "";
}

} // namespace

TEST(CryptFile, EncipheredDescriptionsSurviveSaveAndLogin) {
    TempDir dir;
    const std::string path = dir.file("c.dat");
    std::string firstSave;
    {
        Engine e(path);
        ASSERT_EQ(e.result, 0);
        ASSERT_EQ(e.v.getCrypt().AddPwd("main", "secret"), 0);
        ASSERT_EQ(e.v.getCrypt().AddPwd("spare", "other"), 0);
        ToDoListToDo* t = e.v.getRoot()->newToDo();
        t->setSummary("bank");
        t->setSyncID(++e.v.itemTree().idmax());
        t->setDescription("PIN 1234\nline two");
        t->SetSaveCrypt(true);
        ToDoListToDo* open = e.v.getRoot()->newToDo();
        open->setDescription("not secret");
        open->setSyncID(++e.v.itemTree().idmax());
        ASSERT_EQ(e.v.writeData(path.c_str()), 0);
        firstSave = readWholeFile(path);
    }
    EXPECT_EQ(firstSave.find("PIN 1234"), std::string::npos) << "the text is stored enciphered";
    EXPECT_NE(firstSave.find("<Crypt>\n"), std::string::npos);
    EXPECT_NE(firstSave.find("not secret"), std::string::npos);

    {
        // Before login the description is hidden and written back unchanged.
        Engine e(path);
        ASSERT_EQ(e.result, 0);
        EXPECT_EQ(description(e.v, e.v.getRoot()->getToDo(0)), "<encrypted>");
        ASSERT_EQ(e.v.writeData(path.c_str()), 0);
        EXPECT_EQ(readWholeFile(path), firstSave);
        EXPECT_FALSE(e.v.getCrypt().PwdsChanged());
    }
    {
        // After login with either password the text is there; unchanged, the
        // same cipher bytes are written back.
        Engine e(path);
        EXPECT_EQ(e.v.getCrypt().Login(0, "wrong"), -1);
        EXPECT_EQ(description(e.v, e.v.getRoot()->getToDo(0)), "<encrypted>");
        ASSERT_EQ(e.v.getCrypt().Login(1, "other"), 0);
        EXPECT_EQ(description(e.v, e.v.getRoot()->getToDo(0)), "PIN 1234\nline two");
        ASSERT_EQ(e.v.writeData(path.c_str()), 0);
        EXPECT_EQ(readWholeFile(path), firstSave);

        // Changed, it is enciphered anew.
        e.v.getRoot()->getToDo(0)->setDescription("PIN 9999");
        ASSERT_EQ(e.v.writeData(path.c_str()), 0);
        std::string changed = readWholeFile(path);
        EXPECT_NE(changed, firstSave);
        EXPECT_EQ(changed.find("PIN 9999"), std::string::npos);
    }
    {
        Engine e(path);
        ASSERT_EQ(e.v.getCrypt().Login(0, "secret"), 0);
        EXPECT_EQ(description(e.v, e.v.getRoot()->getToDo(0)), "PIN 9999");
    }
}

TEST(CryptFile, DescriptionMarkedForEncryptionWithoutLoginIsKeptPlain) {
    TempDir dir;
    const std::string path = dir.file("p.dat");
    {
        Engine e(path);
        ToDoListToDo* t = e.v.getRoot()->newToDo();
        t->setDescription("to be hidden later");
        t->SetSaveCrypt(true);
        testing::internal::CaptureStderr();
        ASSERT_EQ(e.v.writeData(path.c_str()), 0);
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "writeContent hat nicht Null zurückgegeben!\n");
    }
    Engine e(path);
    ASSERT_EQ(e.result, 0);
    EXPECT_EQ(description(e.v, e.v.getRoot()->getToDo(0)), "to be hidden later") << "nothing is lost";
}

// The backups of a data file hold its earlier generations. When a save
// enciphers a description that the file held in plain text, the backups that
// still hold that text go with that save, and the save says so; later saves
// keep three generations again.
TEST(CryptFile, EncipheringAPlainDescriptionRemovesTheBackupsThatHoldIt) {
    TempDir dir;
    const std::string path = dir.file("c.dat");
    auto save = [&](Velk& v) {
        T_SaveReport report;
        EXPECT_EQ(v.saveData(report), 0) << report.error;
        return report.backupsDropped;
    };
    {
        Engine e(path);
        ToDoListToDo* t = e.v.getRoot()->newToDo();
        t->setSyncID(++e.v.itemTree().idmax());
        t->setDescription("PIN 1234");
        ToDoListToDo* other = e.v.getRoot()->newToDo();
        other->setSyncID(++e.v.itemTree().idmax());
        other->setDescription("shopping");
        for (int i = 0; i < 4; ++i)
            EXPECT_FALSE(save(e.v)) << "nothing enciphered: backups are kept";
    }
    for (const char* b : {"b0", "b1", "b2"})
        ASSERT_NE(readWholeFile(path + b).find("PIN 1234"), std::string::npos);
    {
        Engine e(path);
        ASSERT_EQ(e.v.getCrypt().AddPwd("main", "secret"), 0);
        // A plain description changed but kept plain keeps the backups.
        e.v.getRoot()->getToDo(1)->setDescription("shopping list");
        EXPECT_FALSE(save(e.v));
        EXPECT_TRUE(std::ifstream(path + "b0").good());
        e.v.getRoot()->getToDo(0)->SetSaveCrypt(true);
        EXPECT_TRUE(save(e.v));
        EXPECT_EQ(readWholeFile(path).find("PIN 1234"), std::string::npos);
        for (const char* b : {"b0", "b1", "b2"})
            EXPECT_FALSE(std::ifstream(path + b).good()) << b;
        EXPECT_FALSE(save(e.v)) << "told once";
        EXPECT_EQ(readWholeFile(path + "b0").find("PIN 1234"), std::string::npos);
    }
}

// A password description is as long as the user made it: the section is read
// at any line length, and the records after it still line up.
TEST(CryptFile, LongPasswordDescriptionSurvivesSaveAndReload) {
    TempDir dir;
    const std::string path = dir.file("long.dat");
    std::string descr(2000, ' ');
    for (std::size_t i = 0; i < descr.size(); ++i)
        descr[i] = char('a' + i % 26);
    {
        Engine e(path);
        ASSERT_EQ(e.v.getCrypt().AddPwd(descr, "secret"), 0);
        ASSERT_EQ(e.v.getCrypt().AddPwd("short", "other"), 0);
        ASSERT_EQ(e.v.writeData(path.c_str()), 0);
    }
    Engine e(path);
    ASSERT_EQ(e.result, 0);
    ASSERT_EQ(e.v.getCrypt().GetNumPwds(), 2);
    EXPECT_EQ(e.v.getCrypt().GetPwdDescr(0), descr);
    EXPECT_EQ(e.v.getCrypt().GetPwdDescr(1), "short");
    EXPECT_EQ(e.v.getCrypt().Login(0, "secret"), 0);
}
