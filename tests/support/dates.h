#pragma once
#include "model/clock.h"
#include "model/datetime.h"

#include <ctime>

// Packed date-times and the pinned clock for the tests, always written year,
// month, day first.

// The moment hour:minute on the day.
inline packedDT at(int year, int month, int day, int hour, int minute) {
    return packDate(day, month, year) | packTime(hour, minute);
}

// The day without a time.
inline packedDT on(int year, int month, int day) {
    return packDate(day, month, year) | DT_NOTIME;
}

// 13:00 on Saturday 5 March 2011 in Europe/Berlin, the day most tests live on.
constexpr std::time_t SATURDAY_5_MARCH_2011 = 1299326400;

// Pins the program's clock for the guard's lifetime and frees it again after.
class PinnedClock {
  public:
    explicit PinnedClock(std::time_t now = SATURDAY_5_MARCH_2011) { setVelkNowForTesting(now); }
    ~PinnedClock() { setVelkNowForTesting(-1); }
    PinnedClock(const PinnedClock&) = delete;
    PinnedClock& operator=(const PinnedClock&) = delete;
    void set(std::time_t now) { setVelkNowForTesting(now); }
};
