#pragma once
#include <string>
#include <vector>

// One named day of the year.
struct T_SpecDay {
    std::string name;
    int day = 0;   // day of the month
    int month = 0; // 1 = January
};

// The holidays and other special days that the calendar view marks: each kind
// once with fixed dates (the same every year) and once with variable dates,
// computed for one year at a time, most from the date of Easter or as the
// n-th weekday of a month.
class SpecialDays {
  public:
    // Fills the fixed lists; the variable lists stay empty and year is 0.
    SpecialDays();

    // Appends the fixed entries (the constructor calls it once).
    void fillFixedLists();
    // Empties both variable lists, sets year and fills them for that year.
    void fillVarLists(int year);
    static void clearList(std::vector<T_SpecDay>& list) { list.clear(); }
    static void addToList(std::vector<T_SpecDay>& list, int day, int month, const char* name);

    // Easter Sunday of the year (Gregorian calendar).
    static void ostern(int& day, int& month, int year);
    // Day of the month of the n-th weekday x (0 = Monday) of the month; n = 5
    // gives the last such weekday.
    static int nthWhichDayOfMonth(int n, int x, int month, int year);

    int year = 0; // year for which the variable lists were last filled
    std::vector<T_SpecDay> fixedHolidays;
    std::vector<T_SpecDay> fixedOther;
    std::vector<T_SpecDay> varHolidays;
    std::vector<T_SpecDay> varOther;
};
