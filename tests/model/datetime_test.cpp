#include "model/clock.h"
#include "model/datetime.h"

#include <chrono>
#include <gtest/gtest.h>

namespace c = std::chrono;

namespace {

// Weekday with 0 = Monday from the <chrono> calendar.
int chronoWeekday(const c::year_month_day& ymd) {
    return int((c::weekday(c::sys_days(ymd)).iso_encoding() + 6) % 7);
}

// ISO 8601 week number from <chrono>: the week of the Thursday of the same week.
int chronoIsoWeek(const c::year_month_day& ymd) {
    c::sys_days d(ymd);
    c::sys_days thursday = d + c::days(3 - chronoWeekday(ymd));
    c::year y = c::year_month_day(thursday).year();
    c::sys_days firstDay = c::sys_days(y / c::January / 1);
    return int((thursday - firstDay).count() / 7 + 1);
}

} // namespace

TEST(DateTime, EveryDayAgreesWithChronoCalendar) {
    const c::sys_days first = c::sys_days(c::year(1999) / c::January / 1);
    const c::sys_days last = c::sys_days(c::year(2127) / c::December / 31);
    int expectedNumber = 1;
    for (c::sys_days d = first; d <= last; d += c::days(1), ++expectedNumber) {
        c::year_month_day ymd(d);
        int day = int(unsigned(ymd.day())), month = int(unsigned(ymd.month())),
            year = int(ymd.year());
        SCOPED_TRACE(testing::Message() << year << "-" << month << "-" << day);
        ASSERT_EQ(Wochentag(day, month, year), chronoWeekday(ymd));
        ASSERT_EQ(Kalenderwoche(day, month, year), chronoIsoWeek(ymd));
        ASSERT_EQ(Tag_des_Jahres(day, month, year),
                  (d - c::sys_days(ymd.year() / c::January / 1)).count() + 1);
        ASSERT_EQ(MaxTag(month, year), int(unsigned((ymd.year() / ymd.month() / c::last).day())));
        ASSERT_EQ(getNumberOfDay(day, month, year), expectedNumber);
        int d2, m2, y2;
        getDayByNumber(expectedNumber, d2, m2, y2);
        ASSERT_EQ(d2, day);
        ASSERT_EQ(m2, month);
        ASSERT_EQ(y2, year);
        if (month == 1 && day == 1) {
            ASSERT_EQ(CurrentDoomDay(year), chronoWeekday(ymd));
            ASSERT_EQ(daysOfYear(year), ymd.year().is_leap() ? 366 : 365);
        }
    }
}

TEST(DateTime, KnownValues) {
    EXPECT_EQ(CurrentDoomDay(2000), 5);
    EXPECT_EQ(CurrentDoomDay(2011), 5);
    EXPECT_EQ(CurrentDoomDay(2012), 6);
    EXPECT_EQ(CurrentDoomDay(1999), 4);
    EXPECT_EQ(CurrentDoomDay(1900), 0);
    EXPECT_EQ(CurrentDoomDay(2100), 4);
    EXPECT_EQ(Kalenderwoche(1, 1, 2010), 53);
    EXPECT_EQ(Kalenderwoche(31, 12, 2012), 1);
    EXPECT_EQ(Kalenderwoche(31, 12, 2015), 53);
    EXPECT_EQ(Kalenderwoche(4, 1, 2010), 1);
    EXPECT_EQ(Wochentag(1, 1, 2000), 5);
    EXPECT_EQ(Wochentag(29, 2, 2000), 1);
    EXPECT_EQ(Wochentag(1, 3, 2100), 0);
    EXPECT_EQ(getNumberOfDay(1, 1, 2000), 366);
    EXPECT_EQ(getDateDiff(packDate(1, 3, 2000), packDate(28, 2, 2000)), 2);
    EXPECT_EQ(getDateDiff(packDate(1, 3, 2100), packDate(28, 2, 2100)), 1);
    EXPECT_STREQ(dayName[6], "Sunday");
    EXPECT_STREQ(weekDaysShort, "\tM\tT\tW\tT\tF\tSa\tSu");
}

TEST(DateTime, OrderOfPackedValues) {
    packedDT day = packDate(5, 3, 2011);
    EXPECT_GT(DT_EMPTY, day | packTime(23, 59));
    EXPECT_GT(DT_EMPTY, packDate(31, 12, 2127) | DT_NOTIME);
    EXPECT_EQ(dtDateOnly(day | packTime(10, 0)), dtDateOnly(day | packTime(22, 15)));
    EXPECT_GT(day | DT_NOTIME, day | packTime(23, 59));
    EXPECT_GT(day | packTime(24, 0), day | packTime(23, 59));
}

TEST(DateTime, MoveDateKeepsTimeBits) {
    packedDT v = packDate(1, 1, 2001) | packTime(13, 45);
    moveDate(v, -1);
    EXPECT_EQ(v, packDate(31, 12, 2000) | packTime(13, 45));
    v = packDate(28, 2, 2004) | DT_NOTIME | DT_NODATE;
    moveDate(v, 1);
    EXPECT_EQ(v, packDate(29, 2, 2004) | DT_NOTIME) << "bit 31 is cleared";
    moveDate(v, 366);
    EXPECT_EQ(v, packDate(1, 3, 2005) | DT_NOTIME);
}

TEST(DateTime, MoveDateTimeAcrossMidnight) {
    struct Case {
        packedDT from;
        int minutes;
        packedDT to;
    } cases[] = {
        {packDate(31, 12, 2010) | packTime(23, 30), 30, packDate(1, 1, 2011) | packTime(0, 0)},
        {packDate(1, 1, 2011) | packTime(0, 30), -30, packDate(31, 12, 2010) | packTime(24, 0)},
        {packDate(1, 3, 2012) | packTime(1, 0), -61, packDate(29, 2, 2012) | packTime(23, 59)},
        {packDate(5, 3, 2011) | packTime(10, 0), 0, packDate(5, 3, 2011) | packTime(10, 0)},
        {packDate(5, 3, 2011) | DT_NOTIME, 90, packDate(5, 3, 2011) | packTime(1, 30)},
        {packDate(5, 3, 2011) | packTime(0, 0), 0, packDate(4, 3, 2011) | packTime(24, 0)},
        {packDate(5, 3, 2011) | packTime(12, 0), 3 * 1440, packDate(8, 3, 2011) | packTime(12, 0)},
        {packDate(5, 3, 2011) | packTime(12, 0), -3 * 1440, packDate(2, 3, 2011) | packTime(12, 0)},
        {packDate(5, 3, 2011) | packTime(24, 0), 1, packDate(6, 3, 2011) | packTime(0, 1)},
    };
    for (const Case& c : cases) {
        packedDT v = c.from;
        moveDateTime(v, c.minutes);
        EXPECT_EQ(v, c.to) << std::hex << c.from << " by " << std::dec << c.minutes;
    }
}

TEST(DateTime, OutOfDomainValuesNeitherCrashNorLoop) {
    int d, m, y;
    getDayByNumber(-5, d, m, y);
    EXPECT_EQ(getNumberOfDay(d, m, y), 1);
    getDayByNumber(2000000000, d, m, y);
    EXPECT_EQ(y, 2127);
    EXPECT_EQ(MaxTag(0, 2000), 0);
    EXPECT_EQ(MaxTag(13, 2000), 0);
    packedDT v = DT_EMPTY; // month 0, day 0
    moveDate(v, 1);
    EXPECT_TRUE(dtHasDate(v));
    v = packDate(31, 12, 2127) | DT_NOTIME;
    moveDate(v, 10);
    EXPECT_EQ(v, packDate(31, 12, 2127) | DT_NOTIME) << "moves stop at the end of the range";
    v = packDate(1, 1, 2000) | packTime(0, 0);
    moveDateTime(v, -100000000);
    EXPECT_EQ(dtDateOnly(v), packDate(1, 1, 2000) | DT_NOTIME) << "moves stop at 1 January 2000";
    v = packDate(2, 1, 2000) | DT_NOTIME;
    moveDate(v, -5);
    EXPECT_EQ(v, packDate(1, 1, 2000) | DT_NOTIME);
    EXPECT_FALSE(isValidDate(29, 2, 2100));
    EXPECT_TRUE(isValidDate(29, 2, 2000));
    EXPECT_FALSE(isValidDate(1, 1, 1999));
    EXPECT_FALSE(isValidDate(1, 13, 2010));
}

TEST(DateTime, TodayFollowsThePinnedClock) {
    setVelkNowForTesting(1299326400); // 2011-03-05 12:00 UTC
    EXPECT_EQ(getTodayDate(0x4000), packDate(5, 3, 2011) | DT_NOTIME);
    EXPECT_EQ(getTodayDate(0x80004000), packDate(5, 3, 2011) | DT_NOTIME);
    EXPECT_EQ(getTodayDate(0x80000000), packDate(5, 3, 2011));
    EXPECT_EQ(getTodayDate(0x4000) & 0x3fff, 0u);
    setVelkNowForTesting(-1);
}
