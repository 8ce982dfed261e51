#pragma once
// The calendar's process-wide values, owned by one object: the three identifier lists, the
// data folder, the screen whose tab is highlighted, the bulk delete's refresh switch and the
// store connection. They live for the whole run; every screen reaches them through its host
// (ScreenHost::state()), everything below the screens through Calendar().
//
// A test that wants a clean slate installs a fresh object with ScopedCalendarState instead
// of resetting the values one by one; two screens built under two such objects (one after
// the other) know nothing of each other.
#include <string>

#include "store/appointment_record.h"
#include "store/category_sharing.h"
#include "store/store_connection.h"

namespace moru {

struct CalendarState {
    // The kind lists, kept in "MoruCalendar.dat"; an identifier in none is an appointment.
    OidList AlarmOids;
    OidList HolidayOids;
    OidList AnniversaryOids;
    // Device path of the folder holding "MoruCalendar.dat" and the memos; it falls back to
    // "\My Documents\" when the usual folder cannot be made.
    std::u16string dataFolder = u"\\My Documents\\MoruCalendar";
    int currentScreen = 0;       // the highlighted tab; written by every tab bar
    int refreshSuppressed = 0;   // while 1, DataChanged notices start no refresh (bulk delete)
    StoreConnection connection;  // opened once at start-up, closed at exit
    // The kind lists as last read from or written to "MoruCalendar.dat": what another
    // program's changes to the file are measured against (store/category_sharing.h).
    CategoryLists categoryFileBase;
};

// The object in force: the program's own, or the newest ScopedCalendarState's.
CalendarState& Calendar();

// Puts a fresh CalendarState in force for its lifetime; the previous one comes back after.
class ScopedCalendarState {
public:
    ScopedCalendarState();
    ~ScopedCalendarState();
    ScopedCalendarState(const ScopedCalendarState&) = delete;
    ScopedCalendarState& operator=(const ScopedCalendarState&) = delete;

    CalendarState& state() { return state_; }

private:
    CalendarState state_;
    CalendarState* previous_;
};

}  // namespace moru
