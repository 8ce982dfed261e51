#include "store/store_connection.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>

#include "platform/text.h"
#include "platform/ui_host.h"
#include "store/calendar_state.h"
#include "store/category_store.h"

namespace moru {
namespace {

// The number every failure of opening the store shows, whichever of the three steps failed.
constexpr char16_t kOpenFailureFormat[] = u"Error occurred [001:%d]";

// The message prints the failing call's code; a failure must never read as "0".
int ShownCode(const Error& error) {
    return error.code != 0 ? error.code : -1;
}

void ShowOpenFailure(const Error& error) {
    std::fprintf(stderr, "moru: cannot open the appointment store: %s (code %d)\n",
                 error.message.c_str(), error.code);
    std::u16string text(kOpenFailureFormat);
    text.replace(text.find(u"%d"), 2, FromUtf8(std::to_string(ShownCode(error))));
    CurrentUiHost().MessageBoxWithDetails(text, u"", kMbOk, FromUtf8(error.message));
}

// The bit of a weekday in a pattern's mask (Sunday 1 .. Saturday 64).
int32_t WeekdayBit(const SystemTime& time) {
    return 1 << (time.dayOfWeek % 7);
}

constexpr int32_t kMondayToFriday = 62;
constexpr int32_t kLastInstance = 5;

// Which of the editor's simple choices a stored pattern matches. Anything the simple choices
// cannot reproduce exactly (an end, a step over several days, weeks or months, the last
// weekday of a month, a weekday other than the start's) needs the full pattern editor.
int32_t DeriveRepeatChoice(const poom::RecurrencePattern& pattern, AppointmentRecord& record) {
    const int32_t startBit = WeekdayBit(record.start);
    int32_t choice = RepeatOther;
    switch (record.recurrenceType) {
        case poom::kRecursDaily:
        case poom::kRecursWeekly:
            if (record.dayOfWeekMask == kMondayToFriday) {
                choice = RepeatWeekdays;
            } else {
                choice = record.recurrenceType == poom::kRecursDaily ? RepeatDaily : RepeatWeekly;
            }
            break;
        case poom::kRecursMonthly:
            choice = RepeatMonthlyOnDay;
            break;
        case poom::kRecursMonthNth:
            choice = RepeatMonthlyNth;
            break;
        case poom::kRecursYearly:
            choice = RepeatYearlyOnDate;
            break;
        case poom::kRecursYearNth:
            choice = RepeatYearlyNth;
            break;
        default:
            break;
    }
    if (!pattern.NoEndDate() || record.interval > 1 || record.instance == kLastInstance) {
        choice = RepeatOther;
    }
    // These choices repeat on the start's own day; the mask the store keeps for them says
    // nothing, so it is made to name that day.
    if (choice == RepeatDaily || choice == RepeatMonthlyOnDay || choice == RepeatYearlyOnDate) {
        record.dayOfWeekMask = startBit;
    }
    if (record.dayOfWeekMask != startBit && record.dayOfWeekMask != kMondayToFriday) {
        choice = RepeatOther;
    }
    return choice;
}

// A one-off appointment gets the recurrence fields the editor would seed a new pattern with.
void SetOneOffFields(AppointmentRecord& record) {
    record.repeatChoice = RepeatOnce;
    record.recurrenceType = -1;
    record.dayOfWeekMask = WeekdayBit(record.start);
    record.interval = 1;
    record.dayOfMonth = record.start.day;
    record.instance = (record.start.day - 1) / 7;  // week of the month, 0..4
    record.monthOfYear = record.start.month;
}

void ReadRecurrence(poom::Appointment& appointment, AppointmentRecord& record) {
    const poom::RecurrencePattern pattern = appointment.GetRecurrencePattern();
    record.recurring = 1;
    record.recurrenceType = pattern.RecurrenceType();
    record.dayOfWeekMask = static_cast<int32_t>(pattern.DayOfWeekMask());
    record.interval = static_cast<int32_t>(pattern.Interval());
    record.dayOfMonth = static_cast<int32_t>(pattern.DayOfMonth());
    record.instance = static_cast<int32_t>(pattern.Instance());
    record.monthOfYear = static_cast<int32_t>(pattern.MonthOfYear());
    record.repeatChoice = DeriveRepeatChoice(pattern, record);
}

}  // namespace

StoreConnection& TheStoreConnection() {
    return Calendar().connection;
}

bool OpenStoreConnection() {
    StoreConnection& connection = TheStoreConnection();
    auto application = poom::Application::Create();
    if (!application) {
        connection.lastResult = application.error().code;
        ShowOpenFailure(application.error());
        return false;
    }
    connection.application = *application;
    connection.lastResult = 0;
    if (const Status logon = connection.application->Logon(); !logon) {
        connection.lastResult = logon.error().code;
        connection.application.reset();
        ShowOpenFailure(logon.error());
        return false;
    }
    auto folder = connection.application->GetDefaultFolder(poom::kCalendarFolder);
    if (!folder) {
        connection.lastResult = folder.error().code;
        connection.application->Logoff();
        connection.application.reset();
        ShowOpenFailure(folder.error());
        return false;
    }
    connection.folder = *folder;
    return true;
}

void CloseStoreConnection() {
    StoreConnection& connection = TheStoreConnection();
    connection.folder.reset();
    if (connection.application) {
        connection.application->Logoff();
        connection.application.reset();
    }
}

namespace {

uint32_t FillRecord(const poom::Appointment& found, AppointmentRecord& record) {
    poom::Appointment appointment = found;  // a handle: the pattern is read through it

    record.oid = appointment.Oid();
    record.spareWord = 0;
    record.subject = appointment.Subject();
    record.location = appointment.Location();
    record.categories = appointment.Categories();
    // A time the platform cannot break down leaves the field as it was.
    if (const auto start = VariantTimeToSystemTime(appointment.Start())) {
        record.start = *start;
    }
    if (const auto end = VariantTimeToSystemTime(appointment.End())) {
        record.end = *end;
    }

    record.reminderSet = 0;
    record.recurring = 0;
    record.isPrivate = 0;
    record.allDay = 0;
    // Without a reminder the sound and lead time mean nothing, whatever the store still keeps.
    if (appointment.ReminderSet()) {
        record.reminderSet = 1;
        record.soundFile = appointment.ReminderSoundFile();
        record.reminderMinutes = static_cast<int32_t>(appointment.ReminderMinutesBeforeStart());
    } else {
        record.soundFile.clear();
        record.reminderMinutes = 0;
    }

    if (appointment.IsRecurring()) {
        ReadRecurrence(appointment, record);
    } else {
        SetOneOffFields(record);
    }

    if (appointment.Sensitivity() != 0) {
        record.isPrivate = 1;
    }
    if (appointment.AllDayEvent()) {
        record.allDay = 1;
    }
    return record.oid;
}

bool IsNotFound(const Error& error) {
    return error.code == SQLITE_NOTFOUND;
}

}  // namespace

uint32_t LoadAppointment(uint32_t oid, AppointmentRecord& record) {
    const StoreConnection& connection = TheStoreConnection();
    if (!connection.application) {
        return 0;
    }
    const auto item = connection.application->GetItemFromOid(oid);
    if (!item) {
        return 0;
    }
    return FillRecord(*item, record);
}

uint32_t LoadAppointmentFrom(const poom::Appointment& item, AppointmentRecord& record) {
    return FillRecord(item, record);
}

LoadOutcome LoadAppointmentChecked(uint32_t oid, AppointmentRecord& record,
                                   std::optional<poom::Appointment>& found) {
    found.reset();
    const StoreConnection& connection = TheStoreConnection();
    if (!connection.application) {
        return LoadOutcome::Unreadable;
    }
    const auto item = connection.application->GetItemFromOid(oid);
    if (!item) {
        return IsNotFound(item.error()) ? LoadOutcome::Gone : LoadOutcome::Unreadable;
    }
    if (FillRecord(*item, record) == 0) {
        return LoadOutcome::Unreadable;
    }
    found = *item;
    return LoadOutcome::Loaded;
}

LoadOutcome LoadAppointmentChecked(uint32_t oid, AppointmentRecord& record) {
    std::optional<poom::Appointment> item;
    return LoadAppointmentChecked(oid, record, item);
}

bool DeleteAppointment(uint32_t oid) {
    const StoreConnection& connection = TheStoreConnection();
    if (oid == 0 || !connection.application) {
        return false;
    }
    auto item = connection.application->GetItemFromOid(oid);
    if (!item) {
        return IsNotFound(item.error());
    }
    if (const Status deleted = item->Delete(); !deleted) {
        std::fprintf(stderr, "moru: deleting appointment %u failed: %s\n", oid,
                     deleted.error().message.c_str());
        return false;
    }
    return true;
}

namespace {
bool Contains(const OidList& list, uint32_t oid) {
    return std::find(list.begin(), list.end(), oid) != list.end();
}
}  // namespace

bool IsAlarm(uint32_t oid) {
    return Contains(Calendar().AlarmOids, oid);
}
bool IsHoliday(uint32_t oid) {
    return Contains(Calendar().HolidayOids, oid);
}
bool IsAnniversary(uint32_t oid) {
    return Contains(Calendar().AnniversaryOids, oid);
}

// An identifier kept in more than one list takes the first kind in this order.
ItemKind KindOf(uint32_t oid) {
    if (IsAlarm(oid)) {
        return Alarm;
    }
    if (IsHoliday(oid)) {
        return Holiday;
    }
    if (IsAnniversary(oid)) {
        return Anniversary;
    }
    return Appointment;
}

std::optional<poom::ItemCollection> RestrictAppointments(const poom::Folder& folder,
                                                         std::u16string_view restriction,
                                                         poom::Recurrences recurrences) {
    StoreConnection& connection = TheStoreConnection();
    // Every occurrence inside the window comes back as its own item with its own times, unless
    // the caller asks for each series once.
    auto restricted = folder.Query(restriction, recurrences);
    if (!restricted) {
        connection.lastResult = restricted.error().code;
        std::fprintf(stderr, "moru: querying the appointments with \"%s\" failed: %s\n",
                     ToUtf8(restriction).c_str(), restricted.error().message.c_str());
        return std::nullopt;
    }
    connection.lastResult = 0;
    return std::move(*restricted);
}

bool QueryAppointments(const poom::Folder& folder, std::u16string_view restriction,
                       const std::function<bool(const poom::Appointment&)>& visit,
                       poom::Recurrences recurrences) {
    const std::optional<poom::ItemCollection> items =
        RestrictAppointments(folder, restriction, recurrences);
    if (!items) {
        return false;
    }
    ForEachItem(*items, visit);
    return true;
}

}  // namespace moru
