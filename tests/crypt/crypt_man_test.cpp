#include "crypt/crypt_man.h"
#include "crypt/sha1.h"
#include "crypt/twofish.h"
#include "crypt_test_util.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

// A small hash count keeps the tests fast; it is also the classic count.
constexpr int32_t FAST = 42;

std::vector<std::string> linesOf(const std::string& s) {
    std::vector<std::string> lines;
    std::istringstream is(s);
    for (std::string l; std::getline(is, l);)
        lines.push_back(l);
    return lines;
}

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

bool allLetters(const std::string& s, std::size_t n) {
    return s.size() == n && s.find_first_not_of("abcdefghijklmnop") == std::string::npos;
}

} // namespace

TEST(CryptMan, NewManagerHasNoPasswordAndWritesNothing) {
    CryptMan cm(FAST);
    EXPECT_TRUE(cm.CanAddPwd());
    EXPECT_FALSE(cm.CanLogIn());
    EXPECT_FALSE(cm.IsLoggedIn());
    EXPECT_EQ(cm.GetIterations(), 42);
    EXPECT_EQ(cm.GetPwdData(0), nullptr);
    EXPECT_EQ(cm.GetPwdDescr(0), "");
    EXPECT_EQ(sectionOf(cm), "");
    int n = 0;
    EXPECT_TRUE(cm.Encrypt("text", n, true).empty());
    EXPECT_EQ(n, -1);
}

TEST(CryptMan, FirstPasswordCreatesUnlockedKeyAndFourteenLineSection) {
    CryptMan cm(FAST);
    ASSERT_EQ(cm.AddPwd("home", "secret"), 0);
    EXPECT_TRUE(cm.IsLoggedIn());
    EXPECT_TRUE(cm.PwdsChanged());
    EXPECT_FALSE(cm.CanLogIn());
    const PwdData* p = cm.GetPwdData(0);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->encMasterKey.size(), 32u);
    EXPECT_EQ(p->salt1.size(), 20u);
    EXPECT_EQ(p->salt2.size(), 12u);

    // "#n" stands for a line of n letters "a".."p".
    const std::vector<std::string> expected{"<Crypt>", "0",    "42",  "32",      "#64",
                                            "1",       "home", "32",  "#64",     "20",
                                            "#40",     "12",   "#24", "</Crypt>"};
    auto l = linesOf(sectionOf(cm));
    ASSERT_EQ(l.size(), expected.size());
    for (std::size_t i = 0; i < l.size(); ++i) {
        if (expected[i][0] == '#')
            EXPECT_TRUE(allLetters(l[i], std::stoul(expected[i].substr(1)))) << i;
        else
            EXPECT_EQ(l[i], expected[i]) << i;
    }
}

TEST(CryptMan, FirstPasswordWithoutGivenCountGetsCalibratedStrongCount) {
    CryptMan cm;
    ASSERT_EQ(cm.AddPwd("home", "pw"), 0);
    EXPECT_GE(cm.GetIterations(), CryptMan::MIN_NEW_ITERATIONS);
    EXPECT_LE(cm.GetIterations(), CryptMan::MAX_ITERATIONS);
}

TEST(CryptMan, BytesAreWrittenAsLowThenHighNibbleLetters) {
    std::ostringstream os;
    CryptMan::WriteVector(os, {0x3C, 0x00, 0xFF});
    EXPECT_EQ(os.str(), "3\nmdaapp\n");
    std::vector<unsigned char> all(249);
    for (std::size_t i = 0; i < all.size(); ++i)
        all[i] = static_cast<unsigned char>(i);
    std::ostringstream os2;
    CryptMan::WriteVector(os2, all);
    std::istringstream is(os2.str());
    std::vector<unsigned char> back;
    ASSERT_EQ(CryptMan::ReadVector(is, back), 0);
    EXPECT_EQ(back, all);
}

TEST(CryptMan, DerivedKeyIsSaltedHashChainThenSalt2) {
    CryptMan cm(2);                   // the key takes h(1) = SHA-1(password, salt1)
    ASSERT_EQ(cm.AddPwd("", "x"), 0); // the first password sets the count
    ASSERT_EQ(cm.GetIterations(), 2);
    const unsigned char c = 'c';
    auto salt2 = bytesOfHex("0102030405060708090A0B0C0D");
    auto key = cm.DeriveKey("ab", &c, 1, salt2.data(), 13);
    ASSERT_EQ(key.size(), 32u);
    EXPECT_EQ(hexOf(key), "A9993E364706816ABA3E25717850C26C9CD0D89D0102030405060708090A0B0C");
    EXPECT_TRUE(cm.DeriveKey("ab", &c, 1, salt2.data(), 11).empty());

    CryptMan three(3); // h(2) = SHA-1 of the 20 bytes of h(1)
    ASSERT_EQ(three.AddPwd("", "x"), 0);
    auto h1 = bytesOfHex("A9993E364706816ABA3E25717850C26C9CD0D89D");
    auto h2 = Hash_SHA1::Of(h1.data(), h1.size());
    EXPECT_EQ(hexOf(three.DeriveKey("ab", &c, 1, salt2.data(), 12)).substr(0, 40),
              hexOf(h2.data(), 20));
}

// A manager built from bytes made here: a known master key lets the test check
// Login and Decrypt against its own encipherments.
TEST(CryptMan, LoginUnlocksKnownMasterKeyAndDecryptStopsAtBufferEnd) {
    auto mk = bytesOfHex("00112233445566778899AABBCCDDEEFF00112233445566778899AABBCCDDEEFF");
    auto digest = Hash_SHA1::Of(mk.data(), mk.size());
    int n = 0;
    auto check = Twofish::Encrypt(digest.data(), 20, mk.data(), 32, n, false);
    CryptMan cm(FAST);
    std::vector<unsigned char> salt1(20, 7), salt2(12, 9);
    auto key = cm.DeriveKey("right", salt1, salt2);
    auto enc = Twofish::Encrypt(mk.data(), 32, key.data(), 32, n, false);
    cm.SetMKeyCheckData(check.data(), int(check.size()));
    cm.SetPwdData("d", enc.data(), 32, salt1.data(), 20, salt2.data(), 12);

    EXPECT_TRUE(cm.CanLogIn());
    std::vector<unsigned char> noZero(32, 'x');
    auto cipher = Twofish::Encrypt(noZero.data(), 32, mk.data(), 32, n, false);
    std::string text;
    EXPECT_EQ(cm.Decrypt(cipher.data(), n, false, text), -1); // locked
    EXPECT_EQ(cm.Login(0, "wrong"), -1);
    EXPECT_FALSE(cm.IsLoggedIn());
    EXPECT_EQ(cm.Login(1, "right"), -1);
    ASSERT_EQ(cm.Login(0, "right"), 0);
    ASSERT_EQ(cm.Decrypt(cipher.data(), n, false, text), 0);
    EXPECT_EQ(text, std::string(32, 'x'));
    EXPECT_EQ(cm.Decrypt(cipher.data(), 0, true, text), -1); // no chaining block

    EXPECT_EQ(cm.Login(0, "wrong"), -1); // a wrong password does not lock again
    EXPECT_TRUE(cm.IsLoggedIn());
}

TEST(CryptMan, SavedSectionLoadsLockedAndEitherPasswordUnlocksSameKey) {
    CryptMan first(FAST);
    ASSERT_EQ(first.AddPwd("home", "one"), 0);
    int n = 0;
    auto cbc = first.Encrypt("a description", n, true);
    EXPECT_EQ(n, 32);
    auto ecbText = first.Encrypt("short", n, false);
    EXPECT_EQ(n, 16);

    CryptMan loaded(FAST);
    ASSERT_EQ(readSection(loaded, sectionOf(first)), 0);
    EXPECT_TRUE(loaded.MKeyEquals(first));
    EXPECT_TRUE(loaded.GetPwdData(0)->Equals(*first.GetPwdData(0)));
    EXPECT_FALSE(loaded.IsLoggedIn());
    EXPECT_FALSE(loaded.CanAddPwd());
    EXPECT_EQ(loaded.AddPwd("work", "two"), -1);
    EXPECT_EQ(loaded.GetNumPwds(), 1);

    ASSERT_EQ(loaded.Login(0, "one"), 0);
    ASSERT_EQ(loaded.AddPwd("work\nline", "two"), 0);
    EXPECT_EQ(loaded.GetPwdDescr(1), "work line");

    CryptMan again(FAST);
    ASSERT_EQ(readSection(again, sectionOf(loaded)), 0);
    EXPECT_EQ(again.GetNumPwds(), 2);
    ASSERT_EQ(again.Login(1, "two"), 0);
    std::string text;
    ASSERT_EQ(again.Decrypt(cbc.data(), int(cbc.size()), true, text), 0);
    EXPECT_EQ(text, "a description");
    ASSERT_EQ(again.Decrypt(ecbText.data(), int(ecbText.size()), false, text), 0);
    EXPECT_EQ(text, "short");

    CryptMan copy(1000);
    copy = again; // a copy that reports itself unlocked can decipher
    EXPECT_TRUE(copy.IsLoggedIn());
    EXPECT_EQ(copy.GetIterations(), 42);
    ASSERT_EQ(copy.Decrypt(cbc.data(), int(cbc.size()), true, text), 0);
    EXPECT_EQ(text, "a description");
}

TEST(CryptMan, ReadKeepsStoredCountAndAcceptsTextAfterClosingTag) {
    CryptMan writer(7);
    ASSERT_EQ(writer.AddPwd("x", "pw"), 0);
    std::string s = sectionOf(writer);
    s.insert(s.size() - 1, " trailing");
    CryptMan reader(FAST);
    ASSERT_EQ(readSection(reader, s), 0);
    EXPECT_EQ(reader.GetIterations(), 7);
    EXPECT_EQ(reader.Login(0, "pw"), 0);
}

TEST(CryptMan, NoRandomBytesMeansNoPasswordAndNoChange) {
    CryptMan cm(FAST);
    RandomSourceOverride noRandom(&failingRandom);
    EXPECT_EQ(cm.AddPwd("home", "pw"), -1);
    EXPECT_EQ(cm.GetNumPwds(), 0);
    EXPECT_FALSE(cm.IsLoggedIn());
    EXPECT_FALSE(cm.PwdsChanged());
    EXPECT_EQ(sectionOf(cm), "");
}

TEST(CryptMan, MalformedSectionsAreRejectedWithoutChange) {
    CryptMan good(FAST);
    ASSERT_EQ(good.AddPwd("home", "pw"), 0);
    const auto lines = linesOf(sectionOf(good));
    auto with = [&](std::size_t line, const std::string& text) {
        auto l = lines;
        l[line] = text;
        std::string s;
        for (const auto& x : l)
            s += x + "\n";
        return s;
    };
    auto cut = [&](std::size_t keep) {
        std::string s;
        for (std::size_t i = 0; i < keep; ++i)
            s += lines[i] + "\n";
        return s;
    };
    const std::string letters64 = lines[4];
    const struct {
        const char* what;
        std::string section;
    } cases[] = {
        {"no closing line", cut(13)},
        {"other closing line", with(13, "</Crypto")},
        {"empty", ""},
        {"count below 2", with(2, "1")},
        {"count zero", with(2, "0")},
        {"count one above the maximum", with(2, "20000001")},
        {"count that took seconds to derive", with(2, "100000000")},
        {"count not a number", with(2, "4x2")},
        {"negative count", with(2, "-42")},
        {"check data short", with(3, "31")},
        {"check letters short", with(4, letters64.substr(2))},
        {"letter beyond p", with(4, "q" + letters64.substr(1))},
        {"upper-case letter", with(4, "A" + letters64.substr(1))},
        {"huge byte count", with(3, "4000000000")},
        {"more records than present", with(5, "2")},
        {"huge record count", with(5, "2000000000")},
        {"record count not a number", with(5, "one")},
        {"salt1 size", with(9, "19")},
        {"truncated record", cut(10)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CryptMan cm(FAST);
        ASSERT_EQ(cm.AddPwd("mine", "pw"), 0);
        const std::string before = sectionOf(cm);
        EXPECT_EQ(readSection(cm, c.section), -1);
        EXPECT_EQ(sectionOf(cm), before);
        EXPECT_TRUE(cm.IsLoggedIn());
    }
    for (const char* count : {"2", "20000000"}) {
        CryptMan cm(FAST);
        EXPECT_EQ(readSection(cm, with(2, count)), 0) << count;
    }
}

TEST(CryptMan, CalibrationNeverExceedsWhatTheReaderAccepts) {
    // However fast the machine, a key meant to take an hour gets the largest
    // count that a section may carry.
    EXPECT_EQ(CryptMan::CalibrateIterations(3600.0), 20000000);
}
