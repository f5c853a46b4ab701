#include "gui/ask.h"

#include "gui/file_browse.h"
#include "gui/ui_scale.h"
#include "gui/velk_gui.h"

#include <FL/Enumerations.H>
#include <FL/Fl.H>
#include <FL/Fl_Input_.H>
#include <FL/Fl_Window.H>
#include <FL/fl_ask.H>
#include <FL/fl_draw.H>
#include <FL/fl_utf8.h>
#include <algorithm>
#include <string>
#include <vector>

namespace {
// The widest line of a message box, in pixels of the message font: the box
// adds its icon and margins (90 pixels) and stays well inside a screen 1024
// pixels wide, frame included.
constexpr int MESSAGE_LINE_WIDTH = 720;

bool fits(const std::string& line) {
    return fl_width(line.c_str(), int(line.size())) <= MESSAGE_LINE_WIDTH;
}

// The pieces of a line after which it may break: a word with the blanks that
// follow it, and inside a word each part that ends in "/".
std::vector<std::string> breakPieces(const std::string& line) {
    std::vector<std::string> pieces(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        pieces.back() += line[i];
        const bool blankEnds = line[i] == ' ' && (i + 1 == line.size() || line[i + 1] != ' ');
        if (blankEnds || (line[i] == '/' && i + 1 < line.size() && line[i + 1] != ' '))
            pieces.emplace_back();
    }
    if (pieces.back().empty()) pieces.pop_back();
    return pieces;
}

// Appends one line of the text (without its line break), wrapped, to out.
void wrapLine(const std::string& line, std::string& out) {
    std::string current;
    auto breakLine = [&] {
        if (!current.empty()) out += current + '\n';
        current.clear();
    };
    for (const std::string& piece : breakPieces(line)) {
        if (fits(current + piece)) {
            current += piece;
            continue;
        }
        breakLine();
        if (fits(piece)) {
            current = piece;
            continue;
        }
        // Wider than a line of its own: it breaks between two characters.
        for (std::size_t i = 0; i < piece.size();) {
            const std::size_t n =
                std::min(piece.size() - i, std::size_t(std::max(1, fl_utf8len1(piece[i]))));
            if (!current.empty() && !fits(current + piece.substr(i, n))) breakLine();
            current += piece.substr(i, n);
            i += n;
        }
    }
    out += current;
}

// text as a box of the toolkit shows it: line breaks are inserted so that no
// line is wider than MESSAGE_LINE_WIDTH in the message font. A line breaks
// after a blank, or after a "/" inside a word, so that a path fills the line
// up to its last "/" that fits; a word of ordinary text goes whole to the
// next line, and only a word too wide for a line of its own breaks between
// two characters. Each "@" is doubled, as the toolkit would otherwise take it
// and what follows for a symbol and leave it out.
std::string boxText(const char* text) {
    fl_open_display();
    fl_font(fl_message_font_, fl_message_size_ == -1 ? FL_NORMAL_SIZE : fl_message_size_);
    const std::string all = text;
    std::string wrapped;
    for (std::size_t begin = 0;;) {
        const std::size_t end = all.find('\n', begin);
        wrapLine(all.substr(begin, end - begin), wrapped);
        if (end == std::string::npos) break;
        wrapped += '\n';
        begin = end + 1;
    }
    std::string out;
    for (const char c : wrapped) {
        if (c == '@') out += '@';
        out += c;
    }
    return out;
}

// The program's name is the title of every box, and a box opens centred on
// the main window rather than under the mouse: the toolkit's box is placed
// before it is shown, with its size from the last box, and placed again with
// its own size as soon as the event loop runs, before the user can answer.
void centreBox(void*) {
    GuiAsk::centreOnMainWindow(fl_message_icon()->window());
}

// The toolkit lays its box out at factor 1 each time it shows one; the box is
// shown at the factor in use, and its font sizes are set back when it is
// answered, as the toolkit reads them again for the next box.
struct BoxFontSize {
    Fl_Widget* widget;
    int label;
    Fl_Input_* input; // its text size too, when it is an input
    int text;
};
std::vector<BoxFontSize> boxFontSizes;
void scaleAndCentreBox(void*) {
    Fl_Window* box = fl_message_icon()->window();
    if (box && uiScale() != 1.0 && boxFontSizes.empty()) {
        boxFontSizes.push_back({box, box->labelsize(), nullptr, 0});
        for (int i = 0; i < box->children(); ++i) {
            Fl_Widget* c = box->child(i);
            auto* in = dynamic_cast<Fl_Input_*>(c);
            boxFontSizes.push_back({c, c->labelsize(), in, in ? in->textsize() : 0});
        }
        scaleNewWindow(box);
    }
    centreBox(nullptr);
}
void prepareBox() {
    fl_message_title("Velk");
    fl_message_hotspot(0);
    centreBox(nullptr);
    Fl::add_timeout(0.0, scaleAndCentreBox);
}
void boxDone() {
    Fl::remove_timeout(scaleAndCentreBox);
    for (const BoxFontSize& f : boxFontSizes) {
        f.widget->labelsize(f.label);
        if (f.input) f.input->textsize(f.text);
    }
    boxFontSizes.clear();
}

int toolkitChoice(const char* q, const char* b0, const char* b1) {
    const std::string text = boxText(q);
    prepareBox();
    const int pressed = fl_choice_n("%s", b0, b1, nullptr, text.c_str());
    boxDone();
    return pressed < 0 ? -1 : pressed;
}
void toolkitMessage(const char* text) {
    const std::string shown = boxText(text);
    prepareBox();
    fl_message("%s", shown.c_str());
    boxDone();
}
void toolkitAlert(const char* text) {
    const std::string shown = boxText(text);
    prepareBox();
    fl_alert("%s", shown.c_str());
    boxDone();
}
// The toolkit gives Enter to its middle button: that is the first answer,
// the one to take when in doubt, so the first two trade places.
int toolkitChoice3(const char* q, const char* b0, const char* b1, const char* b2) {
    const std::string text = boxText(q);
    prepareBox();
    const int pressed = fl_choice("%s", b1, b0, b2, text.c_str());
    boxDone();
    return pressed == 0 ? 1 : pressed == 1 ? 0 : 2;
}
const char* toolkitInput(const char* prompt, const char* value) {
    const std::string text = boxText(prompt);
    prepareBox();
    const char* typed = fl_input("%s", value, text.c_str());
    boxDone();
    return typed;
}
const char* toolkitPassword(const char* prompt) {
    const std::string text = boxText(prompt);
    prepareBox();
    const char* typed = fl_password("%s", "", text.c_str());
    boxDone();
    return typed;
}
} // namespace

namespace GuiAsk {
int (*choice)(const char*, const char*, const char*) = toolkitChoice;
void (*message)(const char*) = toolkitMessage;
void (*alert)(const char*) = toolkitAlert;
int (*choice3)(const char*, const char*, const char*, const char*) = toolkitChoice3;
const char* (*input)(const char*, const char*) = toolkitInput;
const char* (*password)(const char*) = toolkitPassword;
const char* (*fileName)(const char*, const char*) = askFileName;

void centreOnMainWindow(Fl_Window* w) {
    if (!w) return;
    int x = (Fl::w() - w->w()) / 2, y = (Fl::h() - w->h()) / 2;
    if (mainWin && mainWin->shown() && mainWin != w) {
        x = mainWin->x() + (mainWin->w() - w->w()) / 2;
        y = mainWin->y() + (mainWin->h() - w->h()) / 2;
    }
    // A box wider than a narrow main window stays whole on the screen.
    x = std::max(0, std::min(x, Fl::w() - w->w()));
    y = std::max(0, std::min(y, Fl::h() - w->h()));
    w->position(x, y);
}

void useToolkit() {
    choice = toolkitChoice;
    message = toolkitMessage;
    alert = toolkitAlert;
    choice3 = toolkitChoice3;
    input = toolkitInput;
    password = toolkitPassword;
    fileName = askFileName;
}
} // namespace GuiAsk
