// Every seed and every input a fuzz target once failed on, kept in
// tests/data/fuzz/TARGET, goes through its reader in the test build too, and
// the inputs of earlier findings keep the behaviour their fix gave them.

#include "app/config.h"
#include "common/bin_ascii.h"
#include "crypt/crypt_man.h"
#include "engine/velk.h"
#include "model/calendar.h"
#include "storage/records.h"
#include "support/organizer.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> inputsOf(const std::string& target) {
    std::vector<std::string> files;
    for (const auto& e :
         fs::directory_iterator(std::string(VELK_TEST_DATA_DIR) + "/fuzz/" + target))
        files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

// The records of a written data file: everything from the root record on.
std::string recordsOf(const std::string& file) {
    std::size_t root = file.find("\ng\n");
    return root == std::string::npos ? std::string() : file.substr(root);
}

} // namespace

TEST(FuzzInputs, DataFilesThatLoadSaveWithTheirRecordsUnchanged) {
    TempDir dir(true);
    for (const std::string& input : inputsOf("read_data")) {
        SCOPED_TRACE(input);
        TestOrganizer v(input);
        if (v.loaded != 0) continue;
        ASSERT_EQ(v->writeData(dir.file("a.dat").c_str()), 0);
        TestOrganizer again(dir.file("a.dat"));
        ASSERT_EQ(again.loaded, 0);
        ASSERT_EQ(again->writeData(dir.file("b.dat").c_str()), 0);
        EXPECT_EQ(recordsOf(readWholeFile(dir.file("b.dat"))),
                  recordsOf(readWholeFile(dir.file("a.dat"))));
    }
}

TEST(FuzzInputs, HeaderValuesOutOfRangeAreDroppedByTheFirstSave) {
    TempDir dir(true);
    const std::string data = std::string(VELK_TEST_DATA_DIR) + "/fuzz/read_data/";
    TestOrganizer v(data + "finding_mainviewtype_4");
    ASSERT_EQ(v.loaded, 0);
    ASSERT_EQ(v->writeData(dir.file("a.dat").c_str()), 0);
    EXPECT_EQ(readWholeFile(dir.file("a.dat")).find("<mainviewtype="), std::string::npos);
    TestOrganizer w(data + "finding_window_height_0");
    ASSERT_EQ(w.loaded, 0);
    ASSERT_EQ(w->writeData(dir.file("b.dat").c_str()), 0);
    EXPECT_EQ(readWholeFile(dir.file("b.dat")).find("<Session.uWinHeight="), std::string::npos);
}

TEST(FuzzInputs, NestingBelowTheDeepestLevelIsRefused) {
    TestOrganizer v(std::string(VELK_TEST_DATA_DIR) +
                    "/fuzz/read_data/nesting_below_deepest_level");
    EXPECT_EQ(v.loaded, -1);
}

TEST(FuzzInputs, TodoRecordsAndTheirDescriptionsReadBackAsWritten) {
    CryptMan crypt(2);
    ASSERT_EQ(crypt.AddPwd("test", "password"), 0);
    for (const std::string& input : inputsOf("description")) {
        SCOPED_TRACE(input);
        std::istringstream in(readWholeFile(input));
        unsigned running = 0, idmax = 0;
        T_Calendar cal;
        ToDoListToDo t(0, "/0/");
        if (readToDoRecord(in, t, running, idmax, cal) == 0) {
            std::ostringstream out;
            writeToDoRecord(out, t, &crypt, RECORD_SAVE);
            std::istringstream back(out.str().substr(2));
            ToDoListToDo u(0, "/0/");
            T_Calendar cal2;
            ASSERT_EQ(readToDoRecord(back, u, running, idmax, cal2), 0);
            const char* a = nullptr;
            const char* b = nullptr;
            EXPECT_EQ(t.GetDescription(a, &crypt), u.GetDescription(b, &crypt));
            EXPECT_EQ(std::string(a ? a : ""), std::string(b ? b : ""));
            u.removeFromCalLists(cal2);
        }
        t.removeFromCalLists(cal);
    }
}

TEST(FuzzInputs, PasswordSectionsBinAsciiAndConfigurationFilesAreRead) {
    for (const std::string& input : inputsOf("crypt_read")) {
        SCOPED_TRACE(input);
        std::istringstream in(readWholeFile(input));
        CryptMan c(2);
        if (c.Read(in) != 0) continue;
        std::ostringstream out;
        EXPECT_EQ(c.Write(out), 0);
    }
    for (const std::string& input : inputsOf("bin_ascii")) {
        SCOPED_TRACE(input);
        const std::string bytes = readWholeFile(input);
        if (bytes.size() < 2) continue;
        const int expected = (unsigned char)bytes[0] | ((unsigned char)bytes[1] << 8);
        std::istringstream in(bytes.substr(2));
        std::vector<unsigned char> data;
        int got = 0;
        if (ReadBinASCIIData(in, expected, data, got) == 0) {
            EXPECT_EQ(data.size(), std::size_t(expected));
        }
    }
    TempDir home(true);
    fs::create_directories(home.file(".velkrc"));
    for (const std::string& input : inputsOf("config")) {
        SCOPED_TRACE(input);
        writeWholeFile(home.file(".velkrc/velk.config"), readWholeFile(input));
        ReadConfigFile();
        EXPECT_FALSE(velkconfig.defaultFiles.empty());
    }
}

TEST(FuzzInputs, TransferFilesAndJournalEntriesNeverBreakTheTree) {
    TempDir dir(true);
    const std::string path = dir.file("v.dat");
    const std::string base = "<type=Velk>\n<version=0.54>\n<data>\n<idmax=4>\ng\ns<unnamed>\nI1\n"
                             "g\nsInbox\nI2\nt\nsold\nI3\n>\n>\nt\nstop\nI4\n>\n>\n</data>\n";
    for (const std::string& input : inputsOf("insert")) {
        SCOPED_TRACE(input);
        writeWholeFile(path, base);
        TestOrganizer v(path);
        ASSERT_EQ(v.loaded, 0);
        v->insertDataFromFile(input.c_str());
        ASSERT_EQ(v->writeData(path.c_str()), 0);
        v->incsave_delFiles();
        TestOrganizer again(path);
        EXPECT_EQ(again.loaded, 0);
        EXPECT_EQ(dumpTree(*again), dumpTree(*v));
    }
    // The journal inputs are cut into files at each line "~~" and replayed
    // onto the small data file their target uses.
    const std::string journalBase =
        "<type=Velk>\n<version=0.54>\n<data>\n<idmax=9>\n<curGroup=/0/>\ng\ns<unnamed>\nI1\n"
        "t\nsplain\nI2\n>\nt\nsdated\nI3\nn187875328\n>\n"
        "g\nsWork\nI4\nt\nsw1\nI5\nR\nr1300000000,0\n>\ng\nsSub\nI6\nt\nss1\nI7\n>\n>\n>\n"
        "g\nsOld\nI8\nt\nso1\nI9\nF20000\nd3\nabc\n>\n>\n>\n</data>\n";
    for (const std::string& input : inputsOf("journal")) {
        SCOPED_TRACE(input);
        writeWholeFile(path, journalBase);
        const std::string text = readWholeFile(input);
        unsigned files = 0;
        for (std::size_t from = 0;; ++files) {
            const std::size_t cut = text.find("\n~~\n", from);
            writeWholeFile(path + std::to_string(files),
                           text.substr(from, cut == std::string::npos ? cut : cut - from + 1));
            if (cut == std::string::npos) break;
            from = cut + 4;
        }
        {
            TestOrganizer v(path);
            ASSERT_EQ(v.loaded, 0);
            EXPECT_NE(v.replayed, 0) << "every input holds an entry";
            if (v.replayed == 1) {
                const std::string merged = dir.file("merged.dat");
                ASSERT_EQ(v->writeData(merged.c_str()), 0);
                Velk again;
                again.createRoot();
                ASSERT_EQ(again.readData(merged.c_str()), 0);
                EXPECT_EQ(dumpTree(again), dumpTree(*v));
            }
        }
        EXPECT_EQ(readWholeFile(path), journalBase) << "a replay never writes the data file";
        for (unsigned n = 0; n <= files; ++n)
            std::remove((path + std::to_string(n)).c_str());
    }
}
