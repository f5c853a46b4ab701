// Enciphered descriptions through the data file and its backups.

#include "engine/velk.h"
#include "support/organizer.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace {

std::string description(Velk& v, std::size_t i) {
    const char* text = nullptr;
    return v.getRoot()->getToDo(i)->GetDescription(text, &v.getCrypt()) ? "<hidden>" : text ? text : "";
}

bool contains(const std::string& file, const char* text) {
    return readWholeFile(file).find(text) != std::string::npos;
}

} // namespace

// When a save enciphers a description that the data file held in plain text,
// the backups that still show it go with that save, and the save says so.
TEST(CryptFile, EncipheredTextIsNeitherInTheFileNorInABackup) {
    TempDir dir;
    const std::string path = dir.file("c.dat");
    auto save = [&](Velk& v) {
        T_SaveReport report;
        EXPECT_EQ(v.saveData(report), 0) << report.error;
        return report.backupsDropped;
    };
    {
        TestOrganizer v(path);
        v->getCrypt() = CryptMan(50); // a fast key setting
        for (const char* text : {"PIN 1234", "shopping"}) {
            ToDoListToDo* t = v->getRoot()->newToDo();
            t->setSyncID(++v->itemTree().idmax());
            t->setDescription(text);
        }
        for (int i = 0; i < 4; ++i)
            EXPECT_FALSE(save(*v)) << "nothing enciphered: backups are kept";
        ASSERT_TRUE(contains(path + "b2", "PIN 1234"));
        ASSERT_EQ(v->getCrypt().AddPwd("main", "secret"), 0);
        v->getRoot()->getToDo(1)->setDescription("shopping list");
        EXPECT_FALSE(save(*v)) << "a plain text changed but kept plain";
        v->getRoot()->getToDo(0)->SetSaveCrypt(true);
        EXPECT_TRUE(save(*v));
        EXPECT_FALSE(contains(path, "PIN 1234"));
        EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"c.dat"});
        EXPECT_FALSE(save(*v)) << "told once";
        EXPECT_FALSE(contains(path + "b0", "PIN 1234"));
    }
    const std::string saved = readWholeFile(path);
    TestOrganizer v(path);
    EXPECT_EQ(description(*v, 0), "<hidden>");
    ASSERT_EQ(v->writeData(path.c_str()), 0);
    EXPECT_EQ(readWholeFile(path), saved) << "written back unchanged before login";
    EXPECT_EQ(v->getCrypt().Login(0, "wrong"), -1);
    ASSERT_EQ(v->getCrypt().Login(0, "secret"), 0);
    EXPECT_EQ(description(*v, 0), "PIN 1234");
    EXPECT_EQ(description(*v, 1), "shopping list");
}
