#pragma once
#include <memory>
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
    RowText& operator=(std::string s) {
        assign(std::move(s));
        return *this;
    }
    RowText& operator=(const char* s) { return *this = std::string(s); }

    const std::string& str() const { return text ? *text : emptyText(); }
    operator const std::string&() const { return str(); }
    const char* c_str() const { return str().c_str(); }
    bool empty() const { return str().empty(); }
    std::size_t size() const { return str().size(); }
    void clear() { text.reset(); }
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
    void assign(std::string s) {
        if (s.empty())
            text.reset();
        else
            text = std::make_shared<const std::string>(std::move(s));
    }
    static const std::string& emptyText() {
        static const std::string empty;
        return empty;
    }
    std::shared_ptr<const std::string> text;
};
