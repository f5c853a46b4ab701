#include "gui/date_grid.h"

#include "model/datetime.h"

#include <algorithm>

const int monthGridColumnWidths[9] = {44, 38, 38, 38, 38, 44, 38, 38, 0};

std::vector<std::string> monthGridLines(int month, int year, const MonthGridMarks& marks) {
    std::vector<std::string> lines;
    lines.push_back(weekDaysShort);
    const int firstWeekday = Wochentag(1, month, year);
    const int days = MaxTag(month, year);

    // The first line: week number, the tab ending the week column and one
    // tab for each empty cell before the 1st.
    std::string line = std::to_string(Kalenderwoche(1, month, year));
    line.append(std::size_t(firstWeekday) + 1, '\t');
    int cells = firstWeekday;
    for (int day = 1; day <= days; ++day) {
        if (day == marks.chosenDay && month == marks.chosenMonth && year == marks.chosenYear)
            line += "@u";
        if (day == marks.todayDay && month == marks.todayMonth && year == marks.todayYear)
            line += "@i";
        line += std::to_string(day);
        if (++cells < 7) {
            line += '\t';
            continue;
        }
        lines.push_back(line);
        cells = 0;
        line.clear();
        // A week that holds no day of the month gets no line.
        if (day == days) break;
        // Each week line carries the ISO week of its Monday, so that the last
        // line of a December shows week 1 when that week belongs to the next
        // year, and the weeks of a January continue after 52 or 53.
        line = std::to_string(Kalenderwoche(day + 1, month, year)) + '\t';
    }
    // A last week with fewer than seven days keeps the tab after its last day.
    if (!line.empty()) lines.push_back(line);
    return lines;
}

int monthGridColumnAt(int x) {
    // The week-number column and its right border ignore clicks.
    if (x < monthGridColumnWidths[0] + 1) return 0;
    int right = monthGridColumnWidths[0];
    for (int c = 1; c <= 7; ++c) {
        right += monthGridColumnWidths[c];
        if (x < right) return c;
    }
    return 0;
}

int monthGridDayAt(int line, int column, int firstWeekday) {
    return (line - 2) * 7 + column - firstWeekday;
}

void stepShownMonth(int& month, int& year, int d) {
    int m = (year * 12 + month - 1) + d;
    if (m < DT_MINYEAR * 12 || m > DT_MAXYEAR * 12 + 11) return;
    year = m / 12;
    month = m % 12 + 1;
}

void stepShownYear(int& year, int d) {
    year = std::clamp(year + d, DT_MINYEAR, DT_MAXYEAR);
}
