#pragma once
#include <ctime>

// The one place where Velk reads the current time. Every "now" and "today" of
// the program goes through velkNow(), so that tests can pin it to a fixed moment.
//
// The environment variable VELK_NOW (seconds since 1970) pins the clock for
// whole-program runs; setVelkNowForTesting pins it inside a test process
// (services().pinnedNow, common/services.h).

// Seconds since 1 January 1970, UTC.
std::time_t velkNow();

// Pins the clock to the given moment; a negative value releases it again.
void setVelkNowForTesting(std::time_t now);

// The local calendar time of velkNow(); false when the C library cannot convert it.
bool velkLocalTime(std::tm& out);
