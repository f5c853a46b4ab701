#pragma once

class Velk;

// Appends the rows of the calendar view to the engine's (normally empty) row
// vectors and numbers them in row order: items of the shown days, recurring
// occurrences, overdue todos, special days and day headers.
void buildCalendarRows(Velk& v);
