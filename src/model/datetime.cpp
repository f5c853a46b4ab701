#include "model/datetime.h"

#include "model/clock.h"

const char* const dayName[7] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                 "Friday", "Saturday", "Sunday"};
const char* const weekDaysShort = "\tM\tT\tW\tT\tF\tSa\tSu";

namespace {

const int monthLength[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
const int daysBeforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

// The tables are indexed by month; a month outside 1..12 is outside the domain
// and is pulled to the nearest valid month so that no lookup leaves the table.
int monthIndex(int month) {
    if (month < 1) return 0;
    if (month > 12) return 11;
    return month - 1;
}

int positiveMod(int a, int m) {
    int r = a % m;
    return r < 0 ? r + m : r;
}

// Day numbers that getDayByNumber accepts: 1 January 1999 .. 31 December 2127.
const int firstDayNumber = 1;
// Moves stay within the years a packed date-time can hold, 2000..2127.
const int firstPackableDay = 366;
int lastDayNumber() {
    static const int last = getNumberOfDay(31, 12, DT_MAXYEAR);
    return last;
}

} // namespace

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysOfYear(int year) { return isLeapYear(year) ? 366 : 365; }

int Tag_des_Jahres(int day, int month, int year) {
    int n = day + daysBeforeMonth[monthIndex(month)];
    if (month >= 3 && isLeapYear(year)) ++n;
    return n;
}

int CurrentDoomDay(int year) {
    static const int anchor[4] = {5, 4, 2, 0};
    int c = year / 100;
    int r = year % 100;
    int cm = positiveMod(c, 4);
    int a = anchor[cm];
    if (r == 0) return a;
    int m = r % 12;
    int v;
    if (m == 0)
        v = positiveMod(a + r / 12 - 1, 7);
    else
        v = positiveMod(r / 12 + m + a + ((r - 1) % 12) / 4, 7);
    if (cm == 0) ++v;
    return positiveMod(v, 7);
}

int Wochentag(int day, int month, int year) {
    return positiveMod(positiveMod(Tag_des_Jahres(day, month, year) - 1, 7) + CurrentDoomDay(year),
                       7);
}

int Kalenderwoche(int day, int month, int year) {
    int j = CurrentDoomDay(year);
    int n = Tag_des_Jahres(day, month, year) - 1;
    int k = j < 4 ? n + j : n + j - 7;
    if (k < 0) {
        if (j == 4) return 53;
        return CurrentDoomDay(year - 1) == 3 ? 53 : 52;
    }
    int w = k / 7 + 1;
    if (w < 53) return w;
    if (j == 3 || CurrentDoomDay(year + 1) == 4) return 53;
    return 1;
}

int MaxTag(int month, int year) {
    if (month < 1 || month > 12) return 0;
    if (month == 2 && isLeapYear(year)) return 29;
    return monthLength[month - 1];
}

int getNumberOfDay(int day, int month, int year) {
    int n = day + (year - 1999) * 365 + daysBeforeMonth[monthIndex(month)];
    // Leap years from 1999 up to year - 1.
    auto leapsBefore = [](int y) { return y / 4 - y / 100 + y / 400; };
    if (year > 1999) n += leapsBefore(year - 1) - leapsBefore(1998);
    if (month >= 3 && isLeapYear(year)) ++n;
    return n;
}

void getDayByNumber(int number, int& day, int& month, int& year) {
    // Numbers outside the supported range are pulled to its ends, so that no
    // date outside 2000..2127 results from a move.
    if (number < firstDayNumber) number = firstDayNumber;
    if (number > lastDayNumber()) number = lastDayNumber();
    // The number of 1 January of each year from 1999 on. Calendar walks turn
    // numbers into dates for every recurrence step, so the year is found from
    // this table instead of by counting years off one by one.
    constexpr int YEARS = DT_MAXYEAR - 1999 + 1;
    static const struct YearStarts {
        int first[YEARS];
        YearStarts() {
            for (int i = 0; i < YEARS; ++i)
                first[i] = getNumberOfDay(1, 1, 1999 + i);
        }
    } starts;
    // No year is longer than 366 days, so this never overshoots, and falls
    // short by at most one year over the whole range.
    int i = (number - 1) / 366;
    while (i + 1 < YEARS && starts.first[i + 1] <= number)
        ++i;
    year = 1999 + i;
    const int dayOfYear = number - starts.first[i] + 1;
    const int leap = isLeapYear(year) ? 1 : 0;
    auto before = [leap](int m) { return daysBeforeMonth[m] + (m >= 2 ? leap : 0); };
    // No month is longer than 31 days: the same holds for months.
    int m = (dayOfYear - 1) / 31;
    while (m < 11 && dayOfYear > before(m + 1))
        ++m;
    month = m + 1;
    day = dayOfYear - before(m);
}

int getDateDiff(packedDT a, packedDT b) {
    return getNumberOfDay(dtDay(a), dtMonth(a), dtYear(a)) -
           getNumberOfDay(dtDay(b), dtMonth(b), dtYear(b));
}

void moveDate(packedDT& v, int days) {
    long long n = (long long)getNumberOfDay(dtDay(v), dtMonth(v), dtYear(v)) + days;
    if (n < firstPackableDay) n = firstPackableDay;
    if (n > lastDayNumber()) n = lastDayNumber();
    int d, m, y;
    getDayByNumber(int(n), d, m, y);
    v = withDate(v, d, m, y);
}

void moveDateTime(packedDT& v, int minutes) {
    int hour = dtHasTime(v) ? dtHour(v) : 0;
    int minute = dtHasTime(v) ? dtMinute(v) : 0;
    long long dayNr = getNumberOfDay(dtDay(v), dtMonth(v), dtYear(v));
    long long s = (long long)minute + minutes;
    if (s >= 1) {
        long long h = hour + s / 60;
        minute = int(s % 60);
        dayNr += h / 24;
        hour = int(h % 24);
    } else {
        long long h = hour + s / 60; // division towards zero
        long long rest = (-s) % 60;
        if (rest != 0) {
            --h;
            minute = int(60 - rest);
        } else {
            minute = 0;
        }
        if (h >= 1) {
            hour = int(h);
        } else {
            long long g = -h;
            dayNr -= g / 24 + 1;
            hour = int(24 - g % 24);
        }
    }
    if (dayNr < firstPackableDay) dayNr = firstPackableDay;
    if (dayNr > lastDayNumber()) dayNr = lastDayNumber();
    int d, m, y;
    getDayByNumber(int(dayNr), d, m, y);
    v = packDate(d, m, y) | packTime(hour, minute);
}

packedDT getTodayDate(unsigned low) {
    std::tm t{};
    if (!velkLocalTime(t)) return DT_EMPTY;
    return withDate(low, t.tm_mday, t.tm_mon + 1, t.tm_year + 1900);
}

bool isValidDate(int day, int month, int year) {
    if (year < DT_MINYEAR || year > DT_MAXYEAR) return false;
    if (month < 1 || month > 12) return false;
    return day >= 1 && day <= MaxTag(month, year);
}
