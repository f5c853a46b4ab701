#include "crypt/twofish.h"
#include "crypt_test_util.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

const std::vector<unsigned char> zeroKey(32, 0);

std::vector<unsigned char> ecb(const std::vector<unsigned char>& in,
                               const std::vector<unsigned char>& key) {
    int n = 0;
    return Twofish::Encrypt(in.data(), int(in.size()), key.data(), int(key.size()), n, false);
}

} // namespace

TEST(Twofish, AllZeroKeyAndBlockGivePublishedResult) {
    std::vector<unsigned char> block(16, 0);
    EXPECT_EQ(hexOf(ecb(block, zeroKey)), "57FF739D4DC92C1BD7FC01700CC8216F");
    EXPECT_EQ(hexOf(ecb(block, std::vector<unsigned char>(16, 0))),
              "9F589F5CF6122C32B6BFEC2F2AE8C35A");
}

TEST(Twofish, FullKeyingVectorOfTheDesigners) {
    auto key = bytesOfHex("0123456789ABCDEFFEDCBA987654321000112233445566778899AABBCCDDEEFF");
    auto ct = ecb(std::vector<unsigned char>(16, 0), key);
    EXPECT_EQ(hexOf(ct), "37527BE0052334B89F0CFCCAE87CFA20");
    int n = 0;
    auto pt = Twofish::Decrypt(ct.data(), 16, key.data(), 32, n, false);
    EXPECT_EQ(hexOf(pt), std::string(32, '0'));
}

// The designers' iterated 256-bit table: each step's key is the two previous
// cipher blocks, its plain block the previous cipher block.
TEST(Twofish, IteratedTableMatchesPublishedEntries) {
    std::vector<unsigned char> key(32, 0), pt(16, 0), ct;
    for (int i = 1; i <= 49; ++i) {
        ct = ecb(pt, key);
        if (i == 4) {
            EXPECT_EQ(hexOf(ct), "6CB4561C40BF0A9705931CB6D408E7FA");
        }
        std::memmove(key.data() + 16, key.data(), 16);
        std::memcpy(key.data(), pt.data(), 16);
        pt = ct;
    }
    EXPECT_EQ(hexOf(ct), "37FE26FF1CF66175F5DDF4C33B97A205");
}

TEST(Twofish, LengthsRoundUpToBlocksWithOneMoreBlockInCbc) {
    const int cases[][3] = {{0, 0, 16}, {1, 16, 32}, {16, 16, 32}, {17, 32, 48}, {33, 48, 64}};
    std::vector<unsigned char> text(40, 'x');
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        int ecbLen = -5, cbcLen = -5;
        auto e = Twofish::Encrypt(text.data(), c[0], zeroKey.data(), 32, ecbLen, false);
        auto b = Twofish::Encrypt(text.data(), c[0], zeroKey.data(), 32, cbcLen, true);
        EXPECT_EQ(ecbLen, c[1]);
        EXPECT_EQ(int(e.size()), c[1]);
        EXPECT_EQ(cbcLen, c[2]);
        int back = 0;
        auto d = Twofish::Decrypt(b.data(), cbcLen, zeroKey.data(), 32, back, true);
        EXPECT_EQ(back, c[1]);
        EXPECT_EQ(std::vector<unsigned char>(d.begin(), d.begin() + c[0]),
                  std::vector<unsigned char>(text.begin(), text.begin() + c[0]));
        d = Twofish::Decrypt(e.data(), ecbLen, zeroKey.data(), 32, back, false);
        EXPECT_EQ(std::vector<unsigned char>(d.begin(), d.begin() + c[0]),
                  std::vector<unsigned char>(text.begin(), text.begin() + c[0]));
    }
}

TEST(Twofish, CbcHidesIvAndDiffersOnlyInPaddedLastBlock) {
    auto key = bytesOfHex("0123456789ABCDEFFEDCBA987654321000112233445566778899AABBCCDDEEFF");
    std::vector<unsigned char> text(32, 'q');
    int n1 = 0, n2 = 0;
    auto a = Twofish::Encrypt(text.data(), 32, key.data(), 32, n1, true);
    auto b = Twofish::Encrypt(text.data(), 32, key.data(), 32, n2, true);
    // The first block enciphers IV xor IV, that is the zero block.
    EXPECT_EQ(hexOf(a.data(), 16), "37527BE0052334B89F0CFCCAE87CFA20");
    EXPECT_EQ(a, b); // no padding: the random IV cancels out
    a = Twofish::Encrypt(text.data(), 17, key.data(), 32, n1, true);
    b = Twofish::Encrypt(text.data(), 17, key.data(), 32, n2, true);
    EXPECT_EQ(hexOf(a.data(), 32), hexOf(b.data(), 32));
    EXPECT_NE(hexOf(a.data() + 32, 16), hexOf(b.data() + 32, 16));
}

TEST(Twofish, RejectsBadKeysLengthsAndMissingRandomness) {
    std::vector<unsigned char> text(17, 'x');
    int n = 0;
    for (int keyLen : {0, 15, 20, 33}) {
        EXPECT_TRUE(Twofish::Encrypt(text.data(), 17, zeroKey.data(), keyLen, n, false).empty());
        EXPECT_EQ(n, -1);
    }
    EXPECT_TRUE(Twofish::Encrypt(text.data(), -1, zeroKey.data(), 32, n, false).empty());
    EXPECT_EQ(n, -1);
    Twofish::Decrypt(text.data(), 0, zeroKey.data(), 32, n, true); // no chaining block
    EXPECT_EQ(n, -1);
    Twofish::Encrypt(text.data(), 16, zeroKey.data(), 24, n, false);
    EXPECT_EQ(n, 16);

    RandomSourceOverride noRandom(&failingRandom);
    EXPECT_TRUE(Twofish::Encrypt(text.data(), 17, zeroKey.data(), 32, n, false).empty());
    EXPECT_EQ(n, -1);
    Twofish::Encrypt(text.data(), 16, zeroKey.data(), 32, n, false); // needs no padding
    EXPECT_EQ(n, 16);
}
