#include "screens/day_list.h"

#include "store/day_items.h"

namespace moru {

DayList::DayList(QWidget* parent) : QWidget(parent) {}

void DayList::QueryDay(QWidget* queryOwner) {
    owner = queryOwner;
    items = QueryDayItems(year, month, day);
    update();
}

}  // namespace moru
