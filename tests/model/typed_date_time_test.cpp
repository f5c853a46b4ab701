#include "model/typed_date_time.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

// What the text reads as in thisYear: "d.m.y", or "-1" when it was refused
// (with " written" when something was written all the same).
std::string readDate(const std::string& text, int thisYear) {
    int d = 0, m = 0, y = 0;
    if (parseTypedDate(text, thisYear, d, m, y) != 0) return d + m + y ? "-1 written" : "-1";
    return std::to_string(d) + "." + std::to_string(m) + "." + std::to_string(y);
}

// Days 0..32 of months 0..13 in years at the ends of the range and around leap
// days, in the three typed forms, against the <chrono> calendar: exactly the
// real days of 2000..2127 are read. Then two-digit years and texts that are no date.
TEST(TypedDate, ReadsTheRealDaysOfTheRangeInEveryFormAndNothingElse) {
    namespace c = std::chrono;
    for (int y : {1999, 2000, 2011, 2024, 2026, 2100, 2127, 2128})
        for (unsigned m = 0; m <= 13; ++m)
            for (unsigned d = 0; d <= 32; ++d) {
                const std::string ds = std::to_string(d), ms = std::to_string(m),
                                  ys = std::to_string(y), day = ds + "." + ms + "." + ys;
                const bool real = y >= 2000 && y <= 2127 &&
                                  c::year_month_day{c::year{y}, c::month{m}, c::day{d}}.ok();
                for (const std::string& text :
                     {day, ys + "-" + ms + "-" + ds, " " + ds + "." + ms + ". "})
                    EXPECT_EQ(readDate(text, y), real ? day : "-1") << text;
            }
    std::string read;
    for (const char* text : {"29.02.24", "24.12", "29.2.26", "", "24", "24.12.2026.", "24.12.26.",
                             "24..12", "24.12.202", "24.12.20266", "124.12.2026", "24/12/2026",
                             "2026-12", "2026-12-24-", "26-12-24", "24.12.2026 10:00"})
        read += readDate(text, 2026) + " ";
    EXPECT_EQ(read, "29.2.2024 24.12.2026 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 ");
}

// Hours 0..25 with minutes 0..60 in the typed forms: exactly the times
// 0:00..24:00 are read. Then whole hours and texts that are no time.
TEST(TypedTime, ReadsTheTimesOfTheDayAndNothingElse) {
    const auto read = [](const std::string& text) { // hhmm; -1 refused, -2 refused but written
        int h = -1, m = -1;
        return parseTypedTime(text, h, m) ? -1 - (h + m != -2) : h * 100 + m;
    };
    for (int h = 0; h <= 25; ++h)
        for (int m = 0; m <= 60; ++m) {
            const std::string hh = std::to_string(h), mm = (m < 10 ? "0" : "") + std::to_string(m);
            for (const std::string& text :
                 {hh + ":" + mm, hh + mm, (h < 10 ? " 0" : " ") + hh + ":" + mm + " "})
                EXPECT_EQ(read(text), (h < 24 && m < 60) || h * 100 + m == 2400 ? h * 100 + m : -1)
                    << text;
        }
    std::string whole;
    for (const char* text :
         {"9", " 14 ", "24", "25", "", "9:5", "14:", ":30", "1:2:3", "12345", "9.30", "114:30"})
        whole += std::to_string(read(text)) + " ";
    EXPECT_EQ(whole, "900 1400 2400 -1 -1 -1 -1 -1 -1 -1 -1 -1 ");
}

} // namespace
