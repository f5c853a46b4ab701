#include "engine/time_report.h"

#include "model/group.h"
#include "model/todo_item.h"

#include <algorithm>
#include <cstdio>

namespace {

std::tm localOf(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}

// The local midnight after the day that holds t.
std::time_t nextMidnight(std::time_t t) {
    const std::tm tm = localOf(t);
    return localMidnight(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday + 1);
}

struct Collector {
    std::time_t from, to, now;
    T_WorkReport& report;

    // Cuts begin..end to the span and at every midnight; returns the minutes.
    long addInterval(const std::string& path, const std::string& summary, std::time_t begin,
                     std::time_t end) {
        begin = std::max(begin, from);
        end = std::min(end, to);
        long minutes = 0;
        while (begin < end) {
            const std::time_t stop = std::min(end, nextMidnight(begin));
            if (stop <= begin) break; // a clock the C library cannot convert
            report.pieces.push_back({path, summary, begin, stop});
            minutes += report.pieces.back().minutes();
            begin = stop;
        }
        return minutes;
    }

    // Adds the group's todos and then its groups; returns whether any piece
    // was added in its subtree.
    bool visit(const ToDoListGroup& g, const std::string& path) {
        const std::size_t slot = report.groups.size();
        report.groups.emplace_back();
        const std::size_t piecesBefore = report.pieces.size();
        T_WorkGroup own{path, 0, {}};
        for (std::size_t i = 0; i < g.getNrToDos(); ++i) {
            const ToDoListToDo& t = *g.getToDo(i);
            const std::size_t before = report.pieces.size();
            const std::string summary(t.summaryView());
            long minutes = 0;
            for (int k = 0; k < t.getNrTimes(); ++k) {
                // The interval a running todo records now has no end yet.
                const bool open = t.isRunning() && k == t.getNrTimes() - 1;
                minutes +=
                    addInterval(path, summary, t.getTimeBegin(k), open ? now : t.getTimeEnd(k));
            }
            if (report.pieces.size() != before) own.todos.emplace_back(summary, minutes);
            own.minutes += minutes;
        }
        for (std::size_t i = 0; i < g.getNrGroups(); ++i) {
            const ToDoListGroup& child = *g.getGroup(i);
            const std::string childPath =
                (path == "/" ? path : path + "/") + std::string(child.summaryView());
            const std::size_t at = report.groups.size();
            if (visit(child, childPath)) own.minutes += report.groups[at].minutes;
        }
        if (report.pieces.size() == piecesBefore) {
            report.groups.erase(report.groups.begin() + long(slot));
            return false;
        }
        report.groups[slot] = std::move(own);
        return true;
    }
};

std::string hoursAndMinutes(long minutes) {
    return std::to_string(minutes / 60) + ":" + (minutes % 60 < 10 ? "0" : "") +
           std::to_string(minutes % 60);
}

// The columns a text takes on a terminal: one per character of UTF-8.
std::size_t columnsOf(const std::string& s) {
    return std::size_t(std::count_if(
        s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string csvField(const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string q = "\"";
    for (char c : s) {
        if (c == '"') q += '"';
        q += c;
    }
    return q + '"';
}

std::string clockTime(std::time_t t, bool endOfDay) {
    const std::tm tm = localOf(t);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d", endOfDay ? 24 : tm.tm_hour, tm.tm_min);
    return buf;
}

} // namespace

std::time_t localMidnight(int year, int month, int day) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_isdst = -1; // whatever holds at that midnight
    return std::mktime(&tm);
}

T_WorkReport collectWork(const ToDoListGroup& root, std::time_t from, std::time_t to,
                         std::time_t now) {
    T_WorkReport report;
    Collector c{from, to, now, report};
    if (c.visit(root, "/")) report.minutes = report.groups.front().minutes;
    return report;
}

void writeWorkTable(const T_WorkReport& report, const std::string& title, std::ostream& os) {
    std::size_t width = std::string("Total").size();
    for (const T_WorkGroup& g : report.groups) {
        width = std::max(width, columnsOf(g.path));
        for (const auto& t : g.todos)
            width = std::max(width, 2 + columnsOf(t.first));
    }
    auto line = [&](const std::string& label, long minutes) {
        const std::string sum = hoursAndMinutes(minutes);
        os << label << std::string(width + 2 - columnsOf(label) + 8 - sum.size(), ' ') << sum
           << '\n';
    };
    os << title << "\n\n";
    for (const T_WorkGroup& g : report.groups) {
        // The top level's sum is the total: it has a line only for its own todos.
        if (g.path == "/" && g.todos.empty()) continue;
        line(g.path, g.minutes);
        for (const auto& t : g.todos)
            line("  " + t.first, t.second);
    }
    line("Total", report.minutes);
}

void writeWorkCsv(const std::vector<T_WorkPiece>& pieces, std::ostream& os) {
    os << "group path,summary,date,start,stop,minutes\n";
    for (const T_WorkPiece& p : pieces) {
        const std::tm day = localOf(p.start);
        char date[48];
        std::snprintf(date, sizeof date, "%04d-%02d-%02d", day.tm_year + 1900, day.tm_mon + 1,
                      day.tm_mday);
        const bool toMidnight = p.stop == nextMidnight(p.start);
        os << csvField(p.groupPath) << ',' << csvField(p.summary) << ',' << date << ','
           << clockTime(p.start, false) << ',' << clockTime(p.stop, toMidnight) << ','
           << p.minutes() << '\n';
    }
}
