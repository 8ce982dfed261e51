#include "store/restriction_text.h"

#include "store/item_walk.h"

namespace moru {

RestrictionText& RestrictionText::Add(std::u16string_view bound, const SystemTime& day) {
    if (!text_.empty()) {
        text_ += u" and ";
    }
    text_ += bound;
    text_ += FormatRestrictionDate(day);
    return *this;
}

std::u16string RestrictionText::Text(Ending ending) const {
    return ending == Ending::LineFeed ? text_ + u"\n" : text_;
}

}  // namespace moru
