#include "store/day_items.h"

#include "platform/datetime.h"
#include "store/restriction_text.h"
#include "store/store_connection.h"

namespace moru {

AppointmentArray QueryDayItems(int year, int month, int day) {
    AppointmentArray items;
    const StoreConnection& connection = TheStoreConnection();
    if (!connection.folder || !IsValidDate(year, month, day)) {
        return items;
    }
    const SystemTime date = MakeSystemTime(year, month, day);
    const std::u16string restriction =
        RestrictionText().StartOnOrBefore(date).EndOnOrAfter(date).Text();
    QueryAppointments(*connection.folder, restriction, [&items](const poom::Appointment& item) {
        // A fresh record per item: an identifier that no longer loads (deleted since the
        // query ran) is skipped rather than listed with another appointment's fields.
        AppointmentRecord record;
        if (LoadAppointment(item.Oid(), record) != 0) {
            items.push_back(std::move(record));
        }
        return true;
    });
    return items;
}

}  // namespace moru
