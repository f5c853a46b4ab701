#include "crypt/sha1.h"
#include "crypt_test_util.h"

#include <gtest/gtest.h>

namespace {

std::string digestHex(const Hash_SHA1& h) {
    unsigned char d[20];
    for (int i = 0; i < 20; ++i)
        d[i] = h.GetDigestByte(i);
    return hexOf(d, 20);
}

} // namespace

TEST(Sha1, MatchesPublishedVectors) {
    struct Case {
        std::string message;
        const char* digest;
    } cases[] = {
        {"abc", "A9993E364706816ABA3E25717850C26C9CD0D89D"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "84983E441C3BD26EBAAE4AA1F95129E5E54670F1"},
        {"", "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709"},
    };
    Hash_SHA1 h;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        h.Init();
        h.Update(c.message.data(), int(c.message.size()));
        h.Finish();
        EXPECT_EQ(digestHex(h), c.digest);
    }
}

TEST(Sha1, MillionLettersInPiecesMatchPublishedVector) {
    Hash_SHA1 h;
    const std::string piece(1000, 'a');
    for (int i = 0; i < 1000; ++i)
        h.Update(piece);
    h.Finish();
    EXPECT_EQ(digestHex(h), "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F");
}

TEST(Sha1, ReuseAfterInitAndEmptyUpdatesGiveFreshDigest) {
    Hash_SHA1 h;
    h.Update(std::string("something else"));
    h.Finish();
    h.Init();
    h.Update("ab", 2);
    h.Update("zzz", 0);
    h.Update("zzz", -1);
    h.Update(std::string("c"));
    h.Finish();
    h.Finish(); // a second Finish must not hash the padding again
    EXPECT_EQ(digestHex(h), "A9993E364706816ABA3E25717850C26C9CD0D89D");
    EXPECT_EQ(h.GetDigestByte(20), 0);
    EXPECT_EQ(h.GetDigestByte(-1), 0);
}
