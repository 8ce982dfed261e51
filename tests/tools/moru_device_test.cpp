// moru-device driven as a separate process against a temporary device root, as scripts use it.
#include <gtest/gtest.h>
#include <poll.h>
#include <sqlite3.h>

#include <algorithm>

#include <sstream>
#include <string>
#include <vector>

#include "platform/device_root.h"
#include "platform/poom/poom.h"
#include "tests/support/older_store.h"
#include "tests/support/temp_root.h"
#include "tests/tools/tool_process.h"

namespace moru::test {
namespace {

class MoruDeviceTest : public ::testing::Test {
protected:
    ToolRun Device(std::vector<std::string> args) {
        args.insert(args.begin(), {"--root", root_.path().string()});
        return RunTool(ToolPath("moru-device"), args);
    }

    // Adds an item and returns its identifier as printed; fails the test when add fails.
    std::string Add(std::vector<std::string> args) {
        args.insert(args.begin(), "add");
        ToolRun run = Device(args);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err, "");
        EXPECT_FALSE(run.out.empty());
        EXPECT_EQ(run.out.find_first_not_of("0123456789"), run.out.size() - 1) << run.out;
        return run.out.substr(0, run.out.size() - 1);
    }

    std::filesystem::path StoreFile() const {
        return TranslateDevicePath(root_.path(), kStoreFileDevicePath);
    }

    static bool CanMountPrivately() {
        return RunTool("/usr/bin/unshare", {"-rm", "true"}).exitCode == 0;
    }

    // moru-device with these words on the root made read-only by a bind mount in a private
    // mount namespace, so the test needs no privileges.
    ToolRun DeviceOnReadOnlyRoot(const std::string& args) {
        const std::string root = root_.path().string();
        return RunTool("/usr/bin/unshare",
                       {"-rm", "sh", "-c",
                        "mount --bind -o ro \"$0\" \"$0\" && exec \"$1\" --root \"$0\" " + args,
                        root, ToolPath("moru-device")});
    }

    TempDeviceRoot root_;
};

// The value of one "name: value" line of show's output.
std::string Property(const std::string& show, const std::string& name) {
    std::istringstream lines(show);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with(name + ": ")) {
            return line.substr(name.size() + 2);
        }
    }
    return "<missing " + name + ">";
}

TEST_F(MoruDeviceTest, AddListShowDeleteCountRoundTrip) {
    EXPECT_EQ(Device({"count"}).out, "0\n");
    const std::string dentist =
        Add({"--subject", "Dentist", "--start", "2024-03-05 09:30", "--end", "2024-03-05 11:00",
             "--reminder", "15", "--sound", "Chimes.wav"});
    const std::string holiday =
        Add({"--subject", "Café ☕ day", "--start", "2024-03-01", "--all-day"});
    EXPECT_NE(dentist, holiday);
    EXPECT_EQ(Device({"count"}).out, "2\n");

    // Store order: by start, whatever the order of adding.
    ToolRun list = Device({"list"});
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_EQ(list.out, holiday + "\t2024-03-01 00:00:00\t2024-03-01 00:00:00\tA\tCafé ☕ day\n" +
                            dentist + "\t2024-03-05 09:30:00\t2024-03-05 11:00:00\tM\tDentist\n");

    ToolRun show = Device({"show", dentist});
    EXPECT_EQ(show.exitCode, 0) << show.err;
    EXPECT_EQ(Property(show.out, "Oid"), dentist);
    EXPECT_EQ(Property(show.out, "Subject"), "Dentist");
    EXPECT_EQ(Property(show.out, "Start"), "2024-03-05 09:30:00");
    EXPECT_EQ(Property(show.out, "End"), "2024-03-05 11:00:00");
    EXPECT_EQ(Property(show.out, "Duration"), "90");
    EXPECT_EQ(Property(show.out, "AllDayEvent"), "false");
    EXPECT_EQ(Property(show.out, "BusyStatus"), "2");
    EXPECT_EQ(Property(show.out, "ReminderSet"), "true");
    EXPECT_EQ(Property(show.out, "ReminderMinutesBeforeStart"), "15");
    EXPECT_EQ(Property(show.out, "ReminderSoundFile"), "Chimes.wav");
    EXPECT_EQ(Property(show.out, "ReminderOptions"), "29");
    EXPECT_EQ(Property(show.out, "IsRecurring"), "false");
    EXPECT_EQ(show.out.find("Pattern."), std::string::npos);

    ToolRun removed = Device({"delete", dentist});
    EXPECT_EQ(removed.exitCode, 0) << removed.err;
    EXPECT_EQ(removed.out, "");
    EXPECT_EQ(Device({"count"}).out, "1\n");
    EXPECT_EQ(Device({"show", dentist}).exitCode, 2);
    // Identifiers are never handed out again.
    const std::string next = Add({"--subject", "Later", "--start", "2024-04-01 08:00"});
    EXPECT_NE(next, dentist);
}

TEST_F(MoruDeviceTest, ListLinesEscapeControlCharactersAndShowEveryFlag) {
    const std::string plain =
        Add({"--subject", "tab\there\nnewline", "--start", "2024-05-01 10:00"});
    const std::string all = Add({"--subject", "Birthday", "--start", "2024-05-02", "--all-day",
                                 "--reminder", "0", "--recur", "yearly"});
    ToolRun list = Device({"list"});
    EXPECT_EQ(list.out,
              plain + "\t2024-05-01 10:00:00\t2024-05-01 10:00:00\t-\ttab\\there\\nnewline\n" +
                  all + "\t2024-05-02 00:00:00\t2024-05-02 00:00:00\tARM\tBirthday\n");
}

// The pattern fields left out are taken from the start, as the appointment editor seeds them.
struct DefaultsCase {
    const char* name;
    const char* start;
    const char* recur;
    const char* type;
    const char* mask;
    const char* day;
    const char* instance;
    const char* month;
};

void PrintTo(const DefaultsCase& c, std::ostream* os) {
    *os << c.name;
}

class AddDefaults : public MoruDeviceTest, public ::testing::WithParamInterface<DefaultsCase> {};

TEST_P(AddDefaults, PatternFieldsComeFromTheStart) {
    const DefaultsCase& c = GetParam();
    const std::string oid = Add({"--subject", "s", "--start", c.start, "--recur", c.recur});
    const std::string show = Device({"show", oid}).out;
    EXPECT_EQ(Property(show, "IsRecurring"), "true");
    EXPECT_EQ(Property(show, "Pattern.RecurrenceType"), c.type);
    EXPECT_EQ(Property(show, "Pattern.Interval"), "1");
    EXPECT_EQ(Property(show, "Pattern.DayOfWeekMask"), c.mask);
    EXPECT_EQ(Property(show, "Pattern.DayOfMonth"), c.day);
    EXPECT_EQ(Property(show, "Pattern.Instance"), c.instance);
    EXPECT_EQ(Property(show, "Pattern.MonthOfYear"), c.month);
    EXPECT_EQ(Property(show, "Pattern.NoEndDate"), "true");
    // Without --end the item lasts no time.
    EXPECT_EQ(Property(show, "End"), Property(show, "Start"));
    EXPECT_EQ(Property(show, "Duration"), "0");
}

INSTANTIATE_TEST_SUITE_P(
    Starts, AddDefaults,
    ::testing::Values(
        // Wednesday the 15th: third week, Wednesday's bit.
        DefaultsCase{"WeeklyWednesday15th", "2023-03-15 09:00", "weekly", "1", "8", "15", "3", "3"},
        DefaultsCase{"DailyThursday", "2023-06-08 12:00", "daily", "0", "16", "8", "2", "6"},
        DefaultsCase{"MonthlySunday22nd", "2023-10-22 07:15", "monthly", "2", "1", "22", "4", "10"},
        // Days 29 to 31 are in the fifth week: the last one of the month.
        DefaultsCase{"MonthNthSunday31st", "2024-03-31 10:00", "monthly-nth", "3", "1", "31", "5",
                     "3"},
        DefaultsCase{"YearlyLeapDay", "2024-02-29 08:30", "yearly", "5", "16", "29", "5", "2"},
        DefaultsCase{"YearNthFirstSaturday", "2023-01-07 07:00:30", "yearly-nth", "6", "64", "7",
                     "1", "1"}),
    [](const ::testing::TestParamInfo<DefaultsCase>& row) { return row.param.name; });

TEST_F(MoruDeviceTest, CountAndUntilEndTheSeries) {
    const std::string counted = Add({"--subject", "Course", "--start", "2024-01-01 10:00", "--end",
                                     "2024-01-01 11:00", "--recur", "daily", "--count", "3"});
    std::string show = Device({"show", counted}).out;
    EXPECT_EQ(Property(show, "Pattern.NoEndDate"), "false");
    EXPECT_EQ(Property(show, "Pattern.Occurrences"), "3");
    EXPECT_TRUE(Property(show, "Pattern.PatternEndDate").starts_with("2024-01-03")) << show;

    const std::string until = Add({"--subject", "Swim", "--start", "2024-01-01 18:00", "--recur",
                                   "weekly", "--until", "2024-01-15"});
    show = Device({"show", until}).out;
    EXPECT_EQ(Property(show, "Pattern.NoEndDate"), "false");
    EXPECT_EQ(Property(show, "Pattern.Occurrences"), "0");
    EXPECT_TRUE(Property(show, "Pattern.PatternEndDate").starts_with("2024-01-15")) << show;

    // The end date is inclusive; the count stops after the third.
    ToolRun list = Device({"list", "--from", "2023-12-01", "--to", "2024-02-29"});
    EXPECT_EQ(list.out,
              counted + "\t2024-01-01 10:00:00\t2024-01-01 11:00:00\tR\tCourse\n" +  //
                  until + "\t2024-01-01 18:00:00\t2024-01-01 18:00:00\tR\tSwim\n" +  //
                  counted + "\t2024-01-02 10:00:00\t2024-01-02 11:00:00\tR\tCourse\n" + counted +
                  "\t2024-01-03 10:00:00\t2024-01-03 11:00:00\tR\tCourse\n" + until +
                  "\t2024-01-08 18:00:00\t2024-01-08 18:00:00\tR\tSwim\n" + until +
                  "\t2024-01-15 18:00:00\t2024-01-15 18:00:00\tR\tSwim\n");
}

// A range covers its first day from 00:00:00 to its last day's 23:59:59: whatever overlaps
// that, expanded series included, is listed; what ends at the first midnight or starts at the
// midnight after is not.
TEST_F(MoruDeviceTest, ListRangeExpandsSeriesAndKeepsItemsTouchingTheEdges) {
    Add({"--subject", "Ends at the first midnight", "--start", "2024-05-31 22:00", "--end",
         "2024-06-01 00:00"});
    const std::string midnight =
        Add({"--subject", "Alarm at midnight", "--start", "2024-06-01 00:00"});
    const std::string lastMinute = Add(
        {"--subject", "Last minute", "--start", "2024-06-07 23:59", "--end", "2024-06-08 00:30"});
    Add({"--subject", "Day after", "--start", "2024-06-08 00:00", "--end", "2024-06-08 01:00"});
    // Thursday evening to Saturday morning, every week since 2020: the occurrence from the
    // Thursday before the range reaches into it.
    const std::string overnight = Add({"--subject", "Overnight", "--start", "2020-01-02 20:00",
                                       "--end", "2020-01-04 08:00", "--recur", "weekly"});
    const std::string course = Add({"--subject", "Course", "--start", "2024-06-06 09:00", "--end",
                                    "2024-06-06 10:00", "--recur", "daily", "--count", "3"});
    const std::string allDay =
        Add({"--subject", "Fair", "--start", "2024-06-03", "--end", "2024-06-04", "--all-day"});
    // Begun days before the range: read with its row although it starts long before the
    // item that ends first before the range.
    const std::string trip =
        Add({"--subject", "Trip", "--start", "2024-05-27 10:00", "--end", "2024-06-02 18:00"});

    ToolRun list = Device({"list", "--from", "2024-06-01", "--to", "2024-06-07"});
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_EQ(list.out,
              trip + "\t2024-05-27 10:00:00\t2024-06-02 18:00:00\t-\tTrip\n" + overnight +
                  "\t2024-05-30 20:00:00\t2024-06-01 08:00:00\tR\tOvernight\n" + midnight +
                  "\t2024-06-01 00:00:00\t2024-06-01 00:00:00\t-\tAlarm at midnight\n" + allDay +
                  "\t2024-06-03 00:00:00\t2024-06-04 00:00:00\tA\tFair\n" + course +
                  "\t2024-06-06 09:00:00\t2024-06-06 10:00:00\tR\tCourse\n" + overnight +
                  "\t2024-06-06 20:00:00\t2024-06-08 08:00:00\tR\tOvernight\n" + course +
                  "\t2024-06-07 09:00:00\t2024-06-07 10:00:00\tR\tCourse\n" + lastMinute +
                  "\t2024-06-07 23:59:00\t2024-06-08 00:30:00\t-\tLast minute\n");

    // A one-day range is the same rule.
    ToolRun oneDay = Device({"list", "--from", "2024-06-01", "--to", "2024-06-01"});
    EXPECT_EQ(oneDay.out,
              trip + "\t2024-05-27 10:00:00\t2024-06-02 18:00:00\t-\tTrip\n" + overnight +
                  "\t2024-05-30 20:00:00\t2024-06-01 08:00:00\tR\tOvernight\n" + midnight +
                  "\t2024-06-01 00:00:00\t2024-06-01 00:00:00\t-\tAlarm at midnight\n");
}

TEST_F(MoruDeviceTest, QueryRunsTheRestrictionAsGiven) {
    const std::string weekly =
        Add({"--subject", "Weekly", "--start", "2024-01-01 10:00", "--recur", "weekly"});
    const std::string once = Add({"--subject", "Once", "--start", "2024-01-10 12:00"});
    // The companion's form, trailing line feed included.
    const std::string text = "[Start] >= 1/8/2024 and [Start] <= 1/10/2024\n";
    EXPECT_EQ(Device({"query", text}).out,
              once + "\t2024-01-10 12:00:00\t2024-01-10 12:00:00\t-\tOnce\n");
    EXPECT_EQ(Device({"query", text, "--recurrences"}).out,
              weekly + "\t2024-01-08 10:00:00\t2024-01-08 10:00:00\tR\tWeekly\n" + once +
                  "\t2024-01-10 12:00:00\t2024-01-10 12:00:00\t-\tOnce\n");
}

TEST_F(MoruDeviceTest, AddAndDeleteAnnounceTheChange) {
    ASSERT_EQ(Device({"count"}).exitCode, 0);  // creates the store
    auto watcher = poom::ChangeWatcher::Open(StoreFile());
    ASSERT_TRUE(watcher) << watcher.error().message;
    auto announced = [&] {
        pollfd p{(*watcher)->fd(), POLLIN, 0};
        return poll(&p, 1, 5000) == 1 && (*watcher)->Drain();
    };
    const std::string oid = Add({"--subject", "x", "--start", "2024-01-01 10:00"});
    EXPECT_TRUE(announced());
    ASSERT_EQ(Device({"delete", oid}).exitCode, 0);
    EXPECT_TRUE(announced());
}

// Bad arguments: one line on stderr, nothing on stdout, exit 2, and the store untouched.
struct BadCase {
    const char* name;
    std::vector<std::string> args;
};

void PrintTo(const BadCase& c, std::ostream* os) {
    *os << c.name;
}

class BadArguments : public MoruDeviceTest, public ::testing::WithParamInterface<BadCase> {};

TEST_P(BadArguments, RefusedWithOneLineAndExitTwo) {
    ASSERT_EQ(Device({"count"}).out, "0\n");
    ToolRun run = Device(GetParam().args);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(run.err.starts_with("moru-device: ")) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    // What the complaint echoes is escaped: no raw control character before the line's end.
    const std::string line = run.err.substr(0, run.err.size() - 1);
    EXPECT_TRUE(std::none_of(line.begin(), line.end(), [](char c) {
        return (c >= 0 && c < 0x20) || c == 0x7F;
    })) << run.err;
    EXPECT_EQ(Device({"count"}).out, "0\n");
}

const std::vector<std::string> kGood{"add", "--subject", "x", "--start", "2024-01-01 10:00"};
std::vector<std::string> GoodPlus(std::vector<std::string> more) {
    std::vector<std::string> args = kGood;
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadArguments,
    ::testing::Values(
        BadCase{"NoCommand", {}}, BadCase{"UnknownCommand", {"frobnicate"}},
        BadCase{"UnknownOption", GoodPlus({"--colour", "red"})},
        BadCase{"ImpossibleDate", {"add", "--subject", "x", "--start", "2023-02-29 10:00"}},
        BadCase{"ImpossibleTime", {"add", "--subject", "x", "--start", "2024-01-01 24:00"}},
        BadCase{"MissingSubject", {"add", "--start", "2024-01-01 10:00"}},
        BadCase{"MissingValue", {"add", "--subject", "x", "--start"}},
        BadCase{"EndBeforeStart", GoodPlus({"--end", "2024-01-01 09:59"})},
        BadCase{"NegativeReminder", GoodPlus({"--reminder", "-5"})},
        BadCase{"CountWithoutRecur", GoodPlus({"--count", "3"})},
        BadCase{"UnknownRecurrence", GoodPlus({"--recur", "fortnightly"})},
        BadCase{"MaskOutOfRange", GoodPlus({"--recur", "weekly", "--mask", "128"})},
        BadCase{"InstanceOutOfRange", GoodPlus({"--recur", "monthly-nth", "--instance", "6"})},
        BadCase{"CountAndUntil",
                GoodPlus({"--recur", "weekly", "--count", "2", "--until", "2024-02-01"})},
        BadCase{"UntilBeforeStart", GoodPlus({"--recur", "weekly", "--until", "2023-12-31"})},
        // A Monday start, Tuesdays only, ending that Monday: the store refuses the series.
        BadCase{"SeriesWithoutOccurrence",
                GoodPlus({"--recur", "weekly", "--mask", "4", "--until", "2024-01-01"})},
        BadCase{"UnknownOidShow", {"show", "4242"}},
        BadCase{"UnknownOidDelete", {"delete", "4242"}}, BadCase{"NotAnOid", {"show", "12abc"}},
        BadCase{"ZeroOid", {"delete", "0"}},
        BadCase{"HalfARange", {"list", "--from", "2024-01-01"}},
        BadCase{"RangeBackwards", {"list", "--from", "2024-01-02", "--to", "2024-01-01"}},
        BadCase{"RangeWithTime", {"list", "--from", "2024-01-01 10:00", "--to", "2024-01-02"}},
        BadCase{"UnknownRestriction", {"query", "[Begin] >= 1/1/2024"}},
        BadCase{"RemindersHalfARange", {"reminders", "--to", "2024-01-01"}},
        BadCase{"RemindersBackwards",
                {"reminders", "--from", "2024-01-01 10:00", "--to", "2024-01-01 09:59"}},
        BadCase{"RemindersImpossibleTime",
                {"reminders", "--from", "2024-01-01 25:00", "--to", "2024-01-02"}},
        // Input with control characters, echoed in the complaint.
        BadCase{"UnknownCommandWithEscape", {"frob\x1b[2Jnicate"}},
        BadCase{"UnknownOptionWithNewline", GoodPlus({"--col\nour", "red"})},
        BadCase{"DateWithNewline", {"list", "--from", "2024-01-01\nx", "--to", "2024-01-02"}},
        BadCase{"RestrictionWithNewlines", {"query", "[Start] >= 1/1/2024\nand\r\x07"}},
        BadCase{"OidWithTab", {"show", "12\t3"}},
        BadCase{"ImportOptionWithNewline", {"import", "--ki\nnd", "alarm", "x.ics"}},
        BadCase{"ImportMissingFileWithNewline", {"import", "no\nsuch.ics"}},
        BadCase{"ExportOptionWithEscape", {"export", "--fr\x1b[2Jom", "2024-01-01"}}),
    [](const ::testing::TestParamInfo<BadCase>& row) { return row.param.name; });

// reminders lists what the companion rings in the range, in ring order: a series once per
// occurrence, a reminder that rings before the range's start day of its appointment found from
// the store's longest lead, and nothing without a reminder. Whole days run to their last second.
TEST_F(MoruDeviceTest, RemindersListWhatRingsInTheRange) {
    const std::string daily = Add({"--subject", "Pills", "--start", "2024-03-04 09:00",
                                   "--reminder", "15", "--recur", "daily"});
    const std::string early = Add({"--subject", "Trip", "--start", "2024-03-08 07:00", "--reminder",
                                   "4320"});  // three days before
    Add({"--subject", "Silent", "--start", "2024-03-05 10:00"});
    const std::string late =
        Add({"--subject", "Late\tnight", "--start", "2024-03-05 23:59:59", "--reminder", "0"});
    ToolRun run = Device({"reminders", "--from", "2024-03-05", "--to", "2024-03-05"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "2024-03-05 07:00:00\tTrip\t" + early + "\n" +
                           "2024-03-05 08:45:00\tPills\t" + daily + "\n" +
                           "2024-03-05 23:59:59\tLate\\tnight\t" + late + "\n");
    run = Device({"reminders", "--from", "2024-03-05 07:00:01", "--to", "2024-03-06 08:45"});
    EXPECT_EQ(run.out, "2024-03-05 08:45:00\tPills\t" + daily + "\n" +
                           "2024-03-05 23:59:59\tLate\\tnight\t" + late + "\n" +
                           "2024-03-06 08:45:00\tPills\t" + daily + "\n");
}

// A store file that is not a store is refused with its reason (exit 1) and left exactly as it
// was: neither reading nor adding may "repair" it into an empty store.
TEST_F(MoruDeviceTest, DamagedStoreIsRefusedAndLeftUnchanged) {
    const std::vector<std::string> damaged{
        std::string(4096, 'x'),
        std::string("SQLite format 3\0", 16) + std::string(4080, '\x7f'),
    };
    for (const std::string& bytes : damaged) {
        WriteFileBytes(StoreFile(), bytes);
        for (const auto& args :
             {std::vector<std::string>{"count"}, std::vector<std::string>{"list"}, kGood}) {
            ToolRun run = Device(args);
            EXPECT_EQ(run.exitCode, 1) << args.front();
            EXPECT_EQ(run.out, "");
            EXPECT_TRUE(run.err.starts_with("moru-device: cannot open the store")) << run.err;
            EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
            EXPECT_EQ(ReadFileBytes(StoreFile()), bytes);
        }
    }
}

// Damage inside a store that still opens: the appointments' own pages are overwritten while
// the index that orders them is intact, so a walk finds every item but cannot read one. That
// is a failure (exit 1 with the reason, no lines printed as if they were the answer), and a
// write into such a store is refused, leaving the file as it was.
TEST_F(MoruDeviceTest, DamagedPagesFailTheReadAndRefuseTheWrite) {
    for (int i = 0; i < 3; ++i) {
        Add({"--subject", "item " + std::to_string(i), "--start",
             "2024-03-0" + std::to_string(i + 1) + " 10:00"});
    }
    Add({"--subject", "weekly", "--start", "2024-03-04 08:00", "--recur", "weekly"});
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(StoreFile().c_str(), &db), SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db,
                                 "SELECT rootpage, (SELECT page_size FROM pragma_page_size) FROM "
                                 "sqlite_master WHERE name = 'appointments'",
                                 -1, &stmt, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    const int64_t page = sqlite3_column_int64(stmt, 0);
    const int64_t pageSize = sqlite3_column_int64(stmt, 1);
    sqlite3_finalize(stmt);
    sqlite3_close(db);  // the last connection folds the log back into the file

    std::string bytes = ReadFileBytes(StoreFile());
    ASSERT_GE(static_cast<int64_t>(bytes.size()), page * pageSize);
    std::fill_n(bytes.begin() + (page - 1) * pageSize, pageSize, '\xff');
    WriteFileBytes(StoreFile(), bytes);
    const std::filesystem::path icsFile = StoreFile().parent_path().parent_path() / "in.ics";
    WriteFileBytes(icsFile,
                   "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//t//EN\r\nBEGIN:VEVENT\r\n"
                   "UID:abc@t\r\nDTSTAMP:20240101T000000Z\r\nDTSTART:20240305T100000\r\n"
                   "DTEND:20240305T110000\r\nSUMMARY:imported\r\nEND:VEVENT\r\n"
                   "END:VCALENDAR\r\n");

    for (const auto& args :
         {std::vector<std::string>{"list"},
          std::vector<std::string>{"list", "--from", "2024-03-01", "--to", "2024-03-31"},
          std::vector<std::string>{"query", "[Start] >= 3/1/2024"},
          std::vector<std::string>{"show", "1"}, kGood, std::vector<std::string>{"delete", "1"},
          std::vector<std::string>{"export"},
          std::vector<std::string>{"reminders", "--from", "2024-03-01 00:00", "--to",
                                   "2024-03-31 00:00"},
          std::vector<std::string>{"import", icsFile.string()}}) {
        SCOPED_TRACE(args.front() + " " + std::to_string(args.size()));
        ToolRun run = Device(args);
        EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("malformed"), std::string::npos) << run.err;
        EXPECT_EQ(ReadFileBytes(StoreFile()), bytes);
    }
}

// A daily series over fifteen years has more occurrences than an unbounded query takes. A
// bounded list shows them all; an unbounded query says it was cut instead of printing a part.
TEST_F(MoruDeviceTest, OccurrenceCapOnlyForUnboundedQueriesAndReported) {
    Add({"--subject", "daily", "--start", "2010-01-01 08:00", "--recur", "daily"});
    ToolRun bounded = Device({"list", "--from", "2010-01-01", "--to", "2024-12-31"});
    EXPECT_EQ(bounded.exitCode, 0) << bounded.err;
    EXPECT_EQ(std::count(bounded.out.begin(), bounded.out.end(), '\n'), 5479);
    EXPECT_NE(bounded.out.find("2024-12-31 08:00:00"), std::string::npos);

    ToolRun open = Device({"query", "[Start] >= 1/1/2010", "--recurrences"});
    EXPECT_EQ(open.exitCode, 1);
    EXPECT_EQ(open.out, "");
    EXPECT_NE(open.err.find("5000"), std::string::npos) << open.err;
}

// A device root on a read-only file system: the store opens for reading (list, show, count
// answer as before) and every write fails with the reason, the file untouched. The root is made
// read-only by a bind mount in a private mount namespace.
TEST_F(MoruDeviceTest, ReadOnlyRootStillReadsAndRefusesWrites) {
    if (!CanMountPrivately()) {
        GTEST_SKIP() << "no private mount namespaces here";
    }
    const std::string id = Add({"--subject", "kept", "--start", "2024-03-05 09:30"});
    const std::string bytes = ReadFileBytes(StoreFile());
    auto readOnly = [&](const std::string& args) { return DeviceOnReadOnlyRoot(args); };
    const ToolRun list = readOnly("list");
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_NE(list.out.find("\tkept\n"), std::string::npos) << list.out;
    EXPECT_EQ(readOnly("count").out, "1\n");
    EXPECT_EQ(readOnly("show " + id).exitCode, 0);
    const std::vector<std::string> writes{"add --subject x --start '2024-03-06 10:00'",
                                          "delete " + id};
    for (const std::string& write : writes) {
        SCOPED_TRACE(write);
        const ToolRun refused = readOnly(write);
        EXPECT_EQ(refused.exitCode, 1);
        EXPECT_NE(refused.err.find("can only be read"), std::string::npos) << refused.err;
    }
    EXPECT_EQ(ReadFileBytes(StoreFile()), bytes);
}

// A store of the previous layout on a read-only root cannot be brought to the new one: it is
// read as it stands, with the same answers, and left exactly as it was.
TEST_F(MoruDeviceTest, PreviousLayoutOnAReadOnlyRootIsReadAsItStands) {
    if (!CanMountPrivately()) {
        GTEST_SKIP() << "no private mount namespaces here";
    }
    Add({"--subject", "late", "--start", "2024-03-20 09:30"});
    Add({"--subject", "weekly", "--start", "2024-03-04 08:00", "--recur", "weekly", "--count",
         "4"});
    const std::string early = Add({"--subject", "early", "--start", "2024-03-02 10:00"});
    const std::string all = Device({"list"}).out;
    const std::string march = Device({"list", "--from", "2024-03-01", "--to", "2024-03-31"}).out;
    ASSERT_TRUE(RewriteAsVersion2(StoreFile()));
    const std::string bytes = ReadFileBytes(StoreFile());

    const ToolRun listed = DeviceOnReadOnlyRoot("list");
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_EQ(listed.out, all);
    EXPECT_EQ(DeviceOnReadOnlyRoot("list --from 2024-03-01 --to 2024-03-31").out, march);
    EXPECT_EQ(Property(DeviceOnReadOnlyRoot("show " + early).out, "Subject"), "early");
    EXPECT_EQ(ReadFileBytes(StoreFile()), bytes);
    EXPECT_EQ(SchemaVersionOf(StoreFile()), 2);
}

}  // namespace
}  // namespace moru::test
