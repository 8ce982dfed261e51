#include "screens/period_agenda.h"

#include <QPainter>
#include <cmath>
#include <optional>

#include "app/fonts.h"
#include "platform/locale_format.h"
#include "platform/qt/drawing.h"
#include "platform/text.h"
#include "platform/ui_host.h"
#include "resources/menus.h"
#include "screens/hosted_screen.h"
#include "screens/list_drawing.h"
#include "screens/popup_placement.h"
#include "store/restriction_text.h"
#include "store/store_connection.h"
#include "store/word_tables.h"

namespace moru {
namespace {

constexpr DeviceRect kArea{0, 0, PeriodAgenda::kWidth, PeriodAgenda::kHeight};
constexpr int kLineHeight = 17;
constexpr int kTextLeft = 5;
constexpr int kIconX = 207;
constexpr int kIconDrop = 5;
constexpr int kSubjectWidth = 150;
const QColor kSelectedFill{0, 96, 191};
const QColor kPastText{150, 150, 150};
const QColor kEmptyLabel{204, 204, 204};

// The period reaches back this far for items that started before it and still run.
constexpr double kLookBackDays = 31.0;
// The handheld's menu opened 96 pixels below a tap in the agenda (its top bar included).
constexpr int kPopupOffset = 96;

constexpr std::u16string_view kTimePicture = u"tt h':'mm";
constexpr int kTimeBufferChars = 40;
// Half a second in days: a length a hair under a whole hour still counts that hour.
constexpr double kHourRounding = 5.787037037037037e-6;

std::u16string Number(int value) {
    return FromUtf8(std::to_string(value));
}

QString Q(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

// A copy of the bold face with the strike-out set, made once.
const QFont& StruckOutBold() {
    static const QFont font = [] {
        QFont struck = FontArial10Bold();
        struck.setStrikeOut(true);
        return struck;
    }();
    return font;
}

}  // namespace

std::u16string FormatAgendaLine(const AppointmentRecord& record) {
    const SystemTime& s = record.start;
    const SystemTime& e = record.end;
    // Plain appends: GCC 12 misreads a literal prefixed to a temporary as an overlap.
    std::u16string head = u"(";
    head += Number(s.month);
    head += u"/";
    head += Number(s.day);
    head += u", ";
    head += WeekdayShortNames[s.dayOfWeek % 7];
    head += u")";
    if (record.allDay == 1) {
        return head + u" All day";
    }
    const std::u16string t1 = FormatTime(s, kTimePicture, kTimeBufferChars);
    if (s.year == e.year && s.month == e.month && s.day == e.day) {
        return head + u" " + t1 + u" - " + FormatTime(e, kTimePicture, kTimeBufferChars);
    }
    const double days = (DateTime::FromSystemTime(e) - DateTime::FromSystemTime(s)).TotalDays();
    const int hours = static_cast<int>(days * 24.0 + kHourRounding);
    if (hours < 24) {
        return head + u" at " + t1 + u" for " + Number(hours) + u" hour(s)";
    }
    return head + u" at " + t1 + u" for " + Number(hours / 24 + 1) + u" days";
}

bool IsPastOccurrence(const AppointmentRecord& record, const SystemTime& now) {
    DateTime ending = DateTime::FromSystemTime(record.end);
    if (record.allDay == 1) {
        ending = DateTime::FromParts(record.end.year, record.end.month, record.end.day, 23, 59, 59);
    }
    return ending < DateTime::FromSystemTime(now);
}

PeriodAgenda::PeriodAgenda(QWidget* parent) : PixelPane(QSize(kWidth, kHeight), parent) {
    setFocusPolicy(Qt::NoFocus);  // the keys go to the window, which forwards them
    now_ = GetLocalTime();
}

void PeriodAgenda::Refresh() {
    now_ = GetLocalTime();
}

// ---- the query -------------------------------------------------------------------------------

PeriodAgenda::OccurrenceKey PeriodAgenda::KeyOf(const AppointmentRecord& record) {
    const auto seconds = [](const SystemTime& t) {
        return DayNumber(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
    };
    return {record.oid, seconds(record.start), seconds(record.end)};
}

bool PeriodAgenda::IsDuplicate(const AppointmentRecord& record) const {
    // Looked up by identifier and times rather than walked: a long period lists thousands.
    const auto [first, last] = listed_.equal_range(KeyOf(record));
    for (auto it = first; it != last; ++it) {
        if (items_[it->second].subject == record.subject) {
            return true;
        }
    }
    return false;
}

void PeriodAgenda::QueryPeriod(const SystemTime& from, const SystemTime& to) {
    items_.clear();
    lines_.clear();
    listed_.clear();
    const StoreConnection& connection = TheStoreConnection();
    if (connection.folder) {
        const DateTime first = DateTime::FromSystemTime(from);
        const SystemTime lookBack =
            (first - DateTimeSpan(kLookBackDays)).ToSystemTime().value_or(from);
        const std::u16string restriction =
            RestrictionText().StartOnOrAfter(lookBack).StartOnOrBefore(to).EndOnOrAfter(from).Text(
                RestrictionText::Ending::LineFeed);
        // A series comes back once per occurrence; its record is read once per query.
        std::map<uint32_t, std::optional<AppointmentRecord>> loaded;
        QueryAppointments(*connection.folder, restriction, [&](const poom::Appointment& item) {
            // A fresh record per item; one whose identifier no longer loads (deleted since
            // the query ran) is left out rather than shown with another item's fields.
            const uint32_t oid = item.Oid();
            auto cached = loaded.find(oid);
            if (cached == loaded.end()) {
                AppointmentRecord fresh;
                std::optional<AppointmentRecord> entry;
                if (LoadAppointment(oid, fresh) != 0) {
                    entry = std::move(fresh);
                }
                cached = loaded.emplace(oid, std::move(entry)).first;
            }
            if (!cached->second) {
                return true;
            }
            AppointmentRecord record = *cached->second;
            const auto start = VariantTimeToSystemTime(item.Start());
            const auto end = VariantTimeToSystemTime(item.End());
            if (start) {
                record.start = *start;
            }
            if (end) {
                record.end = *end;
            }
            if (record.start.day == record.end.day || !IsDuplicate(record)) {
                listed_.emplace(KeyOf(record), items_.size());
                lines_.push_back(FormatAgendaLine(record));
                items_.push_back(std::move(record));
            }
            return true;
        });
    }
    view_.Reset(static_cast<int>(items_.size()));
    scrollPos = 0;
    now_ = GetLocalTime();
    Invalidate();
}

bool PeriodAgenda::DeleteSelectedItem() {
    if (!view_.HasSelection()) {
        return false;
    }
    return DeleteAppointment(items_[static_cast<size_t>(view_.selected)].oid);
}

bool PeriodAgenda::MoveSelection(int virtualKey) {
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

PeriodAgenda::Layout PeriodAgenda::LayoutFor() const {
    Layout layout;
    layout.empty = items_.empty();
    for (int r = 0; r < view_.shownRows(); ++r) {
        const size_t index = static_cast<size_t>(view_.firstVisible) + static_cast<size_t>(r);
        const AppointmentRecord& item = items_[index];
        Row row;
        row.rect = view_.RowRect(r, kWidth);
        row.selected = view_.firstVisible + r == view_.selected;
        row.past = IsPastOccurrence(item, now_);
        // The struck-out face is as wide as the plain one; either measures the cut.
        row.subject = ShortenToWidth(FontArial10Bold(), item.subject, kSubjectWidth);
        row.line = lines_[index];
        row.item = &item;
        layout.rows.push_back(std::move(row));
    }
    return layout;
}

void PeriodAgenda::Paint(QPainter& painter) {
    const Layout layout = LayoutFor();
    gdi::FillRect(painter, kArea, Qt::white);
    gdi::Line(painter, {0, 0}, {kWidth, 0}, Qt::black);
    if (layout.empty) {
        gdi::DrawText(painter, Q(std::u16string(EmptyListLabels[Appointment])), kArea,
                      gdi::DT_CENTER | gdi::DT_VCENTER, FontArial10Bold(), kEmptyLabel);
        return;
    }
    const unsigned lineFlags = gdi::DT_LEFT | gdi::DT_VCENTER | gdi::DT_SINGLELINE;
    for (const Row& row : layout.rows) {
        const int y = row.rect.top;
        gdi::FillRect(painter, row.rect, row.selected ? kSelectedFill : QColor(Qt::white));
        gdi::Line(painter, {0, y}, {kWidth, y}, Qt::black);
        gdi::Line(painter, {0, row.rect.bottom}, {kWidth, row.rect.bottom}, Qt::black);
        QColor text = row.selected ? QColor(Qt::white) : QColor(Qt::black);
        if (row.past && !row.selected) {
            text = kPastText;
        }
        gdi::DrawText(painter, Q(row.subject), {kTextLeft, y, kWidth, y + kLineHeight}, lineFlags,
                      row.past ? StruckOutBold() : FontArial10Bold(), text);
        gdi::DrawText(painter, Q(row.line),
                      {kTextLeft, y + kLineHeight, kWidth, y + 2 * kLineHeight}, lineFlags,
                      FontArial10(), text);
        DrawStatusIcons(painter, *row.item, kIconX, y + kIconDrop, KindIcons::Shown);
    }
}

// ---- the pen ---------------------------------------------------------------------------------

PopupMenu PeriodAgenda::ItemPopupMenu(uint32_t oid) {
    PopupMenu menu = LoadSubMenu(kItemMenus, 0);
    menu.RemoveAt(3);  // "Pause"
    if (KindOf(oid) != Appointment) {
        // An item of a category is handled from its own list.
        for (size_t position : {0, 1, 2, 4, 5, 6}) {
            menu.SetGrayAt(position, true);
        }
    }
    return menu;
}

void PeriodAgenda::PenDown(int x, int y) {
    const std::optional<int> index = view_.IndexAt(y);
    if (!index) {
        return;
    }
    view_.selected = *index;
    Invalidate();
    tappedItem = items_[static_cast<size_t>(*index)];
    const PopupPlacement at = ItemPopupPlacement(x, y, kPopupOffset);
    const int chosen =
        CurrentUiHost().TrackPopupMenu(ItemPopupMenu(tappedItem.oid), at.align, at.x, at.y);
    if (chosen != 0 && onCommand) {
        onCommand(chosen);
    }
}

}  // namespace moru
