// moru-device import and export as separate processes: files other programs write land on
// the right days, an export imports back unchanged, malformed files store nothing, and what
// we write passes libical's own validator.
#include <gtest/gtest.h>
#include <libical/ical.h>
#include <poll.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/device_root.h"
#include "platform/poom/poom.h"
#include "tests/support/temp_root.h"
#include "tests/tools/tool_process.h"

namespace moru::test {
namespace {

namespace fs = std::filesystem;

std::string Data(const std::string& name) {
    return std::string(MORU_SOURCE_DIR) + "/tests/data/ical/" + name;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The machine's zone for the programs started while it lives.
class ZoneGuard {
public:
    explicit ZoneGuard(const char* zone) { setenv("TZ", zone, 1); }
    ~ZoneGuard() { setenv("TZ", "UTC", 1); }
};

std::string U32(uint32_t value) {
    std::string bytes;
    for (int shift = 0; shift < 32; shift += 8) {
        bytes.push_back(static_cast<char>(value >> shift));
    }
    return bytes;
}

std::string Section(const std::vector<uint32_t>& oids) {
    std::string bytes = U32(static_cast<uint32_t>(oids.size()));
    for (uint32_t oid : oids) {
        bytes += U32(oid);
    }
    return bytes + ";";
}

class ExchangeTest : public ::testing::Test {
protected:
    ToolRun Device(const fs::path& root, std::vector<std::string> args,
                   const std::string& input = "") {
        args.insert(args.begin(), {"--root", root.string()});
        return RunTool(ToolPath("moru-device"), args, input);
    }
    ToolRun Import(const fs::path& root, const std::string& file,
                   std::vector<std::string> more = {}) {
        std::vector<std::string> args{"import", file};
        args.insert(args.end(), more.begin(), more.end());
        return Device(root, args);
    }
    std::string Export(const fs::path& root, std::vector<std::string> more = {}) {
        std::vector<std::string> args{"export"};
        args.insert(args.end(), more.begin(), more.end());
        ToolRun run = Device(root, args);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return run.out;
    }
    void Add(const fs::path& root, std::vector<std::string> args) {
        args.insert(args.begin(), "add");
        ToolRun run = Device(root, args);
        ASSERT_EQ(run.exitCode, 0) << run.err;
    }
    // list without the identifier column.
    std::vector<std::string> Listed(const fs::path& root, const std::string& from,
                                    const std::string& to) {
        ToolRun run = Device(root, {"list", "--from", from, "--to", to});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        std::vector<std::string> lines;
        for (const std::string& line : Lines(run.out)) {
            lines.push_back(line.substr(line.find('\t') + 1));
        }
        return lines;
    }
    std::vector<std::string> Oids(const fs::path& root) {
        std::vector<std::string> oids;
        for (const std::string& line : Lines(Device(root, {"list"}).out)) {
            oids.push_back(line.substr(0, line.find('\t')));
        }
        return oids;
    }
    // Every item's show text without its identifier, by UID.
    std::map<std::string, std::string> Shown(const fs::path& root) {
        std::map<std::string, std::string> shown;
        for (const std::string& oid : Oids(root)) {
            std::string uid;
            std::string text;
            for (const std::string& line : Lines(Device(root, {"show", oid}).out)) {
                if (line.starts_with("Uid: ")) {
                    uid = line.substr(5);
                }
                if (!line.starts_with("Oid: ")) {
                    text += line + "\n";
                }
            }
            shown[uid] = text;
        }
        return shown;
    }
    fs::path KindFile(const fs::path& root) {
        return root / "My Documents" / "MoruCalendar" / "MoruCalendar.dat";
    }
    void WriteKinds(const fs::path& root, const std::vector<uint32_t>& alarms,
                    const std::vector<uint32_t>& holidays,
                    const std::vector<uint32_t>& anniversaries) {
        fs::create_directories(KindFile(root).parent_path());
        WriteFileBytes(KindFile(root),
                       Section(alarms) + Section(holidays) + Section(anniversaries));
    }
    // The kind word of each item by UID, from the category file.
    std::map<std::string, std::string> KindsByUid(const fs::path& root) {
        const std::string bytes = ReadFileBytes(KindFile(root));
        std::map<uint32_t, std::string> byOid;
        size_t at = 0;
        for (const char* kind : {"alarm", "holiday", "anniversary"}) {
            uint32_t count = 0;
            std::memcpy(&count, bytes.data() + at, 4);
            at += 4;
            for (uint32_t i = 0; i < count; ++i, at += 4) {
                uint32_t oid = 0;
                std::memcpy(&oid, bytes.data() + at, 4);
                byOid[oid] = kind;
            }
            ++at;
        }
        std::map<std::string, std::string> byUid;
        for (const std::string& oid : Oids(root)) {
            const std::string show = Device(root, {"show", oid}).out;
            const size_t uid = show.find("Uid: ") + 5;
            byUid[show.substr(uid, show.find('\n', uid) - uid)] =
                byOid.contains(std::stoul(oid)) ? byOid[std::stoul(oid)] : "appointment";
        }
        return byUid;
    }
    std::string WriteScratch(const std::string& name, const std::string& content) {
        const fs::path file = a_.path() / name;
        WriteFileBytes(file, content);
        return file.string();
    }

    // Every field and every pattern form the store has, in 18 items.
    void AddVariety(const fs::path& root);

    TempDeviceRoot a_;
    TempDeviceRoot b_;
};

// ---- Files as other programs write them, checked by the occurrences list shows.
struct ForeignCase {
    const char* name;
    const char* file;
    const char* zone;
    const char* from;
    const char* to;
    std::vector<std::string> listed;  // START, END, FLAGS, SUBJECT
};

void PrintTo(const ForeignCase& c, std::ostream* os) {
    *os << c.name;
}

class ForeignFile : public ExchangeTest, public ::testing::WithParamInterface<ForeignCase> {};

TEST_P(ForeignFile, ImportsToTheRightOccurrences) {
    const ForeignCase& c = GetParam();
    ZoneGuard zone(c.zone);
    ToolRun run = Import(a_.path(), Data(c.file));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Listed(a_.path(), c.from, c.to), c.listed);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ForeignFile,
    ::testing::Values(
        ForeignCase{"AllDayHolidaySeries",
                    "holiday_series.ics",
                    "UTC",
                    "2025-01-01",
                    "2025-12-31",
                    {"2025-01-01 00:00:00\t2025-01-01 00:00:00\tAR\tNew Year",
                     "2025-12-25 00:00:00\t2025-12-25 00:00:00\tAR\tChristmas Day"}},
        ForeignCase{"AllDayOverSeveralDays",
                    "holiday_series.ics",
                    "UTC",
                    "2024-03-30",
                    "2024-03-31",
                    {"2024-03-29 00:00:00\t2024-04-02 00:00:00\tA\tEaster break"}},
        ForeignCase{"MonthlyLastFriday",
                    "last_friday.ics",
                    "UTC",
                    "2024-01-01",
                    "2024-12-31",
                    {"2024-01-26 16:00:00\t2024-01-26 17:00:00\tR\tMonthly review",
                     "2024-02-23 16:00:00\t2024-02-23 17:00:00\tR\tMonthly review",
                     "2024-03-29 16:00:00\t2024-03-29 17:00:00\tR\tMonthly review",
                     "2024-04-26 16:00:00\t2024-04-26 17:00:00\tR\tMonthly review",
                     "2024-05-31 16:00:00\t2024-05-31 17:00:00\tR\tMonthly review",
                     "2024-06-28 16:00:00\t2024-06-28 17:00:00\tR\tMonthly review"}},
        ForeignCase{"WeeklyMonWedFriWithCount",
                    "weekly_mwf_count.ics",
                    "UTC",
                    "2024-06-01",
                    "2024-07-31",
                    {"2024-06-03 07:00:00\t2024-06-03 07:45:00\tR\tGym",
                     "2024-06-05 07:00:00\t2024-06-05 07:45:00\tR\tGym",
                     "2024-06-07 07:00:00\t2024-06-07 07:45:00\tR\tGym",
                     "2024-06-10 07:00:00\t2024-06-10 07:45:00\tR\tGym",
                     "2024-06-12 07:00:00\t2024-06-12 07:45:00\tR\tGym",
                     "2024-06-14 07:00:00\t2024-06-14 07:45:00\tR\tGym",
                     "2024-06-17 07:00:00\t2024-06-17 07:45:00\tR\tGym"}},
        // 22:00 EST to 06:00 EDT is seven hours; Berlin is still on winter time that night.
        ForeignCase{"TzidAcrossDstInAnotherZone",
                    "tzid_dst.ics",
                    "Europe/Berlin",
                    "2024-01-01",
                    "2024-12-31",
                    {"2024-01-15 13:00:00\t2024-01-15 14:00:00\t-\tUTC meeting",
                     "2024-03-10 04:00:00\t2024-03-10 11:00:00\t-\tNight flight",
                     "2024-07-10 15:00:00\t2024-07-10 15:30:00\t-\tSummer call"}},
        ForeignCase{"TzidAcrossDstInItsOwnZone",
                    "tzid_dst.ics",
                    "America/New_York",
                    "2024-01-01",
                    "2024-12-31",
                    {"2024-01-15 07:00:00\t2024-01-15 08:00:00\t-\tUTC meeting",
                     "2024-03-09 22:00:00\t2024-03-10 06:00:00\t-\tNight flight",
                     "2024-07-10 09:00:00\t2024-07-10 09:30:00\t-\tSummer call"}}),
    [](const ::testing::TestParamInfo<ForeignCase>& row) { return std::string(row.param.name); });

TEST_F(ExchangeTest, ASeriesInAZoneWithOtherClockChangesIsNoted) {
    std::string text = ReadFileBytes(Data("tzid_dst.ics"));
    text.replace(text.find("SUMMARY:Summer call"), 19,
                 "SUMMARY:Summer call\r\nRRULE:FREQ=WEEKLY;COUNT=30");
    const std::string file = WriteScratch("series.ics", text);
    {
        ZoneGuard zone("Europe/Berlin");
        ToolRun run = Import(a_.path(), file);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_NE(run.err.find("\"Summer call\": its zone changes its clock on other days"),
                  std::string::npos)
            << run.err;
    }
    ZoneGuard zone("America/New_York");
    ToolRun run = Import(b_.path(), file);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err.find("clock"), std::string::npos) << "the same zone: " << run.err;
}

TEST_F(ExchangeTest, RemindersComeFromTheFirstDisplayOrAudioAlarm) {
    ASSERT_EQ(Import(a_.path(), Data("valarm_negative.ics")).exitCode, 0);
    std::map<std::string, std::string> shown = Shown(a_.path());
    auto expect = [&](const std::string& uid, const std::string& minutes, const std::string& sound,
                      const std::string& options) {
        const std::string& show = shown[uid];
        EXPECT_NE(show.find("ReminderSet: true\n"), std::string::npos) << uid;
        EXPECT_NE(show.find("ReminderMinutesBeforeStart: " + minutes + "\n"), std::string::npos)
            << show;
        EXPECT_NE(show.find("ReminderSoundFile: " + sound + "\n"), std::string::npos) << show;
        EXPECT_NE(show.find("ReminderOptions: " + options + "\n"), std::string::npos) << show;
    };
    expect("dentist@example.org", "30", "", "21");
    expect("train@example.org", "1560", "Alarm3.wav", "29");  // -P1DT2H
    expect("talk@example.org", "15", "", "21");               // 75 minutes before its end
}

TEST_F(ExchangeTest, WhatThePatternCannotHoldIsSkippedOneLineEach) {
    ToolRun run = Import(a_.path(), Data("unsupported.ics"));
    EXPECT_EQ(run.exitCode, 0) << "something was imported";
    const std::vector<std::string> lines = Lines(run.err);
    const long skips = std::count_if(lines.begin(), lines.end(), [](const std::string& l) {
        return l.starts_with("moru-device: skipped UID ");
    });
    EXPECT_EQ(skips, 7) << run.err;
    for (const char* reason : {"VTODO", "VJOURNAL", "EXDATE", "RDATE", "more often than daily",
                               "several weekday ordinals", "BYSETPOS"}) {
        EXPECT_NE(run.err.find(reason), std::string::npos) << reason;
    }
    EXPECT_EQ(lines.back(), "moru-device: imported 1 new, 0 updated, 7 skipped");
    EXPECT_EQ(Oids(a_.path()).size(), 1u);

    const std::string onlyTodo = WriteScratch(
        "todo.ics",
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//x//y//EN\r\nBEGIN:VTODO\r\nUID:t\r\n"
        "DTSTAMP:20240101T000000Z\r\nEND:VTODO\r\nEND:VCALENDAR\r\n");
    EXPECT_EQ(Import(b_.path(), onlyTodo).exitCode, 3) << "nothing could be kept";
}

TEST_F(ExchangeTest, AnUnreadablePropertyIsLeftOutNotItsEvent) {
    const std::string file =
        WriteScratch("partly.ics",
                     "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:x\r\nBEGIN:VEVENT\r\nUID:e1\r\n"
                     "DTSTAMP:20240101T000000Z\r\nDTSTART:20240101T100000\r\nDESCRIPTION:\r\n"
                     "SUMMARY:Empty description\r\nEND:VEVENT\r\nBEGIN:VEVENT\r\nUID:e2\r\n"
                     "DTSTART:2024010\r\nSUMMARY:Bad start\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    ToolRun run = Import(a_.path(), file);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.err.find("UID e1 \"Empty description\": a property could not be read"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("skipped UID e2 \"Bad start\": it has no DTSTART (libical: "),
              std::string::npos)
        << run.err;
    EXPECT_EQ(
        Listed(a_.path(), "2024-01-01", "2024-01-01"),
        std::vector<std::string>{"2024-01-01 10:00:00\t2024-01-01 10:00:00\t-\tEmpty description"});
}

// ---- Malformed input: a clear reason, exit 2, and nothing stored.
struct MalformedCase {
    const char* name;
    std::string content;
    const char* reasonPart;
};

void PrintTo(const MalformedCase& c, std::ostream* os) {
    *os << c.name;
}

std::string Truncated() {
    const std::string whole = ReadFileBytes(Data("holiday_series.ics"));
    return whole.substr(0, whole.find("END:VEVENT", whole.find("new-year")));
}

std::string ThousandsOfProperties() {
    std::string text =
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//x//y//EN\r\nBEGIN:VEVENT\r\nUID:big\r\n"
        "DTSTAMP:20240101T000000Z\r\nDTSTART:20240101T100000\r\n";
    for (int i = 0; i < 5000; ++i) {
        text += "X-FILL-" + std::to_string(i) + ":" + std::to_string(i) + "\r\n";
    }
    return text + "END:VEVENT\r\nEND:VCALENDAR\r\n";
}

class Malformed : public ExchangeTest, public ::testing::WithParamInterface<MalformedCase> {};

TEST_P(Malformed, GivesAClearErrorAndStoresNothing) {
    const MalformedCase& c = GetParam();
    ToolRun run = Import(a_.path(), WriteScratch("input.ics", c.content));
    EXPECT_EQ(run.exitCode, 2) << run.err;
    EXPECT_EQ(run.out, "");
    ASSERT_EQ(Lines(run.err).size(), 1u) << run.err;
    EXPECT_NE(run.err.find(c.reasonPart), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("nothing was imported"), std::string::npos) << run.err;
    EXPECT_TRUE(Oids(a_.path()).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, Malformed,
    ::testing::Values(MalformedCase{"Empty", "", "does not begin with BEGIN:VCALENDAR"},
                      MalformedCase{"NotICalendar", "Subject,Start\nLunch,2024-01-01 12:00\n",
                                    "does not begin with BEGIN:VCALENDAR"},
                      MalformedCase{"Binary", std::string("BEGIN:VCALENDAR\r\n\0\x01\x02", 20),
                                    "NUL bytes"},
                      MalformedCase{"Truncated", Truncated(), "cut short"},
                      MalformedCase{"HugeLine",
                                    "BEGIN:VCALENDAR\r\nX-HUGE:" + std::string(3 << 20, 'a') +
                                        "\r\nEND:VCALENDAR\r\n",
                                    "longer than 1 MiB"},
                      MalformedCase{"ThousandsOfProperties", ThousandsOfProperties(),
                                    "more than 1000 properties"}),
    [](const ::testing::TestParamInfo<MalformedCase>& row) { return std::string(row.param.name); });

TEST_F(ExchangeTest, AStoreFailureHalfwayImportsNothing) {
    setenv("MORU_STORE_FAULTS", "Save", 1);
    ToolRun run = Import(a_.path(), Data("holiday_series.ics"));
    unsetenv("MORU_STORE_FAULTS");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("nothing was imported"), std::string::npos) << run.err;
    EXPECT_TRUE(Oids(a_.path()).empty());
}

TEST_F(ExchangeTest, ImportingTheSameFileTwiceUpdatesInPlace) {
    ASSERT_EQ(Import(a_.path(), Data("holiday_series.ics"), {"--kind", "holiday"}).exitCode, 0);
    const std::vector<std::string> first = Oids(a_.path());
    ToolRun again = Import(a_.path(), Data("holiday_series.ics"), {"--kind", "holiday"});
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_NE(again.err.find("imported 0 new, 3 updated, 0 skipped"), std::string::npos)
        << again.err;
    EXPECT_EQ(Oids(a_.path()), first);
    EXPECT_EQ(KindsByUid(a_.path()).size(), 3u);
    for (const auto& [uid, kind] : KindsByUid(a_.path())) {
        EXPECT_EQ(kind, "holiday") << uid << " once in its list, not twice";
    }
    EXPECT_EQ(ReadFileBytes(KindFile(a_.path())).size(), 4u + 1 + 4 + 12 + 1 + 4 + 1);

    // A changed event replaces what the store holds for its UID.
    std::string text = ReadFileBytes(Data("holiday_series.ics"));
    text.replace(text.find("SUMMARY:New Year"), 16, "SUMMARY:New Year's Day");
    ASSERT_EQ(Import(a_.path(), WriteScratch("changed.ics", text)).exitCode, 0);
    EXPECT_EQ(Oids(a_.path()), first);
    EXPECT_EQ(Listed(a_.path(), "2030-01-01", "2030-01-01").front(),
              "2030-01-01 00:00:00\t2030-01-01 00:00:00\tAR\tNew Year's Day");
}

TEST_F(ExchangeTest, KindsJoinTheListsOtherProgramsKeepAndAreAnnounced) {
    Add(a_.path(), {"--subject", "mine", "--start", "2024-01-01 10:00"});
    WriteKinds(a_.path(), {1}, {}, {});
    auto watcher = poom::ChangeWatcher::Open(TranslateDevicePath(a_.path(), kStoreFileDevicePath));
    ASSERT_TRUE(watcher) << watcher.error().message;
    ASSERT_EQ(Import(a_.path(), Data("weekly_mwf_count.ics"), {"--kind", "anniversary"}).exitCode,
              0);
    EXPECT_EQ(ReadFileBytes(KindFile(a_.path())), Section({1}) + Section({}) + Section({2}));
    pollfd p{(*watcher)->fd(), POLLIN, 0};
    EXPECT_TRUE(poll(&p, 1, 5000) == 1 && (*watcher)->Drain());

    // Without --kind an event from another program is an appointment and leaves the lists be.
    ASSERT_EQ(Import(a_.path(), Data("last_friday.ics")).exitCode, 0);
    EXPECT_EQ(ReadFileBytes(KindFile(a_.path())), Section({1}) + Section({}) + Section({2}));
}

// Every field and every pattern form, through a file and back into an empty store.
TEST_F(ExchangeTest, ExportThenImportIsTheIdentity) {
    AddVariety(a_.path());
    // Kinds: the first item an alarm, the holiday a holiday, the yearly date an anniversary.
    WriteKinds(a_.path(), {1}, {3}, {14});
    const std::string exported = Export(a_.path());
    ASSERT_EQ(Import(b_.path(), WriteScratch("all.ics", exported)).exitCode, 0);
    const auto before = Shown(a_.path());
    const auto after = Shown(b_.path());
    ASSERT_EQ(before.size(), 18u);
    EXPECT_EQ(after, before);
    EXPECT_EQ(KindsByUid(b_.path()), KindsByUid(a_.path()));

    // Times in UTC come back as the same local times.
    ZoneGuard zone("Europe/Berlin");
    TempDeviceRoot c;
    const std::string utc = Export(a_.path(), {"--utc"});
    EXPECT_NE(utc.find("Z\r\n"), std::string::npos);
    ASSERT_EQ(Import(c.path(), WriteScratch("utc.ics", utc)).exitCode, 0);
    EXPECT_EQ(Shown(c.path()), before);
}

TEST_F(ExchangeTest, ExportPassesLibicalsValidator) {
    AddVariety(a_.path());
    const std::string exported = Export(a_.path());
    icalcomponent* root = icalparser_parse_string(exported.c_str());
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(icalcomponent_isa(root), ICAL_VCALENDAR_COMPONENT);
    EXPECT_EQ(icalcomponent_count_components(root, ICAL_VEVENT_COMPONENT), 18);
    EXPECT_EQ(icalcomponent_count_errors(root), 0) << "libical could not read all of it";
    EXPECT_EQ(icalrestriction_check(root), 1);
    char* checked = icalcomponent_as_ical_string_r(root);
    EXPECT_EQ(std::string(checked).find("X-LIC-ERROR"), std::string::npos) << checked;
    std::free(checked);
    icalcomponent_free(root);
    for (const std::string& line : Lines(exported)) {
        EXPECT_LE(line.size(), 76u) << "lines are folded at 75 octets";
        EXPECT_TRUE(line.ends_with("\r")) << "lines end in CRLF";
    }
}

TEST_F(ExchangeTest, ExportChoosesByKindAndRangeAndUsesStandardStreams) {
    AddVariety(a_.path());
    WriteKinds(a_.path(), {1}, {3}, {14});
    const std::string holidays = Export(a_.path(), {"--kind", "holiday"});
    size_t events = 0;
    for (size_t at = holidays.find("BEGIN:VEVENT"); at != std::string::npos;
         at = holidays.find("BEGIN:VEVENT", at + 1)) {
        ++events;
    }
    EXPECT_EQ(events, 1u) << holidays;
    EXPECT_NE(holidays.find("X-MORU-KIND:HOLIDAY"), std::string::npos);

    // 2 July 2024: the one-off items of that day and the series with an occurrence on it.
    const std::string day = Export(a_.path(), {"--from", "2024-07-02", "--to", "2024-07-02"});
    const std::string file = WriteScratch("day.ics", day);
    ToolRun fromStdin = Device(b_.path(), {"import", "-"}, file);
    ASSERT_EQ(fromStdin.exitCode, 0) << fromStdin.err;
    EXPECT_EQ(Listed(b_.path(), "2024-07-02", "2024-07-02"),
              Listed(a_.path(), "2024-07-02", "2024-07-02"));
    EXPECT_LT(Oids(b_.path()).size(), Oids(a_.path()).size());

    ToolRun toFile = Device(a_.path(), {"export", (a_.path() / "out.ics").string()});
    EXPECT_EQ(toFile.exitCode, 0);
    EXPECT_EQ(toFile.out, "");
    EXPECT_EQ(ReadFileBytes(a_.path() / "out.ics").size(), Export(a_.path()).size());
}

void ExchangeTest::AddVariety(const fs::path& root) {
    using V = std::vector<std::string>;
    for (const V& args : {
             V{"--subject", "Call", "--start", "2024-07-01 09:00", "--end", "2024-07-01 10:00",
               "--reminder", "15", "--sound", "Alarm1.wav"},
             V{"--subject", "Wake up", "--start", "2024-07-02 06:30", "--reminder", "0"},
             V{"--subject", "Holiday", "--start", "2024-07-03", "--all-day"},
             V{"--subject", "Trip", "--start", "2024-07-04", "--end", "2024-07-08", "--all-day"},
             V{"--subject", "Next midnight", "--start", "2024-07-05", "--end", "2024-07-06",
               "--all-day"},
             V{"--subject", "Sound kept, reminder off", "--start", "2024-07-06 12:00", "--sound",
               "Alarm 2, soft;.wav"},
             V{"--subject", "Tea; cake, and\nmore \xE2\x98\x95 \\ done", "--start",
               "2024-07-07 16:00", "--end", "2024-07-07 16:30"},
             V{"--subject", "Every other day", "--start", "2024-07-01 08:00", "--recur", "daily",
               "--interval", "2", "--count", "5"},
             V{"--subject", "Weekdays", "--start", "2024-07-01 08:30", "--recur", "daily", "--mask",
               "62"},
             V{"--subject", "Weekdays, every other week", "--start", "2024-07-01 08:45", "--recur",
               "daily", "--mask", "62", "--interval", "2", "--until", "2024-12-31"},
             V{"--subject", "Mon Wed Fri", "--start", "2024-07-01 18:00", "--end",
               "2024-07-01 19:00", "--recur", "weekly", "--mask", "42", "--until", "2024-09-30"},
             V{"--subject", "Weekends every third week", "--start", "2024-07-06 10:00", "--recur",
               "weekly", "--mask", "65", "--interval", "3"},
             V{"--subject", "Rent", "--start", "2024-07-31 09:00", "--recur", "monthly", "--day",
               "31"},
             V{"--subject", "Birthday", "--start", "2024-02-29", "--all-day", "--recur", "yearly"},
             V{"--subject", "Last Friday", "--start", "2024-07-26 15:00", "--recur", "monthly-nth",
               "--instance", "5", "--mask", "32"},
             V{"--subject", "First weekday", "--start", "2024-07-01 07:00", "--recur",
               "monthly-nth", "--instance", "1", "--mask", "62", "--interval", "2"},
             V{"--subject", "Thanksgiving", "--start", "2024-11-28", "--all-day", "--recur",
               "yearly-nth", "--instance", "4", "--mask", "16", "--month", "11", "--count", "3"},
             V{"--subject", "Quarterly", "--start", "2024-07-15 11:00", "--recur", "monthly",
               "--interval", "3"},
         }) {
        Add(root, args);
    }
}

}  // namespace
}  // namespace moru::test
