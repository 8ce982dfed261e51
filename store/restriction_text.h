#pragma once
// The restriction texts the program hands the store, built in one place: date bounds on
// [Start] and [End] joined by " and ", each date in the short form the store reads
// (FormatRestrictionDate). The store gives a date-only bound its documented meaning:
// "[Start] >= D" from D's midnight, "[Start] <= D" up to the end of day D, "[End] >= D" ending
// after D's midnight (docs/store.md).
#include <string>
#include <string_view>

#include "platform/datetime.h"

namespace moru {

class RestrictionText {
public:
    RestrictionText& StartOnOrAfter(const SystemTime& day) { return Add(u"[Start] >= ", day); }
    RestrictionText& StartOnOrBefore(const SystemTime& day) { return Add(u"[Start] <= ", day); }
    RestrictionText& EndOnOrAfter(const SystemTime& day) { return Add(u"[End] >= ", day); }

    // The bounds as one text; the screens' queries end it with a line feed, which the store
    // accepts and ignores.
    enum class Ending { None, LineFeed };
    std::u16string Text(Ending ending = Ending::None) const;

private:
    RestrictionText& Add(std::u16string_view bound, const SystemTime& day);

    std::u16string text_;
};

}  // namespace moru
