#include "store/item_walk.h"

#include "platform/locale_format.h"

namespace moru {

std::u16string FormatRestrictionDate(const SystemTime& time) {
    return FormatShortDate(time);
}

void ForEachItem(const poom::ItemCollection& items,
                 const std::function<bool(const poom::Appointment&)>& visit) {
    // The collection's Count is not asked: the walk ends at the first index with no item.
    for (long index = 1;; ++index) {
        const std::optional<poom::Appointment> item = items.Item(index);
        if (!item || !visit(*item)) {
            return;
        }
    }
}

}  // namespace moru
