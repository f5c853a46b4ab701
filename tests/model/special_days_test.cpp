#include "model/special_days.h"

#include <chrono>
#include <gtest/gtest.h>
#include <map>
#include <string>

namespace c = std::chrono;

namespace {

// Easter Sunday by the anonymous Gregorian algorithm, written independently
// of the formula under test.
c::sys_days easterSunday(int y) {
    const int a = y % 19, b = y / 100, cc = y % 100, d = b / 4, e = b % 4,
              g = (b - (b + 8) / 25 + 1) / 3;
    const int h = (19 * a + b - d - g + 15) % 30, l = (32 + 2 * e + 2 * (cc / 4) - h - cc % 4) % 7;
    const int n = h + l - 7 * ((a + 11 * h + 22 * l) / 451) + 114;
    return c::year(y) / c::month(unsigned(n / 31)) / c::day(unsigned(n % 31 + 1));
}

std::string dm(c::year_month_day ymd) {
    return std::to_string(unsigned(ymd.day())) + "." + std::to_string(unsigned(ymd.month()));
}

// The day n (5 = the last) of weekday wd in the month.
std::string nth(int y, unsigned month, c::weekday wd, unsigned n) {
    const c::year_month ym = c::year(y) / c::month(month);
    return dm(n == 5 ? c::sys_days(ym / wd[c::last]) : c::sys_days(ym / wd[n]));
}

// Both lists by name, the "other" days marked with "~".
using Names = std::map<std::string, std::string>;
Names byName(const std::vector<T_SpecDay>& holidays, const std::vector<T_SpecDay>& other) {
    Names r;
    for (auto [mark, list] : {std::pair{"", &holidays}, std::pair{"~", &other}})
        for (const T_SpecDay& s : *list)
            r[mark + s.name] = std::to_string(s.day) + "." + std::to_string(s.month);
    return r;
}

} // namespace

// The fixed days, and every variable day of the years 1990 to 2127 against
// <chrono> and a second Easter algorithm; refilling replaces the days of the
// year before.
TEST(SpecialDays, DaysAgreeWithAnIndependentComputationEveryYear) {
    const Names fixed = {
        // clang-format off
        {"New Years Day", "1.1"}, {"Independence Day", "4.7"}, {"Veterans Day", "11.11"},
        {"Christmas", "25.12"}, {"~Epiphany", "6.1"}, {"~Groundhog Day", "2.2"},
        {"~St. Valentine's Day", "14.2"}, {"~St. Patrick's Day", "17.3"}, {"~Flag Day", "14.6"},
        {"~April Fools' Day", "1.4"}, {"~Income Tax Due", "15.4"}, {"~Earth Day", "22.4"},
        {"~Halloween", "31.10"}, {"~Christmas Eve", "24.12"}, {"~New Years Eve", "31.12"},
        // clang-format on
    };
    SpecialDays sd;
    EXPECT_EQ(byName(sd.fixedHolidays, sd.fixedOther), fixed);
    const c::weekday MO = c::Monday, TH = c::Thursday, SU = c::Sunday;
    for (int y = 1990; y <= 2127; ++y) {
        sd.fillVarLists(y);
        const c::sys_days e = easterSunday(y);
        auto easter = [&](int days) { return dm(e + c::days(days)); };
        const Names want = {
            // clang-format off
            {"Easter", easter(0)}, {"Good Friday", easter(-2)},
            {"Palm Sunday", easter(-7)}, {"Ascension Day", easter(39)},
            {"Pentecost", easter(49)}, {"~Ash Wednesday", easter(-46)},
            {"Martin Luther King Day", nth(y, 1, MO, 3)}, {"Presidents Day", nth(y, 2, MO, 3)},
            {"Memorial Day", nth(y, 5, MO, 5)}, {"Labor Day", nth(y, 9, MO, 1)},
            {"Columbus Day", nth(y, 10, MO, 2)}, {"Thanksgiving Day", nth(y, 11, TH, 4)},
            {"Superbowl Sunday", y < 2002 ? nth(y, 1, SU, 5) : nth(y, 2, SU, 1)},
            {"~DST begins", nth(y, 4, SU, 1)}, {"~National Day of Prayer", nth(y, 5, TH, 1)},
            {"~Mother's Day", nth(y, 5, SU, 2)}, {"~Father's Day", nth(y, 6, SU, 3)},
            {"~DST ends", nth(y, 10, SU, 5)},
            // clang-format on
        };
        ASSERT_EQ(sd.year, y);
        ASSERT_EQ(sd.varHolidays.size() * 100 + sd.varOther.size(), 1206u) << y;
        ASSERT_EQ(byName(sd.varHolidays, sd.varOther), want) << y;
    }
}
