#include "gui/velk_gui.h"
#include "model/clock.h"

#include <FL/Fl.H>
#include <gtest/gtest.h>

TEST(MainWindow, TitleSizeAndClock) {
    setVelkNowForTesting(1299337200); // 5 March 2011, 15:00 UTC = 16:00 in Berlin
    make_windows("/data/velk.dat", 320, 240);
    ASSERT_NE(mainWin, nullptr);
    EXPECT_STREQ(mainWin->label(), "Velk: /data/velk.dat");
    EXPECT_EQ(mainWin->w(), 640);
    EXPECT_EQ(mainWin->h(), 480);
    mainWin->show();
    mainWin->updateClock();
    Fl::wait(0);
    EXPECT_EQ(mainWin->clockText(), "16:00");
    EXPECT_TRUE(mainWin->shown());

    // The Escape shortcut reaches the window's callback but does not close it;
    // the close button does, even right after Escape.
    Fl::e_keysym = FL_Escape;
    Fl::e_number = FL_SHORTCUT;
    mainWin->do_callback();
    EXPECT_TRUE(mainWin->shown());
    Fl::e_number = FL_CLOSE;
    mainWin->do_callback();
    EXPECT_FALSE(mainWin->shown());
    delete mainWin;
    mainWin = nullptr;
    setVelkNowForTesting(-1);
}
