#include "common/bin_ascii.h"
#include "crypt_test_util.h"

#include <climits>
#include <gtest/gtest.h>
#include <sstream>

// Every length up to 70 of random bytes written and read back: 3 bytes become
// 4 characters "0".."o", the last group filled with zero bytes, "!!!!" ends it.
TEST(BinAscii, EveryLengthRoundTrips) {
    std::ostringstream abc;
    WriteBinASCII(abc, reinterpret_cast<const unsigned char*>("abc"), 3);
    EXPECT_EQ(abc.str(), "Q9fH!!!!");
    unsigned seed = 7;
    for (int n = 0; n <= 70; ++n) {
        Bytes in(static_cast<std::size_t>(n));
        for (auto& b : in)
            b = static_cast<unsigned char>((seed = seed * 1103515245 + 12345) >> 16);
        std::ostringstream os;
        WriteBinASCII(os, in.data(), n);
        EXPECT_EQ(os.str().size(), std::size_t((n + 2) / 3 * 4 + 4)) << n;
        std::istringstream is(os.str() + "\n"), again(os.str());
        Bytes out;
        int got = 0, len = 0;
        ASSERT_EQ(ReadBinASCIIData(is, n, out, got), 0) << n;
        EXPECT_EQ(out, in) << n;
        EXPECT_EQ(got, (n + 2) / 3 * 3) << n;
        EXPECT_EQ(is.get(), '\n') << "nothing after the terminator is taken";
        const std::size_t all = ReadBinASCII(again, len, UINT_MAX).size();
        EXPECT_EQ(int(all) * 1000 + len, ((n + 2) / 3 * 3 + 3) * 1001) << "terminator group too";
    }
}

// Malformed blocks, and blocks that do not hold the count of bytes expected:
// the length ReadBinASCII reports and the count ReadBinASCIIData gives back
// (data bytes, or the reader's code), which refuses them all.
TEST(BinAscii, MalformedBlocksAreReported) {
    const struct {
        const char* text;
        int len, expected, got;
        const char* rule;
    } rows[] = {
        {"Q9fH!!!!", 6, 4, 3, "the terminator never makes up short data"},
        {"Q9fH!!x!", -2, 3, -2, "a group beginning with ! that is no terminator"},
        {"Q9fH", -1, 3, -1, "no terminator"},
        {"Q9fH!!!", -1, 3, -1, "a short terminator"},
        {"", -1, 0, -1, "nothing"},
        {"Q9f~!!!!", -3, 3, -3, "a character beyond o"},
        {"Q9\nH!!!!", -3, 3, -3, "a line break"},
        {"Q!!!!!!!", -3, 3, -3, "a ! inside a data group"},
        {"Q9fH!!!!", 6, -1, -1, "a negative count"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.rule);
        std::istringstream a(r.text), b(r.text);
        int len = 0, got = 0;
        Bytes out{1};
        const Bytes v = ReadBinASCII(a, len, unsigned(r.expected));
        EXPECT_EQ(len, r.len);
        EXPECT_LE(v.capacity(), 1u << 16) << "a hostile count reserves nothing large";
        EXPECT_EQ(ReadBinASCIIData(b, r.expected, out, got), -1);
        EXPECT_TRUE(out.empty());
        EXPECT_EQ(got, r.got);
    }
}
