#include "gui/ask.h"

#include <FL/fl_ask.H>

namespace {
int toolkitChoice(const char* q, const char* b0, const char* b1) {
    return fl_choice("%s", b0, b1, nullptr, q);
}
void toolkitMessage(const char* text) { fl_message("%s", text); }
void toolkitAlert(const char* text) { fl_alert("%s", text); }
// The toolkit gives Enter to its middle button: that is the first answer,
// the one to take when in doubt, so the first two trade places.
int toolkitChoice3(const char* q, const char* b0, const char* b1, const char* b2) {
    const int pressed = fl_choice("%s", b1, b0, b2, q);
    return pressed == 0 ? 1 : pressed == 1 ? 0 : 2;
}
const char* toolkitInput(const char* prompt, const char* value) {
    return fl_input("%s", value, prompt);
}
} // namespace

namespace GuiAsk {
int (*choice)(const char*, const char*, const char*) = toolkitChoice;
void (*message)(const char*) = toolkitMessage;
void (*alert)(const char*) = toolkitAlert;
int (*choice3)(const char*, const char*, const char*, const char*) = toolkitChoice3;
const char* (*input)(const char*, const char*) = toolkitInput;

void useToolkit() {
    choice = toolkitChoice;
    message = toolkitMessage;
    alert = toolkitAlert;
    choice3 = toolkitChoice3;
    input = toolkitInput;
}
} // namespace GuiAsk
