#pragma once
#include "model/datetime.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What the item and group editors show, as plain texts and rules without any
// drawing, so that they can be tested on their own.

// "none" without a date; else "dd.mm.yyyy" and " H:MM", or " xx:xx" when the
// value has no time ("05.03.2011 9:05", "05.03.2011 xx:xx").
std::string dateTime2str(packedDT v);

// A local time (seconds since 1970) with a strftime format.
std::string localTimeText(int32_t seconds, const char* format);

// "Time: H:MM" for a sum of seconds, rounded to whole minutes.
std::string timeSumText(double seconds);

// The completion box: the completion time "dd.mm.yyyy HH:MM", or "not yet...".
std::string completionText(bool completed, int32_t time);

// The recurrence button's label for a rule type ("Recurrence: weekly").
std::string recurrenceLabel(int type);

// The label of the reminder button: "remind" without one, "at time", "15 min",
// "2 h", "1 day", "2 weeks".
std::string reminderLabel(int minutes);

// How many days a repeating entry leaves out: "skips 1 day", "skips 3 days".
std::string skippedDaysText(std::size_t n);

// The group editor's count: "c/n (p %) done", " 100%) done" after the "("
// for a group without todos.
std::string groupCountText(unsigned completed, unsigned total);

// The lines of the times page: per recorded interval its begin, then its end
// ("      -> ...") or, for the last interval of a running item, "   running".
std::vector<std::string> workingTimeLines(const std::vector<int32_t>& begins,
                                          const std::vector<int32_t>& ends, bool running);

// Which date and time controls the basics page shows for an item of this
// kind with these begin and end values.
struct DateControls {
    bool begDate = false, begTime = false, begBox = false;
    bool endDate = false, endTime = false, endBox = false;
    bool busy = false, recurrence = false;
    bool reminder = false; // a todo with a due date, or an entry with a begin
};
DateControls dateControlsShown(bool isToDo, packedDT begin, packedDT end);

// Line wrapping while typing a description: when the line up to the cursor
// does not begin with "|" and holds more than 80 characters, the last blank
// after its indentation is to become a line break, and the new line is to be
// indented by the line's leading blanks. Returns false when nothing is to be
// wrapped; else blank is the blank's position and indent the number of blanks.
bool descriptionWrap(const std::string& text, int cursor, int& blank, int& indent);

// Ctrl+BackSpace: where the deletion that ends at pos begins, after moving
// left over the non-letters and then over the letters before pos. Bytes of
// multi-byte characters count as letters, so no character is cut in two.
int wordBackspaceStart(const std::string& text, int pos);
