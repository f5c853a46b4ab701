#pragma once
#include <string>
#include <vector>

// Finding and closing top-level windows on the X server of the test run, the
// way a window manager would. Kept apart from the tests because the X headers
// define macros that clash with other headers.

// The id of the shown top-level window named exactly title, waiting up to
// timeoutSeconds for it to appear; 0 when none appears.
unsigned long waitForWindow(const std::string& title, double timeoutSeconds = 10);
// Asks the window to close, as the close button of its frame does.
bool askWindowToClose(unsigned long window);
// The first shown top-level window other than except (a dialog the program
// opened), waiting up to timeoutSeconds; 0 when none appears.
unsigned long waitForOtherWindow(unsigned long except, double timeoutSeconds = 10);
// Waits up to timeoutSeconds until the window is no longer shown; false when
// it still is.
bool waitForWindowGone(unsigned long window, double timeoutSeconds = 10);
// The popup menus shown now.
std::vector<unsigned long> shownPopups();
// Waits up to timeoutSeconds for a popup menu that is not one of before;
// false when none is shown.
bool waitForNewPopup(const std::vector<unsigned long>& before, double timeoutSeconds = 10);
