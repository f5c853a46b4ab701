#include "storage/entry_filter.h"

#include "common/text.h"
#include "model/description.h"

#include <cstdlib>
#include <cstring>

namespace storage {

namespace {

char upper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

} // namespace

EntryFilter::Buf::Buf(const char* begin, const char* end) {
    char* b = const_cast<char*>(begin);
    setg(b, b, const_cast<char*>(end));
}

void EntryFilter::Buf::moveTo(const char* p) {
    setg(eback(), const_cast<char*>(p), egptr());
}

EntryFilter::EntryFilter(const std::string& fileText, std::string_view text)
    : buf_(fileText.data(), fileText.data() + fileText.size()), in_(&buf_), upper_(strU(text)) {
    // Horspool's table: how far the text may move on when the byte under
    // its last character is b, for either case of a letter.
    const std::size_t m = upper_.size();
    for (std::size_t& s : shift_)
        s = m;
    for (std::size_t i = 0; i + 1 < m; ++i) {
        const unsigned char c = static_cast<unsigned char>(upper_[i]);
        shift_[c] = m - 1 - i;
        if (c >= 'A' && c <= 'Z') shift_[c - 'A' + 'a'] = m - 1 - i;
    }
}

bool EntryFilter::holdsText(const char* begin, const char* end) const {
    // Horspool's search skips ahead by up to the text's length, so a record
    // is looked at in a fraction of its bytes.
    const std::size_t m = upper_.size();
    if (m == 0) return true;
    for (const char* p = begin; std::size_t(end - p) >= m;) {
        std::size_t j = m - 1;
        while (upper(p[j]) == upper_[j]) {
            if (j == 0) return true;
            --j;
        }
        p += shift_[static_cast<unsigned char>(p[m - 1])];
    }
    return false;
}

const char* EntryFilter::recordEnd(const char* p, const char* end) const {
    // The lines of an entry record as the record reader takes them: each
    // line's first character is its tag, '>' closes the record, and a 'd'
    // line is followed by a description block of its length in bytes and
    // an optional line feed. The flags of an 'F' line seen before it say
    // whether the block is binary.
    long flags = 0;
    while (p < end) {
        const char* nl = static_cast<const char*>(std::memchr(p, '\n', std::size_t(end - p)));
        const char* lineEnd = nl ? nl : end;
        const char tag = *p;
        if (tag == '>') return nl ? nl + 1 : end;
        if (tag == 'F') {
            flags = long(int32_t(std::strtoul(std::string(p + 1, lineEnd).c_str(), nullptr, 16)));
        } else if (tag == 'd') {
            if (DescrData::DescrIsBinary(int(flags))) return nullptr;
            const int32_t n = parseI32(std::string(p + 1, lineEnd).c_str());
            if (!nl || n < 0 || end - (nl + 1) < n) return nullptr;
            p = nl + 1 + n;
            if (p < end && *p == '\n') ++p;
            continue;
        }
        if (!nl) return nullptr; // cut off by the end of the file
        p = nl + 1;
    }
    return nullptr;
}

bool EntryFilter::skipsEntry(std::istream& in) {
    if (&in != &in_ || !in.good()) return false;
    const char* begin = buf_.position();
    const char* end = begin + buf_.in_avail();
    const char* after = recordEnd(begin, end);
    if (!after || holdsText(begin, after)) return false;
    buf_.moveTo(after);
    return true;
}

} // namespace storage
