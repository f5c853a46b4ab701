#include "common/text.h"

#include <gtest/gtest.h>
#include <sstream>

TEST(Text, ReadfLineTrimsSpacesButKeepsTabs) {
    std::istringstream in("  a b  \n\tx\t \n   \nlast");
    EXPECT_EQ(readfLine(in), "a b");
    EXPECT_EQ(readfLine(in), "\tx\t");
    EXPECT_EQ(readfLine(in), "");
    EXPECT_FALSE(in.eof());
    EXPECT_EQ(readfLine(in), "last");
    EXPECT_TRUE(in.eof());
    EXPECT_FALSE(in.fail()) << "a last line without line feed is still a line";
    EXPECT_EQ(readfLine(in), "");
    EXPECT_TRUE(in.fail());
}

TEST(Text, LongLinesAreCutAndTheRestSkipped) {
    std::string longLine(5000, 'x');
    std::istringstream in(longLine + "\nnext\n");
    EXPECT_EQ(readRawLine(in), std::string(MAX_LINE, 'x'));
    EXPECT_EQ(readRawLine(in), "next");
    EXPECT_FALSE(in.eof());
}

TEST(Text, RawLinesKeepSpacesAndCarriageReturns) {
    std::istringstream in(" s x \r\n");
    EXPECT_EQ(readRawLine(in), " s x \r");
}

TEST(Text, ItoStrPadsAndPlacesTheSign) {
    struct Case {
        long value;
        char fill;
        uint8_t width;
        bool signInWidth;
        const char* expected;
    } cases[] = {
        {7, '0', 2, true, "07"},      {0, ' ', 0, true, "0"},       {0, '0', 1, true, "0"},
        {0, '0', 3, true, "000"},     {-5, ' ', 3, true, " -5"},    {-5, ' ', 3, false, "  -5"},
        {-123, '0', 2, true, "-123"}, {12345, ' ', 0, true, "12345"}, {17, ' ', 0, true, "17"},
        {-9, '0', 0, false, "-9"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(itoStr(c.value, c.fill, c.width, c.signInWidth), c.expected)
            << c.value << " width " << int(c.width);
    EXPECT_EQ(itoStr(LONG_MIN, ' ', 0, true), std::to_string(LONG_MIN));
}

TEST(Text, UpperCaseAndTrim) {
    EXPECT_EQ(strU("abc xyz-\xe4\xfc"), "ABC XYZ-\xe4\xfc");
    EXPECT_EQ(trim(" \t\r\n\v\fvim -n \r\n"), "vim -n");
    EXPECT_EQ(trim(" \t "), "");
}

TEST(Text, NumbersReadLikeTheFileFormatStoresThem) {
    EXPECT_EQ(parseU32("4294967295"), 4294967295u);
    EXPECT_EQ(parseU32("2147500032>"), 2147500032u);
    EXPECT_EQ(parseU32("4294967296"), 0u) << "taken modulo 2^32";
    EXPECT_EQ(parseI32("  -42abc"), -42);
    EXPECT_EQ(parseI32("+7"), 7);
    EXPECT_EQ(parseI32("x1"), 0);
    EXPECT_EQ(parseI32(""), 0);
    EXPECT_EQ(parseI32(std::string("<idmax=17>"), 7), 17);
    EXPECT_EQ(parseI32(std::string("ab"), 5), 0) << "an offset past the end reads nothing";
    EXPECT_EQ(parseI32(std::string(100, '9').c_str()), parseI32(std::string(100, '9').c_str()));
}
