#include "support/organizer.h"

#include <sstream>

TestOrganizer::TestOrganizer(const std::string& dataFile) {
    setVelkNowForTesting(1299326400);
    engine = std::make_unique<Velk>();
    engine->createRoot();
    loaded = engine->readData(dataFile.c_str());
    if (loaded == 0) replayed = engine->incsave_readFiles(journalError);
    // The undo history, as a start loads it after the replay.
    std::string told;
    if (replayed >= 0) engine->loadUndoHistory(told);
}

namespace {

void dumpGroup(std::ostream& os, ToDoListGroup& g, int depth) {
    const std::string indent(std::size_t(depth) * 2, ' ');
    os << indent << "g I" << g.getSyncID() << " p" << g.getPriority() << " c"
       << g.getShowCompleted() << " l" << g.getCompletedLast() << " s" << g.getSummary() << '\n';
    for (std::size_t i = 0; i < g.getNrToDos(); ++i) {
        ToDoListToDo& t = *g.getToDo(i);
        T_recData rec;
        t.getRecData(rec);
        os << indent << "  t I" << t.getSyncID() << " p" << t.getPriority() << " S"
           << t.getShowTimeAs() << " m" << t.getDateTime(16) << " n" << t.getDateTime(0) << " rec"
           << rec.type << '/' << rec.interval << '/' << rec.rangeBegin << '/' << rec.rangeEnd;
        // Fields an entry seldom has show only when it has them, so that the
        // dump of a tree without them is the one recorded before they existed.
        if (rec.weekdays || rec.counted) os << '/' << int(rec.weekdays) << '/' << rec.counted;
        os << " R" << t.isRunning() << " f" << t.isCompleted() << '/'
           << (t.isCompleted() ? t.getCompletedTime() : 0) << " times";
        for (int k = 0; k < t.getNrTimes(); ++k)
            os << ' ' << t.getTimeBegin(k) << ',' << t.getTimeEnd(k);
        const T_EntryExtras& x = t.extras();
        if (t.hasExtras()) {
            os << " x";
            for (packedDT day : x.skipped)
                os << ' ' << day;
            os << " a";
            for (packedDT day : x.added)
                os << ' ' << day;
            os << " u" << x.uid << " i" << x.recurrenceId << " q" << x.sequence << ',' << x.stamp;
            if (x.remindBefore != NO_REMINDER) os << " b" << x.remindBefore;
        }
        const DescrData& d = t.getDescrData();
        os << " F" << d.getFlags() << " d" << std::string(d.getData().begin(), d.getData().end())
           << " s" << t.getSummary() << '\n';
    }
    for (std::size_t i = 0; i < g.getNrGroups(); ++i)
        dumpGroup(os, *g.getGroup(i), depth + 1);
}

} // namespace

std::string dumpTree(Velk& v) {
    std::ostringstream os;
    dumpGroup(os, *v.getRoot(), 0);
    os << "running " << v.getNrActiveJobs() << " cal " << v.calendar().datedToDos.size() << ' '
       << v.calendar().recToDos.size() << ' ' << v.calendar().datedAppointments.size() << ' '
       << v.calendar().recAppointments.size() << ' ' << v.calendar().datedNotes.size() << ' '
       << v.calendar().recNotes.size() << '\n';
    return os.str();
}

ToDoListToDo* findToDo(ToDoListGroup& g, const std::string& summary) {
    for (std::size_t i = 0; i < g.getNrToDos(); ++i)
        if (g.getToDo(i)->getSummary() == summary) return g.getToDo(i);
    for (std::size_t i = 0; i < g.getNrGroups(); ++i)
        if (ToDoListToDo* t = findToDo(*g.getGroup(i), summary)) return t;
    return nullptr;
}

ToDoListGroup* findGroup(ToDoListGroup& g, const std::string& summary) {
    if (g.getSummary() == summary) return &g;
    for (std::size_t i = 0; i < g.getNrGroups(); ++i)
        if (ToDoListGroup* hit = findGroup(*g.getGroup(i), summary)) return hit;
    return nullptr;
}
