#pragma once
#include <unordered_map>

class Fl_Group;
class Fl_Widget;
class Fl_Window;

// Every size of the window and its dialogs (fonts, rows, buttons, pickers)
// is laid out at factor 1 and then multiplied by one factor, so that the
// layout at factor s is the layout at 1 made s times larger. The factor goes
// in quarter steps between these two.
constexpr double UI_SCALE_MIN = 0.5;
constexpr double UI_SCALE_MAX = 4.0;
constexpr double UI_SCALE_STEP = 0.25;

// The factor in use (1 until one is set).
double uiScale();
// Sets the factor, rounded to a quarter and kept between UI_SCALE_MIN and
// UI_SCALE_MAX; returns the factor now in use.
double setUiScale(double s);
// n pixels at factor 1, at the factor in use; and back.
int scaled(int n);
int unscaled(int n);
// s rounded to the nearest quarter.
double roundToQuarter(double s);

// The factor the desktop asks for: GDK_SCALE (gdkScale) when it is a number
// above 0, else the "Xft.dpi" line of the X resources (xResources, may be
// null) divided by 96; 1 when neither says anything. Rounded to a quarter,
// within the limits.
double desktopScale(const char* gdkScale, const char* xResources);
// desktopScale of this process's environment and X display.
double desktopScaleOfDisplay();

// The scaling of a window that lays its widgets out again and again (the
// main window): each pass takes the sizes the layout code set since the last
// pass as sizes at factor 1 and shows them at the factor in use; sizes the
// code left alone keep the factor-1 sizes they had. A font size that the
// code changes while the window is shown goes through setTextSize or
// setLabelSize, so that it can never be mistaken for a size already scaled.
class ScaledLayout {
  public:
    // Scales every widget below root (root's own size is the caller's).
    void apply(Fl_Group* root);
    // The size at factor 1 of w's text or label, shown at once at the factor.
    void setTextSize(Fl_Widget* w, int size);
    void setLabelSize(Fl_Widget* w, int size);

  private:
    struct Sizes {
        int base[4], shown[4]; // x, y, w, h at factor 1, and as last shown
        int baseLabel, shownLabel;
        int baseText, shownText; // -1: the widget has no text size
    };
    Sizes& sizesOf(Fl_Widget* w);
    void scaleOne(Fl_Widget* w);
    std::unordered_map<Fl_Widget*, Sizes> known_;
};

// Scales a window that was built at factor 1 and is about to be shown for the
// first time (a picker, a dialog): its size, each widget's place and size,
// and every font size in it. Its place on the screen stays.
void scaleNewWindow(Fl_Window* w);
