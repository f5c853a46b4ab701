#pragma once

// The message boxes of the user interface, reached through one seam so that
// tests can answer them instead of a person. The texts handed to the seam are
// the messages as written; the toolkit's boxes wrap them to fit the screen.
class Fl_Window;

namespace GuiAsk {
// Shows the question with two buttons; the toolkit gives Enter to the second.
// Returns 0 for the first, 1 for the second, -1 when the box is closed without
// an answer (Escape or the close box): callers take -1 for the safe answer.
extern int (*choice)(const char* question, const char* button0, const char* button1);
extern void (*message)(const char* text);
extern void (*alert)(const char* text);
// Shows the question with three buttons; returns 0, 1 or 2 for the button.
extern int (*choice3)(const char* question, const char* button0, const char* button1,
                      const char* button2);
// Asks for a line of text, offering value; null when the user cancels.
extern const char* (*input)(const char* prompt, const char* value);
// Asks for a password, not shown as it is typed; null when the user cancels.
extern const char* (*password)(const char* prompt);
// Asks for the name of a file to write, offering value, with a "browse…"
// button that opens the file dialog; null when the user cancels.
extern const char* (*fileName)(const char* prompt, const char* value);
// Puts the toolkit's own message boxes back.
void useToolkit();
// Places w centred on the main window (on the screen when there is none).
void centreOnMainWindow(Fl_Window* w);
} // namespace GuiAsk
