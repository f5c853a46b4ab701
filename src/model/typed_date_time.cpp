#include "model/typed_date_time.h"

#include "model/datetime.h"

#include <cctype>
#include <vector>

namespace {

// The text without blanks at either end.
std::string trimmed(const std::string& s) {
    const std::size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

// Splits text at sep into runs of digits, each one to `maxDigits` digits long;
// false when anything else is in the way or a run is empty or too long. A
// separator at the very end closes the last run without starting a new one
// ("24.12.").
bool digitRuns(const std::string& text, char sep, std::size_t maxDigits,
               std::vector<std::string>& runs) {
    runs.assign(1, "");
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == sep) {
            if (runs.back().empty()) return false;
            if (i + 1 < text.size()) runs.emplace_back();
        } else if (std::isdigit(static_cast<unsigned char>(c)) && runs.back().size() < maxDigits) {
            runs.back() += c;
        } else {
            return false;
        }
    }
    return !runs.back().empty();
}

} // namespace

int parseTypedDate(const std::string& input, int thisYear, int& day, int& month, int& year) {
    const std::string text = trimmed(input);
    std::vector<std::string> runs;
    int d = 0, m = 0, y = 0;
    if (text.find('-') != std::string::npos) {
        // Year first: four digits, then month and day, no trailing "-".
        if (text.back() == '-' || !digitRuns(text, '-', 4, runs) || runs.size() != 3 ||
            runs[0].size() != 4 || runs[1].size() > 2 || runs[2].size() > 2)
            return -1;
        y = std::stoi(runs[0]), m = std::stoi(runs[1]), d = std::stoi(runs[2]);
    } else {
        // Day first, with the year left off, in two digits or in four.
        if (!digitRuns(text, '.', 4, runs) || runs.size() < 2 || runs.size() > 3 ||
            runs[0].size() > 2 || runs[1].size() > 2 || (runs.size() == 3 && text.back() == '.'))
            return -1;
        d = std::stoi(runs[0]), m = std::stoi(runs[1]);
        if (runs.size() == 2) {
            y = thisYear;
        } else if (runs[2].size() == 2) {
            y = 2000 + std::stoi(runs[2]);
        } else if (runs[2].size() == 4) {
            y = std::stoi(runs[2]);
        } else {
            return -1;
        }
    }
    if (!isValidDate(d, m, y)) return -1;
    day = d, month = m, year = y;
    return 0;
}

int parseTypedTime(const std::string& input, int& hour, int& minute) {
    const std::string text = trimmed(input);
    std::vector<std::string> runs;
    if (!digitRuns(text, ':', 4, runs) || text.back() == ':') return -1;
    int h = 0, m = 0;
    if (runs.size() == 2) {
        if (runs[0].size() > 2 || runs[1].size() != 2) return -1;
        h = std::stoi(runs[0]), m = std::stoi(runs[1]);
    } else if (runs.size() == 1 && runs[0].size() <= 2) {
        h = std::stoi(runs[0]);
    } else if (runs.size() == 1) {
        const int n = std::stoi(runs[0]);
        h = n / 100, m = n % 100;
    } else {
        return -1;
    }
    if (h < 0 || m < 0 || m > 59 || h > 24 || (h == 24 && m != 0)) return -1;
    hour = h, minute = m;
    return 0;
}
