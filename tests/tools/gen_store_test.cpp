// moru-gen-store run as its own process: the same seed gives the same store, and the store
// holds every shape of item the benchmarks and the screens are meant to meet.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/datetime.h"
#include "platform/device_root.h"
#include "platform/poom/poom.h"
#include "tests/support/temp_root.h"
#include "tests/tools/tool_process.h"

namespace moru::test {
namespace {

constexpr int kAppointments = 400;
constexpr int kSeries = 120;

ToolRun Generate(const TempDeviceRoot& root, const std::string& seed) {
    return RunTool(ToolPath("moru-gen-store"),
                   {"--root", root.path().string(), "--appointments", std::to_string(kAppointments),
                    "--series", std::to_string(kSeries), "--seed", seed, "--from", "2024-01-01",
                    "--years", "2"});
}

std::string ListOf(const TempDeviceRoot& root, std::vector<std::string> more = {}) {
    std::vector<std::string> args{"--root", root.path().string(), "list"};
    args.insert(args.end(), more.begin(), more.end());
    ToolRun run = RunTool(ToolPath("moru-device"), args);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return run.out;
}

TEST(GenStore, SameSeedSameStoreOtherSeedOtherStore) {
    TempDeviceRoot first;
    TempDeviceRoot second;
    TempDeviceRoot other;
    ASSERT_EQ(Generate(first, "7").exitCode, 0);
    ASSERT_EQ(Generate(second, "7").exitCode, 0);
    ASSERT_EQ(Generate(other, "8").exitCode, 0);
    const std::string a = ListOf(first);
    EXPECT_EQ(std::count(a.begin(), a.end(), '\n'), kAppointments + kSeries);
    EXPECT_EQ(a, ListOf(second));
    EXPECT_NE(a, ListOf(other));
    // The expansion of the series depends on their patterns, which the list above does not
    // show; the occurrences of a month must agree as well.
    const std::vector<std::string> june{"--from", "2024-06-01", "--to", "2024-06-30"};
    EXPECT_EQ(ListOf(first, june), ListOf(second, june));
}

TEST(GenStore, HoldsEveryKindOfItem) {
    TempDeviceRoot root;
    ToolRun run = Generate(root, "1");
    ASSERT_EQ(run.exitCode, 0) << run.err;

    auto application =
        poom::Application::Create(TranslateDevicePath(root.path(), kStoreFileDevicePath));
    ASSERT_TRUE(application);
    ASSERT_TRUE((*application)->Logon());
    auto folder = (*application)->GetDefaultFolder(poom::kCalendarFolder);
    ASSERT_TRUE(folder);
    auto items = folder->Items();
    ASSERT_TRUE(items);

    const int64_t windowStart = DateToSeconds(*MakeDate(2024, 1, 1));
    const int64_t windowEnd = DateToSeconds(*MakeDate(2026, 1, 2));
    std::set<long> types;
    int oneOffs = 0, series = 0, allDay = 0, zeroLength = 0, multiDay = 0, withSound = 0,
        silentReminder = 0, longInterval = 0, counted = 0, dated = 0, endless = 0, lastWeek = 0,
        weekdays = 0;
    for (long i = 1;; ++i) {
        auto item = items->Item(i);
        if (!item) {
            break;
        }
        const int64_t start = DateToSeconds(item->Start());
        const int64_t end = DateToSeconds(item->End());
        EXPECT_LE(start, end);
        allDay += item->AllDayEvent();
        if (item->ReminderSet()) {
            (item->ReminderSoundFile().empty() ? silentReminder : withSound)++;
        }
        if (!item->IsRecurring()) {
            ++oneOffs;
            EXPECT_GE(start, windowStart);
            EXPECT_LT(start, windowEnd);
            zeroLength += start == end;
            multiDay += end - start > 86400;
            continue;
        }
        ++series;
        // Every series began before the window, so a query has to reach back for it.
        EXPECT_LT(start, windowStart - 364 * 86400);
        const poom::RecurrencePattern pattern = item->GetRecurrencePattern();
        types.insert(pattern.RecurrenceType());
        longInterval += pattern.Interval() > 1;
        lastWeek += pattern.Instance() == 5;
        weekdays += pattern.DayOfWeekMask() == 62;
        if (pattern.NoEndDate()) {
            ++endless;
        } else {
            (pattern.Occurrences() > 0 ? counted : dated)++;
        }
    }
    EXPECT_EQ(oneOffs, kAppointments);
    EXPECT_EQ(series, kSeries);
    EXPECT_EQ(types,
              (std::set<long>{poom::kRecursDaily, poom::kRecursWeekly, poom::kRecursMonthly,
                              poom::kRecursMonthNth, poom::kRecursYearly, poom::kRecursYearNth}));
    for (int count : {allDay, zeroLength, multiDay, withSound, silentReminder, longInterval,
                      counted, dated, endless, lastWeek, weekdays}) {
        EXPECT_GT(count, 0);
    }
}

TEST(GenStore, RefusesBadArguments) {
    TempDeviceRoot root;
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--appointments", "many"},
          std::vector<std::string>{"--from", "2023-02-29"},
          std::vector<std::string>{"--bogus", "1"}, std::vector<std::string>{"--years"}}) {
        std::vector<std::string> all{"--root", root.path().string()};
        all.insert(all.end(), args.begin(), args.end());
        ToolRun run = RunTool(ToolPath("moru-gen-store"), all);
        EXPECT_EQ(run.exitCode, 2) << args.front();
        EXPECT_EQ(run.out, "");
    }
    EXPECT_FALSE(std::filesystem::exists(TranslateDevicePath(root.path(), kStoreFileDevicePath)));
}

}  // namespace
}  // namespace moru::test
