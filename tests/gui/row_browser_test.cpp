// The list browser showing lines it does not hold, against an Fl_Browser
// holding the same lines: the same lines, positions, selection and picture.

#include <gtest/gtest.h>

#include "gui/row_browser.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>
#include <random>
#include <string>
#include <vector>

namespace {

// Random lines of the kinds the main window shows, with their shapes: day
// headers and special days (measured), entries, groups, blank lines, and a few
// longer than the browser's first room for a line.
struct RandomLines : RowBrowser::Lines {
    std::vector<std::string> texts;
    std::vector<unsigned> shapes;
    explicit RandomLines(unsigned seed) {
        std::mt19937 rng(seed);
        for (int i = 0; i < 400; ++i) {
            const std::string b = rng() % 2 ? "@B17" : "@B49";
            const std::string text(rng() % 4 == 0 ? 0 : 1 + rng() % (i % 97 == 5 ? 600 : 40), 'x');
            switch (rng() % 6) {
            case 0:
                texts.push_back("@B12\t@B12" + std::string(rng() % 2 ? "@b@r" : "@i@r") + "Day" +
                                text);
                shapes.push_back(0);
                break;
            case 1:
                texts.push_back(b + "@bO\t@b" + b + "@." + text);
                shapes.push_back(2);
                break;
            case 2:
                texts.push_back("");
                shapes.push_back(3);
                break;
            default:
                texts.push_back(b + (rng() % 2 ? "o" : "x") + "\t" + b + "@." + text);
                shapes.push_back(1);
            }
        }
    }
    std::size_t count() const override { return texts.size(); }
    void text(std::size_t i, std::string& out) const override { out = texts[i]; }
    unsigned shape(std::size_t i) const override { return shapes[i]; }
};

std::vector<unsigned char> picture(Fl_Window& w) {
    w.redraw();
    Fl::flush();
    w.make_current();
    std::vector<unsigned char> pixels(std::size_t(w.w() * w.h() * 3));
    fl_read_image(pixels.data(), 0, 0, w.w(), w.h());
    return pixels;
}

TEST(RowBrowser, ShowsLinesAsABrowserHoldingThem) {
    static const int columns[] = {30, 0};
    RandomLines lines(7);
    Fl_Window heldWin(0, 0, 300, 200);
    auto* held = new Fl_Browser(0, 0, 300, 200);
    heldWin.end();
    Fl_Window shownWin(320, 0, 300, 200);
    auto* shown = new RowBrowser(0, 0, 300, 200);
    shownWin.end();
    for (Fl_Browser* b : {held, static_cast<Fl_Browser*>(shown)}) {
        b->type(FL_MULTI_BROWSER);
        b->textsize(16);
        b->column_widths(columns);
    }
    heldWin.show();
    shownWin.show();
    for (const std::string& t : lines.texts)
        held->add(t.c_str());
    shown->showLines(lines);

    ASSERT_EQ(shown->size(), held->size());
    for (int line = 1; line <= held->size(); ++line)
        ASSERT_STREQ(shown->text(line), held->text(line)) << line;
    EXPECT_EQ(picture(shownWin), picture(heldWin));

    const int places[] = {1, 2, 57, 200, 399, 400, 500};
    for (int line : places) {
        held->topline(line), shown->topline(line);
        EXPECT_EQ(shown->position(), held->position()) << line;
        EXPECT_EQ(picture(shownWin), picture(heldWin)) << line;
        EXPECT_EQ(shown->topline(), held->topline()) << line;
        held->middleline(line), shown->middleline(line);
        EXPECT_EQ(shown->position(), held->position()) << line;
        held->bottomline(line), shown->bottomline(line);
        EXPECT_EQ(shown->position(), held->position()) << line;
    }
    held->deselect(), shown->deselect();
    for (int line : {3, 210, 211}) {
        held->select(line), shown->select(line);
        held->middleline(line), shown->middleline(line);
    }
    for (int line = 1; line <= held->size(); ++line)
        ASSERT_EQ(shown->selected(line), held->selected(line)) << line;
    EXPECT_EQ(shown->value(), held->value());
    EXPECT_EQ(picture(shownWin), picture(heldWin));

    shown->add("<empty>");
    EXPECT_FALSE(shown->showsLines());
    ASSERT_EQ(shown->size(), 1);
    EXPECT_STREQ(shown->text(1), "<empty>");
}

} // namespace
