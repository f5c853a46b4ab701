#include "engine/editor_text.h"

#include <cctype>
#include <cmath>
#include <ctime>

namespace {

std::string twoDigits(int v) {
    std::string s = std::to_string(v);
    return s.size() < 2 ? "0" + s : s;
}

bool isLetter(unsigned char c) {
    return c >= 0x80 || std::isalpha(c);
}

} // namespace

std::string dateTime2str(packedDT v) {
    if (!dtHasDate(v)) return "none";
    std::string s =
        twoDigits(dtDay(v)) + "." + twoDigits(dtMonth(v)) + "." + std::to_string(dtYear(v));
    if (dtHasTime(v))
        s += " " + std::to_string(dtHour(v)) + ":" + twoDigits(dtMinute(v));
    else
        s += " xx:xx";
    return s;
}

std::string localTimeText(int32_t seconds, const char* format) {
    const std::time_t t = seconds;
    std::tm tm{};
    if (!localtime_r(&t, &tm)) return std::string();
    char buf[64];
    const std::size_t n = std::strftime(buf, sizeof buf, format, &tm);
    return std::string(buf, n);
}

std::string timeSumText(double seconds) {
    const long long minutes = std::llround(seconds / 60.0);
    return "Time: " + std::to_string(minutes / 60) + ":" + twoDigits(int(minutes % 60));
}

std::string completionText(bool completed, int32_t time) {
    return completed ? localTimeText(time, "%d.%m.%Y %H:%M") : std::string("not yet...");
}

std::string recurrenceLabel(int type) {
    static const char* const labels[] = {
        "Recurrence: none",   "Recurrence: daily",           "Recurrence: daily, resetable",
        "Recurrence: weekly", "Recurrence: monthly, by day", "Recurrence: monthly, by date",
        "Recurrence: yearly"};
    if (type < 0 || type > 6) return "Recurring:";
    return labels[type];
}

std::string skippedDaysText(std::size_t n) {
    return "skips " + std::to_string(n) + (n == 1 ? " day" : " days");
}

std::string groupCountText(unsigned completed, unsigned total) {
    std::string s = std::to_string(completed) + "/" + std::to_string(total) + " (";
    if (total == 0) return s + " 100%) done";
    return s + std::to_string((unsigned long long)completed * 100 / total) + " %) done";
}

std::vector<std::string> workingTimeLines(const std::vector<int32_t>& begins,
                                          const std::vector<int32_t>& ends, bool running) {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < begins.size(); ++i) {
        lines.push_back(localTimeText(begins[i], "%d.%m.%Y %H:%M"));
        if (i + 1 == begins.size() && running)
            lines.push_back("   running");
        else
            lines.push_back(
                localTimeText(i < ends.size() ? ends[i] : begins[i], "      -> %d.%m.%Y %H:%M"));
    }
    return lines;
}

DateControls dateControlsShown(bool isToDo, packedDT begin, packedDT end) {
    DateControls c;
    if (!isToDo) {
        c.begDate = c.begBox = true;
        if (dtHasDate(begin)) {
            c.begTime = c.endDate = c.endBox = c.recurrence = c.reminder = true;
            if (dtHasDate(end)) c.busy = c.endTime = true;
        }
    } else {
        c.endDate = c.endBox = true;
        if (dtHasDate(end)) {
            c.begDate = c.begBox = c.endTime = c.recurrence = c.reminder = true;
            if (dtHasDate(begin)) c.busy = c.begTime = true;
        }
    }
    return c;
}

bool descriptionWrap(const std::string& text, int cursor, int& blank, int& indent) {
    if (cursor < 0 || std::size_t(cursor) > text.size()) return false;
    std::size_t start = 0;
    if (cursor > 0) {
        const std::size_t nl = text.rfind('\n', std::size_t(cursor - 1));
        if (nl != std::string::npos) start = nl + 1;
    }
    if (start < std::size_t(cursor) && text[start] == '|') return false;
    // Characters, not bytes: continuation bytes of UTF-8 do not count.
    int length = 0;
    for (std::size_t i = start; i < std::size_t(cursor); ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++length;
    if (length <= 80) return false;
    std::size_t lead = start;
    while (lead < std::size_t(cursor) && text[lead] == ' ')
        ++lead;
    // A blank of the indentation would only move the line down, never shorten it.
    for (std::size_t i = std::size_t(cursor); i-- > lead;) {
        if (text[i] == ' ') {
            blank = int(i);
            indent = int(lead - start);
            return true;
        }
    }
    return false;
}

int wordBackspaceStart(const std::string& text, int pos) {
    if (pos > int(text.size())) pos = int(text.size());
    while (pos > 0 && !isLetter(static_cast<unsigned char>(text[std::size_t(pos - 1)])))
        --pos;
    while (pos > 0 && isLetter(static_cast<unsigned char>(text[std::size_t(pos - 1)])))
        --pos;
    return pos;
}

std::string reminderLabel(int minutes) {
    if (minutes < 0) return "remind";
    if (minutes == 0) return "at time";
    const struct {
        int size;
        const char *one, *many;
    } units[] = {{7 * 24 * 60, " week", " weeks"}, {24 * 60, " day", " days"}, {60, " h", " h"}};
    for (const auto& u : units)
        if (minutes % u.size == 0) {
            const int n = minutes / u.size;
            return std::to_string(n) + (n == 1 ? u.one : u.many);
        }
    return std::to_string(minutes) + " min";
}
