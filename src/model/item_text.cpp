#include "model/item_text.h"

#include <utility>

ItemText& ItemText::operator=(std::string_view s) {
    // The new text is made before the old one goes: s may be its characters.
    ItemText fresh(s);
    std::swap(raw, fresh.raw);
    return *this;
}

void ItemText::assign(std::string_view s) {
    if (s.size() <= 15) {
        setInline(s);
        return;
    }
    char* chars = new char[s.size()];
    std::memcpy(chars, s.data(), s.size());
    const uint32_t n = uint32_t(s.size());
    std::memcpy(raw, &chars, sizeof chars);
    std::memcpy(raw + 8, &n, sizeof n);
    raw[TAG] = HEAP;
}

void ItemText::release() {
    if (!isInline()) delete[] view().data();
    setInline(std::string_view());
}
