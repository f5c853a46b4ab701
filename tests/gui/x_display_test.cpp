// Opens the connection to the X server once, before any window test runs. A
// busy server can refuse a connection for a moment, which the toolkit would
// treat as fatal, so the attempt is repeated for a while first.

#include <gtest/gtest.h>
#include <unistd.h>

#include <FL/Fl.H>
#include <FL/x.H>

namespace {

class XDisplayEnvironment : public testing::Environment {
  public:
    void SetUp() override {
        for (int attempt = 0; attempt < 100; ++attempt) {
            if (Display* d = XOpenDisplay(nullptr)) {
                fl_open_display(d);
                return;
            }
            usleep(100000);
        }
    }
};

testing::Environment* const xDisplay = testing::AddGlobalTestEnvironment(new XDisplayEnvironment);

} // namespace
