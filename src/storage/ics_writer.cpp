// Content lines written as libical 3.0.16 writes them (icalproperty.c,
// icalvalue.c, icalduration.c), so that the export's bytes stay what they
// were when libical wrote every line.

#include "storage/ics_writer.h"

#include <charconv>
#include <cstdio>

namespace {

// libical's longest physical line in octets, the leading space of a
// continuation line included (MAX_LINE_LEN).
constexpr std::size_t MAX_LINE = 75;

// The length of the next physical line of s, which holds the rest of a
// property's line with its CRLF, as libical's get_next_line_start finds it:
// all of it when fewer than 75 octets are left; else up to the last ';', ':'
// or ' ' among the first 74 octets (the first octet aside); else before the
// last octet that starts a UTF-8 sequence among the first 75; else 74.
// The CRLF counts, so that a line of 73 octets is folded too, at a
// separator if it has one.
std::size_t nextLineLength(const char* s, std::size_t left) {
    if (left < MAX_LINE) return left;
    for (std::size_t pos = MAX_LINE - 2; pos > 0; --pos)
        if (s[pos] == ';' || s[pos] == ':' || s[pos] == ' ') return pos + 1;
    for (std::size_t pos = MAX_LINE - 1; pos > 0; --pos) {
        const unsigned char c = static_cast<unsigned char>(s[pos]);
        if ((c & 0x80) == 0 || (c & 0xc0) == 0xc0) return pos;
    }
    return MAX_LINE - 1;
}

// What a text value's octet needs: 0 nothing, else the octet is escaped,
// dropped, or ends the value. Commas and semicolons are looked at apart.
enum : unsigned char { PLAIN, SPECIAL };
struct SpecialOctets {
    unsigned char of[256] = {};
    SpecialOctets() {
        for (unsigned char c : {'\0', '\n', '\r', '\b', '\f', ';', ',', '\\'})
            of[c] = SPECIAL;
    }
};
const SpecialOctets special;

// Appends v (0 <= v < 10^width) with leading zeros, as "%0<width>d" does,
// or as printf writes it when it does not fit.
void appendNumber(std::string& s, int v, int width) {
    char digits[16];
    if (v < 0 || (width == 2 && v > 99) || (width == 4 && v > 9999)) {
        const int n = std::snprintf(digits, sizeof digits, "%0*d", width, v);
        s.append(digits, std::size_t(n));
        return;
    }
    for (int i = width - 1; i >= 0; --i, v /= 10)
        digits[i] = char('0' + v % 10);
    s.append(digits, std::size_t(width));
}

} // namespace

void IcsWriter::line(std::string_view l) {
    out.append(l.data(), l.size());
    out += "\r\n";
}

void IcsWriter::param(std::string_view written) {
    pending += ';';
    pending.append(written.data(), written.size());
}

void IcsWriter::value(std::string_view v) {
    pending += ':';
    pending.append(v.data(), v.size());
}

void IcsWriter::textValue(std::string_view v, Escape how) {
    pending += ':';
    const char* p = v.data();
    const char* const stop = p + v.size();
    while (p < stop) {
        const char* run = p;
        while (p < stop && special.of[static_cast<unsigned char>(*p)] == PLAIN)
            ++p;
        pending.append(run, std::size_t(p - run));
        if (p == stop) break;
        const char c = *p++;
        switch (c) {
        case '\0':
            return; // libical holds the value as a C string
        case '\n':
            pending += "\\n";
            break;
        case '\r':
        case '\b':
        case '\f':
            break;
        case ';':
        case ',':
            if (how == Escape::List) {
                pending += c;
                break;
            }
            [[fallthrough]];
        default: // the backslash
            pending += '\\';
            pending += c;
        }
    }
}

void IcsWriter::timeValue(const icaltimetype& t) {
    pending += ':';
    appendNumber(pending, t.year, 4);
    appendNumber(pending, t.month, 2);
    appendNumber(pending, t.day, 2);
    if (t.is_date) return;
    pending += 'T';
    appendNumber(pending, t.hour, 2);
    appendNumber(pending, t.minute, 2);
    appendNumber(pending, t.second, 2);
    if (icaltime_is_utc(t)) pending += 'Z';
}

void IcsWriter::durationValue(int seconds) {
    pending += ':';
    if (seconds == 0) {
        pending += "PT0S";
        return;
    }
    if (seconds < 0) pending += '-';
    pending += 'P';
    unsigned left = seconds < 0 ? 0u - unsigned(seconds) : unsigned(seconds);
    constexpr unsigned WEEK = 7 * 24 * 3600, DAY = 24 * 3600, HOUR = 3600, MINUTE = 60;
    auto segment = [&](unsigned v, char unit) {
        if (v == 0) return;
        char digits[16];
        const auto r = std::to_chars(digits, digits + sizeof digits, v);
        pending.append(digits, r.ptr);
        pending += unit;
    };
    if (left % WEEK == 0) {
        segment(left / WEEK, 'W');
        return;
    }
    segment(left / DAY, 'D');
    left %= DAY;
    if (left == 0) return;
    pending += 'T';
    segment(left / HOUR, 'H');
    segment(left % HOUR / MINUTE, 'M');
    segment(left % MINUTE, 'S');
}

void IcsWriter::end(bool marks) {
    pending += "\r\n";
    const char* s = pending.data();
    std::size_t left = pending.size();
    for (bool first = true; left > 0; first = false) {
        const std::size_t n = nextLineLength(s, left);
        if (!first) out += "\r\n ";
        if (!marks) {
            out.append(s, n);
        } else {
            for (std::size_t i = 0; i < n; ++i) {
                if (s[i] == COMMA_MARK)
                    out += "\\,";
                else if (s[i] == SEMICOLON_MARK)
                    out += "\\;";
                else
                    out += s[i];
            }
        }
        s += n;
        left -= n;
    }
}

void IcsWriter::intProperty(std::string_view name, int v) {
    char digits[16];
    const auto r = std::to_chars(digits, digits + sizeof digits, v);
    start(name);
    value(std::string_view(digits, std::size_t(r.ptr - digits)));
    end();
}

void IcsWriter::timeProperty(std::string_view name, const icaltimetype& t,
                             std::string_view zoneParam) {
    start(name);
    if (t.is_date) param("VALUE=DATE");
    if (!zoneParam.empty()) param(zoneParam);
    timeValue(t);
    end();
}
