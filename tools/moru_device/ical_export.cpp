// moru-device export: the store's items as one iCalendar file, and the dispatch of both
// exchange commands.
#include <libical/ical.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>

#include "platform/device_root.h"
#include "platform/locale_format.h"
#include "platform/text.h"
#include "store/category_sharing.h"
#include "store/category_store.h"
#include "tools/moru_device/appointment_commands.h"
#include "tools/moru_device/arguments.h"
#include "tools/moru_device/ical_command.h"
#include "tools/moru_device/ical_event.h"

namespace moru::device {
namespace {

constexpr const char* kProductId = "-//Moru Calendar//moru-device//EN";

struct FreeString {
    void operator()(char* text) const { std::free(text); }
};
using OwnedText = std::unique_ptr<char, FreeString>;

// The message may echo what was given (an option, a file name): it is said on one line.
int Refuse(std::ostream& err, int code, const std::string& message) {
    err << "moru-device: " << OneLine(message) << "\n";
    return code;
}

// The calendar's own lines around the events: libical writes the VCALENDAR with its
// properties, and the events go before its END line, one at a time, so that a large store is
// never held as one text.
struct Frame {
    std::string head;
    std::string tail;
};

Frame CalendarFrame() {
    icalcomponent* calendar = icalcomponent_new_vcalendar();
    icalcomponent_add_property(calendar, icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar, icalproperty_new_prodid(kProductId));
    icalcomponent_add_property(calendar, icalproperty_new_calscale("GREGORIAN"));
    OwnedText text(icalcomponent_as_ical_string_r(calendar));
    icalcomponent_free(calendar);
    std::string whole = text ? text.get() : "";
    const size_t end = whole.rfind("END:VCALENDAR");
    return Frame{whole.substr(0, end), whole.substr(end)};
}

std::map<uint32_t, ItemKind> KindsOf(const CategoryLists& lists) {
    std::map<uint32_t, ItemKind> kinds;
    // Inserted from the last kind to the first, so that the order of the membership tests
    // (alarm, holiday, anniversary) breaks a tie as it does in the calendar.
    for (const auto& [list, kind] : {std::pair{&lists.anniversaries, ItemKind::Anniversary},
                                     std::pair{&lists.holidays, ItemKind::Holiday},
                                     std::pair{&lists.alarms, ItemKind::Alarm}}) {
        for (uint32_t oid : *list) {
            kinds[oid] = kind;
        }
    }
    return kinds;
}

}  // namespace

int RunExport(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    std::map<std::string, std::string> values;
    std::optional<std::string> file;
    bool utc = false;
    ArgumentError error;
    for (ArgumentReader reader(words); !reader.AtEnd();) {
        const std::string word = reader.Take();
        if (word == "--utc") {
            utc = true;
        } else if (word == "--from" || word == "--to" || word == "--kind") {
            auto value = reader.TakeValue(word, error);
            if (!value) {
                return Refuse(err, kExitBadArguments, error.message);
            }
            if (!values.emplace(word, *value).second) {
                return Refuse(err, kExitBadArguments, word + " given twice");
            }
        } else if (IsOption(word)) {
            return Refuse(err, kExitBadArguments, "unknown option " + word);
        } else if (file) {
            return Refuse(err, kExitBadArguments, "export writes one file, not also " + word);
        } else {
            file = word;
        }
    }
    std::optional<ItemKind> kind;
    if (values.contains("--kind")) {
        kind = KindFromText(values["--kind"]);
        if (!kind) {
            return Refuse(err, kExitBadArguments,
                          "--kind is alarm, holiday, anniversary or appointment, not \"" +
                              values["--kind"] + "\"");
        }
    }
    if (values.contains("--from") != values.contains("--to")) {
        return Refuse(err, kExitBadArguments, "--from and --to go together");
    }
    std::optional<std::u16string> restriction;
    if (values.contains("--from")) {
        auto from = ParseDateTimeText(values["--from"], false);
        auto to = ParseDateTimeText(values["--to"], false);
        if (!from || !to) {
            return Refuse(err, kExitBadArguments,
                          std::string(!from ? "--from" : "--to") +
                              " is not a possible date (YYYY-MM-DD): \"" +
                              values[!from ? "--from" : "--to"] + "\"");
        }
        if (DayNumber(to->year, to->month, to->day) <
            DayNumber(from->year, from->month, from->day)) {
            return Refuse(err, kExitBadArguments, "--to is before --from");
        }
        // Every series with an occurrence in the days, and every item overlapping them, as
        // list --from --to finds them; a series is written whole.
        restriction =
            u"[Start] <= " + FormatShortDate(*to) + u" and [End] >= " + FormatShortDate(*from);
    }

    auto store = OpenDeviceStore(err);
    if (!store) {
        return kExitStoreFailure;
    }
    const CategoryDisk disk = ReadCategoryDisk(CategoryFile());
    if (disk.state == CategoryDisk::State::Damaged ||
        disk.state == CategoryDisk::State::Unreadable) {
        return Refuse(err, kExitStoreFailure,
                      "cannot read the kinds from " + CategoryFile().string() + ": " +
                          (disk.state == CategoryDisk::State::Damaged
                               ? std::string("it is damaged (start the calendar to repair it)")
                               : disk.error.message));
    }
    const std::map<uint32_t, ItemKind> kinds = KindsOf(disk.lists);

    // One snapshot for the whole export: every item from the same moment, one read lock.
    auto snapshot = store->application->BeginTransaction(poom::TransactionMode::Read);
    if (!snapshot) {
        return Refuse(err, kExitStoreFailure, "cannot read the store: " + snapshot.error().message);
    }
    // With a range, the items the restriction lists (a series once); without one, every item.
    std::optional<std::set<uint32_t>> chosen;
    if (restriction) {
        auto items = store->folder->Items();
        if (!items) {
            return Refuse(err, kExitStoreFailure,
                          "cannot read the items: " + items.error().message);
        }
        auto restricted = items->Restrict(*restriction);
        if (!restricted) {
            return Refuse(err, kExitStoreFailure,
                          "cannot restrict the items: " + restricted.error().message);
        }
        restricted->SetIncludeRecurrences(true);
        chosen.emplace();
        for (long i = 1;; ++i) {
            auto item = restricted->Item(i);
            if (!item) {
                break;
            }
            chosen->insert(item->Oid());
        }
    }

    // The output goes to a file beside the target that takes its name only when complete.
    std::ofstream fileOut;
    std::string temporary;
    if (file && *file != "-") {
        temporary = *file + ".part-" + std::to_string(getpid());
        fileOut.open(temporary, std::ios::binary | std::ios::trunc);
        if (!fileOut) {
            return Refuse(err, kExitBadArguments,
                          "cannot write " + *file + ": " + std::strerror(errno));
        }
    }
    // Standard output gets the calendar only once it is whole: a walk that fails half-way
    // prints nothing, as a read that fails anywhere else does.
    std::ostringstream held;
    std::ostream& sink = fileOut.is_open() ? static_cast<std::ostream&>(fileOut) : held;

    const icaltimetype stamp =
        icaltime_from_timet_with_zone(std::time(nullptr), 0, icaltimezone_get_utc_timezone());
    const std::string soundFolder = TranslateDevicePath(u"\\Windows").string();
    const Frame frame = CalendarFrame();
    sink << frame.head;
    Status walked = store->application->ForEachAppointment([&](poom::Appointment& appointment) {
        const uint32_t oid = appointment.Oid();
        if (chosen && !chosen->contains(oid)) {
            return;
        }
        const auto found = kinds.find(oid);
        const ItemKind itemKind = found != kinds.end() ? found->second : ItemKind::Appointment;
        if (kind && *kind != itemKind) {
            return;
        }
        ExchangeItem item = ReadAppointment(appointment);
        item.kind = itemKind;
        icalcomponent* event =
            EventFromItem(item, utc ? TimeForm::Utc : TimeForm::Floating, stamp, soundFolder);
        OwnedText text(icalcomponent_as_ical_string_r(event));
        icalcomponent_free(event);
        sink << text.get();
    });
    if (!walked) {
        if (!temporary.empty()) {
            std::remove(temporary.c_str());
        }
        return Refuse(err, kExitStoreFailure, "cannot read the items: " + walked.error().message);
    }
    sink << frame.tail;
    sink.flush();
    if (!sink) {
        if (!temporary.empty()) {
            std::remove(temporary.c_str());
        }
        return Refuse(err, kExitStoreFailure,
                      "cannot write the calendar: " + std::string(std::strerror(errno)));
    }
    if (!fileOut.is_open()) {
        out << held.view();
        out.flush();
        if (!out) {
            return Refuse(err, kExitStoreFailure,
                          "cannot write the calendar: " + std::string(std::strerror(errno)));
        }
    }
    if (!temporary.empty()) {
        fileOut.close();
        if (!fileOut || std::rename(temporary.c_str(), file->c_str()) != 0) {
            const int e = errno;
            std::remove(temporary.c_str());
            return Refuse(err, kExitStoreFailure,
                          "cannot write " + *file + ": " + std::strerror(e));
        }
    }
    return kExitOk;
}

int RunExchangeCommand(std::string_view command, const std::vector<std::string>& words,
                       std::istream& in, std::ostream& out, std::ostream& err) {
    if (command == "import") {
        return RunImport(words, in, err);
    }
    return RunExport(words, out, err);
}

}  // namespace moru::device
