#include "crypt/sha1.h"
#include "crypt/twofish.h"
#include "crypt_test_util.h"

#include <cstring>
#include <gtest/gtest.h>

// The SHA-1 vectors of FIPS 180 (and the empty message), each message fed in
// pieces, repeated.
TEST(Sha1, MatchesPublishedVectors) {
    const struct {
        std::string piece;
        int repeat;
        const char* digest;
    } rows[] = {
        {"abc", 1, "A9993E364706816ABA3E25717850C26C9CD0D89D"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", 1,
         "84983E441C3BD26EBAAE4AA1F95129E5E54670F1"},
        {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqr"
         "lmnopqrsmnopqrstnopqrstu",
         1, "A49B2446A02C645BF419F995B67091253A04A259"},
        {"", 1, "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709"},
        {std::string(1000, 'a'), 1000, "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F"},
    };
    Hash_SHA1 h;
    h.Update(std::string("left over from before"));
    for (const auto& r : rows) {
        h.Init();
        for (int i = 0; i < r.repeat; ++i)
            h.Update(r.piece);
        h.Update("zzz", 0), h.Update("zzz", -1);
        h.Finish();
        h.Update("after the end", 13), h.Finish();
        unsigned char d[20];
        for (int i = 0; i < 20; ++i)
            d[i] = h.GetDigestByte(i);
        EXPECT_EQ(hexOf(d, 20), r.digest) << r.piece.substr(0, 10);
        EXPECT_EQ(h.GetDigestByte(20) + h.GetDigestByte(-1), 0) << "bytes out of range";
    }
}

// The designers' known-answer vectors for 128-, 192- and 256-bit keys, and
// their iterated tables: each step's key is the previous plain block followed
// by the front of the previous key, its plain block the previous cipher block.
TEST(Twofish, MatchesTheDesignersVectors) {
    const std::string zero(32, '0'),
        key256 = "0123456789ABCDEFFEDCBA987654321000112233445566778899AABBCCDDEEFF";
    const struct {
        std::string key;
        int steps;
        const char* cipher;
    } rows[] = {
        {zero, 1, "9F589F5CF6122C32B6BFEC2F2AE8C35A"},
        {key256.substr(0, 48), 1, "CFD1D2E5A9BE9CDF501F13B892BD2248"},
        {key256, 1, "37527BE0052334B89F0CFCCAE87CFA20"},
        {zero + zero, 1, "57FF739D4DC92C1BD7FC01700CC8216F"},
        {zero, 49, "5D9D4EEFFA9151575524F115815A12E0"},
        {zero + zero.substr(0, 16), 49, "E75449212BEEF9F4A390BD860A640941"},
        {zero + zero, 49, "37FE26FF1CF66175F5DDF4C33B97A205"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.key.size() * 4) + "-bit key, step " +
                     std::to_string(r.steps));
        Bytes key = bytesOfHex(r.key), plain(16, 0), cipher;
        for (int i = 1; i <= r.steps; ++i) {
            int n = 0;
            cipher = Twofish::Encrypt(plain.data(), 16, key.data(), int(key.size()), n, false);
            Bytes back = Twofish::Decrypt(cipher.data(), 16, key.data(), int(key.size()), n, false);
            ASSERT_EQ(back, plain);
            std::memmove(key.data() + 16, key.data(), key.size() - 16);
            std::memcpy(key.data(), plain.data(), 16);
            plain = cipher;
        }
        EXPECT_EQ(hexOf(cipher), r.cipher);
    }
}

// Lengths round up to whole blocks with random padding; CBC puts a random IV
// block in front, so the first cipher block enciphers the zero block and two
// encipherments differ only where padding lies.
TEST(Twofish, PadsToBlocksAndChainsBehindAHiddenIv) {
    const Bytes key =
        bytesOfHex("0123456789ABCDEFFEDCBA987654321000112233445566778899AABBCCDDEEFF");
    const Bytes text(40, 'q');
    const int rows[][3] = {{0, 0, 16}, {1, 16, 32}, {16, 16, 32}, {17, 32, 48}, {33, 48, 64}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r[0]);
        int ecbLen = -5, cbcLen = -5, back = -5, n = 0;
        const Bytes e = Twofish::Encrypt(text.data(), r[0], key.data(), 32, ecbLen, false);
        const Bytes c = Twofish::Encrypt(text.data(), r[0], key.data(), 32, cbcLen, true);
        const Bytes c2 = Twofish::Encrypt(text.data(), r[0], key.data(), 32, n, true);
        EXPECT_EQ(ecbLen * 100 + cbcLen, r[1] * 100 + r[2]);
        EXPECT_EQ(int(e.size()) * 100 + int(c.size()), r[1] * 100 + r[2]);
        EXPECT_EQ(hexOf(c.data(), 16), "37527BE0052334B89F0CFCCAE87CFA20");
        EXPECT_EQ(c == c2, r[0] % 16 == 0) << "only random padding differs";
        Bytes d = Twofish::Decrypt(c.data(), cbcLen, key.data(), 32, back, true);
        EXPECT_EQ(back, r[1]);
        EXPECT_EQ(Bytes(d.begin(), d.begin() + r[0]), Bytes(text.begin(), text.begin() + r[0]));
        d = Twofish::Decrypt(e.data(), ecbLen, key.data(), 32, back, false);
        EXPECT_EQ(Bytes(d.begin(), d.begin() + r[0]), Bytes(text.begin(), text.begin() + r[0]));
    }
}

TEST(Twofish, RefusesBadKeysLengthsAndMissingRandomness) {
    const Bytes text(17, 'x'), key(32, 0);
    int n = 0;
    auto failed = [&n](const Bytes& v) { return v.empty() && n == -1; };
    for (int keyLen : {0, 15, 20, 33})
        EXPECT_TRUE(failed(Twofish::Encrypt(text.data(), 17, key.data(), keyLen, n, false)))
            << keyLen;
    EXPECT_TRUE(failed(Twofish::Encrypt(text.data(), -1, key.data(), 32, n, false)));
    Twofish::Decrypt(text.data(), 0, key.data(), 32, n, true);
    EXPECT_EQ(n, -1) << "CBC without its chaining block";
    NoRandomBytes noRandom;
    EXPECT_TRUE(failed(Twofish::Encrypt(text.data(), 17, key.data(), 32, n, false)));
    Twofish::Encrypt(text.data(), 16, key.data(), 32, n, false);
    EXPECT_EQ(n, 16) << "whole blocks need no random bytes";
}
