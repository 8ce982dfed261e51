// moru-device import: one iCalendar file into the store, as one transaction.
#include <libical/ical.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>

#include "platform/text.h"
#include "store/category_sharing.h"
#include "store/category_store.h"
#include "tools/moru_device/appointment_commands.h"
#include "tools/moru_device/arguments.h"
#include "tools/moru_device/ical_command.h"
#include "tools/moru_device/ical_event.h"

namespace moru::device {
namespace {

struct FreeComponent {
    void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using OwnedComponent = std::unique_ptr<icalcomponent, FreeComponent>;

// The message may echo what was given (an option, a file name): it is said on one line.
int Refuse(std::ostream& err, int code, const std::string& message) {
    err << "moru-device: " << OneLine(message) << "\n";
    return code;
}

// Reads all of a stream, refusing more than kMaxInputBytes.
std::optional<std::string> ReadAll(std::istream& in, std::string& problem) {
    std::string text;
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<size_t>(in.gcount()));
        if (text.size() > kMaxInputBytes) {
            problem = "it is larger than " + std::to_string(kMaxInputBytes >> 20) + " MiB";
            return std::nullopt;
        }
    }
    if (in.bad()) {
        problem = std::string("it cannot be read: ") + std::strerror(errno);
        return std::nullopt;
    }
    return text;
}

std::string UpperTrimmed(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
        line.remove_suffix(1);
    }
    std::string upper(line);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upper;
}

// What libical would accept quietly but must not be imported: no calendar at all, a file
// that was cut short (libical closes what is open and returns the rest as if whole), lines
// that no calendar program writes.
std::optional<std::string> ShapeProblem(std::string_view text) {
    if (text.find('\0') != std::string_view::npos) {
        return "it is not an iCalendar file (it holds NUL bytes)";
    }
    std::string first;
    std::string last;
    size_t lineNumber = 0;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        ++lineNumber;
        if (end - at > kMaxLineBytes) {
            return "line " + std::to_string(lineNumber) + " is longer than " +
                   std::to_string(kMaxLineBytes >> 20) + " MiB";
        }
        const std::string line = UpperTrimmed(text.substr(at, end - at));
        if (!line.empty()) {
            if (first.empty()) {
                first = line;
            }
            last = line;
        }
        at = end + 1;
    }
    if (first != "BEGIN:VCALENDAR") {
        return "it is not an iCalendar file (it does not begin with BEGIN:VCALENDAR)";
    }
    if (last != "END:VCALENDAR") {
        return "it is cut short (it does not end with END:VCALENDAR)";
    }
    return std::nullopt;
}

std::optional<std::string> TooManyProperties(icalcomponent* component) {
    if (icalcomponent_count_properties(component, ICAL_ANY_PROPERTY) > kMaxPropertiesPerComponent) {
        return std::string("a ") + icalcomponent_kind_to_string(icalcomponent_isa(component)) +
               " has more than " + std::to_string(kMaxPropertiesPerComponent) + " properties";
    }
    for (icalcomponent* c = icalcomponent_get_first_component(component, ICAL_ANY_COMPONENT);
         c != nullptr; c = icalcomponent_get_next_component(component, ICAL_ANY_COMPONENT)) {
        if (auto problem = TooManyProperties(c)) {
            return problem;
        }
    }
    return std::nullopt;
}

// The parse errors libical noted inside a component (it drops the property it could not read).
void CollectParseErrors(icalcomponent* component, std::vector<std::string>& errors) {
    for (icalproperty* p = icalcomponent_get_first_property(component, ICAL_XLICERROR_PROPERTY);
         p != nullptr; p = icalcomponent_get_next_property(component, ICAL_XLICERROR_PROPERTY)) {
        const char* text = icalproperty_get_xlicerror(p);
        errors.push_back(text != nullptr ? text : "unknown error");
    }
    for (icalcomponent* c = icalcomponent_get_first_component(component, ICAL_ANY_COMPONENT);
         c != nullptr; c = icalcomponent_get_next_component(component, ICAL_ANY_COMPONENT)) {
        CollectParseErrors(c, errors);
    }
}

std::string Label(icalcomponent* component, long index) {
    const char* uid = icalcomponent_get_uid(component);
    const char* summary = icalcomponent_get_summary(component);
    std::string label = uid != nullptr && *uid != '\0' ? std::string("UID ") + uid
                                                       : "item " + std::to_string(index);
    if (summary != nullptr && *summary != '\0') {
        label += " \"" + EscapeControlCharacters(FromUtf8(summary)) + "\"";
    }
    return label;
}

std::optional<std::string> NotAnAppointment(icalcomponent_kind kind) {
    switch (kind) {
        case ICAL_VTODO_COMPONENT:
            return "a to-do (VTODO) is not an appointment";
        case ICAL_VJOURNAL_COMPONENT:
            return "a journal entry (VJOURNAL) is not an appointment";
        case ICAL_VFREEBUSY_COMPONENT:
            return "free/busy time (VFREEBUSY) is not an appointment";
        default:
            return std::nullopt;
    }
}

struct Counts {
    long added = 0;
    long updated = 0;
    long skipped = 0;
    long Kept() const { return added + updated; }
};

// Prints a running count once a second when a person watches stderr.
class Progress {
public:
    Progress(std::ostream& err, bool interactive) : err_(err), interactive_(interactive) {}
    void Tick(long done) {
        if (!interactive_) {
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now - last_ >= std::chrono::seconds(1)) {
            last_ = now;
            err_ << "moru-device: import: " << done << " items read\n" << std::flush;
        }
    }

private:
    std::ostream& err_;
    bool interactive_;
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

}  // namespace

int RunImport(const std::vector<std::string>& words, std::istream& in, std::ostream& err) {
    std::optional<std::string> file;
    std::optional<ItemKind> kind;
    ArgumentError error;
    for (ArgumentReader reader(words); !reader.AtEnd();) {
        const std::string word = reader.Take();
        if (word == "--kind") {
            auto value = reader.TakeValue(word, error);
            if (!value) {
                return Refuse(err, kExitBadArguments, error.message);
            }
            if (kind) {
                return Refuse(err, kExitBadArguments, "--kind given twice");
            }
            kind = KindFromText(*value);
            if (!kind) {
                return Refuse(
                    err, kExitBadArguments,
                    "--kind is alarm, holiday, anniversary or appointment, not \"" + *value + "\"");
            }
        } else if (IsOption(word)) {
            return Refuse(err, kExitBadArguments, "unknown option " + word);
        } else if (file) {
            return Refuse(err, kExitBadArguments, "import reads one file, not also " + word);
        } else {
            file = word;
        }
    }
    if (!file) {
        return Refuse(err, kExitBadArguments, "import needs a file (or - for standard input)");
    }

    std::string problem;
    std::optional<std::string> text;
    if (*file == "-") {
        text = ReadAll(in, problem);
    } else {
        std::ifstream input(*file, std::ios::binary);
        if (!input) {
            return Refuse(err, kExitBadArguments,
                          "cannot read " + *file + ": " + std::strerror(errno));
        }
        text = ReadAll(input, problem);
    }
    const std::string name = *file == "-" ? std::string("standard input") : *file;
    if (!text) {
        return Refuse(err, kExitBadArguments, "cannot import " + name + ": " + problem);
    }
    if (text->starts_with("\xEF\xBB\xBF")) {
        text->erase(0, 3);  // a byte order mark some programs write first
    }
    if (auto shape = ShapeProblem(*text)) {
        return Refuse(err, kExitBadArguments,
                      "cannot import " + name + ": " + *shape + "; nothing was imported");
    }
    OwnedComponent root(icalparser_parse_string(text->c_str()));
    text.reset();
    if (!root) {
        return Refuse(
            err, kExitBadArguments,
            "cannot import " + name + ": libical could not read it; nothing was imported");
    }
    std::vector<icalcomponent*> calendars;
    if (icalcomponent_isa(root.get()) == ICAL_VCALENDAR_COMPONENT) {
        calendars.push_back(root.get());
    } else {
        for (icalcomponent* c =
                 icalcomponent_get_first_component(root.get(), ICAL_VCALENDAR_COMPONENT);
             c != nullptr;
             c = icalcomponent_get_next_component(root.get(), ICAL_VCALENDAR_COMPONENT)) {
            calendars.push_back(c);
        }
    }
    if (calendars.empty()) {
        return Refuse(err, kExitBadArguments,
                      "cannot import " + name + ": it holds no VCALENDAR; nothing was imported");
    }
    if (auto tooMany = TooManyProperties(root.get())) {
        return Refuse(err, kExitBadArguments,
                      "cannot import " + name + ": " + *tooMany + "; nothing was imported");
    }

    auto store = OpenDeviceStore(err);
    if (!store) {
        return kExitStoreFailure;
    }
    auto transaction = store->application->BeginTransaction();
    if (!transaction) {
        return Refuse(err, kExitStoreFailure,
                      "cannot begin the import: " + transaction.error().message);
    }
    auto storeFailure = [&](const std::string& what, const Error& e) {
        return Refuse(err, kExitStoreFailure,
                      what + ": " + e.message + " (code " + std::to_string(e.code) +
                          "); nothing was imported");
    };

    Counts counts;
    std::map<uint32_t, ItemKind> kinds;  // the kind each kept item is given
    std::set<std::u16string> seen;
    Progress progress(err, &err == &std::cerr && isatty(STDERR_FILENO) == 1);
    long index = 0;
    for (icalcomponent* calendar : calendars) {
        for (icalcomponent* c = icalcomponent_get_first_component(calendar, ICAL_ANY_COMPONENT);
             c != nullptr; c = icalcomponent_get_next_component(calendar, ICAL_ANY_COMPONENT)) {
            const icalcomponent_kind componentKind = icalcomponent_isa(c);
            if (componentKind == ICAL_VTIMEZONE_COMPONENT) {
                continue;
            }
            ++index;
            progress.Tick(index);
            auto skip = [&](const std::string& reason) {
                err << "moru-device: skipped " << Label(c, index) << ": " << OneLine(reason)
                    << "\n";
                ++counts.skipped;
            };
            if (auto reason = NotAnAppointment(componentKind)) {
                skip(*reason);
                continue;
            }
            if (componentKind != ICAL_VEVENT_COMPONENT) {
                skip(std::string("a ") + icalcomponent_kind_to_string(componentKind) +
                     " is not an appointment");
                continue;
            }
            // A property libical could not read is dropped; the event goes on without it
            // (an empty DESCRIPTION is common), unless what is left cannot be kept.
            std::vector<std::string> parseErrors;
            CollectParseErrors(c, parseErrors);
            EventImport imported = ItemFromEvent(calendar, c);
            if (!imported.item) {
                skip(imported.skipReason +
                     (parseErrors.empty() ? "" : " (libical: " + parseErrors.front() + ")"));
                continue;
            }
            for (const std::string& parseError : parseErrors) {
                imported.notes.push_back(
                    "a property could not be read and is left out (libical: " + parseError + ")");
            }
            for (const std::string& note : imported.notes) {
                err << "moru-device: " << Label(c, index) << ": " << OneLine(note) << "\n";
            }
            ExchangeItem& item = *imported.item;
            if (!seen.insert(item.uid).second) {
                err << "moru-device: " << Label(c, index)
                    << ": its UID comes twice in the file; the later one is kept\n";
            }

            bool existing = true;
            auto appointment = store->application->GetItemFromUid(item.uid);
            if (!appointment && appointment.error().code == SQLITE_NOTFOUND) {
                existing = false;
                appointment = store->application->CreateItem(poom::kAppointmentItem);
            }
            if (!appointment) {
                return storeFailure("cannot import " + Label(c, index), appointment.error());
            }
            if (Status written = WriteAppointment(item, *appointment); !written) {
                skip(written.error().message);
                continue;
            }
            if (Status saved = appointment->Save(); !saved) {
                // A refusal of this one item leaves the transaction as it was.
                if (saved.error().code == SQLITE_CONSTRAINT) {
                    skip("the store refuses it: " + saved.error().message);
                    continue;
                }
                return storeFailure("cannot import " + Label(c, index), saved.error());
            }
            ++(existing ? counts.updated : counts.added);
            if (const std::optional<ItemKind> wanted = kind ? kind : item.kind) {
                kinds[appointment->Oid()] = *wanted;
            }
        }
    }

    const std::filesystem::path categoryFile = CategoryFile();
    if (!kinds.empty()) {
        // Checked before the commit, so that a file the kinds cannot be written to stops the
        // import while nothing of it is in the store yet.
        const CategoryDisk disk = ReadCategoryDisk(categoryFile);
        if (disk.state == CategoryDisk::State::Damaged ||
            disk.state == CategoryDisk::State::Unreadable) {
            return Refuse(err, kExitStoreFailure,
                          "cannot record the kinds in " + categoryFile.string() + ": " +
                              (disk.state == CategoryDisk::State::Damaged
                                   ? std::string("it is damaged (start the calendar to repair it)")
                                   : disk.error.message) +
                              "; nothing was imported");
        }
    }
    if (Status committed = transaction->Commit(); !committed) {
        return storeFailure("cannot finish the import", committed.error());
    }
    if (!kinds.empty()) {
        Status recorded = UpdateCategoryFile(categoryFile, [&](CategoryLists& lists) {
            for (OidList* list : {&lists.alarms, &lists.holidays, &lists.anniversaries}) {
                std::erase_if(*list, [&](uint32_t oid) { return kinds.contains(oid); });
            }
            for (const auto& [oid, itemKind] : kinds) {
                switch (itemKind) {
                    case ItemKind::Alarm:
                        lists.alarms.push_back(oid);
                        break;
                    case ItemKind::Holiday:
                        lists.holidays.push_back(oid);
                        break;
                    case ItemKind::Anniversary:
                        lists.anniversaries.push_back(oid);
                        break;
                    default:
                        break;
                }
            }
        });
        if (!recorded) {
            return Refuse(err, kExitStoreFailure,
                          "the items were imported, but their kinds could not be recorded: " +
                              recorded.error().message);
        }
        // The lists live beside the store; a running calendar takes them in on this notice.
        poom::AnnounceStoreChange(poom::DefaultStoreFile());
    }
    err << "moru-device: imported " << counts.added << " new, " << counts.updated << " updated, "
        << counts.skipped << " skipped\n";
    if (counts.Kept() == 0 && counts.skipped > 0) {
        return kExitNothingImported;
    }
    return kExitOk;
}

}  // namespace moru::device
