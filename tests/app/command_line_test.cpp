#include "app/command_line.h"
#include "model/clock.h"

#include <gtest/gtest.h>

namespace {

struct Pinned {
    Pinned() { setVelkNowForTesting(1299326400); } // 5 March 2011, noon UTC
    ~Pinned() { setVelkNowForTesting(-1); }
};

const packedDT today = packDate(5, 3, 2011) | DT_NOTIME;

} // namespace

TEST(CommandLine, ArgumentVectorsGiveTheExpectedRun) {
    Pinned pin;
    struct Case {
        std::vector<std::string> args;
        std::string path;
        std::string g, i;
        bool calendar, quiet, save;
        packedDT start;
        bool dateRefused;
    } cases[] = {
        {{}, "default.dat", "", "", false, false, false, DT_EMPTY, false},
        {{"-f", "a.dat", "-f", "b.dat"}, "b.dat", "", "", false, false, false, DT_EMPTY, false},
        {{"-f", "-i", "x.dat"}, "x.dat", "", "x.dat", false, false, false, DT_EMPTY, false},
        {{"lonely", "-g", "gv", "extra"}, "default.dat", "gv", "", false, false, false, DT_EMPTY,
         false},
        {{"-file", "long.dat", "-quiet", "-s"}, "long.dat", "", "", false, true, true, DT_EMPTY,
         false},
        {{"-", "-x", "-q"}, "default.dat", "", "", false, true, false, DT_EMPTY, false},
        {{"-c"}, "default.dat", "", "", true, false, false, today, false},
        {{"-c", "-f", "c.dat"}, "c.dat", "", "", true, false, false, today, false},
        {{"-c", "2011-03-05"}, "default.dat", "", "", true, false, false,
         packDate(5, 3, 2011) | DT_NOTIME, false},
        {{"-f", "-c", "2012-02-29", "d.dat"}, "d.dat", "", "", true, false, false,
         packDate(29, 2, 2012) | DT_NOTIME, false},
        {{"-c", "2011-3-5"}, "default.dat", "", "", true, false, false, today, true},
        {{"-c", "2011-02-30"}, "default.dat", "", "", true, false, false, today, true},
        {{"-c", "1999-12-31"}, "default.dat", "", "", true, false, false, today, true},
        {{"-c", "2128-01-01"}, "default.dat", "", "", true, false, false, today, true},
        {{"-c", "2011-x3-05"}, "default.dat", "", "", true, false, false, today, true},
        {{"-c", "2011-13-05"}, "default.dat", "", "", true, false, false, today, true},
        {{"-c", "2011-03-00"}, "default.dat", "", "", true, false, false, today, true},
        {{"-c", "2127-12-31T10"}, "default.dat", "", "", true, false, false,
         packDate(31, 12, 2127) | DT_NOTIME, false},
    };
    for (const Case& c : cases) {
        std::string joined;
        for (const std::string& a : c.args) joined += a + " ";
        SCOPED_TRACE(joined);
        CommandLine cl;
        cl.path = "default.dat";
        parseCommandLine(c.args, cl);
        EXPECT_EQ(cl.path, c.path);
        EXPECT_EQ(cl.gValue, c.g);
        EXPECT_EQ(cl.iValue, c.i);
        EXPECT_EQ(cl.startInCalendar, c.calendar);
        EXPECT_EQ(cl.noWindow, c.quiet);
        EXPECT_EQ(cl.alwaysSave, c.save);
        EXPECT_EQ(cl.startDate, c.start) << std::hex << cl.startDate;
        EXPECT_EQ(!cl.dateError.empty(), c.dateRefused);
    }
}

TEST(CommandLine, WaitingStatesFollowTheValues) {
    CommandLine cl;
    parseCommandLine({"-f", "-g"}, cl);
    EXPECT_EQ(cl.fState, 1);
    EXPECT_EQ(cl.gState, 1);
    EXPECT_EQ(cl.iState, 0);
    parseCommandLine({"v"}, cl);
    EXPECT_EQ(cl.fState, 2);
    EXPECT_EQ(cl.gState, 2);
    EXPECT_EQ(cl.path, "v");
    EXPECT_EQ(cl.gValue, "v");
}
