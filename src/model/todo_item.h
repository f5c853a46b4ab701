#pragma once
#include "model/calendar.h"
#include "model/datetime.h"
#include "model/description.h"
#include "model/item_text.h"
#include "model/recurrence.h"

#include <cstdint>
#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

class T_Calendar;

// One recorded interval of work, in seconds since 1 January 1970.
struct T_workingTimes {
    int32_t begin = 0;
    int32_t end = 0;
};

// Completion state of a todo; the time (seconds since 1970) is meaningful only
// while the flag is set.
struct T_completed {
    bool completed = false;
    int32_t time = 0;
};

// What an entry may carry beyond the fields every entry has, kept apart
// because few entries have any of it: the days its repetition leaves out and
// the dates it adds, and the identity that calendar exchange gives it.
// An entry without a reminder; the longest reminder is four weeks ahead.
constexpr int NO_REMINDER = -1;
constexpr int MAX_REMIND_BEFORE = 4 * 7 * 24 * 60;

struct T_EntryExtras {
    // The days (date-only, ascending, each once) whose occurrence is left
    // out, by the day of its anchor (a todo's due date, else the begin).
    std::vector<packedDT> skipped;
    // Anchors of occurrences beyond the rule (ascending, one per day), with
    // their time of day or date-only; the other date keeps its distance.
    std::vector<packedDT> added;
    // The iCalendar UID the entry keeps for life; empty until it is first
    // exported or when it came without one.
    std::string uid;
    // An occurrence of the series uid that this entry replaces: the
    // RECURRENCE-ID as written, its parameters then ":" and the value.
    std::string recurrenceId;
    // The version last imported: its SEQUENCE and its LAST-MODIFIED or
    // DTSTAMP (UTC, as written), so that an older one is not taken again.
    long sequence = 0;
    std::string stamp;
    // Where the entry lives on a CalDAV server and what both sides last
    // agreed on: the resource's URL, its ETag as the server wrote it, and the
    // SHA-256 (hex) of the entry's iCalendar text at that moment.
    std::string resource;
    std::string etag;
    std::string agreed;
    // The reminder: minutes before the begin (an appointment, a note) or
    // the due date (a todo); NO_REMINDER without one.
    int remindBefore = NO_REMINDER;

    bool empty() const {
        return skipped.empty() && added.empty() && uid.empty() && recurrenceId.empty() &&
               sequence == 0 && stamp.empty() && resource.empty() && etag.empty() &&
               agreed.empty() && remindBefore == NO_REMINDER;
    }
    bool operator==(const T_EntryExtras& o) const {
        return skipped == o.skipped && added == o.added && uid == o.uid &&
               recurrenceId == o.recurrenceId && sequence == o.sequence && stamp == o.stamp &&
               resource == o.resource && etag == o.etag && agreed == o.agreed &&
               remindBefore == o.remindBefore;
    }
};

// Priorities of the dated entries; 0..6 are todos.
constexpr unsigned PRIO_APPOINTMENT = 100; // shown as busy
constexpr unsigned PRIO_NOTE = 200;        // shown as free
constexpr unsigned PRIO_MAXTODO = 6;

// The which argument of an entry's date and time accessors: 0 selects the end
// (a todo's due date), any other value the begin; the window passes 16.
constexpr int WHICH_BEGIN = 16;
constexpr int WHICH_END = 0;

// The path text of an item, shared by every child of a group: an organizer
// may hold a million entries, and a group's children all have the same path.
using SharedPath = std::shared_ptr<const std::string>;

// A node of the item tree: a group or an entry.
class ToDoListItem {
  public:
    ToDoListItem(unsigned id, std::string path);
    ToDoListItem(unsigned id, SharedPath path);
    // A copy starts empty: the kinds' assignments copy the fields they need.
    ToDoListItem(const ToDoListItem&);
    ToDoListItem& operator=(const ToDoListItem&) = delete;
    virtual ~ToDoListItem() = default;

    // The records that store items in files are written and read by
    // storage/records.h.
    virtual void dump() {}

    unsigned getID() const { return ID; }
    void setID(unsigned id);
    const std::string& getPath() const;
    void setPath(std::string p);
    // Gives an item that is in no group yet its ID and path. Unlike setID this
    // does not count as an ID change: no group's cached free ID can depend on
    // an item outside the tree (see ToDoListGroup::adoptToDo).
    void placeNew(unsigned id, SharedPath p) {
        ID = id;
        path = std::move(p);
    }
    unsigned getSyncID() const { return syncID; }
    void setSyncID(unsigned id) { syncID = id; }
    std::string getSummary() const { return std::string(summary.view()); }
    std::string_view summaryView() const { return summary.view(); }
    void setSummary(std::string_view s) { summary = s; }
    unsigned getPriority() const { return priority; }
    // Sets the field only (groups); entries change it through their own setter.
    void setPriority(unsigned p) { priority = p; }
    bool hasBeenSaved() const { return saved; }
    void hasBeenSaved(bool s) { saved = s; }

    // Counts every change of an ID made after construction, so that groups know
    // when their cached next free child ID must be recounted.
    static unsigned long idChanges() { return idChangeCount; }

  protected:
    // Copies path, ID, sync ID, summary and priority; the saved mark stays.
    void copyItemFields(const ToDoListItem& src);

    SharedPath path; // null: the empty path
    uint32_t ID = 0;
    uint32_t syncID = 0;
    ItemText summary = ItemText("<unnamed>");
    uint32_t priority = 3;
    bool saved = false;

  private:
    static unsigned long idChangeCount;
};

// An entry of the organizer: a todo (priority 0..6, due at its end), an
// appointment (100) or a note (200) with a begin and an end.
//
// Every setter that takes the calendar keeps the calendar lists in step: it
// unfiles the entry, changes the field, repairs the dates and recurrence
// (sanitizeTimeThings; not the DontCheck variants) and files the entry again.
class ToDoListToDo : public ToDoListItem {
  public:
    ToDoListToDo(unsigned id, std::string path);
    ToDoListToDo(unsigned id, SharedPath path);
    ToDoListToDo(const ToDoListToDo& src);
    // Copies every field except the has-been-saved mark.
    ToDoListToDo& operator=(const ToDoListToDo& src);
    // The recorded intervals' times, the recurrence interval and the saved mark
    // do not take part: this decides whether an edited entry is journalled.
    bool operator==(const ToDoListToDo& other) const;
    bool operator!=(const ToDoListToDo& other) const { return !(*this == other); }

    bool isToDo() const { return priority <= PRIO_MAXTODO; }

    // which != 0 selects the begin, 0 the end. Dates that do not exist (or lie
    // outside 2000..2127) are refused and change nothing.
    void setDate(int which, int year, int month, int day, T_Calendar& cal);
    void setDateDontCheck(int which, int year, int month, int day, T_Calendar& cal);
    void setTime(int which, int hour, int minute, T_Calendar& cal);
    void setTimeDontCheck(int which, int hour, int minute, T_Calendar& cal);
    void clearDate(int which, T_Calendar& cal);
    void clearTime(int which, T_Calendar& cal);
    packedDT getDateTime(int which) const { return which ? begin : end; }

    // 0 free, 1 busy. An appointment or note becomes an appointment (100) for
    // busy and a note (200) for free; a todo only stores the value.
    void setShowTimeAs(int value, T_Calendar& cal);
    int getShowTimeAs() const { return showTimeAs; }

    using ToDoListItem::setPriority;
    void setPriority(unsigned prio, T_Calendar& cal);

    // Results: REC_KEPT, or why the dates made the rule drop back to none.
    int setRecData(T_recData rec, T_Calendar& cal);
    void getRecData(T_recData& out) const { out = recData; }

    // Completes the todo, or moves a recurring todo on to its next occurrence,
    // and stops a running time recording. Results:
    //   0  completed;
    //   1  recurring: moved on to the following date, still open;
    //  -1  recurring and its range begins after today: not active yet;
    //  -2  an appointment or note, or already completed.
    int setCompleted(T_Calendar& cal);
    // -2 for an appointment or note or when not completed; else clears the flag
    // (the completion time stays) and returns 0.
    int clearCompleted();
    // Moves begin and end on to the next occurrence that is not skipped: the
    // rule's, or, when the rule has none, the next added date. Added dates up
    // to the new occurrence are dropped with the one passed. 1 moved, 0 none.
    int moveToNextOccurrence();
    bool isCompleted() const { return completed.completed; }
    // Asks the processor to fetch what isCompleted() reads, so that a long
    // walk over scattered todos can overlap their loads.
    void prefetchCompletion() const { __builtin_prefetch(&completed); }
    // The same for the characters of the summary, which a list row copies.
    void prefetchSummary() const { __builtin_prefetch(summary.view().data()); }
    int32_t getCompletedTime() const { return completed.time; }
    T_completed getCompletedDirect() const { return completed; }
    void setCompletedDirect(T_completed c) { completed = c; }

    // Starts (a new interval begins now) or stops (the last interval ends now)
    // time recording; -1 when it already is in that state, else 0.
    int setRunning(bool on);
    void setRunningDirect(bool on) { running = on; }
    bool isRunning() const { return running; }
    void addTime(int32_t b, int32_t e) { times().push_back({b, e}); }
    int getNrTimes() const { return workingTimes ? int(workingTimes->size()) : 0; }
    int32_t getTimeBegin(int i) const { return (*workingTimes)[std::size_t(i)].begin; }
    int32_t getTimeEnd(int i) const { return (*workingTimes)[std::size_t(i)].end; }
    // Recorded seconds; the open interval of a running recording is left out.
    double getTimeSum() const;

    void setDescription(const char* text) { description.SetNewChar(text); }
    void setDescription(const DescrData* d) { description.CopyFrom(d); }
    bool GetDescription(const char*& text, DescriptionCipher* crypt) {
        return description.GetDescription(text, crypt);
    }
    void SetSaveCrypt(bool on) { description.SetSaveCrypt(on); }
    DescrData& getDescrData() { return description; }
    const DescrData& getDescrData() const { return description; }

    // Orders begin and end and the range, and drops a recurrence that cannot
    // be used, telling why on standard output. Results: REC_KEPT, or the
    // RecurrenceReset reason of the drop.
    int sanitizeTimeThings();

    // Files the entry into, or takes it out of, the calendar list that its
    // priority and recurrence select (defined with the calendar lists).
    void putIntoCalList(T_Calendar& cal);
    void removeFromCalLists(T_Calendar& cal);
    // Where the calendar lists hold the entry; theirs to keep.
    T_CalPlace& calPlace() { return place; }
    const T_CalPlace& calPlace() const { return place; }

    // The fields as a record stores them, set without the calendar lists and
    // without repairing dates or recurrence: for the record readers, which
    // file the entry once the whole record is read.
    void setShowTimeAsDirect(int value) { showTimeAs = value; }
    void setDateTimeDirect(int which, packedDT v) { dateTimeRef(which) = v; }
    void setRecDataDirect(const T_recData& rec) { recData = rec; }

    // Moves begin and end to the next occurrence of this entry's rule; see
    // followingRecurrenceDate. 1 when moved, 0 when there is none. Skipped
    // days and added dates are not looked at.
    int setFollowingRecurrenceDate(packedDT& b, packedDT& e) const {
        return followingRecurrenceDate(recData, priority, b, e);
    }

    // The extras (T_EntryExtras); an entry without any reads the empty ones.
    const T_EntryExtras& extras() const { return extras_ ? *extras_ : noExtras; }
    bool hasExtras() const { return extras_ != nullptr; }
    // Whether the occurrence anchored on the day of d is left out.
    bool isSkipped(packedDT d) const;
    // Leaves out the occurrence anchored on the day of d. False when it
    // already was.
    bool skipDay(packedDT d);
    // Brings every skipped occurrence back.
    void clearSkipped();
    // Sets the skipped days and the added dates as stored (put in order,
    // each day once), without the calendar lists: for the readers, which
    // file the entry afterwards. With the calendar, the entry is filed anew,
    // as added dates make an entry without a rule repeat.
    void setSkippedDirect(std::vector<packedDT> days);
    void setAddedDirect(std::vector<packedDT> dates);
    void setAdded(std::vector<packedDT> dates, T_Calendar& cal);
    // The begin b and end e of the occurrence on the added date d: the anchor
    // (a todo's end, else the begin) moves to d, keeping its own time when d
    // has none; the other date keeps its distance in days and its own time.
    void addedOccurrence(packedDT d, packedDT& b, packedDT& e) const;
    // Whether the calendar lists file the entry as a repeating one: it has a
    // rule other than the one counted from today, or added dates.
    bool repeatsInCalendar() const;
    void setUid(std::string uid) {
        editExtras().uid = std::move(uid);
        tidyExtras();
    }
    void setRecurrenceId(std::string id) {
        editExtras().recurrenceId = std::move(id);
        tidyExtras();
    }
    // The server side of the entry (T_EntryExtras::resource, etag, agreed).
    void setSyncState(std::string resource, std::string etag, std::string agreed) {
        editExtras().resource = std::move(resource);
        editExtras().etag = std::move(etag);
        editExtras().agreed = std::move(agreed);
        tidyExtras();
    }
    // Minutes before the begin or due date (0..MAX_REMIND_BEFORE), or
    // NO_REMINDER; other values are taken as none.
    void setRemindBefore(int minutes) {
        editExtras().remindBefore =
            minutes >= 0 && minutes <= MAX_REMIND_BEFORE ? minutes : NO_REMINDER;
        tidyExtras();
    }
    void setVersion(long sequence, std::string stamp) {
        editExtras().sequence = sequence;
        editExtras().stamp = std::move(stamp);
        tidyExtras();
    }

  private:
    static const T_EntryExtras noExtras;
    T_EntryExtras& editExtras();
    // Drops the extras once nothing is left in them.
    void tidyExtras();
    packedDT& dateTimeRef(int which) { return which ? begin : end; }
    // Stops a running recording: the last interval ends at now.
    void stopRecording(int32_t now);

    std::vector<T_workingTimes>& times() {
        if (!workingTimes) workingTimes = std::make_unique<std::vector<T_workingTimes>>();
        return *workingTimes;
    }

    // Made with the first interval: most entries never record time.
    std::unique_ptr<std::vector<T_workingTimes>> workingTimes;
    T_completed completed;
    int showTimeAs = 0;
    bool running = false;
    packedDT begin = DT_EMPTY;
    packedDT end = DT_EMPTY;
    T_recData recData;
    DescrData description;
    T_CalPlace place;
    std::unique_ptr<T_EntryExtras> extras_;
};
