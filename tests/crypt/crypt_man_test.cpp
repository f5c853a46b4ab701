#include "crypt/crypt_man.h"
#include "crypt_test_util.h"

#include <gtest/gtest.h>
#include <optional>
#include <sstream>

namespace {

std::string sectionOf(const CryptMan& cm) {
    std::ostringstream os;
    EXPECT_EQ(cm.Write(os), 0);
    return os.str();
}

std::vector<std::string> linesOf(const CryptMan& cm) {
    std::vector<std::string> lines;
    std::istringstream is(sectionOf(cm));
    for (std::string l; std::getline(is, l);)
        lines.push_back(l);
    return lines;
}

// Reads a section as the data file reader does: after its "<Crypt>" line.
int readSection(CryptMan& cm, const std::string& section) {
    std::istringstream is(section);
    std::string first;
    std::getline(is, first);
    return cm.Read(is);
}

} // namespace

// The first password makes the master key (not without random bytes) and
// writes the section: format mark, hash count, check data, then per password
// its description, enciphered key and salts, each byte as two letters "a".."p",
// low half first. After a reload either password unlocks the same key; a
// wrong one changes nothing.
TEST(CryptMan, PasswordsMakeSaveAndUnlockTheSameKey) {
    CryptMan cm(42);
    auto decrypt = [](CryptMan& m, const Bytes& b, bool cbc) {
        std::string t;
        return m.Decrypt(b.data(), int(b.size()), cbc, t) == 0 ? t : "<refused>";
    };
    std::optional<NoRandomBytes> noRandom(std::in_place);
    EXPECT_EQ(cm.AddPwd("Home", "one"), -1);
    noRandom.reset();
    EXPECT_TRUE(sectionOf(cm).empty() && !cm.PwdsChanged() && !cm.IsLoggedIn());
    ASSERT_EQ(cm.AddPwd("Home", "one"), 0);
    int n = 0;
    const Bytes cbc = cm.Encrypt("a description", n, true), ecb = cm.Encrypt("short", n, false);
    EXPECT_EQ(cbc.size() * 100 + ecb.size(), 3216u) << "zero byte included, CBC a block longer";
    std::string layout;
    for (const std::string& l : linesOf(cm))
        layout += l.find_first_not_of("abcdefghijklmnop") != l.npos
                      ? l + "|"
                      : std::to_string(l.size()) + "x|";
    EXPECT_EQ(layout, "<Crypt>|0|42|32|64x|1|Home|32|64x|20|40x|12|24x|</Crypt>|");
    std::ostringstream bytes;
    CryptMan::WriteVector(bytes, {0x3C, 0x00, 0xFF});
    EXPECT_EQ(bytes.str(), "3\nmdaapp\n");

    CryptMan loaded(1000);
    ASSERT_EQ(readSection(loaded, sectionOf(cm)), 0);
    EXPECT_TRUE(loaded.CanLogIn() && !loaded.CanAddPwd() && loaded.AddPwd("x", "y") == -1);
    EXPECT_EQ(decrypt(loaded, cbc, true), "<refused>") << "locked";
    EXPECT_EQ(loaded.Login(0, "wrong") + loaded.Login(1, "one"), -2) << "wrong password, record";
    ASSERT_EQ(loaded.Login(0, "one"), 0);
    EXPECT_EQ(loaded.Login(0, "wrong"), -1);
    EXPECT_TRUE(loaded.IsLoggedIn()) << "a wrong password does not lock again";
    ASSERT_EQ(loaded.AddPwd("Work\nline", "two"), 0);
    CryptMan again(1000);
    ASSERT_EQ(readSection(again, sectionOf(loaded)), 0);
    EXPECT_EQ(again.GetPwdDescr(1) + std::to_string(again.GetIterations()), "Work line42");
    ASSERT_EQ(again.Login(1, "two"), 0);
    EXPECT_EQ(decrypt(again, cbc, true) + "|" + decrypt(again, ecb, false), "a description|short");
    EXPECT_EQ(decrypt(again, Bytes(), true), "<refused>") << "no chaining block";
}

// The key of a password is SHA-1 over password and salt1, hashed again over
// its 20 bytes until count - 1 rounds are made, followed by 12 bytes of salt2.
TEST(CryptMan, DerivedKeyIsTheSaltedHashChainThenSalt2) {
    const unsigned char c = 'c';
    const Bytes salt2 = bytesOfHex("0102030405060708090A0B0C0D");
    // SHA-1 of "abc", and SHA-1 of those 20 bytes, then salt2's first 12 bytes
    for (const auto& [count, key] : {std::pair{2, "A9993E364706816ABA3E25717850C26C9CD0D89D"},
                                     std::pair{3, "0D3CED9BEC10A777AEC23CCC353A8C08A633045E"}}) {
        CryptMan cm(count);
        ASSERT_EQ(cm.AddPwd("", "x"), 0) << "the first password sets the count";
        EXPECT_EQ(hexOf(cm.DeriveKey("ab", &c, 1, salt2.data(), 13)),
                  key + std::string("0102030405060708090A0B0C"));
        EXPECT_TRUE(cm.DeriveKey("ab", &c, 1, salt2.data(), 11).empty()) << "salt2 too short";
    }
}

// A section that is malformed anywhere is refused and changes nothing; one
// that is read locks the manager and keeps its hash count.
TEST(CryptMan, MalformedSectionsAreRefusedWithoutChange) {
    CryptMan good(7);
    ASSERT_EQ(good.AddPwd("Home", "pw"), 0);
    const std::vector<std::string> lines = linesOf(good);
    auto with = [&](std::size_t line, const std::string& text, std::size_t keep = 14) {
        std::string s;
        for (std::size_t i = 0; i < keep; ++i)
            s += (i == line ? text : lines[i]) + "\n";
        return s;
    };
    // clang-format off
    const struct { const char* rule; std::string section; int count; } rows[] = {
        {"count 2 is the least", with(2, "2"), 2},      {"count 1", with(2, "1"), -1},
        {"the most", with(2, "20000000"), 20000000},     {"one more", with(2, "20000001"), -1},
        {"text after the tag", with(13, "</Crypt> x"), 7}, {"other tag", with(13, "</Crypto"), -1},
        {"no closing line", with(99, "", 13), -1},      {"empty", "", -1},
        {"count not a number", with(2, "4x2"), -1},     {"negative count", with(2, "-42"), -1},
        {"check data short", with(3, "31"), -1},
        {"letters short", with(4, lines[4].substr(2)), -1},
        {"letter beyond p", with(4, "q" + lines[4].substr(1)), -1},
        {"upper-case letter", with(4, "A" + lines[4].substr(1)), -1},
        {"huge byte count", with(3, "4000000000"), -1}, {"records missing", with(5, "2"), -1},
        {"huge record count", with(5, "2000000000"), -1}, {"salt1 size", with(9, "19"), -1},
        {"truncated record", with(99, "", 10), -1},
    };
    // clang-format on
    for (const auto& r : rows) {
        SCOPED_TRACE(r.rule);
        CryptMan cm(42);
        ASSERT_EQ(cm.AddPwd("Mine", "pw"), 0);
        const std::string before = sectionOf(cm);
        EXPECT_EQ(readSection(cm, r.section), r.count < 0 ? -1 : 0);
        EXPECT_EQ(cm.IsLoggedIn(), r.count < 0) << "locked after a read";
        EXPECT_EQ(r.count < 0 ? sectionOf(cm) : before, before) << "unchanged";
        EXPECT_EQ(cm.GetIterations(), r.count < 0 ? 42 : r.count);
    }
}

// Without a given count the first password calibrates one on this machine
// (about half a second), never below the least for a new key nor above what
// the reader accepts.
TEST(CryptMan, NewKeysGetACalibratedStrongCount) {
    CryptMan cm;
    ASSERT_EQ(cm.AddPwd("Home", "pw"), 0);
    EXPECT_GE(cm.GetIterations(), CryptMan::MIN_NEW_ITERATIONS);
    EXPECT_EQ(CryptMan::CalibrateIterations(3600.0), CryptMan::MAX_ITERATIONS);
}
