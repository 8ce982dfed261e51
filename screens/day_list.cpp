#include "screens/day_list.h"

#include <string>

#include "platform/datetime.h"
#include "store/store_connection.h"

namespace moru {

AppointmentArray QueryDayItems(int year, int month, int day) {
    AppointmentArray items;
    const StoreConnection& connection = TheStoreConnection();
    if (!connection.folder || !IsValidDate(year, month, day)) {
        return items;
    }
    const std::u16string date = FormatRestrictionDate(MakeSystemTime(year, month, day));
    const std::u16string restriction = u"[Start] <= " + date + u" and [End] >= " + date;
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

DayList::DayList(QWidget* parent) : QWidget(parent) {}

void DayList::QueryDay(QWidget* queryOwner) {
    owner = queryOwner;
    items = QueryDayItems(year, month, day);
    update();
}

}  // namespace moru
