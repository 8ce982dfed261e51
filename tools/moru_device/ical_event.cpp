#include "tools/moru_device/ical_event.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

#include "platform/text.h"

namespace moru::device {
namespace {

constexpr long kReminderOptionsWithSound = 29;  // what the editor writes with a sound
constexpr long kReminderOptionsSilent = 21;     // and without one
constexpr long kBusy = 2;
constexpr long kFree = 0;
constexpr long kPrivate = 2;
constexpr long kConfidential = 3;

// What only this calendar has.
constexpr const char* kXKind = "X-MORU-KIND";
constexpr const char* kXEnd = "X-MORU-END";                  // End of a date-valued item
constexpr const char* kXAllDay = "X-MORU-ALL-DAY";           // all day with times of day
constexpr const char* kXSound = "X-MORU-SOUND";              // the sound, percent-encoded
constexpr const char* kXBusy = "X-MORU-BUSY-STATUS";         // tentative, out of office
constexpr const char* kXSensitivity = "X-MORU-SENSITIVITY";  // other than 0, 2, 3
constexpr const char* kXReminderOptions = "X-MORU-REMINDER-OPTIONS";
constexpr const char* kXPatternType = "X-MORU-PATTERN-TYPE";

struct FreeString {
    void operator()(char* text) const { std::free(text); }
};
using OwnedText = std::unique_ptr<char, FreeString>;

std::string Text(const char* text) {
    return text != nullptr ? std::string(text) : std::string();
}

std::string PercentEncode(std::string_view text) {
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) != 0 || std::strchr("-._~/", c) != nullptr) {
            out += static_cast<char>(c);
        } else {
            char buffer[4];
            std::snprintf(buffer, sizeof buffer, "%%%02X", c);
            out += buffer;
        }
    }
    return out;
}

std::string PercentDecode(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() &&
            std::isxdigit(static_cast<unsigned char>(text[i + 1])) != 0 &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2])) != 0) {
            out += static_cast<char>(
                std::strtol(std::string(text.substr(i + 1, 2)).c_str(), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::optional<std::string> XValue(icalcomponent* event, const char* name) {
    for (icalproperty* p = icalcomponent_get_first_property(event, ICAL_X_PROPERTY); p != nullptr;
         p = icalcomponent_get_next_property(event, ICAL_X_PROPERTY)) {
        if (Text(icalproperty_get_x_name(p)) == name) {
            return Text(icalproperty_get_x(p));
        }
    }
    return std::nullopt;
}

std::optional<long> XNumber(icalcomponent* event, const char* name) {
    const std::optional<std::string> text = XValue(event, name);
    if (!text) {
        return std::nullopt;
    }
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text->c_str(), &end, 10);
    if (text->empty() || *end != '\0' || errno != 0) {
        return std::nullopt;
    }
    return value;
}

void AddX(icalcomponent* event, const char* name, const std::string& value) {
    icalproperty* p = icalproperty_new_x(value.c_str());
    icalproperty_set_x_name(p, name);
    icalcomponent_add_property(event, p);
}

// The End an all-day item gets from its dates: one day is the calendar's midnight to the
// same midnight; a longer one ends at the midnight after its last day.
SystemTime AllDayEnd(const SystemTime& startDay, const SystemTime& endDayExclusive) {
    const int64_t days =
        DayNumber(endDayExclusive.year, endDayExclusive.month, endDayExclusive.day) -
        DayNumber(startDay.year, startDay.month, startDay.day);
    return days <= 1 ? startDay : endDayExclusive;
}

long DefaultReminderOptions(const ExchangeItem& item) {
    if (!item.reminderSet) {
        return 0;
    }
    return item.sound.empty() ? kReminderOptionsSilent : kReminderOptionsWithSound;
}

// ---- Reminder ----

// The sound name of an AUDIO alarm's attachment: the file name of its URI.
std::u16string SoundOf(icalcomponent* alarm) {
    icalproperty* attach = icalcomponent_get_first_property(alarm, ICAL_ATTACH_PROPERTY);
    if (attach == nullptr) {
        return {};
    }
    icalattach* value = icalproperty_get_attach(attach);
    if (value == nullptr || icalattach_get_is_url(value) == 0) {
        return {};
    }
    std::string url = Text(icalattach_get_url(value));
    const size_t slash = url.find_last_of('/');
    if (slash != std::string::npos) {
        url = url.substr(slash + 1);
    }
    return FromUtf8(PercentDecode(url));
}

void ReadReminder(icalcomponent* event, ExchangeItem& item, EventImport& result) {
    int seen = 0;
    for (icalcomponent* alarm = icalcomponent_get_first_component(event, ICAL_VALARM_COMPONENT);
         alarm != nullptr; alarm = icalcomponent_get_next_component(event, ICAL_VALARM_COMPONENT)) {
        icalproperty* actionProperty =
            icalcomponent_get_first_property(alarm, ICAL_ACTION_PROPERTY);
        const icalproperty_action action =
            actionProperty != nullptr ? icalproperty_get_action(actionProperty) : ICAL_ACTION_NONE;
        if (action != ICAL_ACTION_DISPLAY && action != ICAL_ACTION_AUDIO) {
            continue;
        }
        if (++seen > 1) {
            result.notes.push_back("only its first reminder is kept");
            break;
        }
        icalproperty* triggerProperty =
            icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY);
        if (triggerProperty == nullptr) {
            result.notes.push_back("its reminder has no TRIGGER and is left out");
            continue;
        }
        const icaltriggertype trigger = icalproperty_get_trigger(triggerProperty);
        int64_t before = 0;  // seconds before the start
        if (!icaltime_is_null_time(trigger.time)) {
            std::optional<SystemTime> at = LocalOf(trigger.time, nullptr);
            if (!at) {
                result.notes.push_back("its reminder time is impossible and is left out");
                continue;
            }
            before = SecondsOf(item.start) - SecondsOf(*at);
        } else {
            before = -static_cast<int64_t>(icaldurationtype_as_int(trigger.duration));
            icalparameter* related =
                icalproperty_get_first_parameter(triggerProperty, ICAL_RELATED_PARAMETER);
            if (related != nullptr && icalparameter_get_related(related) == ICAL_RELATED_END) {
                before -= SecondsOf(item.end) - SecondsOf(item.start);
            }
        }
        if (before < 0) {
            result.notes.push_back("its reminder comes after the start and is left out");
            continue;
        }
        if (before / 60 > kMaxReminderMinutes) {
            result.notes.push_back("its reminder comes more than 9999 days early and is left out");
            continue;
        }
        item.reminderSet = true;
        item.reminderMinutes = static_cast<long>(before / 60);
        if (action == ICAL_ACTION_AUDIO) {
            item.sound = SoundOf(alarm);
        }
    }
}

// ---- Times of the event ----

struct EventTimes {
    std::optional<SystemTime> start;
    std::optional<SystemTime> end;
    bool dates = false;  // DATE values: an all-day item
    icaltimezone* startZone = nullptr;
    std::string problem;
};

EventTimes ReadTimes(icalcomponent* calendar, icalcomponent* event) {
    EventTimes times;
    icalproperty* dtstart = icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY);
    if (dtstart == nullptr) {
        times.problem = "it has no DTSTART";
        return times;
    }
    const ZoneOf startZone = ResolveZone(calendar, dtstart);
    if (!startZone.unknown.empty()) {
        times.problem = "its time zone \"" + startZone.unknown + "\" is not known";
        return times;
    }
    const icaltimetype start = icalproperty_get_dtstart(dtstart);
    times.dates = start.is_date != 0;
    times.startZone = startZone.zone;
    times.start = LocalOf(start, startZone.zone);
    if (!times.start) {
        times.problem = "its DTSTART is not a possible time between the years 100 and 9999";
        return times;
    }
    icalproperty* dtend = icalcomponent_get_first_property(event, ICAL_DTEND_PROPERTY);
    icalproperty* duration = icalcomponent_get_first_property(event, ICAL_DURATION_PROPERTY);
    if (dtend != nullptr) {
        const ZoneOf endZone = ResolveZone(calendar, dtend);
        if (!endZone.unknown.empty()) {
            times.problem = "its time zone \"" + endZone.unknown + "\" is not known";
            return times;
        }
        const icaltimetype end = icalproperty_get_dtend(dtend);
        if ((end.is_date != 0) != times.dates) {
            times.problem = "its DTSTART and DTEND mix a date with a date and time";
            return times;
        }
        times.end = LocalOf(end, endZone.zone);
        if (!times.end) {
            times.problem = "its DTEND is not a possible time between the years 100 and 9999";
            return times;
        }
    } else if (duration != nullptr) {
        const int seconds = icaldurationtype_as_int(icalproperty_get_duration(duration));
        times.end = FromSeconds(SecondsOf(*times.start) + seconds);
    } else {
        // No end: a date lasts its day, a time lasts no time (as an alarm does).
        times.end = times.dates ? FromSeconds(SecondsOf(*times.start) + kDaySeconds) : *times.start;
    }
    if (SecondsOf(*times.end) < SecondsOf(*times.start)) {
        times.problem = "it ends before it starts";
        return times;
    }
    if (!InRange(*times.end)) {
        times.problem = "its end lies outside the years 100 to 9999";
    }
    return times;
}

std::string FallbackUid(icalcomponent* event) {
    // An event without a UID still needs the same identity each time the file is imported.
    OwnedText text(icalcomponent_as_ical_string_r(event));
    uint64_t hash = 1469598103934665603ull;
    for (const char* c = text.get(); c != nullptr && *c != '\0'; ++c) {
        hash = (hash ^ static_cast<unsigned char>(*c)) * 1099511628211ull;
    }
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "moru-import-%016llx",
                  static_cast<unsigned long long>(hash));
    return buffer;
}

}  // namespace

const char* KindText(ItemKind kind) {
    switch (kind) {
        case ItemKind::Alarm:
            return "ALARM";
        case ItemKind::Holiday:
            return "HOLIDAY";
        case ItemKind::Anniversary:
            return "ANNIVERSARY";
        default:
            return "APPOINTMENT";
    }
}

std::optional<ItemKind> KindFromText(std::string_view text) {
    for (ItemKind kind :
         {ItemKind::Alarm, ItemKind::Holiday, ItemKind::Anniversary, ItemKind::Appointment}) {
        if (strcasecmp(std::string(text).c_str(), KindText(kind)) == 0) {
            return kind;
        }
    }
    return std::nullopt;
}

ExchangeItem ReadAppointment(poom::Appointment& appointment) {
    ExchangeItem item;
    item.uid = appointment.Uid();
    item.subject = appointment.Subject();
    item.location = appointment.Location();
    item.categories = appointment.Categories();
    item.body = appointment.Body();
    item.start = VariantTimeToSystemTime(appointment.Start()).value_or(SystemTime{});
    item.end = VariantTimeToSystemTime(appointment.End()).value_or(SystemTime{});
    item.allDay = appointment.AllDayEvent();
    item.busyStatus = appointment.BusyStatus();
    item.sensitivity = appointment.Sensitivity();
    item.reminderSet = appointment.ReminderSet();
    item.reminderMinutes = appointment.ReminderMinutesBeforeStart();
    item.sound = appointment.ReminderSoundFile();
    item.reminderOptions = appointment.ReminderOptions();
    // Asking a one-off appointment for its pattern would make it recurring.
    if (appointment.IsRecurring()) {
        const poom::RecurrencePattern pattern = appointment.GetRecurrencePattern();
        ExchangePattern p;
        p.type = pattern.RecurrenceType();
        p.interval = pattern.Interval();
        p.mask = pattern.DayOfWeekMask();
        p.dayOfMonth = pattern.DayOfMonth();
        p.instance = pattern.Instance();
        p.monthOfYear = pattern.MonthOfYear();
        p.noEnd = pattern.NoEndDate();
        if (!p.noEnd) {
            p.occurrences = pattern.Occurrences();
            if (p.occurrences <= 0) {
                p.occurrences = 0;
                if (auto day = VariantTimeToSystemTime(pattern.PatternEndDate())) {
                    p.endDate = DayOf(*day);
                }
            }
        }
        item.pattern = p;
    }
    return item;
}

Status WriteAppointment(const ExchangeItem& item, poom::Appointment& appointment) {
    const std::optional<double> start = SystemTimeToVariantTime(item.start);
    const std::optional<double> end = SystemTimeToVariantTime(item.end);
    if (!start || !end) {
        return Error{EINVAL, "the start or end cannot be stored"};
    }
    const long minutes = static_cast<long>((SecondsOf(item.end) - SecondsOf(item.start)) / 60);
    appointment.SetUid(item.uid);
    appointment.SetSubject(item.subject);
    appointment.SetLocation(item.location);
    appointment.SetCategories(item.categories);
    appointment.SetBody(item.body);
    appointment.SetStart(*start);
    appointment.SetEnd(*end);
    appointment.SetAllDayEvent(item.allDay);
    appointment.SetBusyStatus(item.busyStatus);
    appointment.SetSensitivity(item.sensitivity);
    appointment.SetReminderSet(item.reminderSet);
    appointment.SetReminderMinutesBeforeStart(item.reminderMinutes);
    appointment.SetReminderSoundFile(item.sound);
    appointment.SetReminderOptions(item.reminderOptions);
    if (!item.pattern) {
        appointment.ClearRecurrencePattern();
        return {};
    }
    const ExchangePattern& p = *item.pattern;
    poom::RecurrencePattern pattern = appointment.GetRecurrencePattern();
    pattern.SetRecurrenceType(p.type);
    pattern.SetPatternStartDate(*start);
    pattern.SetNoEndDate(true);
    pattern.SetStartTime(*start);
    pattern.SetDuration(minutes);
    pattern.SetEndTime(*end);
    pattern.SetInterval(p.interval);
    pattern.SetDayOfWeekMask(p.mask);
    pattern.SetDayOfMonth(p.dayOfMonth);
    pattern.SetInstance(p.instance);
    pattern.SetMonthOfYear(p.monthOfYear);
    // The end goes last: a count is turned into an end date from the fields above.
    if (!p.noEnd && p.occurrences > 0) {
        pattern.SetNoEndDate(false);
        pattern.SetOccurrences(p.occurrences);
    } else if (!p.noEnd && p.endDate) {
        const std::optional<double> endDate = SystemTimeToVariantTime(*p.endDate);
        if (!endDate) {
            return Error{EINVAL, "the pattern's end date cannot be stored"};
        }
        pattern.SetNoEndDate(false);
        pattern.SetPatternEndDate(*endDate);
    }
    return {};
}

EventImport ItemFromEvent(icalcomponent* calendar, icalcomponent* event) {
    EventImport result;
    auto skip = [&](std::string reason) {
        result.skipReason = std::move(reason);
        result.item.reset();
        return result;
    };
    if (icalcomponent_get_first_property(event, ICAL_RECURRENCEID_PROPERTY) != nullptr) {
        return skip("it changes one occurrence of a series (RECURRENCE-ID)");
    }
    if (icalcomponent_get_first_property(event, ICAL_EXDATE_PROPERTY) != nullptr) {
        return skip("it leaves out occurrences (EXDATE)");
    }
    if (icalcomponent_get_first_property(event, ICAL_RDATE_PROPERTY) != nullptr) {
        return skip("it adds occurrences (RDATE)");
    }
    if (icalcomponent_get_first_property(event, ICAL_EXRULE_PROPERTY) != nullptr) {
        return skip("it leaves out occurrences (EXRULE)");
    }
    const EventTimes times = ReadTimes(calendar, event);
    if (!times.problem.empty()) {
        return skip(times.problem);
    }

    ExchangeItem item;
    const char* uid = icalcomponent_get_uid(event);
    item.uid = FromUtf8(uid != nullptr && *uid != '\0' ? std::string(uid) : FallbackUid(event));
    item.subject = FromUtf8(Text(icalcomponent_get_summary(event)));
    item.location = FromUtf8(Text(icalcomponent_get_location(event)));
    item.body = FromUtf8(Text(icalcomponent_get_description(event)));
    std::string categories;
    for (icalproperty* p = icalcomponent_get_first_property(event, ICAL_CATEGORIES_PROPERTY);
         p != nullptr; p = icalcomponent_get_next_property(event, ICAL_CATEGORIES_PROPERTY)) {
        if (!categories.empty()) {
            categories += ',';
        }
        categories += Text(icalproperty_get_categories(p));
    }
    item.categories = FromUtf8(categories);

    item.start = *times.start;
    item.end = *times.end;
    if (times.dates) {
        item.allDay = true;
        item.end = AllDayEnd(item.start, item.end);
        if (std::optional<std::string> end = XValue(event, kXEnd)) {
            if (std::optional<SystemTime> exact = ParseCompactTime(*end);
                exact && SecondsOf(*exact) >= SecondsOf(item.start)) {
                item.end = *exact;
            }
        }
    } else if (std::optional<std::string> allDay = XValue(event, kXAllDay)) {
        item.allDay = strcasecmp(allDay->c_str(), "TRUE") == 0;
    }

    if (icalproperty* transp = icalcomponent_get_first_property(event, ICAL_TRANSP_PROPERTY)) {
        item.busyStatus =
            icalproperty_get_transp(transp) == ICAL_TRANSP_TRANSPARENT ? kFree : kBusy;
    }
    if (std::optional<long> busy = XNumber(event, kXBusy)) {
        item.busyStatus = *busy;
    }
    if (icalproperty* klass = icalcomponent_get_first_property(event, ICAL_CLASS_PROPERTY)) {
        switch (icalproperty_get_class(klass)) {
            case ICAL_CLASS_PUBLIC:
                item.sensitivity = 0;
                break;
            case ICAL_CLASS_CONFIDENTIAL:
                item.sensitivity = kConfidential;
                break;
            default:  // PRIVATE and the classes of other programs keep the item private
                item.sensitivity = kPrivate;
                break;
        }
    }
    if (std::optional<long> sensitivity = XNumber(event, kXSensitivity)) {
        item.sensitivity = *sensitivity;
    }

    ReadReminder(event, item, result);
    if (std::optional<std::string> sound = XValue(event, kXSound)) {
        item.sound = FromUtf8(PercentDecode(*sound));
    }
    item.reminderOptions = DefaultReminderOptions(item);
    if (std::optional<long> options = XNumber(event, kXReminderOptions)) {
        item.reminderOptions = *options;
    }

    int rules = 0;
    for (icalproperty* p = icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY);
         p != nullptr; p = icalcomponent_get_next_property(event, ICAL_RRULE_PROPERTY)) {
        ++rules;
    }
    if (rules > 1) {
        return skip("it has several RRULEs");
    }
    if (rules == 1) {
        const icalrecurrencetype rule =
            icalproperty_get_rrule(icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY));
        std::optional<SystemTime> until;
        if (!icaltime_is_null_time(rule.until)) {
            // A floating UNTIL is in the start's own zone; a UTC one is an instant.
            until = LocalOf(rule.until, icaltime_is_utc(rule.until) ? nullptr : times.startZone);
            if (!until) {
                return skip("its UNTIL is not a possible time between the years 100 and 9999");
            }
            until = DayOf(*until);
        }
        const std::optional<std::string> type = XValue(event, kXPatternType);
        auto pattern = PatternFromRule(rule, item.start, until,
                                       type && strcasecmp(type->c_str(), "DAILY") == 0);
        if (auto* refusal = std::get_if<RuleRefusal>(&pattern)) {
            return skip("its repetition cannot be kept: " + refusal->reason);
        }
        item.pattern = std::get<ExchangePattern>(pattern);
        icalproperty* dtstart = icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY);
        const icaltimetype start = icalproperty_get_dtstart(dtstart);
        icaltimezone* zone =
            icaltime_is_utc(start) ? icaltimezone_get_utc_timezone() : times.startZone;
        if (!times.dates && zone != nullptr &&
            ClocksDrift(zone, icaltime_as_timet_with_zone(start, zone))) {
            result.notes.push_back(
                "its zone changes its clock on other days than this machine's; every occurrence "
                "keeps the first one's local time");
        }
    }
    if (std::optional<std::string> kind = XValue(event, kXKind)) {
        item.kind = KindFromText(*kind);
        if (!item.kind) {
            result.notes.push_back("its kind \"" + *kind + "\" is unknown; it is an appointment");
        }
    }
    result.item = std::move(item);
    return result;
}

icalcomponent* EventFromItem(const ExchangeItem& item, TimeForm form, icaltimetype stamp,
                             const std::string& soundFolder) {
    icalcomponent* event = icalcomponent_new_vevent();
    icalcomponent_add_property(event, icalproperty_new_uid(ToUtf8(item.uid).c_str()));
    icalcomponent_add_property(event, icalproperty_new_dtstamp(stamp));
    icalcomponent_add_property(event, icalproperty_new_summary(ToUtf8(item.subject).c_str()));
    if (!item.location.empty()) {
        icalcomponent_add_property(event, icalproperty_new_location(ToUtf8(item.location).c_str()));
    }
    if (!item.body.empty()) {
        icalcomponent_add_property(event, icalproperty_new_description(ToUtf8(item.body).c_str()));
    }
    if (!item.categories.empty()) {
        icalcomponent_add_property(event,
                                   icalproperty_new_categories(ToUtf8(item.categories).c_str()));
    }

    // A whole-day item at midnight is written as dates, which other calendars show as a day;
    // an all-day item with times of day keeps them and says it is all day in an X-property.
    const bool dates = item.allDay && AtMidnight(item.start) && AtMidnight(item.end);
    if (dates) {
        const SystemTime endExclusive = SecondsOf(item.end) > SecondsOf(item.start)
                                            ? item.end
                                            : FromSeconds(SecondsOf(item.start) + kDaySeconds);
        icalcomponent_add_property(event, icalproperty_new_dtstart(IcalDate(item.start)));
        icalcomponent_add_property(event, icalproperty_new_dtend(IcalDate(endExclusive)));
        if (!(AllDayEnd(item.start, endExclusive) == item.end)) {
            AddX(event, kXEnd, CompactTime(item.end));
        }
    } else {
        icalcomponent_add_property(event, icalproperty_new_dtstart(IcalTime(item.start, form)));
        if (!(item.end == item.start)) {
            icalcomponent_add_property(event, icalproperty_new_dtend(IcalTime(item.end, form)));
        }
        if (item.allDay) {
            AddX(event, kXAllDay, "TRUE");
        }
    }

    if (item.sensitivity == kPrivate) {
        icalcomponent_add_property(event, icalproperty_new_class(ICAL_CLASS_PRIVATE));
    } else if (item.sensitivity == kConfidential) {
        icalcomponent_add_property(event, icalproperty_new_class(ICAL_CLASS_CONFIDENTIAL));
    } else if (item.sensitivity != 0) {
        icalcomponent_add_property(event, icalproperty_new_class(ICAL_CLASS_PRIVATE));
        AddX(event, kXSensitivity, std::to_string(item.sensitivity));
    }
    icalcomponent_add_property(
        event, icalproperty_new_transp(item.busyStatus == kFree ? ICAL_TRANSP_TRANSPARENT
                                                                : ICAL_TRANSP_OPAQUE));
    if (item.busyStatus != kFree && item.busyStatus != kBusy) {
        AddX(event, kXBusy, std::to_string(item.busyStatus));
    }

    if (item.reminderSet) {
        icalcomponent* alarm = icalcomponent_new_valarm();
        icaltriggertype trigger{};
        trigger.time = icaltime_null_time();
        trigger.duration = icaldurationtype_from_int(-static_cast<int>(item.reminderMinutes) * 60);
        icalcomponent_add_property(alarm, icalproperty_new_trigger(trigger));
        if (!item.sound.empty()) {
            icalcomponent_add_property(alarm, icalproperty_new_action(ICAL_ACTION_AUDIO));
            const std::string url =
                "file://" + PercentEncode(soundFolder + "/" + ToUtf8(item.sound));
            icalattach* attach = icalattach_new_from_url(url.c_str());
            icalcomponent_add_property(alarm, icalproperty_new_attach(attach));
            icalattach_unref(attach);
        } else {
            icalcomponent_add_property(alarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
            icalcomponent_add_property(alarm,
                                       icalproperty_new_description(ToUtf8(item.subject).c_str()));
        }
        icalcomponent_add_component(event, alarm);
    }
    if (!item.sound.empty()) {
        AddX(event, kXSound, PercentEncode(ToUtf8(item.sound)));
    }
    if (item.reminderOptions != DefaultReminderOptions(item)) {
        AddX(event, kXReminderOptions, std::to_string(item.reminderOptions));
    }

    if (item.pattern) {
        RuleOfPattern rule = RuleFromPattern(*item.pattern);
        if (!item.pattern->noEnd && item.pattern->occurrences <= 0 && item.pattern->endDate) {
            // The whole last day counts, in the form the start has.
            const SystemTime& last = *item.pattern->endDate;
            rule.rule.until =
                dates ? IcalDate(last)
                      : IcalTime(MakeSystemTime(last.year, last.month, last.day, 23, 59, 59), form);
        }
        icalcomponent_add_property(event, icalproperty_new_rrule(rule.rule));
        if (rule.marksDaily) {
            AddX(event, kXPatternType, "DAILY");
        }
    }
    if (item.kind && *item.kind != ItemKind::Appointment) {
        AddX(event, kXKind, KindText(*item.kind));
    }
    return event;
}

}  // namespace moru::device
