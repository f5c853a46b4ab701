#pragma once

// The message boxes of the user interface, reached through one seam so that
// tests can answer them instead of a person.
namespace GuiAsk {
// Shows the question with two buttons; returns 0 for the first, 1 for the second.
extern int (*choice)(const char* question, const char* button0, const char* button1);
extern void (*message)(const char* text);
extern void (*alert)(const char* text);
// Puts the toolkit's own message boxes back.
void useToolkit();
} // namespace GuiAsk
