#include "common/bin_ascii.h"
#include "crypt_test_util.h"

#include <gtest/gtest.h>
#include <sstream>

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
        {"Q9fH", -1, 3, -1, "no terminator"},
        {"Q9fH!!!", -1, 3, -1, "a short terminator"},
        {"", -1, 0, -1, "nothing"},
        {"Q9f~!!!!", -3, 3, -3, "a character beyond o"},
        {"Q9\nH!!!!", -3, 3, -3, "a line break"},
        {"Q!!!!!!!", -3, 3, -3, "a ! inside a data group"},
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
