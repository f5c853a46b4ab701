#pragma once
#include <cstdint>
#include <string>

// Writes a data file of the given number of entries, as a user with years of
// data might have: 60 % todos, 25 % appointments, 15 % notes, spread over
// groups three levels deep, 5 % recurring, some with descriptions, dated in
// random order over several years. The same seed gives the same file.
// extrasPercent of the recurring entries also skip days (five occurrences,
// one of them in March 2011), and those of them that repeat weekly do so on
// two or three weekdays; the rest of the file is the same as without them.
std::string generateDataFile(unsigned entries, uint32_t seed = 1, unsigned extrasPercent = 0);
