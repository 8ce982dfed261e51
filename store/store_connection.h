#pragma once
// The calendar's connection to the appointment store and every operation the program
// performs on it. The connection is process-wide: opened once at start-up, closed at exit.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/poom/poom.h"
#include "store/appointment_record.h"
#include "store/item_walk.h"

namespace moru {

struct StoreConnection {
    std::shared_ptr<poom::Application> application;
    std::optional<poom::Folder> folder;  // the calendar folder
    int32_t lastResult = 0;              // result code of the last folder call
};

StoreConnection& TheStoreConnection();

// Creates the application object, logs on and gets the calendar folder. On the first failure
// shows "Error occurred [001:%d]" with the failing call's error code and returns false.
bool OpenStoreConnection();
void CloseStoreConnection();

// Fills the record from the appointment with that identifier; returns the identifier read
// back from the store, or 0 (record untouched) when it does not resolve.
uint32_t LoadAppointment(uint32_t oid, AppointmentRecord& record);

// LoadAppointment from an appointment already fetched by identifier (GetItemFromOid), for a
// caller that reads more from the same object; returns its identifier.
uint32_t LoadAppointmentFrom(const poom::Appointment& item, AppointmentRecord& record);

// LoadAppointment for callers that act on an identifier that does not load: Gone means the
// store answered that it holds no such appointment; Unreadable that it could not be asked
// (not open, busy, failing), which says nothing about the appointment.
enum class LoadOutcome { Loaded, Gone, Unreadable };
LoadOutcome LoadAppointmentChecked(uint32_t oid, AppointmentRecord& record);
// The same, also handing back the fetched object when it loaded.
LoadOutcome LoadAppointmentChecked(uint32_t oid, AppointmentRecord& record,
                                   std::optional<poom::Appointment>& item);

// Does nothing for 0. A failure is not shown to the user (it goes to stderr); the result says
// whether the store holds the appointment no longer (true also when it was already gone).
bool DeleteAppointment(uint32_t oid);

bool IsAlarm(uint32_t oid);
bool IsHoliday(uint32_t oid);
bool IsAnniversary(uint32_t oid);
ItemKind KindOf(uint32_t oid);

// The enumeration every screen follows: Items, Restrict, IncludeRecurrences (every occurrence
// unless asked for each series once), then Item(1), Item(2), ... until none.
// RestrictAppointments gives the restricted collection (nothing when Items or Restrict fails,
// with the reason on stderr) for a screen that keeps it; ForEachItem walks one until the
// visitor returns false or the items end (item_walk.h). Restriction texts come from
// RestrictionText.
std::optional<poom::ItemCollection> RestrictAppointments(
    const poom::Folder& folder, std::u16string_view restriction,
    poom::Recurrences recurrences = poom::Recurrences::Occurrences);
// Both; false when Items or Restrict failed.
bool QueryAppointments(const poom::Folder& folder, std::u16string_view restriction,
                       const std::function<bool(const poom::Appointment&)>& visit,
                       poom::Recurrences recurrences = poom::Recurrences::Occurrences);

}  // namespace moru
