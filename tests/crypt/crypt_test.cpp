#include "common/bin_ascii.h"
#include "crypt/crypt_man.h"
#include "crypt/random.h"
#include "crypt/sha1.h"
#include "crypt/twofish.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <optional>
#include <regex>
#include <sstream>

namespace {

using Bytes = std::vector<unsigned char>;

// The bytes of hex text, for comparing with published vectors.
Bytes bytesOfHex(const std::string& hex) {
    Bytes v;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        v.push_back(static_cast<unsigned char>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return v;
}

// Makes the random source fail for the lifetime of the object.
struct NoRandomBytes {
    RandomSource previous = SetRandomSource([](unsigned char*, std::size_t) { return -1; });
    ~NoRandomBytes() { SetRandomSource(previous); }
};

std::string sectionOf(const CryptMan& cm) {
    std::ostringstream os;
    EXPECT_EQ(cm.Write(os), 0);
    return os.str();
}

// Reads a section as the data file reader does: after its "<Crypt>" line.
int readSection(CryptMan& cm, const std::string& section) {
    std::istringstream is(section);
    is.ignore(section.size(), '\n');
    return cm.Read(is);
}

} // namespace

// The SHA-1 vectors of FIPS 180 and the empty message, each message fed in
// pieces, into an object used before, with empty updates and updates after
// the end that must change nothing.
TEST(Sha1, MatchesPublishedVectors) {
    // clang-format off
    const struct { std::string piece; int repeat; const char* digest; } rows[] = {
        {"abc", 1, "A9993E364706816ABA3E25717850C26C9CD0D89D"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", 1,
         "84983E441C3BD26EBAAE4AA1F95129E5E54670F1"},
        {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqr"
         "lmnopqrsmnopqrstnopqrstu", 1, "A49B2446A02C645BF419F995B67091253A04A259"},
        {"", 1, "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709"},
        {std::string(1000, 'a'), 1000, "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F"},
    };
    // clang-format on
    Hash_SHA1 h;
    h.Update(std::string("left over from before"));
    for (const auto& r : rows) {
        h.Init();
        for (int i = 0; i < r.repeat; ++i)
            h.Update(r.piece), h.Update("zzz", 0), h.Update("zzz", -1);
        h.Finish(), h.Update("after the end", 13), h.Finish();
        for (int i = 0; i < 20; ++i)
            EXPECT_EQ(h.GetDigestByte(i), bytesOfHex(r.digest)[i]) << r.piece.substr(0, 4) << i;
        EXPECT_EQ(h.GetDigestByte(20) + h.GetDigestByte(-1), 0) << "bytes out of range";
    }
}

// The designers' known-answer vectors for 128-, 192- and 256-bit keys, and
// their iterated tables: each step's key is the previous plain block followed
// by the front of the previous key, its plain block the previous cipher block.
TEST(Twofish, MatchesTheDesignersVectors) {
    const std::string zero(32, '0'),
        key = "0123456789ABCDEFFEDCBA987654321000112233445566778899AABBCCDDEEFF";
    // clang-format off
    const struct { std::string key; int steps; const char* cipher; } rows[] = {
        {zero, 1, "9F589F5CF6122C32B6BFEC2F2AE8C35A"}, {key, 1, "37527BE0052334B89F0CFCCAE87CFA20"},
        {key.substr(0, 48), 1, "CFD1D2E5A9BE9CDF501F13B892BD2248"},
        {zero + zero, 1, "57FF739D4DC92C1BD7FC01700CC8216F"},
        {zero, 49, "5D9D4EEFFA9151575524F115815A12E0"},
        {zero + zero.substr(0, 16), 49, "E75449212BEEF9F4A390BD860A640941"},
        {zero + zero, 49, "37FE26FF1CF66175F5DDF4C33B97A205"},
    };
    // clang-format on
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.key.size() * 4 << "-bit key, steps " << r.steps);
        Bytes k = bytesOfHex(r.key), plain(16, 0), cipher;
        for (int i = 1, n = 0; i <= r.steps; ++i, plain = cipher) {
            cipher = Twofish::Encrypt(plain.data(), 16, k.data(), int(k.size()), n, false);
            ASSERT_EQ(Twofish::Decrypt(cipher.data(), 16, k.data(), int(k.size()), n, false),
                      plain);
            std::memmove(k.data() + 16, k.data(), k.size() - 16);
            std::memcpy(k.data(), plain.data(), 16);
        }
        EXPECT_EQ(cipher, bytesOfHex(r.cipher));
    }
}

// Lengths round up to whole blocks with random padding; CBC puts a random IV
// block in front, so its first cipher block enciphers the zero block and two
// encipherments differ only in padding. Bad keys and lengths are refused, and
// so is any padding or IV when no random bytes can be had.
TEST(Twofish, PadsToBlocksChainsBehindAHiddenIvAndRefusesBadInput) {
    const Bytes key(32, 7), text(40, 'q');
    // clang-format off
    const struct { int len, keyLen; bool random; int ecb, cbc; } rows[] = {
        {0, 32, true, 0, 16}, {1, 32, true, 16, 32}, {16, 32, true, 16, 32}, {17, 32, true, 32, 48},
        {33, 24, true, 48, 64}, {17, 16, true, 32, 48}, {17, 0, true, -1, -1},
        {17, 15, true, -1, -1}, {17, 20, true, -1, -1}, {17, 33, true, -1, -1},
        {-1, 32, true, -1, -1}, {17, 32, false, -1, -1}, {16, 32, false, 16, -1},
    };
    // clang-format on
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message()
                     << r.len << " bytes, key " << r.keyLen << ", random " << r.random);
        std::optional<NoRandomBytes> noRandom;
        if (!r.random) noRandom.emplace();
        int ecb = -5, cbc = -5, n = 0;
        const Bytes e = Twofish::Encrypt(text.data(), r.len, key.data(), r.keyLen, ecb, false);
        const Bytes c = Twofish::Encrypt(text.data(), r.len, key.data(), r.keyLen, cbc, true);
        EXPECT_EQ(ecb * 100 + cbc, r.ecb * 100 + r.cbc);
        EXPECT_EQ(e.size() * 100 + c.size(), std::max(r.ecb, 0) * 100u + std::max(r.cbc, 0));
        if (r.cbc < 0) continue;
        const Bytes plain(text.begin(), text.begin() + r.len), zero(16);
        Bytes d = Twofish::Decrypt(e.data(), ecb, key.data(), r.keyLen, n, false);
        EXPECT_EQ(Bytes(d.begin(), d.begin() + r.len), plain);
        d = Twofish::Decrypt(c.data(), cbc, key.data(), r.keyLen, n, true);
        EXPECT_EQ(Bytes(d.begin(), d.begin() + r.len), plain);
        EXPECT_EQ(n, r.ecb) << "CBC: the IV block is dropped";
        EXPECT_EQ(Bytes(c.begin(), c.begin() + 16),
                  Twofish::Encrypt(zero.data(), 16, key.data(), r.keyLen, n, false));
        EXPECT_EQ(c == Twofish::Encrypt(text.data(), r.len, key.data(), r.keyLen, n, true),
                  r.len % 16 == 0);
        Twofish::Decrypt(c.data(), 0, key.data(), r.keyLen, n, true);
        EXPECT_EQ(n, -1) << "CBC without its chaining block";
    }
}

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
    EXPECT_EQ((NoRandomBytes(), cm.AddPwd("Home", "one")), -1) << "no random bytes";
    EXPECT_TRUE(sectionOf(cm).empty() && !cm.PwdsChanged() && !cm.IsLoggedIn());
    ASSERT_EQ(cm.AddPwd("Home", "one"), 0);
    int n = 0;
    const Bytes cbc = cm.Encrypt("a description", n, true), ecb = cm.Encrypt("short", n, false);
    EXPECT_EQ(cbc.size() * 100 + ecb.size(), 3216u) << "zero byte included, CBC a block longer";
    const std::regex layout("<Crypt>\n0\n42\n32\n[a-p]{64}\n1\nHome\n32\n[a-p]{64}\n20\n"
                            "[a-p]{40}\n12\n[a-p]{24}\n</Crypt>\n");
    EXPECT_TRUE(std::regex_match(sectionOf(cm), layout)) << sectionOf(cm);
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
        EXPECT_EQ(cm.DeriveKey("ab", &c, 1, salt2.data(), 13),
                  bytesOfHex(key + std::string("0102030405060708090A0B0C")));
        EXPECT_TRUE(cm.DeriveKey("ab", &c, 1, salt2.data(), 11).empty()) << "salt2 too short";
    }
}

// A section that is malformed anywhere is refused and changes nothing; one
// that is read locks the manager and keeps its hash count.
TEST(CryptMan, MalformedSectionsAreRefusedWithoutChange) {
    CryptMan good(7);
    ASSERT_EQ(good.AddPwd("Home", "pw"), 0);
    std::istringstream is(sectionOf(good));
    std::vector<std::string> lines;
    for (std::string l; std::getline(is, l);)
        lines.push_back(l);
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
        {"check data short", with(3, "31"), -1},        {"truncated record", with(99, "", 10), -1},
        {"letters short", with(4, lines[4].substr(2)), -1},
        {"letter beyond p", with(4, "q" + lines[4].substr(1)), -1},
        {"upper-case letter", with(4, "A" + lines[4].substr(1)), -1},
        {"huge byte count", with(3, "4000000000"), -1}, {"records missing", with(5, "2"), -1},
        {"huge record count", with(5, "2000000000"), -1}, {"salt1 size", with(9, "19"), -1},
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

// Every length up to 70 of pseudo-random bytes written and read back: 3 bytes
// become 4 characters "0".."o", the last group filled with zero bytes, and
// "!!!!" ends the block; nothing after it is read.
TEST(BinAscii, EveryLengthRoundTrips) {
    const Bytes ab = {'a', 'b'};
    for (auto [len, text] : {std::pair{2, "Q960!!!!"}, std::pair{1, "Q100!!!!"}}) {
        std::ostringstream os; // the byte after the given length must not leak in
        WriteBinASCII(os, ab.data(), len);
        EXPECT_EQ(os.str(), text);
    }
    unsigned seed = 7;
    for (int n = 0; n <= 70; ++n) {
        Bytes in, out;
        for (int i = 0; i < n; ++i)
            in.push_back(static_cast<unsigned char>((seed = seed * 1103515245 + 12345) >> 16));
        std::ostringstream os;
        WriteBinASCII(os, in.data(), n);
        std::istringstream is(os.str() + "\n");
        int got = 0;
        EXPECT_EQ(ReadBinASCIIData(is, n, out, got), 0) << n;
        EXPECT_EQ(out, in) << n;
        EXPECT_EQ(got * 100 + is.get(), (n + 2) / 3 * 300 + '\n') << n;
    }
}

// Malformed blocks, and blocks that do not hold the count of bytes expected:
// the length ReadBinASCII reports (3 per group, the terminator's included) and
// the count ReadBinASCIIData gives back (data bytes, or the reader's code) as
// it refuses them all; a hostile count reserves nothing large.
TEST(BinAscii, MalformedBlocksAreReported) {
    // clang-format off
    const struct { const char* text; int len, expected, got; const char* rule; } rows[] = {
        {"Q9fH!!!!", 6, 4, 3, "the terminator never makes up short data"},
        {"Q9fH!!x!", -2, 3, -2, "a group beginning with ! that is no terminator"},
        {"Q9fH", -1, 3, -1, "no terminator"}, {"Q9fH!!!", -1, 3, -1, "a short terminator"},
        {"", -1, 0, -1, "nothing"}, {"Q9f~!!!!", -3, 3, -3, "a character beyond o"},
        {"Q9\nH!!!!", -3, 3, -3, "a line break"}, {"Q!!!!!!!", -3, 3, -3, "a ! inside data"},
        {"Q9fH!!!!", 6, -1, -1, "a negative count, read as the largest"},
    };
    // clang-format on
    for (const auto& r : rows) {
        SCOPED_TRACE(r.rule);
        std::istringstream a(r.text), b(r.text);
        int len = 0, got = 0;
        Bytes out{1};
        EXPECT_LE(ReadBinASCII(a, len, unsigned(r.expected)).capacity(), 1u << 16);
        EXPECT_EQ(len, r.len);
        EXPECT_EQ(ReadBinASCIIData(b, r.expected, out, got), -1);
        EXPECT_EQ(got * 10 + int(out.size()), r.got * 10);
    }
}
