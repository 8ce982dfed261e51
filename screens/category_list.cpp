#include "screens/category_list.h"

#include <QPainter>
#include <algorithm>

#include "app/fonts.h"
#include "platform/locale_format.h"
#include "platform/qt/drawing.h"
#include "platform/text.h"
#include "platform/ui_host.h"
#include "resources/menus.h"
#include "screens/hosted_screen.h"
#include "screens/list_drawing.h"
#include "screens/popup_placement.h"
#include "store/calendar_state.h"
#include "store/category_store.h"
#include "store/describe_recurrence.h"
#include "store/store_connection.h"
#include "store/word_tables.h"

namespace moru {
namespace {

// Drawing, in the list's own pixels.
constexpr DeviceRect kArea{0, 0, CategoryList::kWidth, CategoryList::kHeight};
constexpr int kLineHeight = 17;
constexpr int kTextLeft = 5;
constexpr int kTextRight = 220;
constexpr int kIconX = 207;         // the rightmost status icon
constexpr int kIconDrop = 5;        // below the row's top
constexpr int kSubjectWidth = 130;  // the first line is cut to this
const QColor kSelectedFill{0, 96, 191};
const QColor kEmptyLabel{204, 204, 204};

// The handheld's menu opened 66 pixels below a tap in a list (its top bar included).
constexpr int kPopupOffset = 66;

constexpr std::u16string_view kAlarmTimePicture = u"hh:mm tt";
constexpr int kAlarmTimeBufferChars = 20;

QString Q(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

std::u16string TwoDigits(int value) {
    const char16_t digits[] = {static_cast<char16_t>(u'0' + value / 10 % 10),
                               static_cast<char16_t>(u'0' + value % 10), 0};
    return digits;
}

int SecondOfDay(const SystemTime& time) {
    return time.hour * 3600 + time.minute * 60 + time.second;
}

}  // namespace

CategoryList::CategoryList(ItemKind kind, QWidget* parent)
    : PixelPane(QSize(kWidth, kHeight), parent), kind_(kind) {
    setFocusPolicy(Qt::NoFocus);  // the keys go to the window, which forwards them
}

OidList& CategoryList::Oids() const {
    CalendarState& state = Calendar();
    switch (kind_) {
        case Alarm:
            return state.AlarmOids;
        case Holiday:
            return state.HolidayOids;
        default:
            return state.AnniversaryOids;
    }
}

void CategoryList::SaveLists() const {
    // The file is replaced atomically; a failure shows its own message.
    (void)SaveCategoryStore();
}

// ---- the rows: filling, adding, replacing, deleting ------------------------------------------

void CategoryList::FillList() {
    items_.clear();
    dates_.clear();
    struct Loaded {
        int64_t key;
        AppointmentRecord record;
        RangeDates dates;
    };
    std::vector<Loaded> loaded;
    OidList& oids = Oids();
    loaded.reserve(oids.size());
    bool pruned = false;
    for (size_t i = 0; i < oids.size();) {
        Loaded entry;
        std::optional<poom::Appointment> item;
        switch (LoadAppointmentChecked(oids[i], entry.record, item)) {
            case LoadOutcome::Gone:
                // Deleted elsewhere: the identifier must not keep a kind for nothing.
                oids.erase(oids.begin() + static_cast<std::ptrdiff_t>(i));
                pruned = true;
                continue;
            case LoadOutcome::Loaded:
                FormatRangeDates(*item, entry.record, entry.dates.start, &entry.dates.end);
                entry.key = SortKey(entry.record);
                loaded.push_back(std::move(entry));
                break;
            case LoadOutcome::Unreadable:
                break;  // kept: a busy or closed store says nothing about the appointment
        }
        ++i;
    }
    // The same order as inserting one by one in front of the first item that sorts after:
    // equal keys keep the order of the identifier list.
    std::stable_sort(loaded.begin(), loaded.end(),
                     [](const Loaded& a, const Loaded& b) { return a.key < b.key; });
    items_.reserve(loaded.size());
    dates_.reserve(loaded.size());
    for (Loaded& entry : loaded) {
        items_.push_back(std::move(entry.record));
        dates_.push_back(std::move(entry.dates));
    }
    view_.Reset(static_cast<int>(items_.size()));
    scrollPos = 0;
    if (pruned) {
        SaveLists();
    }
}

int64_t CategoryList::SortKey(const AppointmentRecord& record) const {
    const int64_t second = SecondOfDay(record.start);
    if (kind_ == Alarm) {
        // Alarms ring every day at their time: the date does not count, nor do milliseconds.
        return second;
    }
    return DayNumber(record.start.year, record.start.month, record.start.day) * 86400 + second;
}

bool CategoryList::SortsAfter(const AppointmentRecord& item, const AppointmentRecord& added) const {
    return SortKey(added) < SortKey(item);
}

void CategoryList::InsertSorted(AppointmentRecord record) {
    // In front of the first item that sorts strictly after it: equal keys keep the order in
    // which they came.
    size_t index = 0;
    while (index < items_.size() && !SortsAfter(items_[index], record)) {
        ++index;
    }
    InsertAt(index, std::move(record));
}

void CategoryList::InsertAt(size_t index, AppointmentRecord record) {
    index = std::min(index, items_.size());
    RangeDates dates;
    (void)FormatRangeDates(record, dates.start, &dates.end);
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), std::move(record));
    dates_.insert(dates_.begin() + static_cast<std::ptrdiff_t>(index), std::move(dates));
    view_.count = static_cast<int>(items_.size());
}

void CategoryList::RemoveItemAt(size_t index) {
    RemoveAt(items_, index);
    RemoveAt(dates_, index);
    view_.count = static_cast<int>(items_.size());
    view_.firstVisible = std::clamp(view_.firstVisible, 0, view_.ScrollMax());
}

bool CategoryList::AddOrReplaceItem(uint32_t newOid, const AppointmentRecord& record,
                                    AddMode mode) {
    AppointmentRecord fresh;
    if (LoadAppointment(record.oid, fresh) == 0) {
        return false;
    }
    OidList& oids = Oids();
    if (mode == AddMode::Add) {
        const ItemKind current = KindOf(newOid);
        if (current != Appointment && current != kind_) {
            // Already another kind's: one identifier in two lists would make the kinds
            // disagree between the screens.
            return false;
        }
        if (std::find(oids.begin(), oids.end(), newOid) == oids.end()) {
            oids.push_back(newOid);
            SaveLists();
        }
        const bool shown = std::any_of(items_.begin(), items_.end(),
                                       [&](const auto& item) { return item.oid == fresh.oid; });
        if (!shown) {
            InsertSorted(std::move(fresh));
        }
        view_.Reset(static_cast<int>(items_.size()));
        scrollPos = 0;
        Invalidate();
        return true;
    }

    if (!view_.HasSelection()) {
        return false;
    }
    const size_t selected = static_cast<size_t>(view_.selected);
    const uint32_t oldOid = items_[selected].oid;
    if (auto it = std::find(oids.begin(), oids.end(), oldOid); it != oids.end()) {
        *it = newOid;
        if (oldOid != newOid) {
            SaveLists();
        }
    }
    RemoveItemAt(selected);
    if (kind_ == Alarm) {
        InsertSorted(std::move(fresh));
    } else {
        InsertAt(selected, std::move(fresh));
    }
    Invalidate();
    return true;
}

bool CategoryList::DeleteSelectedItem() {
    if (!view_.HasSelection()) {
        return false;
    }
    const size_t selected = static_cast<size_t>(view_.selected);
    const uint32_t oid = items_[selected].oid;
    // The store goes first: taken out of the list while the store kept it, the item would
    // quietly become a plain appointment.
    if (!DeleteAppointment(oid)) {
        return false;
    }
    RemoveItemAt(selected);
    OidList& oids = Oids();
    if (auto it = std::find(oids.begin(), oids.end(), oid); it != oids.end()) {
        oids.erase(it);
        SaveLists();
    }
    Invalidate();
    return true;
}

bool CategoryList::MoveSelection(int virtualKey) {
    const ListViewport::KeyMove move = view_.MoveSelectionByKey(virtualKey);
    if (move.topMoved && onScrollUpdate) {
        onScrollUpdate(view_.firstVisible);
    }
    if (move.selectionMoved) {
        Invalidate();
    }
    return move.handled;
}

// ---- layout and painting ---------------------------------------------------------------------

CategoryList::Layout CategoryList::LayoutFor() const {
    Layout layout;
    if (items_.empty()) {
        layout.emptyLabel = std::u16string(EmptyListLabels[kind_]);
        return layout;
    }
    for (int r = 0; r < view_.shownRows(); ++r) {
        const size_t index = static_cast<size_t>(view_.firstVisible) + static_cast<size_t>(r);
        const AppointmentRecord& item = items_[index];
        const RangeDates& dates = dates_[index];
        Row row;
        row.rect = view_.RowRect(r, kWidth);
        row.selected = view_.firstVisible + r == view_.selected;
        row.item = &item;
        std::u16string subject;
        if (kind_ == Alarm) {
            // Plain appends: GCC 12 misreads a literal prefixed to a temporary as an overlap.
            subject += u"(";
            subject += TwoDigits(item.start.hour);
            subject += u":";
            subject += TwoDigits(item.start.minute);
            subject += u") ";
        }
        subject += item.subject;
        row.lines[0] = ShortenToWidth(FontArial10Bold(), subject, kSubjectWidth);
        if (item.repeatChoice == RepeatOnce) {
            row.lines[1] = dates.start;
            if (kind_ == Alarm) {
                row.lines[1] += u", ";
                row.lines[1] += FormatTime(item.start, kAlarmTimePicture, kAlarmTimeBufferChars);
            }
        } else {
            row.lines[1] = DescribeRecurrence(item);
            row.lines[2] = dates.end.empty() ? u"from " + dates.start
                                             : u"from " + dates.start + u" until " + dates.end;
        }
        layout.rows.push_back(std::move(row));
    }
    return layout;
}

void CategoryList::Paint(QPainter& painter) {
    const Layout layout = LayoutFor();
    gdi::FillRect(painter, kArea, Qt::white);
    gdi::Line(painter, {0, 0}, {kWidth, 0}, Qt::black);
    if (!layout.emptyLabel.empty()) {
        // Not a single line: the label stands at the top, centred across.
        gdi::DrawText(painter, Q(layout.emptyLabel), kArea, gdi::DT_CENTER | gdi::DT_VCENTER,
                      FontArial10Bold(), kEmptyLabel);
    }
    const unsigned lineFlags = gdi::DT_LEFT | gdi::DT_VCENTER | gdi::DT_SINGLELINE;
    for (const Row& row : layout.rows) {
        const int y0 = row.rect.top;
        gdi::FillRect(painter, row.rect, row.selected ? kSelectedFill : QColor(Qt::white));
        const QColor text = row.selected ? QColor(Qt::white) : QColor(Qt::black);
        gdi::Line(painter, {0, y0}, {kWidth, y0}, Qt::black);
        gdi::Line(painter, {0, row.rect.bottom}, {kWidth, row.rect.bottom}, Qt::black);
        for (int line = 0; line < 3; ++line) {
            const DeviceRect rect{kTextLeft, y0 + line * kLineHeight, kTextRight,
                                  y0 + (line + 1) * kLineHeight};
            gdi::DrawText(painter, Q(row.lines[line]), rect, lineFlags,
                          line == 0 ? FontArial10Bold() : FontArial10(), text);
        }
        DrawStatusIcons(painter, *row.item, kIconX, y0 + kIconDrop, KindIcons::Hidden);
    }
}

// ---- the pen ---------------------------------------------------------------------------------

PopupMenu CategoryList::ItemPopupMenu() {
    PopupMenu menu = LoadSubMenu(kItemMenus, 0);
    menu.RemoveAt(4);  // the separator
    menu.RemoveAt(3);  // "Pause"
    // The copy commands are the agenda's: an item of a category is already classified.
    for (int command :
         {command::kCopyToAlarm, command::kCopyToHoliday, command::kCopyToAnniversary}) {
        for (size_t i = 0; i < menu.items.size(); ++i) {
            if (menu.items[i].commandId == command) {
                menu.RemoveAt(i);
                break;
            }
        }
    }
    return menu;
}

void CategoryList::PenDown(int x, int y) {
    const std::optional<int> index = view_.IndexAt(y);
    if (!index) {
        return;
    }
    view_.selected = *index;
    Invalidate();
    // The offset is from the tap in the list's own pixels to the menu in the window's: it
    // already counts the list's place below the title.
    const PopupPlacement at = ItemPopupPlacement(x, y, kPopupOffset);
    const int chosen = CurrentUiHost().TrackPopupMenu(ItemPopupMenu(), at.align, at.x, at.y);
    if (chosen != 0 && onCommand) {
        onCommand(chosen);
    }
}

}  // namespace moru
