#pragma once
#include <ostream>

class Velk;

// --remind: fires, once each, the reminders of the organizer v (read from
// its data file without the lock) that came due since the last run, as desktop
// notifications and as lines on out ("reminder: 14:30 Dentist (Health)").
// What fired is kept in the reminder state beside the data file, which the
// window shares. Result: the exit code.
int fireReminders(Velk& v, std::ostream& out, std::ostream& err);
