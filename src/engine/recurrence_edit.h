#pragma once
#include "model/datetime.h"
#include "model/recurrence.h"

#include <string>

// The edits the recurrence selector makes to a T_recData and the sentences
// with which it explains a rule, without any drawing.

constexpr int REC_MIN_INTERVAL = 1;
constexpr int REC_MAX_INTERVAL = 1000;

// Sets the rule's type. "daily, resetable" is kept only for a todo (other
// items get "daily"). "none" also resets the interval to 1 and empties both
// range dates. A yearly rule always steps one year, so its interval is 1.
// Only a weekly rule keeps its weekdays.
void applyRecurrenceType(T_recData& rec, int type, bool isTodo);

// The weekdays a weekly rule repeats on (bit 0 Monday .. bit 6 Sunday): its
// set, or the anchor's weekday (0 Monday) alone when the set is empty.
int recurrenceWeekdays(const T_recData& rec, int anchorWeekday);

// Turns weekday (0 Monday .. 6 Sunday) of a weekly rule on or off. The
// anchor's weekday stays in the set while any other day is in it (its own
// toggle only puts it back); a set of the anchor's day alone is stored as 0,
// the rule's plain form. Other rules are left as they are.
void toggleRecurrenceWeekday(T_recData& rec, int weekday, int anchorWeekday);

// Steps the interval by d within 1..1000. Rules without an interval ("none",
// "yearly") keep 1.
void stepRecurrenceInterval(T_recData& rec, int d);

// Brings a rule as the selector opens it into the shape the selector keeps:
// the interval within 1..1000, and 1 for "none" and "yearly".
void normaliseRecurrenceInterval(T_recData& rec);

// A range date with a newly picked day: the date bits are replaced, the low
// 15 bits (time and no-time flag) stay, so an empty value becomes a date
// without time.
packedDT withPickedDate(packedDT v, int day, int month, int year);

// A range date as day.month.year with two-digit day and month ("05.03.2011"),
// or "none" without a date.
std::string rangeDateText(packedDT v);

// The unit word beside the interval: "day(s)", "week(s)", "month(s)",
// "year(s)", or "" for "none" and unknown types.
const char* recurrenceUnit(int type);

// The sentence that explains the rule for an item whose reference date has
// this day of the month, month and weekday (0 = Monday). Unknown types give
// a placeholder text.
std::string recurrenceExplanation(const T_recData& rec, int day, int month, int weekday);
