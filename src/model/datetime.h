#pragma once
#include <cstdint>

// Packed date-times and Gregorian calendar arithmetic.
//
// A packed date-time is one unsigned 32-bit value:
//   bit 31      1 = no date set (the date bits are then meaningless)
//   bits 24-30  year - 2000 (years 2000..2127)
//   bits 20-23  month 1..12
//   bits 15-19  day 1..31
//   bit 14      1 = no time of day set (hour and minute are then zero)
//   bits 9-13   hour 0..24 (24 is midnight at the end of the day)
//   bits 3-8    minute 0..59
//   bits 0-2    always zero
// Values compare chronologically as plain unsigned integers: a date-only value
// sorts after every timed value of its day, an undated value after every dated one.
//
// Weekdays are numbered 0 = Monday .. 6 = Sunday. Day numbers count from
// 1 = 1 January 1999.

typedef uint32_t packedDT;

constexpr packedDT DT_NODATE = 0x80000000u; // bit 31: no date
constexpr packedDT DT_NOTIME = 0x00004000u; // bit 14: no time of day
constexpr packedDT DT_EMPTY = 0x80004000u;  // neither date nor time
// The time bits (0-14, the no-time flag included) and the date bits.
constexpr packedDT DT_TIMEMASK = 0x7fff;
constexpr packedDT DT_DATEMASK = ~DT_TIMEMASK;

constexpr int DT_MINYEAR = 2000;
constexpr int DT_MAXYEAR = 2127;

inline packedDT packDate(int day, int month, int year) {
    return (packedDT((year - 2000) & 127) << 24) | (packedDT(month & 15) << 20) |
           (packedDT(day & 31) << 15);
}
inline packedDT packTime(int hour, int minute) {
    return (packedDT(hour & 31) << 9) | (packedDT(minute & 63) << 3);
}
inline int dtYear(packedDT v) { return int((v >> 24) & 127) + 2000; }
inline int dtMonth(packedDT v) { return int((v >> 20) & 15); }
inline int dtDay(packedDT v) { return int((v >> 15) & 31); }
inline int dtHour(packedDT v) { return int((v >> 9) & 31); }
inline int dtMinute(packedDT v) { return int((v >> 3) & 63); }
inline bool dtHasDate(packedDT v) { return (v & DT_NODATE) == 0; }
inline bool dtHasTime(packedDT v) { return (v & DT_NOTIME) == 0; }
// The time bits of v: the time of day, or the no-time flag.
inline packedDT dtTimeBits(packedDT v) {
    return v & DT_TIMEMASK;
}
// v on the day day.month.year at the time of day it has.
inline packedDT withDate(packedDT v, int day, int month, int year) {
    return packDate(day, month, year) | dtTimeBits(v);
}
// The date bits of v with the no-time flag: the form in which days are compared.
inline packedDT dtDateOnly(packedDT v) { return (v & DT_DATEMASK) | DT_NOTIME; }

extern const char* const dayName[7];
extern const char* const weekDaysShort;

int Tag_des_Jahres(int day, int month, int year);
int CurrentDoomDay(int year);
int Wochentag(int day, int month, int year);
int Kalenderwoche(int day, int month, int year);
int MaxTag(int month, int year);
int daysOfYear(int year);
bool isLeapYear(int year);
int getNumberOfDay(int day, int month, int year);
void getDayByNumber(int number, int& day, int& month, int& year);
int getDateDiff(packedDT a, packedDT b);
void moveDate(packedDT& v, int days);
void moveDateTime(packedDT& v, int minutes);
packedDT getTodayDate(unsigned low);

// True when day, month and year name a real day of the years 2000..2127, the
// range a packed date-time can hold. Input from users is checked with this.
bool isValidDate(int day, int month, int year);
