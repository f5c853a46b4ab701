#include "common/bin_ascii.h"

#include <climits>
#include <gtest/gtest.h>
#include <random>
#include <sstream>

namespace {

std::string encode(const std::vector<unsigned char>& v) {
    std::ostringstream os;
    WriteBinASCII(os, v.data(), int(v.size()));
    return os.str();
}

} // namespace

TEST(BinAscii, EncodesGroupsOfThreeAndReadsTerminatorGroupToo) {
    const std::vector<unsigned char> abc{'a', 'b', 'c'};
    EXPECT_EQ(encode(abc), "Q9fH!!!!");
    EXPECT_EQ(encode({}), "!!!!");
    EXPECT_EQ(encode({'a', 'b', 'c', 'd'}).size(), 12u);

    std::istringstream is("Q9fH!!!!rest");
    int len = 0;
    auto v = ReadBinASCII(is, len, 3);
    EXPECT_EQ(len, 6);
    ASSERT_EQ(v.size(), 6u);
    EXPECT_EQ(std::vector<unsigned char>(v.begin(), v.begin() + 3), abc);
    EXPECT_EQ(is.get(), 'r'); // nothing after the terminator is taken

    std::istringstream four(encode({1, 2, 3, 4}));
    ReadBinASCII(four, len, 4);
    EXPECT_EQ(len, 9);
}

TEST(BinAscii, ReportsMalformedBlocks) {
    const struct {
        const char* text;
        int len;
    } cases[] = {
        {"Q9fH!!x!", -2}, {"Q9fH", -1},     {"Q9fH!!!", -1},   {"Q9f", -1},
        {"", -1},         {"Q9f~!!!!", -3}, {"Q9\nH!!!!", -3}, {"Q!!!!!!!", -3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::istringstream is(c.text);
        int len = 0;
        ReadBinASCII(is, len, 0);
        EXPECT_EQ(len, c.len);
    }
}

TEST(BinAscii, HugeExpectedCountReservesNothingLarge) {
    std::istringstream is("Q9fH!!!!");
    int len = 0;
    auto v = ReadBinASCII(is, len, UINT_MAX);
    EXPECT_EQ(len, 6);
    EXPECT_LE(v.capacity(), 1u << 16);
}

TEST(BinAscii, DataReaderRoundTripsEveryLengthAndByte) {
    std::mt19937 rng(7);
    for (int n = 0; n <= 70; ++n) {
        std::vector<unsigned char> in(static_cast<std::size_t>(n));
        for (auto& b : in)
            b = static_cast<unsigned char>(rng());
        std::istringstream is(encode(in) + "\n");
        std::vector<unsigned char> out;
        int got = 0;
        ASSERT_EQ(ReadBinASCIIData(is, n, out, got), 0) << n;
        EXPECT_EQ(out, in);
        EXPECT_EQ(got, (n + 2) / 3 * 3);
        EXPECT_EQ(is.get(), '\n');
    }
}

TEST(BinAscii, TerminatorNeverMakesUpShortData) {
    std::vector<unsigned char> out;
    int got = 0;
    std::istringstream is("Q9fH!!!!");
    EXPECT_EQ(ReadBinASCIIData(is, 4, out, got), -1); // 3 data bytes + terminator group
    EXPECT_EQ(got, 3);
    EXPECT_TRUE(out.empty());
    std::istringstream bad("Q9fH!!x!");
    EXPECT_EQ(ReadBinASCIIData(bad, 3, out, got), -1);
    EXPECT_EQ(got, -2);
}
