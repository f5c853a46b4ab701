#include "crypt/crypt_man.h"
#include "crypt/sha1.h"
#include "crypt/twofish.h"
#include "crypt_test_util.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

// A small hash count keeps the tests fast; it is also the classic count.
constexpr int32_t FAST = 42;

std::string sectionOf(const CryptMan& cm) {
    std::ostringstream os;
    EXPECT_EQ(cm.Write(os), 0);
    return os.str();
}

// Reads a section as the data file reader does: after its "<Crypt>" line.
int readSection(CryptMan& cm, const std::string& section) {
    std::istringstream is(section);
    std::string first;
    std::getline(is, first);
    return cm.Read(is);
}

} // namespace

// The first password makes the master key and writes the section: format
// mark, count, check data, records of description, enciphered key and salts,
// each byte as two letters "a".."p", low half first. Either password unlocks
// the same key after a reload, and a wrong one changes nothing.
TEST(CryptMan, PasswordsMakeSaveAndUnlockTheSameKey) {
    CryptMan cm(FAST);
    EXPECT_EQ(sectionOf(cm), "") << "nothing without a password";
    ASSERT_EQ(cm.AddPwd("Home", "one"), 0);
    EXPECT_TRUE(cm.IsLoggedIn() && cm.PwdsChanged() && !cm.CanLogIn());
    int n = 0;
    const Bytes cbc = cm.Encrypt("a description", n, true), ecb = cm.Encrypt("short", n, false);
    EXPECT_EQ(cbc.size() * 100 + ecb.size(), 3216u) << "zero byte included, CBC a block longer";
    std::string s = sectionOf(cm), layout;
    std::istringstream lines(s);
    for (std::string l; std::getline(lines, l);)
        layout += (l.find_first_not_of("abcdefghijklmnop") == std::string::npos
                       ? std::to_string(l.size()) + " letters"
                       : l) +
                  "|";
    EXPECT_EQ(layout, "<Crypt>|0|42|32|64 letters|1|Home|32|64 letters|20|40 letters|12|24 "
                      "letters|</Crypt>|");
    std::ostringstream bytes;
    CryptMan::WriteVector(bytes, {0x3C, 0x00, 0xFF});
    EXPECT_EQ(bytes.str(), "3\nmdaapp\n");

    CryptMan loaded(FAST);
    ASSERT_EQ(readSection(loaded, s), 0);
    EXPECT_TRUE(!loaded.IsLoggedIn() && loaded.CanLogIn() && !loaded.CanAddPwd());
    EXPECT_EQ(loaded.AddPwd("work", "two"), -1) << "locked";
    std::string text;
    EXPECT_EQ(loaded.Decrypt(cbc.data(), int(cbc.size()), true, text), -1) << "locked";
    EXPECT_EQ(loaded.Login(0, "wrong"), -1);
    EXPECT_EQ(loaded.Login(1, "one"), -1) << "no such record";
    ASSERT_EQ(loaded.Login(0, "one"), 0);
    EXPECT_EQ(loaded.Login(0, "wrong"), -1);
    EXPECT_TRUE(loaded.IsLoggedIn()) << "a wrong password does not lock again";
    ASSERT_EQ(loaded.AddPwd("work\nline", "two"), 0);

    CryptMan again(FAST);
    ASSERT_EQ(readSection(again, sectionOf(loaded)), 0);
    EXPECT_EQ(again.GetPwdDescr(1), "work line");
    ASSERT_EQ(again.Login(1, "two"), 0);
    ASSERT_EQ(again.Decrypt(cbc.data(), int(cbc.size()), true, text), 0);
    EXPECT_EQ(text, "a description");
    ASSERT_EQ(again.Decrypt(ecb.data(), int(ecb.size()), false, text), 0);
    EXPECT_EQ(text, "short");
    EXPECT_EQ(again.Decrypt(cbc.data(), 0, true, text), -1) << "no chaining block";
}

// The key of a password is SHA-1 over password and salt1, hashed again over
// its 20 bytes until count - 1 rounds are made, followed by 12 bytes of salt2.
TEST(CryptMan, DerivedKeyIsTheSaltedHashChainThenSalt2) {
    const unsigned char c = 'c';
    const Bytes salt2 = bytesOfHex("0102030405060708090A0B0C0D");
    const Bytes h1 = bytesOfHex("A9993E364706816ABA3E25717850C26C9CD0D89D"); // SHA-1("abc")
    const auto h2 = Hash_SHA1::Of(h1.data(), h1.size());
    for (int count : {2, 3}) {
        CryptMan cm(count);
        ASSERT_EQ(cm.AddPwd("", "x"), 0) << "the first password sets the count";
        const Bytes key = cm.DeriveKey("ab", &c, 1, salt2.data(), 13);
        EXPECT_EQ(hexOf(key),
                  (count == 2 ? hexOf(h1) : hexOf(h2.data(), 20)) + "0102030405060708090A0B0C");
        EXPECT_TRUE(cm.DeriveKey("ab", &c, 1, salt2.data(), 11).empty()) << "salt2 too short";
    }
}

TEST(CryptMan, MalformedSectionsAreRefusedWithoutChange) {
    CryptMan good(7);
    ASSERT_EQ(good.AddPwd("home", "pw"), 0);
    std::vector<std::string> lines;
    std::istringstream is(sectionOf(good));
    for (std::string l; std::getline(is, l);)
        lines.push_back(l);
    auto with = [&](std::size_t line, const std::string& text, std::size_t keep = 14) {
        std::string s;
        for (std::size_t i = 0; i < keep; ++i)
            s += (i == line ? text : lines[i]) + "\n";
        return s;
    };
    const std::string letters = lines[4];
    const struct {
        const char* rule;
        std::string section;
        int result;
    } rows[] = {
        {"count 2 is the least", with(2, "2"), 0},
        {"count 20000000 is the most", with(2, "20000000"), 0},
        {"text after the closing tag", with(13, "</Crypt> trailing"), 0},
        {"no closing line", with(99, "", 13), -1},
        {"other closing line", with(13, "</Crypto"), -1},
        {"empty", "", -1},
        {"count below 2", with(2, "1"), -1},
        {"count above the most", with(2, "20000001"), -1},
        {"count not a number", with(2, "4x2"), -1},
        {"negative count", with(2, "-42"), -1},
        {"check data short", with(3, "31"), -1},
        {"check letters short", with(4, letters.substr(2)), -1},
        {"letter beyond p", with(4, "q" + letters.substr(1)), -1},
        {"upper-case letter", with(4, "A" + letters.substr(1)), -1},
        {"huge byte count", with(3, "4000000000"), -1},
        {"more records than present", with(5, "2"), -1},
        {"huge record count", with(5, "2000000000"), -1},
        {"salt1 size", with(9, "19"), -1},
        {"truncated record", with(99, "", 10), -1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.rule);
        CryptMan cm(FAST);
        ASSERT_EQ(cm.AddPwd("mine", "pw"), 0);
        const std::string before = sectionOf(cm);
        EXPECT_EQ(readSection(cm, r.section), r.result);
        EXPECT_EQ(cm.IsLoggedIn(), r.result != 0) << "locked after a read";
        if (r.result != 0) {
            EXPECT_EQ(sectionOf(cm), before) << "unchanged";
        } else {
            EXPECT_EQ(cm.GetIterations(), std::stoi(r.section.substr(r.section.find("\n0\n") + 3)));
        }
    }
}

TEST(CryptMan, NewKeysGetStrongCountsAndNeedRandomBytes) {
    {
        NoRandomBytes noRandom;
        CryptMan cm(FAST);
        EXPECT_EQ(cm.AddPwd("home", "pw"), -1);
        EXPECT_TRUE(cm.GetNumPwds() == 0 && !cm.IsLoggedIn() && !cm.PwdsChanged());
    }
    // Without a given count the first password calibrates one on this machine
    // (about half a second), never below the least for a new key.
    CryptMan cm;
    ASSERT_EQ(cm.AddPwd("home", "pw"), 0);
    EXPECT_GE(cm.GetIterations(), CryptMan::MIN_NEW_ITERATIONS);
    EXPECT_LE(cm.GetIterations(), CryptMan::MAX_ITERATIONS);
    EXPECT_EQ(CryptMan::CalibrateIterations(3600.0), CryptMan::MAX_ITERATIONS)
        << "never more than the reader accepts";
}
