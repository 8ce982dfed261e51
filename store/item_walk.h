#pragma once
// The store walk both programs share, free of the calendar's own state: the short date that
// restriction texts carry, and the walk over a collection. The calendar's connection
// (store_connection.h) builds its queries on these; the companion uses them alone.
#include <functional>
#include <string>

#include "platform/datetime.h"
#include "platform/poom/poom.h"

namespace moru {

// The date alone in the system's short date (the form restriction texts carry).
std::u16string FormatRestrictionDate(const SystemTime& time);

// Walks the collection Item(1), Item(2), ... until the visitor returns false or the items end.
void ForEachItem(const poom::ItemCollection& items,
                 const std::function<bool(const poom::Appointment&)>& visit);

}  // namespace moru
