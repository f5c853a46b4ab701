#include "model/special_days.h"

#include "model/datetime.h"

namespace {

// Moves day and month by delta days within the year, carrying over month ends
// by the month lengths of that year.
void addDays(int& day, int& month, int year, int delta) {
    day += delta;
    while (day > MaxTag(month, year) && month < 12) {
        day -= MaxTag(month, year);
        ++month;
    }
    while (day < 1 && month > 1) {
        --month;
        day += MaxTag(month, year);
    }
}

// Weekdays as the rules name them (0 = Monday).
constexpr int MONDAY = 0, THURSDAY = 3, SUNDAY = 6;

} // namespace

SpecialDays::SpecialDays() {
    fillFixedLists();
}

void SpecialDays::addToList(std::vector<T_SpecDay>& list, int day, int month, const char* name) {
    list.push_back(T_SpecDay{name ? name : "", day, month});
}

void SpecialDays::fillFixedLists() {
    addToList(fixedHolidays, 1, 1, "New Years Day");
    addToList(fixedHolidays, 4, 7, "Independence Day");
    addToList(fixedHolidays, 11, 11, "Veterans Day");
    addToList(fixedHolidays, 25, 12, "Christmas");

    addToList(fixedOther, 6, 1, "Epiphany");
    addToList(fixedOther, 2, 2, "Groundhog Day");
    addToList(fixedOther, 14, 2, "St. Valentine's Day");
    addToList(fixedOther, 17, 3, "St. Patrick's Day");
    addToList(fixedOther, 1, 4, "April Fools' Day");
    addToList(fixedOther, 15, 4, "Income Tax Due");
    addToList(fixedOther, 22, 4, "Earth Day");
    addToList(fixedOther, 14, 6, "Flag Day");
    addToList(fixedOther, 31, 10, "Halloween");
    addToList(fixedOther, 24, 12, "Christmas Eve");
    addToList(fixedOther, 31, 12, "New Years Eve");
}

void SpecialDays::ostern(int& day, int& month, int year) {
    const int k = year / 100;
    const int a = year % 19;
    const int p = (3 * k + 3) / 4;
    const int q = (8 * k + 13) / 25;
    const int d = (19 * a + 15 + p - q) % 30;
    const int r = d / 29 + (d / 28 - d / 29) * (a / 11);
    const int g = 21 + d - r; // Paschal full moon, counted in days of March
    const int t = (year + 2 + year / 4 - p) % 7;
    const int s = g + 7 - ((g + t - 7) % 7);
    if (s > 31) {
        day = s - 31;
        month = 4;
    } else {
        day = s;
        month = 3;
    }
}

int SpecialDays::nthWhichDayOfMonth(int n, int x, int month, int year) {
    const int w = Wochentag(1, month, year);
    int day = (n - 1) * 7 + (x + 7 - w) % 7 + 1;
    if (day > MaxTag(month, year)) day -= 7;
    return day;
}

void SpecialDays::fillVarLists(int y) {
    clearList(varHolidays);
    clearList(varOther);
    year = y;

    int eDay, eMonth;
    ostern(eDay, eMonth, y);
    addToList(varHolidays, eDay, eMonth, "Easter");
    int d = eDay, m = eMonth;
    addDays(d, m, y, 1 - 3);
    addToList(varHolidays, d, m, "Good Friday");
    addDays(d, m, y, -5);
    addToList(varHolidays, d, m, "Palm Sunday");
    addDays(d, m, y, 46);
    addToList(varHolidays, d, m, "Ascension Day");
    addDays(d, m, y, 10);
    addToList(varHolidays, d, m, "Pentecost");
    addToList(varHolidays, nthWhichDayOfMonth(3, MONDAY, 1, y), 1, "Martin Luther King Day");
    addToList(varHolidays, nthWhichDayOfMonth(3, MONDAY, 2, y), 2, "Presidents Day");
    addToList(varHolidays, nthWhichDayOfMonth(5, MONDAY, 5, y), 5, "Memorial Day");
    addToList(varHolidays, nthWhichDayOfMonth(1, MONDAY, 9, y), 9, "Labor Day");
    addToList(varHolidays, nthWhichDayOfMonth(2, MONDAY, 10, y), 10, "Columbus Day");
    addToList(varHolidays, nthWhichDayOfMonth(4, THURSDAY, 11, y), 11, "Thanksgiving Day");
    if (y < 2002)
        addToList(varHolidays, nthWhichDayOfMonth(5, SUNDAY, 1, y), 1, "Superbowl Sunday");
    else
        addToList(varHolidays, nthWhichDayOfMonth(1, SUNDAY, 2, y), 2, "Superbowl Sunday");

    d = eDay;
    m = eMonth;
    addDays(d, m, y, -46);
    addToList(varOther, d, m, "Ash Wednesday");
    addToList(varOther, nthWhichDayOfMonth(1, SUNDAY, 4, y), 4, "DST begins");
    addToList(varOther, nthWhichDayOfMonth(1, THURSDAY, 5, y), 5, "National Day of Prayer");
    addToList(varOther, nthWhichDayOfMonth(2, SUNDAY, 5, y), 5, "Mother's Day");
    addToList(varOther, nthWhichDayOfMonth(3, SUNDAY, 6, y), 6, "Father's Day");
    addToList(varOther, nthWhichDayOfMonth(5, SUNDAY, 10, y), 10, "DST ends");
}
