#include "store/word_tables.h"

namespace moru {

const std::array<std::u16string_view, 10> RepeatChoiceNames = {
    u"Once", u"Everyday", u"Weekdays(Mon-Fri)", u"<Edit Pattern...>", u"", u"", u"", u"", u"", u"",
};

const std::array<std::u16string_view, 7> WeekdayNames = {
    u"Sunday", u"Monday", u"Tuesday", u"Wednesday", u"Thursday", u"Friday", u"Saturday",
};

const std::array<std::u16string_view, 7> WeekdayShortNames = {
    u"Sun.", u"Mon.", u"Tue.", u"Wed.", u"Thu.", u"Fri.", u"Sat.",
};

// Entry 0 is unused: the store numbers instances from 1, and 5 means the last one.
const std::array<std::u16string_view, 6> InstanceWords = {
    u"", u"1st", u"2nd", u"3rd", u"4th", u"last",
};

// Entry 0 is unused so that a month number indexes the table directly. "May." keeps its full
// stop so that every month reads the same in the lists.
const std::array<std::u16string_view, 13> MonthShortNames = {
    u"",     u"Jan.", u"Feb.", u"Mar.", u"Apr.", u"May.", u"Jun.",
    u"Jul.", u"Aug.", u"Sep.", u"Oct.", u"Nov.", u"Dec.",
};

const std::array<std::u16string_view, 4> KindNames = {
    u"Alarm",
    u"Holiday",
    u"Anniversary",
    u"Appointment",
};

const std::array<std::u16string_view, 4> EmptyListLabels = {
    u"No registered alarm",
    u"No registered holiday",
    u"No registered anniversary",
    u"No schedule",
};

const std::array<std::u16string_view, 5> MenuGroupLabels = {
    u"Alarm:", u"Holiday:", u"Anniversary:", u"Schedule:", u"Memo:",
};

}  // namespace moru
