#include "tools/moru_device/appointment_commands.h"

#include <sqlite3.h>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <variant>

#include "platform/datetime.h"
#include "platform/locale_format.h"
#include "platform/poom/poom.h"
#include "platform/text.h"
#include "ringset/reminders.h"
#include "store/restriction_text.h"
#include "tools/moru_device/add_request.h"
#include "tools/moru_device/arguments.h"

namespace moru::device {
std::optional<OpenStore> OpenDeviceStore(std::ostream& err) {
    const auto file = poom::DefaultStoreFile();
    auto fail = [&](const Error& error) {
        err << "moru-device: cannot open the store " << OneLine(file.string()) << ": "
            << OneLine(error.message) << " (code " << error.code << ")\n";
        return std::nullopt;
    };
    auto application = poom::Application::Create(file);
    if (!application) {
        return fail(application.error());
    }
    if (auto logon = (*application)->Logon(); !logon) {
        return fail(logon.error());
    }
    auto folder = (*application)->GetDefaultFolder(poom::kCalendarFolder);
    if (!folder) {
        return fail(folder.error());
    }
    return OpenStore{*application, *folder};
}

namespace {

int StoreFailure(std::ostream& err, std::string_view what, const Error& error) {
    err << "moru-device: " << what << ": " << OneLine(error.message) << " (code " << error.code
        << ")\n";
    return kExitStoreFailure;
}

int BadArguments(std::ostream& err, std::string_view message) {
    err << "moru-device: " << OneLine(message) << "\n";
    return kExitBadArguments;
}

std::string TimeText(double date) {
    auto time = VariantTimeToSystemTime(date);
    return time ? FormatDateTimeText(*time) : std::string("invalid");
}

// TimeText for the thousands of lines of one listing, which fall on a few dozen days: the
// date part of the last day written is kept, and a time on that day only has its time of
// day written anew.
class ListingTimes {
public:
    void Append(double date, std::string& out) {
        // Only a date near the kept day is turned into seconds here; anything else, damaged
        // values included, goes the whole way.
        if (std::isfinite(date) && date >= dayDate_ - 1 && date <= dayDate_ + 2) {
            const int64_t ofDay = DateToSeconds(date) - day_ * kDaySeconds;
            if (ofDay >= 0 && ofDay < kDaySeconds) {
                PutTwoDigits(ofDay / 3600, &text_[kDatePartSize]);
                PutTwoDigits(ofDay / 60 % 60, &text_[kDatePartSize + 3]);
                PutTwoDigits(ofDay % 60, &text_[kDatePartSize + 6]);
                out.append(text_.data(), kTextSize);
                return;
            }
        }
        const std::string text = TimeText(date);
        out += text;
        if (std::isfinite(date) && text.size() == kTextSize) {
            day_ = FloorDiv(DateToSeconds(date), kDaySeconds);
            dayDate_ = static_cast<double>(day_);
            std::copy(text.begin(), text.end(), text_.begin());
        }
    }

private:
    static constexpr size_t kTextSize = 19;      // "YYYY-MM-DD HH:MM:SS"
    static constexpr size_t kDatePartSize = 11;  // "YYYY-MM-DD "

    static void PutTwoDigits(int64_t value, char* at) {
        at[0] = static_cast<char>('0' + value / 10);
        at[1] = static_cast<char>('0' + value % 10);
    }

    int64_t day_ = std::numeric_limits<int64_t>::min();
    double dayDate_ = std::numeric_limits<double>::quiet_NaN();  // compares false: none kept
    std::array<char, kTextSize> text_{};  // the kept day's last text; its time is rewritten
};

std::string Flags(const poom::Appointment& item) {
    std::string flags;
    if (item.AllDayEvent()) {
        flags += 'A';
    }
    if (item.IsRecurring()) {
        flags += 'R';
    }
    if (item.ReminderSet()) {
        flags += 'M';
    }
    return flags.empty() ? "-" : flags;
}

// One line of `list` and `query`, appended to the text that is printed when the walk is
// whole (a stream insertion per field cost more than reading the item).
void AppendItemLine(const poom::Appointment& item, ListingTimes& times, std::string& lines) {
    lines += std::to_string(item.Oid());
    lines += '\t';
    times.Append(item.Start(), lines);
    lines += '\t';
    times.Append(item.End(), lines);
    lines += '\t';
    lines += Flags(item);
    lines += '\t';
    AppendEscaped(item.Subject(), lines);
    lines += '\n';
}

// Walks a collection the way the screens do: Item(1), Item(2), ... until none comes back.
// The lines are printed only once the whole walk has been read: a walk that a failed read
// cut short, or one that read items it could not fill in, is not the answer and prints
// nothing but the reason. So is a walk whose series were cut at the occurrence limit.
// The whole walk reads one moment of the store, in one read transaction.
int PrintAll(const poom::Application& application, poom::ItemCollection& items, std::ostream& out,
             std::ostream& err) {
    const poom::ReadBatch oneMoment = application.BeginReadBatch();
    // A line shows no more of an item than its summary.
    items.ReadSummariesOnly();
    std::string lines;
    ListingTimes times;
    // Room for the usual line from the start: the text of thousands of lines grown by
    // doubling would be copied (and its memory first touched) several times over.
    constexpr size_t kUsualLineBytes = 72;
    if (Result<long> count = items.Count(); count.ok() && *count > 0) {
        lines.reserve(static_cast<size_t>(*count) * kUsualLineBytes);
    }
    for (long i = 1;; ++i) {
        auto item = items.Item(i);
        if (!item) {
            break;
        }
        AppendItemLine(*item, times, lines);
    }
    if (Status read = items.LastError(); !read.ok()) {
        return StoreFailure(err, "cannot read the items", read.error());
    }
    if (items.Truncated()) {
        err << "moru-device: a recurring series has more than " << poom::kMaxOccurrencesPerSeries
            << " occurrences in this unbounded restriction; give it a bounded window\n";
        return kExitStoreFailure;
    }
    out.write(lines.data(), static_cast<std::streamsize>(lines.size()));
    return kExitOk;
}

// Splits the words into positional arguments and the flags in `known`; anything else that
// looks like an option is refused.
struct Words {
    std::vector<std::string> positional;
    std::map<std::string, std::string, std::less<>> values;  // value options given
    std::vector<std::string> flags;                          // flag options given
};

std::optional<Words> SplitWords(const std::vector<std::string>& words,
                                const std::vector<std::string_view>& valueOptions,
                                const std::vector<std::string_view>& flagOptions,
                                std::ostream& err) {
    Words result;
    ArgumentError error;
    for (ArgumentReader reader(words); !reader.AtEnd();) {
        const std::string word = reader.Take();
        if (!IsOption(word)) {
            result.positional.push_back(word);
            continue;
        }
        if (std::find(flagOptions.begin(), flagOptions.end(), word) != flagOptions.end()) {
            result.flags.push_back(word);
            continue;
        }
        if (std::find(valueOptions.begin(), valueOptions.end(), word) == valueOptions.end()) {
            BadArguments(err, "unknown option " + word);
            return std::nullopt;
        }
        auto value = reader.TakeValue(word, error);
        if (!value) {
            BadArguments(err, error.message);
            return std::nullopt;
        }
        if (!result.values.emplace(word, *value).second) {
            BadArguments(err, word + " given twice");
            return std::nullopt;
        }
    }
    return result;
}

int Add(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    auto parsed = ParseAddRequest(words);
    if (auto* error = std::get_if<ArgumentError>(&parsed)) {
        return BadArguments(err, error->message);
    }
    const AddRequest& request = std::get<AddRequest>(parsed);
    auto store = OpenDeviceStore(err);
    if (!store) {
        return kExitStoreFailure;
    }
    auto appointment = store->application->CreateItem(poom::kAppointmentItem);
    if (!appointment) {
        return StoreFailure(err, "cannot create an appointment", appointment.error());
    }
    if (auto written = WriteAddRequest(request, *appointment); !written) {
        return StoreFailure(err, "cannot fill the appointment", written.error());
    }
    if (auto saved = appointment->Save(); !saved) {
        // A constraint refusal means the options describe an appointment the store cannot
        // hold (a series whose end comes before its first occurrence): the caller's mistake.
        if (saved.error().code == SQLITE_CONSTRAINT) {
            return BadArguments(err, "the store refused the appointment: " + saved.error().message);
        }
        return StoreFailure(err, "the store refused the appointment", saved.error());
    }
    out << appointment->Oid() << '\n';
    return kExitOk;
}

// Without a range every item once, as stored; with one every occurrence that overlaps the
// days from --from 00:00:00 to --to 23:59:59. The store reads "[Start] <= B" as starting at
// the latest on day B and "[End] >= A" as ending after A's midnight (or lasting no time at
// that midnight), which is exactly overlap with those days when an item is taken to end just
// before its End: an item ending at A's midnight is over before A begins.
int List(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    auto split = SplitWords(words, {"--from", "--to"}, {}, err);
    if (!split) {
        return kExitBadArguments;
    }
    if (!split->positional.empty()) {
        return BadArguments(err, "unexpected argument " + split->positional.front());
    }
    const bool hasFrom = split->values.contains("--from");
    const bool hasTo = split->values.contains("--to");
    if (hasFrom != hasTo) {
        return BadArguments(err, "--from and --to go together");
    }
    std::optional<std::u16string> restriction;
    if (hasFrom) {
        auto from = ParseDateTimeText(split->values["--from"], false);
        auto to = ParseDateTimeText(split->values["--to"], false);
        if (!from) {
            return BadArguments(err, "--from is not a possible date (YYYY-MM-DD): \"" +
                                         split->values["--from"] + "\"");
        }
        if (!to) {
            return BadArguments(
                err, "--to is not a possible date (YYYY-MM-DD): \"" + split->values["--to"] + "\"");
        }
        if (DayNumber(to->year, to->month, to->day) <
            DayNumber(from->year, from->month, from->day)) {
            return BadArguments(err, "--to is before --from");
        }
        restriction = RestrictionText().StartOnOrBefore(*to).EndOnOrAfter(*from).Text();
    }

    auto store = OpenDeviceStore(err);
    if (!store) {
        return kExitStoreFailure;
    }
    auto items = store->folder->Items();
    if (!items) {
        return StoreFailure(err, "cannot read the items", items.error());
    }
    if (!restriction) {
        return PrintAll(*store->application, *items, out, err);
    }
    auto restricted = items->Restrict(*restriction);
    if (!restricted) {
        return StoreFailure(err, "cannot restrict the items", restricted.error());
    }
    restricted->SetIncludeRecurrences(true);
    return PrintAll(*store->application, *restricted, out, err);
}

int Query(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    auto split = SplitWords(words, {}, {"--recurrences"}, err);
    if (!split) {
        return kExitBadArguments;
    }
    if (split->positional.size() != 1) {
        return BadArguments(err, "query needs one restriction text");
    }
    auto store = OpenDeviceStore(err);
    if (!store) {
        return kExitStoreFailure;
    }
    auto items = store->folder->Items();
    if (!items) {
        return StoreFailure(err, "cannot read the items", items.error());
    }
    // A restriction the store does not understand is the caller's mistake.
    auto restricted = items->Restrict(FromUtf8(split->positional.front()));
    if (!restricted) {
        return BadArguments(err, "the store refused the restriction \"" +
                                     split->positional.front() +
                                     "\": " + restricted.error().message);
    }
    if (!split->flags.empty()) {
        restricted->SetIncludeRecurrences(true);
    }
    return PrintAll(*store->application, *restricted, out, err);
}

// The one identifier after show or delete, resolved in the store.
struct Resolved {
    OpenStore store;
    std::optional<poom::Appointment> appointment;
};

std::variant<Resolved, int> Resolve(std::string_view command, const std::vector<std::string>& words,
                                    std::ostream& err) {
    auto split = SplitWords(words, {}, {}, err);
    if (!split) {
        return kExitBadArguments;
    }
    if (split->positional.size() != 1) {
        return BadArguments(err, std::string(command) + " needs one identifier");
    }
    auto oid = ParseOid(split->positional.front());
    if (!oid) {
        return BadArguments(err, "not an identifier: \"" + split->positional.front() + "\"");
    }
    auto store = OpenDeviceStore(err);
    if (!store) {
        return kExitStoreFailure;
    }
    auto appointment = store->application->GetItemFromOid(*oid);
    if (!appointment && appointment.error().code == SQLITE_NOTFOUND) {
        return BadArguments(err, "no appointment has the identifier " + std::to_string(*oid));
    }
    if (!appointment) {
        return StoreFailure(err, "cannot read appointment " + std::to_string(*oid),
                            appointment.error());
    }
    return Resolved{*store, *appointment};
}

std::string_view YesNo(bool value) {
    return value ? "true" : "false";
}

int Show(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    auto resolved = Resolve("show", words, err);
    if (auto* code = std::get_if<int>(&resolved)) {
        return *code;
    }
    poom::Appointment& item = *std::get<Resolved>(resolved).appointment;
    auto text = [](std::u16string_view value) { return EscapeControlCharacters(value); };
    out << "Oid: " << item.Oid() << '\n'
        << "Uid: " << text(item.Uid()) << '\n'
        << "Subject: " << text(item.Subject()) << '\n'
        << "Location: " << text(item.Location()) << '\n'
        << "Categories: " << text(item.Categories()) << '\n'
        << "Body: " << text(item.Body()) << '\n'
        << "Start: " << TimeText(item.Start()) << '\n'
        << "End: " << TimeText(item.End()) << '\n'
        << "Duration: " << item.Duration() << '\n'
        << "AllDayEvent: " << YesNo(item.AllDayEvent()) << '\n'
        << "BusyStatus: " << item.BusyStatus() << '\n'
        << "Sensitivity: " << item.Sensitivity() << '\n'
        << "ReminderSet: " << YesNo(item.ReminderSet()) << '\n'
        << "ReminderMinutesBeforeStart: " << item.ReminderMinutesBeforeStart() << '\n'
        << "ReminderSoundFile: " << text(item.ReminderSoundFile()) << '\n'
        << "ReminderOptions: " << item.ReminderOptions() << '\n';
    if (auto ink = item.GetBodyInk()) {
        out << "BodyInk: " << ink->size() << " bytes\n";
    } else {
        out << "BodyInk: unreadable (" << ink.error().message << ")\n";
    }
    out << "IsRecurring: " << YesNo(item.IsRecurring()) << '\n';
    // Asking a one-off appointment for its pattern would make it recurring on its next save,
    // so only a recurring one shows its pattern.
    if (!item.IsRecurring()) {
        return kExitOk;
    }
    const poom::RecurrencePattern pattern = item.GetRecurrencePattern();
    out << "Pattern.RecurrenceType: " << pattern.RecurrenceType() << '\n'
        << "Pattern.PatternStartDate: " << TimeText(pattern.PatternStartDate()) << '\n'
        << "Pattern.StartTime: " << TimeText(pattern.StartTime()) << '\n'
        << "Pattern.EndTime: " << TimeText(pattern.EndTime()) << '\n'
        << "Pattern.Duration: " << pattern.Duration() << '\n'
        << "Pattern.Interval: " << pattern.Interval() << '\n'
        << "Pattern.DayOfWeekMask: " << pattern.DayOfWeekMask() << '\n'
        << "Pattern.DayOfMonth: " << pattern.DayOfMonth() << '\n'
        << "Pattern.Instance: " << pattern.Instance() << '\n'
        << "Pattern.MonthOfYear: " << pattern.MonthOfYear() << '\n'
        << "Pattern.NoEndDate: " << YesNo(pattern.NoEndDate()) << '\n'
        << "Pattern.Occurrences: " << pattern.Occurrences() << '\n'
        << "Pattern.PatternEndDate: " << TimeText(pattern.PatternEndDate()) << '\n';
    return kExitOk;
}

int Delete(const std::vector<std::string>& words, std::ostream&, std::ostream& err) {
    auto resolved = Resolve("delete", words, err);
    if (auto* code = std::get_if<int>(&resolved)) {
        return *code;
    }
    if (auto deleted = std::get<Resolved>(resolved).appointment->Delete(); !deleted) {
        return StoreFailure(err, "the store refused the deletion", deleted.error());
    }
    return kExitOk;
}

int Count(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    auto split = SplitWords(words, {}, {}, err);
    if (!split) {
        return kExitBadArguments;
    }
    if (!split->positional.empty()) {
        return BadArguments(err, "unexpected argument " + split->positional.front());
    }
    auto store = OpenDeviceStore(err);
    if (!store) {
        return kExitStoreFailure;
    }
    auto items = store->folder->Items();
    if (!items) {
        return StoreFailure(err, "cannot read the items", items.error());
    }
    auto count = items->Count();
    if (!count) {
        return StoreFailure(err, "cannot count the items", count.error());
    }
    out << *count << '\n';
    return kExitOk;
}

// A range bound: a whole day ("YYYY-MM-DD", from its first second for --from, to its last for
// --to) or a time to the minute or second.
std::optional<DateTime> ParseBound(const std::string& text, bool endOfDay) {
    if (auto day = ParseDateTimeText(text, false)) {
        return DateTime::FromParts(day->year, day->month, day->day, endOfDay ? 23 : 0,
                                   endOfDay ? 59 : 0, endOfDay ? 59 : 0);
    }
    if (auto time = ParseDateTimeText(text)) {
        return DateTime::FromSystemTime(*time);
    }
    return std::nullopt;
}

// The reminders due in the range, as the companion rings them: TIME, SUBJECT and OID,
// tab-separated, in the order they ring. Without a range, those of the next day from now.
int Reminders(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    auto split = SplitWords(words, {"--from", "--to"}, {}, err);
    if (!split) {
        return kExitBadArguments;
    }
    if (!split->positional.empty()) {
        return BadArguments(err, "unexpected argument " + split->positional.front());
    }
    const bool hasFrom = split->values.contains("--from");
    if (hasFrom != split->values.contains("--to")) {
        return BadArguments(err, "--from and --to go together");
    }
    DateTime from = DateTime::FromSystemTime(GetLocalTime());
    DateTime to = from + DateTimeSpan(1, 0, 0, 0);
    if (hasFrom) {
        const std::optional<DateTime> a = ParseBound(split->values["--from"], false);
        const std::optional<DateTime> b = ParseBound(split->values["--to"], true);
        if (!a || !a->valid()) {
            return BadArguments(err,
                                "--from is not a possible date or time "
                                "(YYYY-MM-DD or \"YYYY-MM-DD HH:MM[:SS]\"): \"" +
                                    split->values["--from"] + "\"");
        }
        if (!b || !b->valid()) {
            return BadArguments(err,
                                "--to is not a possible date or time "
                                "(YYYY-MM-DD or \"YYYY-MM-DD HH:MM[:SS]\"): \"" +
                                    split->values["--to"] + "\"");
        }
        if (*b < *a) {
            return BadArguments(err, "--to is before --from");
        }
        from = *a;
        to = *b;
    }
    auto store = OpenDeviceStore(err);
    if (!store) {
        return kExitStoreFailure;
    }
    Result<ReminderList> found = FindReminders(*store->folder, from, to);
    if (!found) {
        return StoreFailure(err, "cannot read the reminders", found.error());
    }
    for (const Reminder& reminder : found->reminders) {
        out << TimeText(reminder.due.date()) << '\t' << EscapeControlCharacters(reminder.subject)
            << '\t' << reminder.oid << '\n';
    }
    if (found->truncated) {
        err << "moru-device: a series has more occurrences in the range than the store lists; "
               "only its first ones are shown\n";
    }
    return kExitOk;
}

using Command = int (*)(const std::vector<std::string>&, std::ostream&, std::ostream&);

const std::map<std::string_view, Command>& Commands() {
    static const std::map<std::string_view, Command> commands{
        {"add", Add},       {"list", List},   {"query", Query},         {"show", Show},
        {"delete", Delete}, {"count", Count}, {"reminders", Reminders},
    };
    return commands;
}

}  // namespace

bool IsAppointmentCommand(std::string_view command) {
    return Commands().contains(command);
}

int RunAppointmentCommand(std::string_view command, const std::vector<std::string>& words,
                          std::ostream& out, std::ostream& err) {
    auto it = Commands().find(command);
    if (it == Commands().end()) {
        return BadArguments(err, "unknown command " + std::string(command));
    }
    return it->second(words, out, err);
}

std::string OneLine(std::string_view text) {
    return EscapeControlCharacters(FromUtf8(text));
}

std::string EscapeControlCharacters(std::u16string_view text) {
    std::string result;
    AppendEscaped(text, result);
    return result;
}

void AppendEscaped(std::u16string_view text, std::string& out) {
    // Most texts are plain ASCII: copied as they are, in the same pass that finds out.
    const size_t at = out.size();
    out.resize(at + text.size());
    char* to = out.data() + at;
    bool plain = true;
    for (const char16_t c : text) {
        plain &= c >= 0x20 && c < 0x7F;
        *to++ = static_cast<char>(c);
    }
    if (plain) {
        return;
    }
    out.resize(at);
    size_t run = 0;  // start of the printable characters not yet copied
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0x20 && c != 0x7F) {
            continue;
        }
        // Whole runs are converted at once so that surrogate pairs stay together.
        out += ToUtf8(text.substr(run, i - run));
        run = i + 1;
        if (c == 0) {
            out += "\\0";  // a string's own terminating zero, as a registry value keeps it
        } else if (c == u'\n') {
            out += "\\n";
        } else if (c == u'\t') {
            out += "\\t";
        } else if (c == u'\r') {
            out += "\\r";
        } else {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\x%02X", static_cast<unsigned>(c));
            out += buffer;
        }
    }
    out += ToUtf8(text.substr(run));
}

}  // namespace moru::device
