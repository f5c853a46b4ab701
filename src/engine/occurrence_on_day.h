#pragma once
#include "model/todo_item.h"

// Which occurrence of a repeating entry the calendar shows on a day: the one
// "skip this day" leaves out; and the jump of a fixed-step rule to a span.

// The anchor day (date-only: a todo's due day, else the begin day) of the
// first occurrence of t that is not skipped and whose calendar rows include
// the day of day: the occurrences of its rule stepped from its own begin and
// end, then those of its added dates that the rule does not have (the anchor
// moves to the added date, the other date keeps its distance). An
// appointment's or note's occurrence fills its begin day to its end day (its
// begin day without an end), a todo's its begin day to its due day. Result:
// DT_EMPTY when no such occurrence covers the day.
packedDT occurrenceAnchorOn(const ToDoListToDo& t, packedDT day);

// Moves the occurrence B..E of a daily or weekly entry t (rule rec) that ends
// days before from on in one jump to the last occurrence that still ends
// before from, as the step-by-step walk would reach it. False when the walk
// would have stopped on the way (the rule's range ends first): the entry then
// has no occurrence from from on.
bool skipToSpan(const ToDoListToDo& t, const T_recData& rec, packedDT from, packedDT& B,
                packedDT& E);
