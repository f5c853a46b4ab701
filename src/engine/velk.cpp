#include "engine/velk.h"

// The structural operations report to the journal through the organizer's
// journal members.
Velk::Velk()
    : ops_(tree_, view_, nav_, edit_,
           TreeJournal{[this](ToDoListItem& item, ToDoListGroup& parent) {
                           return incsave_writeNew(item, parent);
                       },
                       [this](const ToDoListItem& item) { return incsave_writeDeleted(item); }}) {}

Velk::~Velk() = default;

int Velk::delCompleted() {
    UndoStep step(*this, "delete completed");
    return ops_.delCompleted();
}

int Velk::createRoot() {
    tree_.createRoot();
    nav_.enterRoot();
    return 0;
}

int Velk::checkFile(const char*) { return 0; }

void Velk::windowSize(unsigned& w, unsigned& h) {
    if (w != 0) {
        Session.uWinWidth = w;
        Session.uWinHeight = h;
    } else {
        w = Session.uWinWidth;
        h = Session.uWinHeight;
    }
}
