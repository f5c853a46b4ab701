#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

static_assert(sizeof(void*) <= 8, "ItemText keeps a pointer in 8 bytes");

// The summary of an item, in 16 bytes instead of the 32 of a std::string: up
// to 15 bytes are held in the object itself, a longer text in a heap block of
// exactly its size. With a million entries of 50-character summaries that is
// 16 MB less, and with the heap block allocated right after its item the text
// stays on the item's memory page, which the calendar's walks rely on.
class ItemText {
  public:
    ItemText() { setInline(std::string_view()); }
    ItemText(std::string_view s) { assign(s); }
    ItemText(const ItemText& o) { assign(o.view()); }
    ItemText& operator=(const ItemText& o) { return *this = o.view(); }
    ItemText& operator=(std::string_view s);
    ~ItemText() { release(); }

    std::string_view view() const {
        if (isInline()) return std::string_view(raw, std::size_t(raw[TAG]));
        const char* chars;
        uint32_t n;
        std::memcpy(&chars, raw, sizeof chars);
        std::memcpy(&n, raw + 8, sizeof n);
        return std::string_view(chars, n);
    }
    bool empty() const { return view().empty(); }
    friend bool operator==(const ItemText& a, const ItemText& b) { return a.view() == b.view(); }

  private:
    // raw[15] is the length of an inline text (0..15), or HEAP; a heap text
    // keeps its pointer in raw[0..7] and its length in raw[8..11].
    static constexpr int TAG = 15;
    static constexpr char HEAP = char(0x40);

    bool isInline() const { return raw[TAG] != HEAP; }
    void setInline(std::string_view s) {
        if (!s.empty()) std::memcpy(raw, s.data(), s.size());
        raw[TAG] = char(s.size());
    }
    void assign(std::string_view s);
    void release();

    alignas(8) char raw[16];
};
