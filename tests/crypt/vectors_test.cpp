#include "crypt/sha1.h"
#include "crypt/twofish.h"
#include "crypt_test_util.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <optional>

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
        Bytes d;
        for (int i = 0; i < 20; ++i)
            d.push_back(h.GetDigestByte(i));
        EXPECT_EQ(hexOf(d), r.digest) << r.piece.substr(0, 10);
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
        {zero, 1, "9F589F5CF6122C32B6BFEC2F2AE8C35A"},
        {key.substr(0, 48), 1, "CFD1D2E5A9BE9CDF501F13B892BD2248"},
        {key, 1, "37527BE0052334B89F0CFCCAE87CFA20"},
        {zero + zero, 1, "57FF739D4DC92C1BD7FC01700CC8216F"},
        {zero, 49, "5D9D4EEFFA9151575524F115815A12E0"},
        {zero + zero.substr(0, 16), 49, "E75449212BEEF9F4A390BD860A640941"},
        {zero + zero, 49, "37FE26FF1CF66175F5DDF4C33B97A205"},
    };
    // clang-format on
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.key.size() * 4) + "-bit key, steps " +
                     std::to_string(r.steps));
        Bytes k = bytesOfHex(r.key), plain(16, 0), cipher;
        for (int i = 1, n = 0; i <= r.steps; ++i, plain = cipher) {
            cipher = Twofish::Encrypt(plain.data(), 16, k.data(), int(k.size()), n, false);
            ASSERT_EQ(Twofish::Decrypt(cipher.data(), 16, k.data(), int(k.size()), n, false),
                      plain);
            std::memmove(k.data() + 16, k.data(), k.size() - 16);
            std::memcpy(k.data(), plain.data(), 16);
        }
        EXPECT_EQ(hexOf(cipher), r.cipher);
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
        {17, 15, true, -1, -1},
        {17, 20, true, -1, -1}, {17, 33, true, -1, -1}, {-1, 32, true, -1, -1},
        {17, 32, false, -1, -1}, {16, 32, false, 16, -1},
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
    }
    int n = 0;
    Twofish::Decrypt(text.data(), 0, key.data(), 32, n, true);
    EXPECT_EQ(n, -1) << "CBC without its chaining block";
}
