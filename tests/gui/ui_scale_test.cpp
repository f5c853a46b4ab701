// The factor the desktop asks for, and how a factor is kept.

#include "gui/ui_scale.h"

#include <gtest/gtest.h>

// GDK_SCALE first, then Xft.dpi / 96, rounded to a quarter within 0.5 and 4;
// 1 when the desktop says nothing that is a factor. A factor set is rounded
// and kept within the limits too.
TEST(UiScale, TheFactorComesFromGdkScaleThenXftDpiRoundedToAQuarter) {
    const char* const resources = "Xft.antialias:\t1\nXft.dpi:\t144\nXft.hinting:\t1\n";
    struct Row {
        const char *gdk, *resources;
        double factor;
    };
    // clang-format off
    const Row rows[] = {
        {"2", resources, 2}, {nullptr, resources, 1.5}, {"", resources, 1.5},
        {"2x", resources, 1.5}, {"0", resources, 1.5}, {"1.3", nullptr, 1.25},
        {nullptr, "Xft.dpi: 120", 1.25}, {nullptr, "Xft.dpi:\t110\n", 1.25},
        {nullptr, "Xft.dpi: 96", 1}, {nullptr, "Xft.dpi: 0\n", 1}, {nullptr, "Xft.dpix: 192", 1},
        {nullptr, nullptr, 1}, {"10", nullptr, 4}, {"0.3", nullptr, 0.5},
    };
    // clang-format on
    for (const Row& r : rows)
        EXPECT_EQ(desktopScale(r.gdk, r.resources), r.factor)
            << (r.gdk ? r.gdk : "-") << " / " << (r.resources ? r.resources : "-");
    EXPECT_EQ(setUiScale(1.6), 1.5);
    EXPECT_EQ(setUiScale(0.1), 0.5);
    EXPECT_EQ(setUiScale(9), 4);
    EXPECT_EQ(setUiScale(1), 1);
}
