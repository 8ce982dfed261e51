// Restriction texts: the four texts the program builds, run against items that touch the
// window's edges (ending at midnight, zero length, all day, several days); malformed texts;
// and thousands of generated texts checked against an independent reading of the grammar.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <regex>

#include "platform/datetime.h"
#include "platform/poom/poom.h"
#include "platform/poom/restriction.h"
#include "platform/text.h"
#include "tests/support/temp_root.h"

namespace moru::poom {
namespace {

struct EdgeItem {
    char name;
    double start, end;
};

double At(int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return *MakeDate(2025, mo, d, h, mi, s);
}

// The window's day is 11 March 2025 throughout.
const std::vector<EdgeItem> kEdgeItems = {
    {'A', At(3, 10, 22), At(3, 11)},                 // ends exactly at the day's midnight
    {'B', At(3, 11), At(3, 11)},                     // zero length at the day's midnight
    {'C', At(3, 11), At(3, 12)},                     // all day
    {'D', At(3, 9, 10), At(3, 13, 10)},              // several days across it
    {'E', At(3, 11, 23, 59, 59), At(3, 12, 0, 30)},  // starts in the day's last second
    {'F', At(3, 12), At(3, 12)},                     // zero length at the next midnight
    {'G', At(2, 1, 9), At(2, 2, 9)},                 // long before
};

struct TextCase {
    const char* name;
    std::u16string text;
    std::string expected;  // the names of the items that pass, in store order
};

class RestrictionWindowTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(RestrictionWindowTest, SelectsTheItemsThatTouchTheWindow) {
    test::TempDeviceRoot root;
    auto app = *Application::Create();
    ASSERT_TRUE(app->Logon().ok());
    std::map<uint32_t, char> names;
    for (const EdgeItem& item : kEdgeItems) {
        Appointment a = *app->CreateItem(kAppointmentItem);
        a.SetStart(item.start);
        a.SetEnd(item.end);
        ASSERT_TRUE(a.Save().ok());
        names[a.Oid()] = item.name;
    }
    Result<ItemCollection> items =
        app->GetDefaultFolder(kCalendarFolder)->Items()->Restrict(GetParam().text);
    ASSERT_TRUE(items.ok()) << items.error().message;
    items->SetIncludeRecurrences(true);
    std::string got;
    for (long i = 1; auto item = items->Item(i); ++i) {
        got += names[item->Oid()];
    }
    EXPECT_EQ(got, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    ProgramTexts, RestrictionWindowTest,
    ::testing::Values(
        // The day list: what touches the day.
        TextCase{"day", u"[Start] <= 3/11/2025 and [End] >= 3/11/2025", "DBCE"},
        // The period agenda from 11 to 12 March (start at most 31 days earlier).
        TextCase{"period", u"[Start] >= 2/8/2025 and [Start] <= 3/12/2025 and [End] >= 3/11/2025",
                 "DBCEF"},
        // The month grid, with its line feed: the grid starts on 10 March.
        TextCase{"month", u"[Start] >= 2/1/2025 and [Start] <= 3/11/2025 and [End] >= 3/10/2025\n",
                 "DABCE"},
        // The companion: starting today or tomorrow.
        TextCase{"companion", u"[Start] >= 3/11/2025 and [Start] <= 3/12/2025\n", "BCEF"},
        // The other operators.
        TextCase{"start_equal", u"[Start] = 3/11/2025", "BCE"},
        TextCase{"start_not_equal", u"[Start] <> 3/11/2025", "GDAF"},
        TextCase{"end_before", u"[End] < 3/11/2025", "GA"},
        TextCase{"start_after", u"[Start] > 3/11/2025", "F"},
        TextCase{"end_on_or_before", u"[End] <= 3/11/2025", "GABC"},
        TextCase{"empty_window", u"[Start] > 3/11/2025 and [Start] < 3/11/2025", ""}),
    [](const ::testing::TestParamInfo<TextCase>& param) { return std::string(param.param.name); });

TEST(RestrictionText, MalformedTextsAreRefused) {
    const std::u16string bad[] = {
        u"",
        u"\n",
        u"[Start] >= 3/11/2025 and",
        u"[Start] => 3/11/2025",
        u"[Start] >= 13/1/2025",
        u"[Start] >= 2/29/2025",
        u"[Start] >= 3/11/25",
        u"[Start] >= 3/11/20255",
        u"[Start] >= 003/11/2025",
        u"[Begin] >= 3/11/2025",
        u"Start >= 3/11/2025",
        u"[Start] >= 3/11/2025 or [End] >= 3/11/2025",
        u"[Start] >= 3/11/2025\n\n",
        u"[Start] >= 3/11/2025\n ",
        u"[Start] >= 3/11/2025 and and [End] >= 1/1/2025",
        u"[Start] >= 3-11-2025",
        u"[Start] >= 3/11/2025and [End] >= 3/11/2025",
        u"[Start] >= 3/11/2025 x",
        u"[Start] >= \"3/11/2025\"",
        u"[Start] >= 3/11/0050",
    };
    test::TempDeviceRoot root;
    auto app = *Application::Create();
    ASSERT_TRUE(app->Logon().ok());
    ItemCollection items = *app->GetDefaultFolder(kCalendarFolder)->Items();
    for (const std::u16string& text : bad) {
        Result<ItemCollection> restricted = items.Restrict(text);
        EXPECT_FALSE(restricted.ok()) << ToUtf8(text);
        if (!restricted.ok()) {
            EXPECT_NE(restricted.error().code, 0);
        }
    }
    for (const std::u16string& text :
         {std::u16string(u"[Start]>=3/1/2025"),
          std::u16string(u"[start] >= 03/01/2025 AND [end] < 1/1/2026 \n"),
          std::u16string(u"\t[End] <> 12/31/9999")}) {
        EXPECT_TRUE(items.Restrict(text).ok()) << ToUtf8(text);
    }
}

// ---- Generated texts ----

// An independent reading of the grammar: a regular expression for the shape, then a date check.
bool Acceptable(const std::u16string& text) {
    static const std::string clause =
        R"(\[(start|end)\][ \t]*(>=|<=|<>|>|<|=)[ \t]*([0-9]{1,2})/([0-9]{1,2})/([0-9]{4}))";
    static const std::regex full(
        std::regex_replace(R"(^[ \t]*C([ \t]+and[ \t]+C)*[ \t]*\n?$)", std::regex("C"), clause),
        std::regex::icase);
    static const std::regex date(R"(([0-9]{1,2})/([0-9]{1,2})/([0-9]{4}))");
    for (char16_t c : text) {
        if (c > 127) {
            return false;
        }
    }
    const std::string ascii = ToUtf8(text);
    if (!std::regex_match(ascii, full)) {
        return false;
    }
    for (auto it = std::sregex_iterator(ascii.begin(), ascii.end(), date);
         it != std::sregex_iterator(); ++it) {
        const int month = std::stoi((*it)[1]), day = std::stoi((*it)[2]),
                  year = std::stoi((*it)[3]);
        if (year < kMinYear || !IsValidDate(year, month, day)) {
            return false;
        }
    }
    return true;
}

std::u16string Mutate(std::u16string text, std::mt19937& random) {
    static const std::u16string pieces[] = {
        u"[Start]", u"[End]", u" and ", u">=",   u"<=", u"<>", u">", u"<",  u"=",
        u"/",       u" ",     u"\n",    u"2025", u"12", u"31", u"0", u"\t", u"\u00e9"};
    const int edits = random() % 3 == 0 ? 2 : 1;
    for (int e = 0; e < edits; ++e) {
        const size_t at = text.empty() ? 0 : random() % (text.size() + 1);
        switch (random() % 4) {
            case 0:
                if (at < text.size()) {
                    text.erase(at, 1 + random() % 3);
                }
                break;
            case 1:
                text.insert(at, pieces[random() % std::size(pieces)]);
                break;
            case 2:
                if (at < text.size()) {
                    text[at] = static_cast<char16_t>(random() % 128);
                }
                break;
            default:
                text.insert(at, 1, static_cast<char16_t>(random() % 0x10000));
                break;
        }
    }
    return text;
}

TEST(RestrictionText, GeneratedTextsAreAcceptedExactlyWhenWellFormed) {
    const std::u16string seeds[] = {
        u"[Start] >= 2/8/2025 and [Start] <= 3/12/2025 and [End] >= 3/11/2025",
        u"[Start] >= 2/1/2025 and [Start] <= 3/11/2025 and [End] >= 3/10/2025\n",
        u"[Start] <= 3/11/2025 and [End] >= 3/11/2025",
        u"[Start] >= 3/11/2025 and [Start] <= 3/12/2025\n",
        u"[End] <> 2/29/2024",
    };
    std::mt19937 random(4242);
    int accepted = 0, refused = 0;
    for (int i = 0; i < 6000; ++i) {
        std::u16string text;
        if (i % 5 == 0) {
            const size_t length = random() % 40;
            for (size_t k = 0; k < length; ++k) {
                text += static_cast<char16_t>(random() % (k % 3 == 0 ? 0x10000 : 128));
            }
        } else {
            text = Mutate(seeds[random() % std::size(seeds)], random);
        }
        const bool parsed = detail::ParseRestriction(text).restriction.has_value();
        ASSERT_EQ(parsed, Acceptable(text)) << ToUtf8(text);
        (parsed ? accepted : refused) += 1;
    }
    // The mutations should exercise both outcomes in earnest.
    EXPECT_GT(accepted, 100);
    EXPECT_GT(refused, 3000);
}

// ---- The walk against the clause-by-clause reading ----

// Every walk answers with what Restriction::Matches accepts, one-off items and occurrences
// alike, for restrictions of one and two clauses of every operator around the edge days:
// items and occurrences that end at midnight, last nothing, or span several days.
TEST(RestrictionWalk, ListsExactlyWhatTheClausesAccept) {
    test::TempDeviceRoot root;
    auto app = *Application::Create();
    ASSERT_TRUE(app->Logon().ok());
    for (const EdgeItem& item : kEdgeItems) {
        Appointment a = *app->CreateItem(kAppointmentItem);
        a.SetStart(item.start);
        a.SetEnd(item.end);
        ASSERT_TRUE(a.Save().ok());
    }
    // Daily series whose occurrences end at midnight, last nothing at midnight, run across two
    // midnights, and share an hour in an order other than their identifiers'.
    struct SeriesTimes {
        int hour;
        int minute;
        long minutes;
    };
    for (const SeriesTimes times :
         {SeriesTimes{22, 0, 120}, SeriesTimes{0, 0, 0}, SeriesTimes{18, 0, 1800},
          SeriesTimes{9, 45, 30}, SeriesTimes{9, 15, 30}, SeriesTimes{9, 15, 0}}) {
        Appointment a = *app->CreateItem(kAppointmentItem);
        a.SetStart(At(3, 1, times.hour, times.minute));
        a.SetDuration(times.minutes);
        RecurrencePattern p = a.GetRecurrencePattern();
        p.SetRecurrenceType(kRecursDaily);
        p.SetPatternStartDate(At(3, 1));
        p.SetStartTime(At(3, 1, times.hour, times.minute));
        p.SetDuration(times.minutes);
        p.SetPatternEndDate(At(3, 20));
        p.SetNoEndDate(false);
        ASSERT_TRUE(a.Save().ok());
    }
    // What every item and occurrence is, independently of the walk: the one-off items as
    // saved, each series on every day of its pattern.
    struct Expected {
        uint32_t oid;
        int64_t start, end;
    };
    std::vector<Expected> everything;
    {
        auto all = app->GetDefaultFolder(kCalendarFolder)->Items();
        for (long i = 1; auto item = all->Item(i); ++i) {
            const int64_t start = DateToSeconds(item->Start());
            if (!item->IsRecurring()) {
                everything.push_back({item->Oid(), start, DateToSeconds(item->End())});
                continue;
            }
            const int64_t length = int64_t{item->GetRecurrencePattern().Duration()} * 60;
            const int64_t timeOfDay = start - FloorDiv(start, 86400) * 86400;
            for (int d = 1; d <= 20; ++d) {
                const int64_t occurrence = DateToSeconds(At(3, d)) + timeOfDay;
                everything.push_back({item->Oid(), occurrence, occurrence + length});
            }
        }
    }
    std::sort(everything.begin(), everything.end(), [](const Expected& a, const Expected& b) {
        return a.start != b.start ? a.start < b.start : a.oid < b.oid;
    });
    const std::vector<std::u16string> fields = {u"[Start]", u"[End]"};
    const std::vector<std::u16string> ops = {u">=", u"<=", u">", u"<", u"=", u"<>"};
    const std::vector<std::u16string> days = {u"3/10/2025", u"3/11/2025", u"3/12/2025"};
    std::vector<std::u16string> clauses;
    for (const auto& field : fields) {
        for (const auto& op : ops) {
            for (const auto& day : days) {
                std::u16string clause = field;
                clause += u" ";
                clause += op;
                clause += u" ";
                clause += day;
                clauses.push_back(std::move(clause));
            }
        }
    }
    std::vector<std::u16string> texts = clauses;
    for (size_t i = 0; i < clauses.size(); i += 5) {
        for (size_t j = 1; j < clauses.size(); j += 7) {
            texts.push_back(clauses[i] + u" and " + clauses[j]);
        }
    }
    auto folder = *app->GetDefaultFolder(kCalendarFolder);
    for (const std::u16string& text : texts) {
        SCOPED_TRACE(ToUtf8(text));
        const detail::ParsedRestriction parsed = detail::ParseRestriction(text);
        ASSERT_TRUE(parsed.restriction.has_value());
        std::string expected;
        for (const Expected& e : everything) {
            if (parsed.restriction->Matches(e.start, e.end)) {
                expected += std::to_string(e.oid) + "@" + std::to_string(e.start) + " ";
            }
        }
        Result<ItemCollection> items = folder.Query(text, Recurrences::Occurrences);
        ASSERT_TRUE(items.ok()) << items.error().message;
        std::string got;
        for (long i = 1; auto item = items->Item(i); ++i) {
            got += std::to_string(item->Oid()) + "@" +
                   std::to_string(DateToSeconds(item->Start())) + " ";
        }
        EXPECT_EQ(got, expected);
    }
}

}  // namespace
}  // namespace moru::poom
