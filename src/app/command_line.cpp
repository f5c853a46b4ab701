#include "app/command_line.h"

#include "app/config.h"
#include "storage/file_tools.h"

#include <cstdio>

namespace {

// The decimal number that starts at text[from], reading at most maxDigits
// digits; -1 when no digit stands there.
int numberAt(const std::string& text, std::size_t from, std::size_t maxDigits) {
    if (from >= text.size() || text[from] < '0' || text[from] > '9') return -1;
    int value = 0;
    for (std::size_t i = from; i < text.size() && i < from + maxDigits; ++i) {
        if (text[i] < '0' || text[i] > '9') break;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

} // namespace

int parseStartDate(const std::string& text, packedDT low, packedDT& date) {
    if (text.size() < 9) return -1;
    int year = numberAt(text, 0, 4);
    int month = numberAt(text, 5, 2);
    int day = numberAt(text, 8, 2);
    if (year < 0 || month < 0 || day < 0 || !isValidDate(day, month, year)) return -1;
    date = withDate(low, day, month, year);
    return 0;
}

void parseCommandLine(const std::vector<std::string>& args, CommandLine& cl) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!arg.empty() && arg[0] == '-') {
            char option = arg.size() > 1 ? arg[1] : '\0';
            switch (option) {
            case 'c':
                cl.startInCalendar = true;
                if (i + 1 < args.size() && (args[i + 1].empty() || args[i + 1][0] != '-')) {
                    const std::string& text = args[++i];
                    if (parseStartDate(text, cl.startDate, cl.startDate) != 0) {
                        cl.dateError = "Invalid date '" + text +
                                       "' after -c (expected YYYY-MM-DD between 2000 and "
                                       "2127); the calendar starts today.";
                        cl.startDate = getTodayDate(0x4000);
                    }
                } else {
                    cl.startDate = getTodayDate(0x4000);
                }
                break;
            case 'f': cl.fState = 1; break;
            case 'g': cl.gState = 1; break;
            case 'i': cl.iState = 1; break;
            case 'q': cl.noWindow = true; break;
            case 's': cl.alwaysSave = true; break;
            default: break;
            }
            continue;
        }
        if (cl.fState == 1) cl.path = arg, cl.fState = 2;
        if (cl.iState == 1) cl.iValue = arg, cl.iState = 2;
        if (cl.gState == 1) cl.gValue = arg, cl.gState = 2;
    }
}

int defaultFile(std::string& path, bool tell) {
    std::string home = GetHomeDir();
    for (const std::string& entry : velkconfig.defaultFiles) {
        path = entry;
        if (!entry.empty() && entry[0] == '~' && !home.empty()) path = home + entry.substr(1);
        bool usable = !(!entry.empty() && entry[0] == '~' && home.empty());
        if (usable && existDat(path)) return 0;
        if (tell) std::printf("%s does not exist\n", path.c_str());
    }
    return -1;
}
