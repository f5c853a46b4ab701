#include "model/todo_item.h"

#include "model/calendar.h"
#include "model/clock.h"

#include <algorithm>
#include <cstdio>
#include <utility>

unsigned long ToDoListItem::idChangeCount = 0;

ToDoListItem::ToDoListItem(unsigned id, std::string p)
    : path(std::make_shared<const std::string>(std::move(p))), ID(id) {}

ToDoListItem::ToDoListItem(unsigned id, SharedPath p) : path(std::move(p)), ID(id) {}

const std::string& ToDoListItem::getPath() const {
    static const std::string none;
    return path ? *path : none;
}

void ToDoListItem::setPath(std::string p) {
    if (getPath() != p) path = std::make_shared<const std::string>(std::move(p));
}

ToDoListItem::ToDoListItem(const ToDoListItem&) : summary() {}

void ToDoListItem::setID(unsigned id) {
    ID = id;
    ++idChangeCount;
}

void ToDoListItem::copyItemFields(const ToDoListItem& src) {
    path = src.path;
    ID = src.ID;
    syncID = src.syncID;
    summary = src.summary;
    priority = src.priority;
}

ToDoListToDo::ToDoListToDo(unsigned id, std::string p) : ToDoListItem(id, std::move(p)) {}

ToDoListToDo::ToDoListToDo(unsigned id, SharedPath p) : ToDoListItem(id, std::move(p)) {}

ToDoListToDo::ToDoListToDo(const ToDoListToDo& src) : ToDoListItem(src) {
    *this = src;
}

ToDoListToDo& ToDoListToDo::operator=(const ToDoListToDo& src) {
    if (this == &src) return *this;
    description = src.description;
    workingTimes = src.workingTimes
                       ? std::make_unique<std::vector<T_workingTimes>>(*src.workingTimes)
                       : nullptr;
    completed = src.completed;
    showTimeAs = src.showTimeAs;
    running = src.running;
    begin = src.begin;
    end = src.end;
    recData = src.recData;
    extras_ = src.extras_ ? std::make_unique<T_EntryExtras>(*src.extras_) : nullptr;
    copyItemFields(src);
    return *this;
}

bool ToDoListToDo::operator==(const ToDoListToDo& o) const {
    return description == o.description && getNrTimes() == o.getNrTimes() &&
           completed.completed == o.completed.completed && completed.time == o.completed.time &&
           showTimeAs == o.showTimeAs && running == o.running && begin == o.begin && end == o.end &&
           recData.type == o.recData.type && recData.rangeBegin == o.recData.rangeBegin &&
           recData.rangeEnd == o.recData.rangeEnd && recData.weekdays == o.recData.weekdays &&
           recData.counted == o.recData.counted && extras() == o.extras() &&
           getPath() == o.getPath() && ID == o.ID && syncID == o.syncID && summary == o.summary &&
           priority == o.priority;
}

void ToDoListToDo::setDateDontCheck(int which, int year, int month, int day, T_Calendar& cal) {
    if (!isValidDate(day, month, year)) return;
    removeFromCalLists(cal);
    packedDT& v = dateTimeRef(which);
    v = withDate(v, day, month, year);
    putIntoCalList(cal);
}

void ToDoListToDo::setDate(int which, int year, int month, int day, T_Calendar& cal) {
    if (!isValidDate(day, month, year)) return;
    removeFromCalLists(cal);
    packedDT& v = dateTimeRef(which);
    v = withDate(v, day, month, year);
    sanitizeTimeThings();
    putIntoCalList(cal);
}

void ToDoListToDo::setTimeDontCheck(int which, int hour, int minute, T_Calendar& cal) {
    removeFromCalLists(cal);
    packedDT& v = dateTimeRef(which);
    v = (v & DT_DATEMASK) | packTime(hour, minute);
    putIntoCalList(cal);
}

void ToDoListToDo::setTime(int which, int hour, int minute, T_Calendar& cal) {
    removeFromCalLists(cal);
    packedDT& v = dateTimeRef(which);
    v = (v & DT_DATEMASK) | packTime(hour, minute);
    sanitizeTimeThings();
    putIntoCalList(cal);
}

void ToDoListToDo::clearDate(int which, T_Calendar& cal) {
    removeFromCalLists(cal);
    packedDT& v = dateTimeRef(which);
    v = dtTimeBits(v) | DT_NODATE;
    sanitizeTimeThings();
    putIntoCalList(cal);
}

void ToDoListToDo::clearTime(int which, T_Calendar& cal) {
    removeFromCalLists(cal);
    packedDT& v = dateTimeRef(which);
    v = (v & DT_DATEMASK) | DT_NOTIME;
    sanitizeTimeThings();
    putIntoCalList(cal);
}

void ToDoListToDo::setShowTimeAs(int value, T_Calendar& cal) {
    if (isToDo()) {
        showTimeAs = value;
        return;
    }
    removeFromCalLists(cal);
    showTimeAs = value;
    priority = value ? PRIO_APPOINTMENT : PRIO_NOTE;
    sanitizeTimeThings();
    putIntoCalList(cal);
}

void ToDoListToDo::setPriority(unsigned prio, T_Calendar& cal) {
    removeFromCalLists(cal);
    priority = prio;
    sanitizeTimeThings();
    putIntoCalList(cal);
}

int ToDoListToDo::setRecData(T_recData rec, T_Calendar& cal) {
    removeFromCalLists(cal);
    recData = rec;
    const int reset = sanitizeTimeThings();
    putIntoCalList(cal);
    return reset;
}

int ToDoListToDo::sanitizeTimeThings() {
    auto day = [](packedDT x) { return dtDateOnly(x); };
    const bool recurring = recData.type != REC_NONE;
    bool resetMarked = false;
    bool resetDone = false;
    // The reason of the reset that is made: a later step's own, else step 1's.
    int reason = REC_KEPT;
    auto reset = [&](int why, const char* message) {
        if (message) std::fputs(message, stdout);
        recData.reset();
        resetDone = true;
        if (why != REC_KEPT) reason = why;
    };

    // 1. Order of begin and end.
    if (dtHasDate(begin) && dtHasDate(end)) {
        if (day(begin) > day(end) ||
            (day(begin) == day(end) && dtHasTime(begin) && dtHasTime(end) && begin > end))
            std::swap(begin, end);
    } else if (recurring) {
        showTimeAs = 0;
        std::fputs("Recurrence reset (1): no range [", stdout);
        resetMarked = true;
        reason = REC_RESET_NO_RANGE;
    }

    // 2. Order of the range.
    if (dtHasDate(recData.rangeBegin) && dtHasDate(recData.rangeEnd) &&
        day(recData.rangeBegin) > day(recData.rangeEnd))
        std::swap(recData.rangeBegin, recData.rangeEnd);

    auto outOfRange = [&](packedDT x) {
        return (dtHasDate(recData.rangeBegin) && day(x) < day(recData.rangeBegin)) ||
               (dtHasDate(recData.rangeEnd) && day(x) > day(recData.rangeEnd));
    };

    if (isToDo()) {
        // 3. A todo is filed and repeated by its end (due date).
        if (!dtHasDate(end)) {
            begin = end = DT_EMPTY;
            if (recurring)
                reset(REC_RESET_TODO_NO_DUE, "Recurrence reset (2): no end date for todo [");
        } else {
            if (!dtHasDate(begin)) begin = DT_EMPTY;
            if (outOfRange(end) && recurring)
                reset(REC_RESET_DUE_OUT_OF_RANGE, "Recurrence reset (3): date not in range [");
        }
    } else {
        // 4. An appointment or note is filed and repeated by its begin.
        if (recData.type == REC_DAILY_RESETABLE) recData.type = REC_DAILY;
        if (!dtHasDate(begin)) {
            begin = end = DT_EMPTY;
            if (recurring)
                reset(REC_RESET_NO_BEGIN,
                      "Recurrence reset (4): type date without start date/time [");
            else
                reset(REC_KEPT, nullptr);
        } else {
            if (!dtHasDate(end)) end = DT_EMPTY;
            if (outOfRange(begin) && recurring)
                reset(REC_RESET_BEGIN_OUT_OF_RANGE, "Recurrence reset (5) [");
        }
    }

    // 5. A reset marked in step 1 is made at the end.
    if (resetMarked && !resetDone) recData.reset();
    return reason;
}

const T_EntryExtras ToDoListToDo::noExtras;

T_EntryExtras& ToDoListToDo::editExtras() {
    if (!extras_) extras_ = std::make_unique<T_EntryExtras>();
    return *extras_;
}

void ToDoListToDo::tidyExtras() {
    if (extras_ && extras_->empty()) extras_.reset();
}

namespace {

// Dates in ascending order, one per day (the first of a day stays).
void orderByDay(std::vector<packedDT>& dates) {
    std::stable_sort(dates.begin(), dates.end(),
                     [](packedDT a, packedDT b) { return dtDateOnly(a) < dtDateOnly(b); });
    dates.erase(std::unique(dates.begin(), dates.end(),
                            [](packedDT a, packedDT b) { return dtDateOnly(a) == dtDateOnly(b); }),
                dates.end());
}

} // namespace

bool ToDoListToDo::isSkipped(packedDT d) const {
    if (!extras_ || extras_->skipped.empty()) return false;
    return std::binary_search(extras_->skipped.begin(), extras_->skipped.end(), dtDateOnly(d));
}

bool ToDoListToDo::skipDay(packedDT d) {
    if (!dtHasDate(d) || isSkipped(d)) return false;
    std::vector<packedDT>& s = editExtras().skipped;
    s.insert(std::upper_bound(s.begin(), s.end(), dtDateOnly(d)), dtDateOnly(d));
    return true;
}

void ToDoListToDo::clearSkipped() {
    if (!extras_) return;
    extras_->skipped.clear();
    tidyExtras();
}

void ToDoListToDo::setSkippedDirect(std::vector<packedDT> days) {
    days.erase(std::remove_if(days.begin(), days.end(), [](packedDT d) { return !dtHasDate(d); }),
               days.end());
    for (packedDT& d : days)
        d = dtDateOnly(d);
    orderByDay(days);
    editExtras().skipped = std::move(days);
    tidyExtras();
}

void ToDoListToDo::setAddedDirect(std::vector<packedDT> dates) {
    dates.erase(
        std::remove_if(dates.begin(), dates.end(), [](packedDT d) { return !dtHasDate(d); }),
        dates.end());
    orderByDay(dates);
    editExtras().added = std::move(dates);
    tidyExtras();
}

void ToDoListToDo::setAdded(std::vector<packedDT> dates, T_Calendar& cal) {
    removeFromCalLists(cal);
    setAddedDirect(std::move(dates));
    putIntoCalList(cal);
}

void ToDoListToDo::addedOccurrence(packedDT d, packedDT& b, packedDT& e) const {
    const packedDT anchor = isToDo() ? end : begin, other = isToDo() ? begin : end;
    const packedDT a = dtHasTime(d) ? d : (d & DT_DATEMASK) | dtTimeBits(anchor);
    packedDT o = DT_EMPTY;
    if (dtHasDate(other)) {
        o = a;
        moveDate(o, getDateDiff(other, anchor));
        o = (o & DT_DATEMASK) | dtTimeBits(other);
    }
    b = isToDo() ? o : a;
    e = isToDo() ? a : o;
}

bool ToDoListToDo::repeatsInCalendar() const {
    return (recData.type != REC_NONE && recData.type != REC_DAILY_RESETABLE) ||
           (extras_ && !extras_->added.empty());
}

int ToDoListToDo::setCompleted(T_Calendar& cal) {
    if (!isToDo() || completed.completed) return -2;
    // Not active yet: refused before the entry is unfiled, so that it keeps its
    // place in the calendar lists.
    if (recData.type != REC_NONE && dtHasDate(recData.rangeBegin) &&
        getTodayDate(DT_EMPTY) < recData.rangeBegin)
        return -1;
    removeFromCalLists(cal);
    const int32_t now = int32_t(velkNow());
    const int moved = moveToNextOccurrence();
    if (moved == 0) completed = {true, now};
    sanitizeTimeThings();
    putIntoCalList(cal);
    if (running) stopRecording(now);
    return moved == 0 ? 0 : 1;
}

int ToDoListToDo::moveToNextOccurrence() {
    // The rule's next occurrence that is not skipped.
    packedDT b = begin, e = end;
    int moved = 0;
    while (followingRecurrenceDate(recData, priority, b, e) == 1) {
        if (!isSkipped(isToDo() ? e : b)) {
            moved = 1;
            break;
        }
    }
    packedDT& anchor = isToDo() ? end : begin;
    if (extras_ && !extras_->added.empty()) {
        // Added dates up to the new occurrence pass with this one; without a
        // further occurrence of the rule the next added date is taken.
        std::vector<packedDT>& added = extras_->added;
        const packedDT limit = dtDateOnly(moved ? (isToDo() ? e : b) : anchor);
        auto firstLater = std::find_if(added.begin(), added.end(), [&](packedDT d) {
            return dtDateOnly(d) > limit && !isSkipped(d);
        });
        if (!moved && firstLater != added.end()) {
            addedOccurrence(*firstLater, begin, end);
            // Past the rule's range the rule has ended: the added dates are
            // what is left of the repetition.
            if (dtHasDate(recData.rangeEnd) && dtDateOnly(anchor) > dtDateOnly(recData.rangeEnd))
                recData.reset();
            ++firstLater;
            added.erase(added.begin(), firstLater);
            tidyExtras();
            return 1;
        }
        added.erase(added.begin(), firstLater);
        tidyExtras();
    }
    if (moved) {
        begin = b;
        end = e;
    }
    return moved;
}

int ToDoListToDo::clearCompleted() {
    if (!isToDo() || !completed.completed) return -2;
    completed.completed = false;
    return 0;
}

void ToDoListToDo::stopRecording(int32_t now) {
    if (getNrTimes() != 0) workingTimes->back().end = now;
    running = false;
}

int ToDoListToDo::setRunning(bool on) {
    if (running == on) return -1;
    const int32_t now = int32_t(velkNow());
    if (on) {
        // The open interval holds its begin as end until recording stops.
        times().push_back({now, now});
        running = true;
    } else {
        stopRecording(now);
    }
    return 0;
}

double ToDoListToDo::getTimeSum() const {
    std::size_t n = std::size_t(getNrTimes());
    if (running && n > 0) --n; // the open interval has no end yet
    double sum = 0;
    for (std::size_t i = 0; i < n; ++i)
        sum += double((*workingTimes)[i].end) - double((*workingTimes)[i].begin);
    return sum;
}
