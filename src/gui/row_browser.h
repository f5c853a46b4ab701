#pragma once
#include <FL/Fl_Browser.H>

#include <cstddef>
#include <string>
#include <vector>

// The main window's list: an Fl_Browser that can also show lines it does not
// hold. A calendar of 1,000,000 entries has about 2 million lines; adding each
// as a browser line made and copied every text and took a block of the heap
// for it (about 0.7 s and 200 MB at the start into a 7-day calendar), while
// the window shows only a screenful. Shown lines are made from their source
// when they are drawn or asked for, and look and behave as held lines with the
// same texts: the same heights, scrolling, selection and drawing, which the
// browser leaves to Fl_Browser on a line of its own that it refills.
//
// The members below hide Fl_Browser's members of the same names, which count
// held lines only: use the browser through a RowBrowser pointer.
class RowBrowser : public Fl_Browser {
  public:
    // Lines a RowBrowser shows without holding them.
    class Lines {
      public:
        virtual ~Lines() = default;
        virtual std::size_t count() const = 0;
        // The text of line i (from 0), with format codes, as Fl_Browser::add
        // takes it.
        virtual void text(std::size_t i, std::string& out) const = 0;
        // Lines of one nonzero shape have the same format codes in each column
        // and text in every column whatever their texts, so one height; 0 when
        // the height of line i is to be measured on its own text.
        virtual unsigned shape(std::size_t i) const = 0;
    };

    RowBrowser(int X, int Y, int W, int H, const char* label = nullptr);

    // Shows the lines of source, which must stay valid while they are shown
    // (until clear() or the next showLines), in place of every line.
    void showLines(const Lines& source);
    // True while lines of a source are shown.
    bool showsLines() const { return lines_ != nullptr; }

    // As Fl_Browser's, over the shown or the held lines.
    void clear();
    // Appends a held line; ends the showing of lines of a source first.
    void add(const char* text, void* data = nullptr);
    int size() const;
    // The text of a line; a shown line's text stays valid until the next call.
    const char* text(int line) const;
    int select(int line, int val = 1);
    int selected(int line) const;
    int value() const;
    int topline() const;
    void topline(int line) { lineposition(line, TOP); }
    void middleline(int line) { lineposition(line, MIDDLE); }
    void bottomline(int line) { lineposition(line, BOTTOM); }
    void lineposition(int line, Fl_Line_Position pos);

  protected:
    void* item_first() const override;
    void* item_next(void* item) const override;
    void* item_prev(void* item) const override;
    void* item_last() const override;
    int item_selected(void* item) const override;
    void item_select(void* item, int val) override;
    int item_height(void* item) const override;
    int item_width(void* item) const override;
    void item_draw(void* item, int X, int Y, int W, int H) const override;
    int full_height() const override;
    const char* item_text(void* item) const override;
    void item_swap(void* a, void* b) override;
    void* item_at(int line) const override;

  private:
    // Shown line n (from 1) is the item n: Fl_Browser_ only compares items
    // and hands them back.
    static void* itemOf(std::size_t line) { return reinterpret_cast<void*>(line); }
    static std::size_t lineOf(void* item) { return reinterpret_cast<std::size_t>(item); }
    // The one held line, filled with the text of shown line n for Fl_Browser
    // to measure and draw, selected as line n is.
    void* fillScratch(std::size_t line) const;
    int heightOf(std::size_t line) const;

    const Lines* lines_ = nullptr;
    std::size_t count_ = 0;
    std::vector<bool> selected_;
    mutable std::string text_;
    // Characters the held line has room for.
    mutable std::size_t scratchRoom_ = 0;
    // Heights by shape, and the full height, for the font they were measured
    // in; -1 when not measured yet.
    mutable std::vector<int> shapeHeights_;
    mutable int fullHeight_ = -1;
    mutable Fl_Font measuredFont_ = 0;
    mutable Fl_Fontsize measuredSize_ = 0;
};
