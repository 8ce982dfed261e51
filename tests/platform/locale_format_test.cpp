#include "platform/locale_format.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace moru {
namespace {

SystemTime At(int y, int mo, int d, int h, int mi, int s) {
    return MakeSystemTime(y, mo, d, h, mi, s);
}

struct Case {
    const char* name;
    bool isTime;
    const char16_t* picture;
    SystemTime time;
    const char16_t* expected;
};

class PictureTest : public testing::TestWithParam<Case> {};

TEST_P(PictureTest, Formats) {
    const Case& c = GetParam();
    const std::u16string got =
        c.isTime ? FormatTime(c.time, c.picture) : FormatDate(c.time, c.picture);
    EXPECT_EQ(ToUtf8(got), ToUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, PictureTest,
    testing::Values(
        Case{"list_date", false, u"yyyy.MM.dd(ddd)", At(2026, 3, 4, 9, 0, 0), u"2026.03.04(Wed)"},
        Case{"pattern_date", false, u"yyyy.MM.dd", At(2026, 12, 8, 0, 0, 0), u"2026.12.08"},
        Case{"header", false, u"ddd, MMM, dd, yyyy", At(2026, 12, 8, 0, 0, 0),
             u"Tue, Dec, 08, 2026"},
        Case{"short_date", false, u"M/d/yyyy", At(2026, 1, 5, 0, 0, 0), u"1/5/2026"},
        Case{"date_keeps_time_letters", false, u"d 'h' hh", At(2026, 1, 5, 0, 0, 0), u"5 h hh"},
        Case{"morning", true, u"hh:mm tt", At(2026, 1, 5, 9, 5, 0), u"09:05 AM"},
        Case{"midnight_is_12", true, u"hh:mm tt", At(2026, 1, 5, 0, 30, 0), u"12:30 AM"},
        Case{"noon_is_pm", true, u"hh:mm tt", At(2026, 1, 5, 12, 0, 0), u"12:00 PM"},
        Case{"agenda", true, u"tt h':'mm", At(2026, 12, 7, 10, 30, 0), u"AM 10:30"},
        Case{"agenda_pm", true, u"tt h':'mm", At(2026, 12, 7, 21, 0, 0), u"PM 9:00"},
        Case{"quoted", true, u"hh':'mm':'ss tt", At(2026, 1, 5, 23, 59, 59), u"11:59:59 PM"},
        Case{"digital", true, u"hh:mm", At(2026, 1, 5, 15, 7, 0), u"03:07"},
        Case{"seconds", true, u"ss tt", At(2026, 1, 5, 15, 7, 4), u"04 PM"},
        Case{"escaped_quote", true, u"h'''o'", At(2026, 1, 5, 1, 0, 0), u"1'o"}),
    [](const testing::TestParamInfo<Case>& row) { return row.param.name; });

TEST(PictureBuffer, ResultLongerThanTheBufferIsEmpty) {
    const SystemTime t = At(2026, 12, 8, 0, 0, 0);
    // "Tue, Dec, 08, 2026" is 18 characters: it fits 19 with the terminator, not 18.
    EXPECT_EQ(FormatDate(t, u"ddd, MMM, dd, yyyy", 19).size(), 18u);
    EXPECT_TRUE(FormatDate(t, u"ddd, MMM, dd, yyyy", 18).empty());
    EXPECT_EQ(ToUtf8(FormatShortDate(At(2026, 12, 31, 23, 0, 0))), "12/31/2026");
}

}  // namespace
}  // namespace moru
