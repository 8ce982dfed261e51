// The date-text reader behind every date the tools accept, fed thousands of generated texts:
// it must never crash, must refuse every text that is not an exact, possible
// "YYYY-MM-DD[ HH:MM[:SS]]", and must read back every good one as it was written.
#include <gtest/gtest.h>

#include <cctype>
#include <optional>
#include <random>
#include <regex>
#include <string>

#include "platform/datetime.h"

namespace moru {
namespace {

// An independent reading of the accepted form, written from the rule rather than the code:
// the exact shape, then the calendar (Gregorian leap years) and clock ranges.
std::optional<SystemTime> Expected(const std::string& text, bool allowTime) {
    static const std::regex dateOnly(R"(^(\d{4})-(\d{2})-(\d{2})$)");
    static const std::regex withTime(R"(^(\d{4})-(\d{2})-(\d{2}) (\d{2}):(\d{2})(?::(\d{2}))?$)");
    std::smatch m;
    const bool plain = std::regex_match(text, m, dateOnly);
    if (!plain && !(allowTime && std::regex_match(text, m, withTime))) {
        return std::nullopt;
    }
    auto field = [&](size_t i) { return m.size() > i && m[i].matched ? std::stoi(m[i]) : 0; };
    const int y = field(1), mo = field(2), d = field(3), h = field(4), mi = field(5), s = field(6);
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    const int lengths[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 100 || mo < 1 || mo > 12 || d < 1 || d > lengths[mo - 1] || h > 23 || mi > 59 ||
        s > 59) {
        return std::nullopt;
    }
    SystemTime t;
    t.year = static_cast<uint16_t>(y);
    t.month = static_cast<uint16_t>(mo);
    t.day = static_cast<uint16_t>(d);
    t.hour = static_cast<uint16_t>(h);
    t.minute = static_cast<uint16_t>(mi);
    t.second = static_cast<uint16_t>(s);
    return t;
}

void ExpectSameReading(const std::string& text, bool allowTime) {
    const auto got = ParseDateTimeText(text, allowTime);
    const auto want = Expected(text, allowTime);
    ASSERT_EQ(got.has_value(), want.has_value()) << "\"" << text << "\" allowTime=" << allowTime;
    if (!got) {
        return;
    }
    EXPECT_EQ(got->year, want->year) << text;
    EXPECT_EQ(got->month, want->month) << text;
    EXPECT_EQ(got->day, want->day) << text;
    EXPECT_EQ(got->hour, want->hour) << text;
    EXPECT_EQ(got->minute, want->minute) << text;
    EXPECT_EQ(got->second, want->second) << text;
    EXPECT_EQ(got->dayOfWeek, WeekdayOf(want->year, want->month, want->day)) << text;
}

TEST(DateTextReader, EdgesOfTheCalendarAndTheClock) {
    for (const char* text :
         {// leap days
          "2023-02-29", "2024-02-29", "1900-02-29", "2000-02-29", "2100-02-29 00:00",
          // month lengths
          "2024-04-31", "2024-04-30 23:59:59", "2024-12-32", "2024-00-10", "2024-13-01",
          // clock limits
          "2024-01-01 24:00", "2024-01-01 23:60", "2024-01-01 23:59:60", "2024-01-01 00:00:00",
          // the year range
          "0099-12-31", "0100-01-01", "9999-12-31 23:59:59",
          // near misses of the shape
          "2024-1-01", "2024-01-1", " 2024-01-01", "2024-01-01 ", "2024-01-01T10:00", "2024/01/01",
          "+024-01-01", "2024-01-01 10", "2024-01-01 10:0",
          "2024-01-01 10:00:", "2024-01-01 10:00:0", "2024-01-01  10:00", "", "2024-01-01\n"}) {
        ExpectSameReading(text, true);
        ExpectSameReading(text, false);
    }
}

std::string Format(const SystemTime& t, int form) {
    std::string full = FormatDateTimeText(t);  // "YYYY-MM-DD HH:MM:SS"
    return form == 0 ? full.substr(0, 10) : form == 1 ? full.substr(0, 16) : full;
}

TEST(DateTextReader, GoodTextsReadBackAsWritten) {
    std::mt19937_64 random(20240229);
    for (int i = 0; i < 5000; ++i) {
        SystemTime t;
        t.year = static_cast<uint16_t>(100 + random() % 9900);
        t.month = static_cast<uint16_t>(1 + random() % 12);
        t.day = static_cast<uint16_t>(1 + random() % MonthLength(t.year, t.month));
        const int form = static_cast<int>(random() % 3);
        t.hour = form == 0 ? 0 : static_cast<uint16_t>(random() % 24);
        t.minute = form == 0 ? 0 : static_cast<uint16_t>(random() % 60);
        t.second = form == 2 ? static_cast<uint16_t>(random() % 60) : 0;
        t.dayOfWeek = static_cast<uint16_t>(WeekdayOf(t.year, t.month, t.day));
        const std::string text = Format(t, form);
        const auto read = ParseDateTimeText(text, true);
        ASSERT_TRUE(read.has_value()) << text;
        EXPECT_EQ(*read, t) << text;
        EXPECT_EQ(FormatDateTimeText(*read).substr(0, text.size()), text);
        EXPECT_EQ(ParseDateTimeText(text, false).has_value(), form == 0) << text;
    }
}

// Good texts bent one edit at a time (a character replaced, dropped, doubled or swapped, the
// text cut short), then raw bytes: the reader and the independent reading must agree.
TEST(DateTextReader, MutatedAndRandomTextsAreReadOnlyWhenPossible) {
    std::mt19937_64 random(77);
    const std::string alphabet = "0123456789-: T/+.\n\t\x7f\x80\xff";
    auto anyChar = [&] {
        return random() % 4 == 0 ? static_cast<char>(random() % 256)
                                 : alphabet[random() % alphabet.size()];
    };
    int accepted = 0;
    for (int i = 0; i < 20000; ++i) {
        SystemTime t;
        t.year = static_cast<uint16_t>(1990 + random() % 60);
        t.month = static_cast<uint16_t>(1 + random() % 12);
        t.day = static_cast<uint16_t>(1 + random() % 28);
        t.hour = static_cast<uint16_t>(random() % 24);
        t.minute = static_cast<uint16_t>(random() % 60);
        t.second = static_cast<uint16_t>(random() % 60);
        std::string text = Format(t, static_cast<int>(random() % 3));
        for (int edits = 1 + static_cast<int>(random() % 3); edits > 0; --edits) {
            const size_t at = text.empty() ? 0 : random() % text.size();
            switch (random() % 6) {
                case 0:
                    if (!text.empty()) {
                        text[at] = anyChar();
                    }
                    break;
                case 1:
                    if (!text.empty()) {
                        text.erase(at, 1);
                    }
                    break;
                case 2:
                    text.insert(at, 1, anyChar());
                    break;
                case 3:
                    if (text.size() > at + 1) {
                        std::swap(text[at], text[at + 1]);
                    }
                    break;
                case 4:
                    text.resize(at);
                    break;
                default:
                    // A digit replaced by another digit keeps the shape and tests the ranges.
                    if (!text.empty() && std::isdigit(static_cast<unsigned char>(text[at]))) {
                        text[at] = static_cast<char>('0' + random() % 10);
                    }
                    break;
            }
        }
        const bool allowTime = random() % 4 != 0;
        ExpectSameReading(text, allowTime);
        accepted += ParseDateTimeText(text, allowTime).has_value();
        if (HasFatalFailure()) {
            return;
        }
    }
    for (int i = 0; i < 5000; ++i) {
        std::string bytes(random() % 24, '\0');
        for (char& c : bytes) {
            c = static_cast<char>(random() % 256);
        }
        ExpectSameReading(bytes, true);
        if (HasFatalFailure()) {
            return;
        }
    }
    // The mutations must leave a fair share readable, or the ranges were never exercised.
    EXPECT_GT(accepted, 1000);
}

}  // namespace
}  // namespace moru
