// The content lines of an iCalendar text.

#include "storage/ical_lines.h"

namespace storage {

namespace {

// The physical line at pos without its line break; pos moves past the break.
std::string_view physicalLine(std::string_view text, std::size_t& pos) {
    const std::size_t nl = text.find('\n', pos);
    const std::size_t end = nl == std::string_view::npos ? text.size() : nl;
    std::string_view line = text.substr(pos, end - pos);
    pos = nl == std::string_view::npos ? text.size() : nl + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

bool continues(std::string_view text, std::size_t pos) {
    return pos < text.size() && (text[pos] == ' ' || text[pos] == '\t');
}

bool isNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
}

char upper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

} // namespace

IcsLineReader::IcsLineReader(std::string_view text) : text_(text) {
    // A byte order mark before the first line is no part of it.
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
}

int IcsLineReader::next(T_IcsLine& line) {
    std::string_view whole;
    for (;;) {
        if (pos_ >= text_.size()) return 0;
        ++lineNo_;
        line.number = lineNo_;
        whole = physicalLine(text_, pos_);
        if (continues(text_, pos_)) {
            unfolded_.assign(whole);
            while (continues(text_, pos_)) {
                ++lineNo_;
                unfolded_ += physicalLine(text_, pos_).substr(1);
            }
            whole = unfolded_;
        }
        if (!whole.empty()) break;
    }
    line.text = whole;
    line.name = line.params = line.value = std::string_view();

    std::size_t i = 0;
    while (i < whole.size() && isNameChar(whole[i]))
        ++i;
    if (i == 0 || i == whole.size() || (whole[i] != ':' && whole[i] != ';')) return -1;
    name_.resize(i);
    for (std::size_t k = 0; k < i; ++k)
        name_[k] = upper(whole[k]);
    // The value begins at the first colon outside a quoted parameter value.
    const std::size_t paramsBegin = i;
    bool quoted = false;
    for (; i < whole.size(); ++i) {
        if (whole[i] == '"')
            quoted = !quoted;
        else if (whole[i] == ':' && !quoted)
            break;
    }
    if (i == whole.size()) return -1;
    line.name = name_;
    line.params = whole.substr(paramsBegin, i - paramsBegin);
    line.value = whole.substr(i + 1);
    return 1;
}

std::string_view icsParam(std::string_view params, std::string_view name) {
    std::size_t i = 0;
    while (i < params.size()) {
        // params[i] is the ';' before a parameter.
        const std::size_t nameBegin = i + 1;
        std::size_t eq = nameBegin;
        while (eq < params.size() && params[eq] != '=' && params[eq] != ';')
            ++eq;
        std::size_t end = eq;
        bool quoted = false;
        for (; end < params.size(); ++end) {
            if (params[end] == '"')
                quoted = !quoted;
            else if (params[end] == ';' && !quoted)
                break;
        }
        std::string_view pname = params.substr(nameBegin, eq - nameBegin);
        bool same = pname.size() == name.size();
        for (std::size_t k = 0; same && k < name.size(); ++k)
            same = upper(pname[k]) == name[k];
        if (same && eq < end) {
            std::string_view v = params.substr(eq + 1, end - eq - 1);
            if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
            return v;
        }
        i = end;
    }
    return std::string_view();
}

std::string icsText(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const char c = value[++i];
        out += (c == 'n' || c == 'N') ? '\n' : c;
    }
    return out;
}

} // namespace storage
