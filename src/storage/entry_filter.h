#pragma once
#include <istream>
#include <streambuf>
#include <string>
#include <string_view>

namespace storage {

// A load of the data file that leaves out the entries that cannot hold a
// text: a search reads only the entries whose summary or readable
// description may hold it, and the groups, so that at 100,000 entries it
// parses about one record in a hundred instead of all of them.
//
// The whole file is held in memory and read through stream(). At each entry
// record the reader asks skipsEntry(): the record's raw lines are looked at
// for the text, compared as the search compares (ASCII letters in either
// case), and when it is not there the stream moves past the record. A summary
// and a plain description stand in the record as they are, so every entry
// the search would find is kept; an entry whose description is stored in
// binary form, and any record the raw look cannot follow to its end, is
// always kept and read as usual.
class EntryFilter {
  public:
    // fileText: the whole data file (kept by reference: it must outlive the
    // filter). text: what a kept entry may hold.
    EntryFilter(const std::string& fileText, std::string_view text);
    EntryFilter(const EntryFilter&) = delete;
    EntryFilter& operator=(const EntryFilter&) = delete;

    std::istream& stream() { return in_; }

    // Called with stream() just after an entry record's opening line: true
    // when the record cannot hold the text, the stream then standing after
    // the record's closing line.
    bool skipsEntry(std::istream& in);

  private:
    class Buf : public std::streambuf {
      public:
        Buf(const char* begin, const char* end);
        const char* position() const { return gptr(); }
        void moveTo(const char* p);
    };

    // The end of the entry record that starts at p (after its closing
    // line), or null when the record cannot be followed to its end or holds
    // a binary description.
    const char* recordEnd(const char* p, const char* end) const;
    bool holdsText(const char* begin, const char* end) const;

    Buf buf_;
    std::istream in_;
    std::string upper_; // the text, its ASCII letters in upper case
    std::size_t shift_[256];
};

} // namespace storage
