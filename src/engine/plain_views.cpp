#include "engine/plain_views.h"

#include "model/group.h"
#include "model/todo_item.h"

#include <cstdio>

namespace {

bool isToDoPrio(uint32_t prio) {
    return prio >= 1 && prio <= 6;
}

// Appends a time of day as the calendar shows it: 9:05, 14:30.
void appendTime(std::string& line, packedDT v) {
    const int h = dtHour(v), m = dtMinute(v);
    if (h >= 10) line += char('0' + h / 10);
    line += char('0' + h % 10);
    line += ':';
    line += char('0' + m / 10);
    line += char('0' + m % 10);
}

} // namespace

char entryMark(const T_viewDataItem& row) {
    if (row.completed && isToDoPrio(row.prio)) return 'x';
    if (row.prio == PRIO_APPOINTMENT) return 'a';
    if (row.prio == PRIO_NOTE) return 'i';
    return 'o';
}

void appendCalendarTimes(const T_viewDataItem& row, std::string& line) {
    if (row.prio >= PRIO_DAYHEADER) return;
    const bool todo = row.prio <= 6;
    const packedDT s = todo ? row.secondaryDate : row.primaryDate;
    const packedDT e = todo ? row.primaryDate : row.secondaryDate;
    const bool start = row.startsHere && dtHasTime(s), end = row.endsHere && dtHasTime(e);
    if (!start && !end) return;
    line += '(';
    if (start) appendTime(line, s);
    line += '-';
    if (end) appendTime(line, e);
    line += ") ";
}

namespace {

std::string_view withoutFormatCodesView(const RowText& text) {
    std::string_view t = text.view();
    while (t.size() >= 2 && t[0] == '@' && (t[1] == 'b' || t[1] == 'i' || t[1] == 'r'))
        t.remove_prefix(2);
    if (t.size() >= 2 && t[0] == '@' && t[1] == '.') t.remove_prefix(2);
    return t;
}

} // namespace

std::string withoutFormatCodes(const RowText& text) {
    return std::string(withoutFormatCodesView(text));
}

void writeAgendaLines(const ContentView& view, std::ostream& os) {
    // The lines go out in blocks of about 64 KiB: an agenda of 100,000
    // entries has some 200,000 lines, as an open todo shows on every day up
    // to its due date, and a write per line cost a tenth of the command.
    constexpr std::size_t BLOCK = 1 << 16;
    std::string out;
    out.reserve(BLOCK + 4096);
    const std::vector<unsigned>& order = view.order();
    for (std::size_t i = 0; i < order.size(); ++i) {
        prefetchRows(view.rows(), order, i);
        const T_viewDataItem& row = view.rows()[order[i]];
        if (row.prio == PRIO_SEPARATOR) {
        } else if (row.prio == PRIO_DAYHEADER) {
            out += withoutFormatCodesView(row.text);
        } else if (row.prio == PRIO_SPECIALDAY) {
            out += "  * ";
            out += withoutFormatCodesView(row.text);
        } else {
            out += "  ";
            out += entryMark(row);
            out += ' ';
            // A completed todo shows only its text, as in the window.
            if (!(row.completed && isToDoPrio(row.prio))) appendCalendarTimes(row, out);
            out += row.text.view();
            if (row.reminds) out += " (reminder)";
        }
        out += '\n';
        if (out.size() >= BLOCK) {
            os.write(out.data(), std::streamsize(out.size()));
            out.clear();
        }
    }
    os.write(out.data(), std::streamsize(out.size()));
}

std::string groupPathOf(const ToDoListGroup& root, const ToDoListItem& item) {
    std::string path;
    for (const std::string& name : root.getPathNames(item.getPath()))
        path += "/" + name;
    return path.empty() ? "/" : path;
}

std::string plainDateTime(packedDT v) {
    if (!dtHasDate(v)) return std::string();
    char buf[32];
    if (dtHasTime(v))
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d", dtYear(v), dtMonth(v), dtDay(v),
                      dtHour(v), dtMinute(v));
    else
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", dtYear(v), dtMonth(v), dtDay(v));
    return buf;
}

void writeSearchLine(const ToDoListGroup& root, const T_viewDataItem& row, const ToDoListItem& item,
                     std::ostream& os) {
    const auto* entry = static_cast<const ToDoListToDo*>(&item);
    const packedDT begin = entry->getDateTime(WHICH_BEGIN), end = entry->getDateTime(WHICH_END);
    const bool todo = isToDoPrio(row.prio) || row.prio == 0;
    std::string details;
    auto add = [&details](const std::string& part) {
        if (part.empty()) return;
        if (!details.empty()) details += ", ";
        details += part;
    };
    if (dtHasDate(begin)) add("begin " + plainDateTime(begin));
    if (dtHasDate(end)) add((todo ? "due " : "end ") + plainDateTime(end));
    if (todo) add("priority " + std::to_string(row.prio));
    os << entryMark(row) << ' ' << groupPathOf(root, item) << ": " << row.text;
    if (!details.empty()) os << " (" << details << ')';
    os << '\n';
}

int groupAtPath(ToDoListGroup& root, const std::string& path, ToDoListGroup*& group,
                std::string& error) {
    group = &root;
    std::size_t from = path.empty() || path[0] != '/' ? 0 : 1;
    std::string walked;
    while (from < path.size()) {
        std::size_t to = path.find('/', from);
        if (to == std::string::npos) to = path.size();
        const std::string name = path.substr(from, to - from);
        from = to + 1;
        if (name.empty()) continue; // "Work//Home" and a trailing "/" name no extra level
        walked += "/" + name;
        ToDoListGroup* found = nullptr;
        for (std::size_t i = 0; i < group->getNrGroups(); ++i) {
            ToDoListGroup* g = group->getGroup(i);
            if (g->summaryView() != name) continue;
            if (found) {
                error = "there are several groups " + walked + "; the path does not say which";
                return -2;
            }
            found = g;
        }
        if (!found) {
            error = "there is no group " + walked;
            return -1;
        }
        group = found;
    }
    return 0;
}
