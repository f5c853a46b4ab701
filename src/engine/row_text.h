#pragma once
#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>

#include "common/prefetch.h"

// The text of one list row. The calendar shows one entry on every day it
// spans, so many rows carry the same text: copying a row shares its text
// instead of copying it. A text is never changed once made; assigning makes a
// new one.
//
// A list is made and dropped again on every change the user sees, with a text
// for each of up to a hundred thousand entries: the texts are held in blocks
// of their own pool (row_text.cpp), which hands a block back out at once
// instead of going through the general heap for each one.
class RowText {
  public:
    RowText() = default;
    RowText(std::string_view s) { block = make(s); }
    RowText(const std::string& s) : RowText(std::string_view(s)) {}
    RowText(const char* s) : RowText(std::string_view(s)) {}
    RowText(const RowText& o) : block(o.block) {
        if (block) ++block->refs;
    }
    RowText(RowText&& o) noexcept : block(o.block) { o.block = nullptr; }
    RowText& operator=(const RowText& o) {
        Block* shared = o.block; // o may be this row's own text
        if (shared) ++shared->refs;
        release();
        block = shared;
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
    RowText& operator=(std::string_view s) {
        Block* made = make(s);
        release();
        block = made;
        return *this;
    }
    RowText& operator=(const std::string& s) { return *this = std::string_view(s); }
    RowText& operator=(const char* s) { return *this = std::string_view(s); }
    ~RowText() { release(); }

    // Asks for the characters early (see prefetchLine).
    void prefetch() const { prefetchLine(block); }
    std::string_view view() const {
        return block ? std::string_view(block->chars(), block->size) : std::string_view();
    }
    std::string str() const { return std::string(view()); }
    operator std::string() const { return str(); }
    const char* c_str() const { return block ? block->chars() : ""; }
    bool empty() const { return !block; }
    std::size_t size() const { return block ? block->size : 0; }
    void clear() { release(); }
    // As std::string compares: characters as unsigned, a prefix first.
    int compare(const RowText& o) const { return view().compare(o.view()); }

    friend bool operator==(const RowText& a, const RowText& b) { return a.view() == b.view(); }
    friend bool operator==(const RowText& a, std::string_view b) { return a.view() == b; }
    friend bool operator==(const RowText& a, const std::string& b) { return a.view() == b; }
    friend bool operator==(const RowText& a, const char* b) { return a.view() == b; }
    friend bool operator!=(const RowText& a, const RowText& b) { return !(a == b); }
    friend bool operator!=(const RowText& a, const std::string& b) { return !(a == b); }
    friend bool operator!=(const RowText& a, const char* b) { return !(a == b); }
    friend std::string operator+(const std::string& a, const RowText& b) {
        return std::string(a).append(b.view());
    }
    friend std::string operator+(const RowText& a, const std::string& b) {
        return a.str().append(b);
    }
    friend std::string operator+(const char* a, const RowText& b) {
        return std::string(a).append(b.view());
    }
    friend std::ostream& operator<<(std::ostream& os, const RowText& t) { return os << t.view(); }

  private:
    // A text with the number of rows holding it, its characters following
    // the block and ended by a zero byte. The count is a plain one: rows are
    // built and dropped on the one thread that runs the organizer, and a
    // calendar copies a text hundreds of thousands of times.
    struct Block {
        std::size_t refs;
        std::size_t size;
        char* chars() { return reinterpret_cast<char*>(this + 1); }
        const char* chars() const { return reinterpret_cast<const char*>(this + 1); }
    };
    // A new block holding s, or none for the empty text.
    static Block* make(std::string_view s);
    static void destroy(Block* b);
    void release() {
        if (block && --block->refs == 0) destroy(block);
        block = nullptr;
    }
    Block* block = nullptr;
};
