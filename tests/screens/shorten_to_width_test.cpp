// Cutting a subject to a width: whole when it fits, at the first line break without dots, or
// at the first length that reaches the width, with "...".
#include "screens/list_drawing.h"

#include <gtest/gtest.h>

#include <QFontMetrics>

#include "app/fonts.h"

namespace moru {
namespace {

struct Case {
    const char* name;
    std::u16string text;
    int maxWidth;  // in widths of "M" in the bold 10-point face
    std::u16string expected;
};

class ShortenToWidthTest : public testing::TestWithParam<Case> {};

TEST_P(ShortenToWidthTest, CutsAsTheListsShowSubjects) {
    const QFontMetrics metrics(FontArial10Bold());
    const int m = metrics.horizontalAdvance(QStringLiteral("MMMM"));
    const Case& c = GetParam();
    EXPECT_EQ(ShortenToWidth(FontArial10Bold(), c.text, c.maxWidth * m / 4), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ShortenToWidthTest,
                         testing::Values(Case{"fits", u"MMM", 3, u"MMM"},
                                         Case{"fits with its line break", u"M\nM", 3, u"M\nM"},
                                         Case{"too wide", u"MMMMMM", 3, u"MMM..."},
                                         Case{"a line break before the width", u"M\nMMMMMMMM", 3,
                                              u"M"},
                                         Case{"a carriage return too", u"MM\rMMMMMM", 3, u"MM"},
                                         Case{"empty", u"", 3, u""}),
                         [](const testing::TestParamInfo<Case>& param) {
                             std::string name = param.param.name;
                             for (char& ch : name) {
                                 ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                             }
                             return name;
                         });

}  // namespace
}  // namespace moru
