#include "model/special_days.h"

#include <chrono>
#include <gtest/gtest.h>
#include <map>
#include <string>

namespace c = std::chrono;

namespace {

// Easter Sunday by the anonymous Gregorian algorithm (Meeus/Jones/Butcher),
// written independently of the formula under test.
c::year_month_day meeusEaster(int y) {
    int a = y % 19, b = y / 100, cc = y % 100, d = b / 4, e = b % 4;
    int f = (b + 8) / 25, g = (b - f + 1) / 3;
    int h = (19 * a + b - d - g + 15) % 30;
    int i = cc / 4, k = cc % 4;
    int l = (32 + 2 * e + 2 * i - h - k) % 7;
    int m = (a + 11 * h + 22 * l) / 451;
    int month = (h + l - 7 * m + 114) / 31;
    int day = (h + l - 7 * m + 114) % 31 + 1;
    return c::year(y) / c::month(unsigned(month)) / c::day(unsigned(day));
}

c::year_month_day nth(int y, unsigned month, c::weekday wd, unsigned n) {
    return c::year_month_day(c::sys_days(c::year(y) / c::month(month) / wd[n]));
}

c::year_month_day last(int y, unsigned month, c::weekday wd) {
    return c::year_month_day(c::sys_days(c::year(y) / c::month(month) / wd[c::last]));
}

std::string dm(const c::year_month_day& ymd) {
    return std::to_string(unsigned(ymd.day())) + "." + std::to_string(unsigned(ymd.month()));
}

std::string dm(const T_SpecDay& s) {
    return std::to_string(s.day) + "." + std::to_string(s.month);
}

std::map<std::string, std::string> asMap(const std::vector<T_SpecDay>& list) {
    std::map<std::string, std::string> r;
    for (const auto& s : list)
        r[s.name] = dm(s);
    return r;
}

} // namespace

TEST(SpecialDays, EasterMatchesTheCheckYears) {
    struct Case {
        int year, day, month;
    } cases[] = {{2008, 23, 3}, {2011, 24, 4}, {2024, 31, 3}, {2038, 25, 4}};
    for (const auto& k : cases) {
        int d = 0, m = 0;
        SpecialDays::ostern(d, m, k.year);
        EXPECT_EQ(d, k.day) << k.year;
        EXPECT_EQ(m, k.month) << k.year;
    }
}

// Every variable day of every year a packed date can hold, against the
// <chrono> calendar and a second Easter algorithm. The early years before 2000
// are included as well: the rules do not depend on the packed range.
TEST(SpecialDays, VariableDaysAgreeWithAnIndependentComputationEveryYear) {
    SpecialDays sd;
    for (int y = 1990; y <= 2127; ++y) {
        SCOPED_TRACE(y);
        sd.fillVarLists(y);
        ASSERT_EQ(sd.year, y);
        const c::sys_days e(meeusEaster(y));
        auto rel = [&](int days) { return dm(c::year_month_day(e + c::days(days))); };
        std::map<std::string, std::string> holidays = {
            {"Easter", rel(0)},
            {"Good Friday", rel(-2)},
            {"Palm Sunday", rel(-7)},
            {"Ascension Day", rel(39)},
            {"Pentecost", rel(49)},
            {"Martin Luther King Day", dm(nth(y, 1, c::Monday, 3))},
            {"Presidents Day", dm(nth(y, 2, c::Monday, 3))},
            {"Memorial Day", dm(last(y, 5, c::Monday))},
            {"Labor Day", dm(nth(y, 9, c::Monday, 1))},
            {"Columbus Day", dm(nth(y, 10, c::Monday, 2))},
            {"Thanksgiving Day", dm(nth(y, 11, c::Thursday, 4))},
            {"Superbowl Sunday",
             y < 2002 ? dm(last(y, 1, c::Sunday)) : dm(nth(y, 2, c::Sunday, 1))},
        };
        std::map<std::string, std::string> other = {
            {"Ash Wednesday", rel(-46)},
            {"DST begins", dm(nth(y, 4, c::Sunday, 1))},
            {"National Day of Prayer", dm(nth(y, 5, c::Thursday, 1))},
            {"Mother's Day", dm(nth(y, 5, c::Sunday, 2))},
            {"Father's Day", dm(nth(y, 6, c::Sunday, 3))},
            {"DST ends", dm(last(y, 10, c::Sunday))},
        };
        ASSERT_EQ(sd.varHolidays.size(), 12u);
        ASSERT_EQ(sd.varOther.size(), 6u);
        ASSERT_EQ(asMap(sd.varHolidays), holidays);
        ASSERT_EQ(asMap(sd.varOther), other);
    }
}

TEST(SpecialDays, KnownYears) {
    SpecialDays sd;
    sd.fillVarLists(2011);
    auto h = asMap(sd.varHolidays), o = asMap(sd.varOther);
    EXPECT_EQ(h["Easter"], "24.4");
    EXPECT_EQ(h["Good Friday"], "22.4");
    EXPECT_EQ(h["Palm Sunday"], "17.4");
    EXPECT_EQ(h["Ascension Day"], "2.6");
    EXPECT_EQ(h["Pentecost"], "12.6");
    EXPECT_EQ(o["Ash Wednesday"], "9.3");
    EXPECT_EQ(h["Thanksgiving Day"], "24.11");
    EXPECT_EQ(h["Memorial Day"], "30.5");
    EXPECT_EQ(o["DST ends"], "30.10");
    EXPECT_EQ(sd.varHolidays.front().name, "Easter") << "the lists keep their order";
    EXPECT_EQ(sd.varHolidays.back().name, "Superbowl Sunday");

    sd.fillVarLists(2024);
    h = asMap(sd.varHolidays);
    EXPECT_EQ(h["Good Friday"], "29.3");
    EXPECT_EQ(h["Palm Sunday"], "24.3");

    sd.fillVarLists(2000);
    EXPECT_EQ(asMap(sd.varHolidays)["Superbowl Sunday"], "30.1");
    sd.fillVarLists(2002);
    EXPECT_EQ(asMap(sd.varHolidays)["Superbowl Sunday"], "3.2");

    EXPECT_EQ(SpecialDays::nthWhichDayOfMonth(5, 0, 2, 2011), 28);
}

TEST(SpecialDays, RefillingReplacesTheVariableDaysAndKeepsTheFixedOnes) {
    SpecialDays sd;
    EXPECT_EQ(sd.year, 0);
    EXPECT_TRUE(sd.varHolidays.empty());
    ASSERT_EQ(sd.fixedHolidays.size(), 4u);
    ASSERT_EQ(sd.fixedOther.size(), 11u);
    EXPECT_EQ(dm(sd.fixedHolidays[1]), "4.7");
    EXPECT_EQ(sd.fixedOther[2].name, "St. Valentine's Day");
    sd.fillVarLists(2011);
    sd.fillVarLists(2011);
    EXPECT_EQ(sd.varHolidays.size(), 12u);
    EXPECT_EQ(sd.varOther.size(), 6u);
    EXPECT_EQ(sd.fixedHolidays.size(), 4u);
    SpecialDays::clearList(sd.varOther);
    EXPECT_TRUE(sd.varOther.empty());
}
