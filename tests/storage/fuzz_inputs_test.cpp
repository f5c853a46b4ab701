// Every seed and every input a fuzz target once failed on, kept in
// tests/data/fuzz/TARGET, goes through its reader in the test build too.

#include "app/config.h"
#include "common/bin_ascii.h"
#include "crypt/crypt_man.h"
#include "engine/velk.h"
#include "storage/records.h"
#include "support/organizer.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace {

const std::string fuzzDir = std::string(VELK_TEST_DATA_DIR) + "/fuzz/";

std::vector<std::string> inputsOf(const std::string& target) {
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(fuzzDir + target))
        files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

// What a save writes of the organizer.
std::string saved(Velk& v, const std::string& name) {
    EXPECT_EQ(v.writeData(name.c_str()), 0);
    return readWholeFile(name);
}

} // namespace

TEST(FuzzInputs, DataFilesLoadOrAreRefusedAndASecondSaveChangesNothing) {
    TempDir dir;
    for (const std::string& input : inputsOf("read_data")) {
        SCOPED_TRACE(input);
        TestOrganizer v(input);
        if (input.ends_with("nesting_below_deepest_level")) {
            EXPECT_EQ(v.loaded, -1);
        }
        if (v.loaded != 0) continue;
        const std::string first = saved(*v, dir.file("a.dat")), records = first.substr(first.find("\ng\n"));
        const std::string second = saved(*TestOrganizer(dir.file("a.dat")), dir.file("b.dat"));
        EXPECT_EQ(second.substr(second.find("\ng\n")), records);
        // Header values out of range are dropped by the first save.
        const char* dropped = input.ends_with("mainviewtype_4") ? "<mainviewtype="
                              : input.ends_with("height_0")     ? "<Session.uWinHeight="
                                                                : "<never written>";
        EXPECT_EQ(first.find(dropped), std::string::npos);
    }
}

TEST(FuzzInputs, TodoRecordsKeepTheirDescriptions) {
    CryptMan crypt(2);
    ASSERT_EQ(crypt.AddPwd("test", "password"), 0);
    for (const std::string& input : inputsOf("description")) {
        SCOPED_TRACE(input);
        std::istringstream in(readWholeFile(input));
        unsigned running = 0, idmax = 0;
        T_Calendar cal;
        ToDoListToDo t(0, "/0/"), u(0, "/0/");
        if (readToDoRecord(in, t, running, idmax, cal) == 0) {
            std::ostringstream out;
            writeToDoRecord(out, t, &crypt, RECORD_SAVE);
            std::istringstream back(out.str().substr(2));
            ASSERT_EQ(readToDoRecord(back, u, running, idmax, cal), 0);
            const char *a = nullptr, *b = nullptr;
            EXPECT_EQ(t.GetDescription(a, &crypt), u.GetDescription(b, &crypt));
            EXPECT_EQ(std::string(a ? a : ""), std::string(b ? b : ""));
        }
        t.removeFromCalLists(cal);
        u.removeFromCalLists(cal);
    }
}

TEST(FuzzInputs, PasswordSectionsBinAsciiAndConfigurationFilesAreRead) {
    for (const std::string& input : inputsOf("crypt_read")) {
        std::istringstream in(readWholeFile(input));
        CryptMan c(2);
        std::ostringstream out;
        if (c.Read(in) == 0) {
            EXPECT_EQ(c.Write(out), 0) << input;
        }
    }
    for (const std::string& input : inputsOf("bin_ascii")) {
        const std::string bytes = readWholeFile(input);
        if (bytes.size() < 2) continue;
        const int expected = (unsigned char)bytes[0] | ((unsigned char)bytes[1] << 8);
        std::istringstream in(bytes.substr(2));
        std::vector<unsigned char> data;
        int got = 0;
        if (ReadBinASCIIData(in, expected, data, got) == 0) {
            EXPECT_EQ(data.size(), std::size_t(expected)) << input;
        }
    }
    TempDir home(true);
    std::filesystem::create_directories(home.file(".velkrc"));
    for (const std::string& input : inputsOf("config")) {
        writeWholeFile(home.file(".velkrc/velk.config"), readWholeFile(input));
        ReadConfigFile();
        EXPECT_FALSE(velkconfig.defaultFiles.empty()) << input;
    }
}

TEST(FuzzInputs, InsertedFilesAndJournalEntriesNeverBreakTheTree) {
    const std::string base = "<type=Velk>\n<version=0.54>\n<data>\n<idmax=9>\n<curGroup=/0/>\ng\ns<unnamed>\nI1\n"
                             "t\nsplain\nI2\n>\nt\nsdated\nI3\nn187875328\n>\n"
                             "g\nsWork\nI4\nt\nsw1\nI5\nR\nr1300000000,0\n>\ng\nsSub\nI6\nt\nss1\nI7\n>\n>\n>\n"
                             "g\nsOld\nI8\nt\nso1\nI9\nF20000\nd3\nabc\n>\n>\n>\n</data>\n";
    for (const std::string& input : inputsOf("insert")) {
        SCOPED_TRACE(input);
        TempDir dir;
        writeWholeFile(dir.file("v.dat"), base);
        TestOrganizer v(dir.file("v.dat"));
        v->insertDataFromFile(input.c_str());
        EXPECT_EQ(dumpTree(*TestOrganizer(dir.file("v.dat"))), dumpTree(*v)) << "every insertion is journaled";
    }
    // The journal inputs are cut into files at each line "~~".
    for (const std::string& input : inputsOf("journal")) {
        SCOPED_TRACE(input);
        TempDir dir;
        const std::string path = dir.file("v.dat");
        writeWholeFile(path, base);
        const std::string text = readWholeFile(input);
        unsigned files = 0;
        for (std::size_t from = 0;; ++files) {
            const std::size_t cut = text.find("\n~~\n", from);
            writeWholeFile(journalFile(path, files),
                           text.substr(from, cut == std::string::npos ? cut : cut - from + 1));
            if (cut == std::string::npos) break;
            from = cut + 4;
        }
        {
            TestOrganizer v(path);
            EXPECT_NE(v.replayed, 0) << "every input holds an entry";
            if (v.replayed == 1) {
                saved(*v, dir.file("m.dat"));
                EXPECT_EQ(dumpTree(*TestOrganizer(dir.file("m.dat"))), dumpTree(*v));
            }
        }
        EXPECT_EQ(readWholeFile(path), base) << "a replay never writes the data file";
    }
}
