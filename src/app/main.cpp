// Program entry: chooses the data file, runs the organizer and tidies up.

#include "app/command_line.h"
#include "app/config.h"
#include "gui/velk_gui.h"
#include "storage/file_tools.h"

#include <FL/Fl.H>
#include <FL/fl_ask.H>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// The clipboard file of cut, copy and paste, in the current directory. Every
// run starts with it empty.
const char* const clipboardFile = "velkXXXXXX.tmp";

// Half the size of a new main window; the data file remembers the user's size.
const int defaultHalfWidth = 320;
const int defaultHalfHeight = 320;

// A message that must reach the user before any window exists: a dialog, or
// standard error in a headless run, which must never need a display.
void startupMessage(const char* text, bool headless) {
    if (headless)
        std::fprintf(stderr, "%s\n", text);
    else
        fl_message("%s", text);
}

// Builds and shows the main window and runs the event loop until the last
// window closes. Result: the event loop's exit code.
int runWindow(const CommandLine& cl) {
    make_windows(cl.path.c_str(), defaultHalfWidth, defaultHalfHeight);
    mainWin->show();
    Fl::add_timeout(1.0, updateClock);
    mainWin->updateClock();
    return Fl::run();
}

} // namespace

#ifdef __SANITIZE_ADDRESS__
// Memory that the system's font and X libraries keep until the process ends is
// not ours to free; the leak checker of the sanitizer build skips it.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libXft.so\nleak:libX11.so\n";
}
#endif

int main(int argc, char** argv) {
    ReadConfigFile();
    CommandLine cl;
    defaultFile(cl.path);
    parseCommandLine(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc), cl);
    if (!cl.dateError.empty()) std::fprintf(stderr, "%s\n", cl.dateError.c_str());

    // Nothing can be copied or pasted without a window, so a headless run
    // makes no clipboard file and works where it may not write.
    bool haveClipboard = false;
    if (!cl.noWindow) {
        if (FileTools::createPrivateFile(clipboardFile) != 0) {
            startupMessage("Unable to create temporary file", cl.noWindow);
            return -1;
        }
        haveClipboard = true;
    }

    int exitCode = 0;
    if (!cl.noWindow) exitCode = runWindow(cl);

    if (haveClipboard) std::remove(clipboardFile);
    return exitCode;
}
