#pragma once
#include "model/datetime.h"

// Packed date-times for the tests, always written year, month, day first.

// The moment hour:minute on the day.
inline packedDT at(int year, int month, int day, int hour, int minute) {
    return packDate(day, month, year) | packTime(hour, minute);
}

// The day without a time.
inline packedDT on(int year, int month, int day) {
    return packDate(day, month, year) | DT_NOTIME;
}
