#include "gui/ask.h"

#include <FL/fl_ask.H>

namespace {
int toolkitChoice(const char* q, const char* b0, const char* b1) {
    return fl_choice("%s", b0, b1, nullptr, q);
}
void toolkitMessage(const char* text) { fl_message("%s", text); }
void toolkitAlert(const char* text) { fl_alert("%s", text); }
} // namespace

namespace GuiAsk {
int (*choice)(const char*, const char*, const char*) = toolkitChoice;
void (*message)(const char*) = toolkitMessage;
void (*alert)(const char*) = toolkitAlert;

void useToolkit() {
    choice = toolkitChoice;
    message = toolkitMessage;
    alert = toolkitAlert;
}
} // namespace GuiAsk
