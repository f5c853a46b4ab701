// The main window's list, showing lines made when they are drawn.

#include "gui/row_browser.h"

#include <algorithm>
#include <cstring>

namespace {

// Characters the held line has room for at first; a longer line gives it
// room for itself.
constexpr std::size_t SCRATCH_ROOM = 255;

} // namespace

RowBrowser::RowBrowser(int X, int Y, int W, int H, const char* label)
    : Fl_Browser(X, Y, W, H, label) {}

void RowBrowser::showLines(const Lines& source) {
    clear();
    // Added while no source is set, so that Fl_Browser measures it as its own.
    scratchRoom_ = SCRATCH_ROOM;
    Fl_Browser::add(std::string(scratchRoom_, ' ').c_str());
    lines_ = &source;
    count_ = source.count();
    selected_.assign(count_, false);
}

void RowBrowser::clear() {
    lines_ = nullptr;
    count_ = 0;
    selected_.clear();
    shapeHeights_.clear();
    fullHeight_ = -1;
    Fl_Browser::clear();
}

void RowBrowser::add(const char* text, void* data) {
    if (lines_) clear();
    Fl_Browser::add(text, data);
}

int RowBrowser::size() const {
    return lines_ ? int(count_) : Fl_Browser::size();
}

const char* RowBrowser::text(int line) const {
    if (!lines_) return Fl_Browser::text(line);
    if (line < 1 || std::size_t(line) > count_) return nullptr;
    lines_->text(std::size_t(line) - 1, text_);
    return text_.c_str();
}

int RowBrowser::select(int line, int val) {
    if (!lines_) return Fl_Browser::select(line, val);
    if (line < 1 || std::size_t(line) > count_) return 0;
    return Fl_Browser_::select(itemOf(std::size_t(line)), val);
}

int RowBrowser::selected(int line) const {
    if (!lines_) return Fl_Browser::selected(line);
    if (line < 1 || std::size_t(line) > count_) return 0;
    return selected_[std::size_t(line) - 1] ? 1 : 0;
}

int RowBrowser::value() const {
    return lines_ ? int(lineOf(selection())) : Fl_Browser::value();
}

int RowBrowser::topline() const {
    return lines_ ? int(lineOf(top())) : Fl_Browser::topline();
}

// As Fl_Browser::lineposition does over held lines.
void RowBrowser::lineposition(int line, Fl_Line_Position pos) {
    if (!lines_) {
        Fl_Browser::lineposition(line, pos);
        return;
    }
    if (line < 1) line = 1;
    if (line > int(count_)) line = int(count_);
    int p = 0;
    for (int l = 1; l < line; ++l)
        p += heightOf(std::size_t(l));
    if (line >= 1 && pos == BOTTOM) p += heightOf(std::size_t(line));
    int final = p, X, Y, W, H;
    bbox(X, Y, W, H);
    switch (pos) {
    case TOP:
        break;
    case BOTTOM:
        final -= H;
        break;
    case MIDDLE:
        final -= H / 2;
        break;
    }
    if (final > full_height() - H) final = full_height() - H;
    position(final);
}

void* RowBrowser::fillScratch(std::size_t line) const {
    lines_->text(line - 1, text_);
    auto* self = const_cast<RowBrowser*>(this);
    if (text_.size() > scratchRoom_) {
        scratchRoom_ = std::max(text_.size(), 2 * scratchRoom_);
        self->Fl_Browser::text(1, std::string(scratchRoom_, ' ').c_str());
    }
    // The held line's characters have room for scratchRoom_ and the zero.
    std::memcpy(const_cast<char*>(Fl_Browser::text(1)), text_.c_str(), text_.size() + 1);
    FL_BLINE* scratch = find_line(1);
    self->Fl_Browser::item_select(scratch, selected_[line - 1] ? 1 : 0);
    return scratch;
}

int RowBrowser::heightOf(std::size_t line) const {
    if (measuredFont_ != textfont() || measuredSize_ != textsize()) {
        measuredFont_ = textfont();
        measuredSize_ = textsize();
        shapeHeights_.clear();
        fullHeight_ = -1;
    }
    const unsigned shape = lines_->shape(line - 1);
    if (shape == 0) return Fl_Browser::item_height(fillScratch(line));
    if (shape >= shapeHeights_.size()) shapeHeights_.resize(shape + 1, -1);
    if (shapeHeights_[shape] < 0) shapeHeights_[shape] = Fl_Browser::item_height(fillScratch(line));
    return shapeHeights_[shape];
}

void* RowBrowser::item_first() const {
    if (!lines_) return Fl_Browser::item_first();
    return count_ ? itemOf(1) : nullptr;
}

void* RowBrowser::item_next(void* item) const {
    if (!lines_) return Fl_Browser::item_next(item);
    return lineOf(item) < count_ ? itemOf(lineOf(item) + 1) : nullptr;
}

void* RowBrowser::item_prev(void* item) const {
    if (!lines_) return Fl_Browser::item_prev(item);
    return lineOf(item) > 1 ? itemOf(lineOf(item) - 1) : nullptr;
}

void* RowBrowser::item_last() const {
    if (!lines_) return Fl_Browser::item_last();
    return count_ ? itemOf(count_) : nullptr;
}

int RowBrowser::item_selected(void* item) const {
    if (!lines_) return Fl_Browser::item_selected(item);
    return selected_[lineOf(item) - 1] ? 1 : 0;
}

void RowBrowser::item_select(void* item, int val) {
    if (!lines_) {
        Fl_Browser::item_select(item, val);
        return;
    }
    selected_[lineOf(item) - 1] = val != 0;
}

int RowBrowser::item_height(void* item) const {
    return lines_ ? heightOf(lineOf(item)) : Fl_Browser::item_height(item);
}

int RowBrowser::item_width(void* item) const {
    return Fl_Browser::item_width(lines_ ? fillScratch(lineOf(item)) : item);
}

void RowBrowser::item_draw(void* item, int X, int Y, int W, int H) const {
    Fl_Browser::item_draw(lines_ ? fillScratch(lineOf(item)) : item, X, Y, W, H);
}

int RowBrowser::full_height() const {
    if (!lines_) return Fl_Browser::full_height();
    if (fullHeight_ < 0 || measuredFont_ != textfont() || measuredSize_ != textsize()) {
        int sum = 0;
        for (std::size_t line = 1; line <= count_; ++line)
            sum += heightOf(line);
        fullHeight_ = sum;
    }
    return fullHeight_;
}

const char* RowBrowser::item_text(void* item) const {
    if (!lines_) return Fl_Browser::item_text(item);
    lines_->text(lineOf(item) - 1, text_);
    return text_.c_str();
}

void RowBrowser::item_swap(void* a, void* b) {
    // Shown lines keep the order of their source.
    if (!lines_) Fl_Browser::item_swap(a, b);
}

void* RowBrowser::item_at(int line) const {
    if (!lines_) return Fl_Browser::item_at(line);
    return line >= 1 && std::size_t(line) <= count_ ? itemOf(std::size_t(line)) : nullptr;
}
