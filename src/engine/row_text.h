#pragma once
#include <ostream>
#include <string>

// The text of one list row. The calendar shows one entry on every day it
// spans, so many rows carry the same text: copying a row shares its text
// instead of copying it. A text is never changed once made; assigning makes a
// new one.
class RowText {
  public:
    RowText() = default;
    RowText(std::string s) { assign(std::move(s)); }
    RowText(const char* s) { assign(std::string(s)); }
    RowText(const RowText& o) : block(o.block) {
        if (block) ++block->refs;
    }
    RowText(RowText&& o) noexcept : block(o.block) { o.block = nullptr; }
    RowText& operator=(const RowText& o) {
        if (o.block) ++o.block->refs;
        release();
        block = o.block;
        return *this;
    }
    RowText& operator=(RowText&& o) noexcept {
        if (this != &o) {
            release();
            block = o.block;
            o.block = nullptr;
        }
        return *this;
    }
    RowText& operator=(std::string s) {
        assign(std::move(s));
        return *this;
    }
    RowText& operator=(const char* s) { return *this = std::string(s); }
    ~RowText() { release(); }

    const std::string& str() const { return block ? block->text : emptyText(); }
    operator const std::string&() const { return str(); }
    const char* c_str() const { return str().c_str(); }
    bool empty() const { return str().empty(); }
    std::size_t size() const { return str().size(); }
    void clear() { release(); }
    int compare(const RowText& o) const { return str().compare(o.str()); }

    friend bool operator==(const RowText& a, const RowText& b) { return a.str() == b.str(); }
    friend bool operator==(const RowText& a, const std::string& b) { return a.str() == b; }
    friend bool operator==(const RowText& a, const char* b) { return a.str() == b; }
    friend bool operator!=(const RowText& a, const RowText& b) { return !(a == b); }
    friend bool operator!=(const RowText& a, const std::string& b) { return !(a == b); }
    friend bool operator!=(const RowText& a, const char* b) { return !(a == b); }
    friend std::string operator+(const std::string& a, const RowText& b) { return a + b.str(); }
    friend std::string operator+(const RowText& a, const std::string& b) { return a.str() + b; }
    friend std::string operator+(const char* a, const RowText& b) { return a + b.str(); }
    friend std::ostream& operator<<(std::ostream& os, const RowText& t) { return os << t.str(); }

  private:
    // The shared text with the number of rows holding it. The count is a
    // plain one: rows are built and dropped on the one thread that runs the
    // organizer, and a calendar copies a text hundreds of thousands of times.
    struct Block {
        std::size_t refs;
        std::string text;
    };
    void assign(std::string s) {
        release();
        if (!s.empty()) block = new Block{1, std::move(s)};
    }
    void release() {
        if (block && --block->refs == 0) delete block;
        block = nullptr;
    }
    static const std::string& emptyText() {
        static const std::string empty;
        return empty;
    }
    Block* block = nullptr;
};
