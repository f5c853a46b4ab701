#pragma once
#include "model/datetime.h"

#include <cstdint>

// Kinds of repetition of an entry.
enum : int32_t {
    REC_NONE = 0,
    REC_DAILY = 1,
    REC_DAILY_RESETABLE = 2, // counted from today; todos only (appointments use REC_DAILY)
    REC_WEEKLY = 3,
    REC_MONTHLY_BY_DAY = 4,  // the same ordinal weekday, e.g. the second Tuesday
    REC_MONTHLY_BY_DATE = 5, // the same day of the month
    REC_YEARLY = 6,
};

// The repetition rule of an entry.
struct T_recData {
    int32_t type = REC_NONE;
    int32_t interval = 1;           // repeat every interval days, weeks or months
    packedDT rangeBegin = DT_EMPTY; // first day on which the rule is active
    packedDT rangeEnd = DT_EMPTY;   // no occurrence may lie after it
    // A weekly rule's weekdays, bit 0 Monday .. bit 6 Sunday: it repeats on
    // each of them in every interval-th week (weeks begin on Monday). 0 is
    // the anchor's weekday alone, as a rule without a set repeats.
    uint8_t weekdays = 0;
    // The rule was given as a number of occurrences: its range end is the
    // day of the last one, and it is written back as a count.
    bool counted = false;

    bool isRecurring() const { return type != REC_NONE; }
    // Drops the rule: no repetition, interval 1, no range.
    void reset() { *this = T_recData(); }
    bool operator==(const T_recData& o) const {
        return type == o.type && interval == o.interval && rangeBegin == o.rangeBegin &&
               rangeEnd == o.rangeEnd && weekdays == o.weekdays && counted == o.counted;
    }
    bool operator!=(const T_recData& o) const { return !(*this == o); }
};

// Why the dates of an entry made its rule drop back to REC_NONE; the numbers
// are those of the diagnostic lines "Recurrence reset (n)".
enum RecurrenceReset : int {
    REC_KEPT = 0,                    // the rule was kept
    REC_RESET_NO_RANGE = 1,          // begin or end date missing
    REC_RESET_TODO_NO_DUE = 2,       // a todo without a due date
    REC_RESET_DUE_OUT_OF_RANGE = 3,  // a todo due outside the rule's range
    REC_RESET_NO_BEGIN = 4,          // an appointment or note without a begin date
    REC_RESET_BEGIN_OUT_OF_RANGE = 5 // an appointment or note beginning outside the range
};

// The reason of a reset in words for the user; empty for REC_KEPT.
const char* recurrenceResetText(int reason);

// Moves begin and end of an entry with the given rule and priority on to the
// next occurrence. The anchor is the end (due date) for a todo (priority 6 or
// less), the begin for an appointment or note; the other value keeps its
// distance in days to the anchor and its own time of day.
// Results: 1 the pair was moved; 0 there is no following occurrence (no rule,
// beyond the range end, beyond the year 2127, or an interval below 1), and
// begin and end are unchanged.
int followingRecurrenceDate(const T_recData& rec, unsigned priority, packedDT& begin,
                            packedDT& end);

// Whether the weekly rule rec repeats on more weekdays than its anchor's.
bool hasWeekdaySet(const T_recData& rec);
