#include "app/command_line.h"
#include "support/dates.h"

#include <gtest/gtest.h>

// Every row is an argument vector after the program name, parsed onto the
// default data file "d.dat" on 5 March 2011; a refused -c date starts the
// calendar today and says why.
TEST(CommandLine, ArgumentVectorsGiveTheExpectedRun) {
    PinnedClock pin;
    const packedDT today = on(2011, 3, 5), none = DT_EMPTY;
    // clang-format off
    // run: path|g|i|states of -f, -g, -i (0 not given, 1 waiting, 2 value received)|flags (c
    // calendar, q no window, s always save, ! date refused)
    struct Row { const char* rule; std::vector<std::string> args; std::string run;
                 packedDT start; };
    const Row rows[] = {
        {"no options", {}, "d.dat|||000|", none},
        {"the last -f wins", {"-f", "a", "-f", "b"}, "b|||200|", none},
        {"one value fills every waiting option", {"-f", "-i", "x"}, "x||x|202|", none},
        {"values nobody waits for are dropped", {"v", "-g", "gv", "w"}, "d.dat|gv||020|", none},
        {"options still waiting at the end", {"-f", "-g"}, "d.dat|||110|", none},
        {"only the second character counts", {"-file", "l", "-quiet", "-s"}, "l|||200|qs", none},
        {"a bare dash and unknown options are ignored", {"-", "-x", "-q"}, "d.dat|||000|q", none},
        {"-c alone starts today", {"-c"}, "d.dat|||000|c", today},
        {"-c takes no option as its date", {"-c", "-f", "c"}, "c|||200|c", today},
        {"the -c date is not the -f value", {"-f", "-c", "2012-02-29", "e"}, "e|||200|c",
         on(2012, 2, 29)},
        {"text after the day is ignored", {"-c", "2127-12-31T1"}, "d.dat|||000|c",
         on(2127, 12, 31)},
        {"fields without leading zeros", {"-c", "2011-3-5"}, "d.dat|||000|c!", today},
        {"30 February", {"-c", "2011-02-30"}, "d.dat|||000|c!", today},
        {"after 2127", {"-c", "2128-01-01"}, "d.dat|||000|c!", today},
        {"year not a number", {"-c", "x011-03-05"}, "d.dat|||000|c!", today},
        {"month not a number", {"-c", "2011-x3-05"}, "d.dat|||000|c!", today},
        {"day not a number", {"-c", "2011-03-x5"}, "d.dat|||000|c!", today},
    };
    // clang-format on
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        CommandLine cl;
        cl.path = "d.dat";
        parseCommandLine(r.args, cl);
        EXPECT_EQ(cl.path + "|" + cl.gValue + "|" + cl.iValue + "|" + std::to_string(cl.fState) +
                      std::to_string(cl.gState) + std::to_string(cl.iState) + "|" +
                      (cl.startInCalendar ? "c" : "") + (cl.noWindow ? "q" : "") +
                      (cl.alwaysSave ? "s" : "") + (cl.dateError.empty() ? "" : "!"),
                  r.run);
        EXPECT_EQ(cl.startDate, r.start) << std::hex << cl.startDate;
        EXPECT_TRUE(cl.dateError.empty() ||
                    cl.dateError.find("'" + r.args[1] + "'") != std::string::npos);
    }
}
