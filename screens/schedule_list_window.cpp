#include "screens/schedule_list_window.h"

#include <QCalendarWidget>
#include <QDateEdit>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>

#include "app/fonts.h"
#include "editors/appointment_editor.h"
#include "platform/qt/drawing.h"
#include "platform/ui_host.h"
#include "resources/bitmaps.h"
#include "resources/menus.h"
#include "screens/appointment_detail.h"
#include "screens/category_list.h"
#include "screens/period_agenda.h"
#include "store/store_connection.h"
#include "store/word_tables.h"

namespace moru {
namespace {

// Layout of the window, in logical pixels.
constexpr QPoint kKindIconAt{10, 6};  // bitmap 151: five 25 x 25 icons side by side
constexpr int kKindIconSize = 25;
constexpr DeviceRect kTitleText{40, 0, 220, 37};
constexpr QPoint kPreviousArrowAt{170, 12};  // left half of bitmap 155
constexpr QPoint kNextArrowAt{188, 12};      // right half
constexpr int kArrowSize = 16;
constexpr QPoint kNewButtonAt{210, 8};  // bitmap 152: normal half, pressed half
constexpr int kNewButtonSize = 26;
constexpr DeviceRect kNewButtonRect{210, 8, 236, 34};  // repainted while pressed
constexpr QPoint kKindListAt{0, 37};
constexpr QPoint kAgendaAt{0, 71};
constexpr DeviceRect kFromPicker = DeviceRect::FromSize(10, 37, 100, 24);
constexpr DeviceRect kToPicker = DeviceRect::FromSize(130, 37, 100, 24);
constexpr DeviceRect kKindScrollBar = DeviceRect::FromSize(225, 37, 15, 204);
constexpr DeviceRect kAgendaScrollBar = DeviceRect::FromSize(225, 71, 15, 170);
constexpr int kPickerFontPixels = 12;

// Tap regions, both edges inside.
constexpr DeviceRect kNewButtonTap{211, 9, 235, 33};
constexpr DeviceRect kPreviousArrowTap{171, 13, 185, 27};
constexpr DeviceRect kNextArrowTap{189, 13, 203, 27};

constexpr int kKindIconBitmap = 151;
constexpr int kArrowBitmap = 155;
constexpr int kNewButtonBitmap = 152;

constexpr int kKindListPage = 4;  // rows per page: the scroll range ends at count - rows
constexpr int kAgendaPage = 5;
constexpr int kLongestPeriodDays = 31;
constexpr int kCutPeriodDays = 30;

constexpr std::u16string_view kPeriodTooLong = u"reference period cannot exceed 1 month";
constexpr std::u16string_view kDeleteQuestion = u"Are you sure to delete?";
constexpr std::u16string_view kDeleteCaption = u"Delete";
// The prompts of the commands that need a selection, by kind.
constexpr std::u16string_view kModifyPrompts[] = {
    u"Select alarm to modify", u"Select holiday to modify", u"Select anniversary to modify",
    u"Select appointment to modify"};
constexpr std::u16string_view kViewPrompts[] = {u"Select alarm to see", u"Select holiday to see",
                                                u"Select anniversary to see",
                                                u"Select appointment to see"};
constexpr std::u16string_view kDeletePrompts[] = {
    u"Select alarm to delete", u"Select holiday to delete", u"Select anniversary to delete",
    u"Select appointment to delete"};

QRect Scaled(const DeviceRect& rect, int scale) {
    return {rect.left * scale, rect.top * scale, rect.width() * scale, rect.height() * scale};
}

// The four lists read thousands of rows: as one read of the store they see one moment of it
// and lock it once, not once per row.
poom::ReadBatch BeginReadBatch() {
    const StoreConnection& connection = TheStoreConnection();
    return connection.application ? connection.application->BeginReadBatch() : poom::ReadBatch();
}

SystemTime StartOfDay(const QDate& date) {
    return MakeSystemTime(date.year(), date.month(), date.day());
}
SystemTime EndOfDay(const QDate& date) {
    return MakeSystemTime(date.year(), date.month(), date.day(), 23, 59, 59);
}

}  // namespace

ScheduleListWindow::ScheduleListWindow(ScreenHost& host, QWidget* parent)
    : HostedScreen(host, kScheduleScreen, parent) {
    for (ItemKind kind : {Alarm, Holiday, Anniversary}) {
        auto* list = new CategoryList(kind, this);
        list->onScrollUpdate = [this](int) { UpdateScrollBar(); };
        list->onCommand = [this](int command) { OnCommand(command); };
        lists_[static_cast<size_t>(kind)] = list;
    }
    agenda_ = new PeriodAgenda(this);
    agenda_->onScrollUpdate = [this](int) { UpdateScrollBar(); };
    agenda_->onCommand = [this](int command) { OnCommand(command); };

    const QDate today = [] {
        const SystemTime now = GetLocalTime();
        return QDate(now.year, now.month, now.day);
    }();
    for (QDateEdit** picker : {&fromPicker_, &toPicker_}) {
        *picker = new QDateEdit(today, this);
        (*picker)->setCalendarPopup(true);
        (*picker)->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    }
    // The period is checked when a picker closes (a date chosen in its calendar, or typing
    // finished), not at every change while the user types.
    const auto whenClosed = [this](QDateEdit* picker, void (ScheduleListWindow::*closed)()) {
        const auto later = [this, closed] { QTimer::singleShot(0, this, closed); };
        connect(picker, &QDateEdit::editingFinished, this, later);
        connect(picker->calendarWidget(), &QCalendarWidget::clicked, this, later);
        connect(picker->calendarWidget(), &QCalendarWidget::activated, this, later);
    };
    whenClosed(fromPicker_, &ScheduleListWindow::FromDateClosed);
    whenClosed(toPicker_, &ScheduleListWindow::ToDateClosed);

    scrollBar_ = new QScrollBar(Qt::Vertical, this);
    scrollBar_->setSingleStep(1);
    scrollBar_->setPageStep(kAgendaPage);
    scrollBar_->setFocusPolicy(Qt::NoFocus);
    connect(scrollBar_, &QScrollBar::valueChanged, this, &ScheduleListWindow::OnScrollValue);

    PlaceChildren();
    {
        const poom::ReadBatch batch = BeginReadBatch();
        for (CategoryList* list : lists_) {
            list->FillList();
        }
        ReloadAgenda();
    }
    ShowTab(Alarm);
}

ScheduleListWindow::~ScheduleListWindow() = default;

void ScheduleListWindow::PlaceChildren() {
    const int s = scale();
    for (CategoryList* list : lists_) {
        list->SetScale(s);
        list->PlaceAt(kKindListAt);
    }
    agenda_->SetScale(s);
    agenda_->PlaceAt(kAgendaAt);
    QFont pickerFont = font();
    pickerFont.setPixelSize(kPickerFontPixels * s);
    fromPicker_->setGeometry(Scaled(kFromPicker, s));
    toPicker_->setGeometry(Scaled(kToPicker, s));
    fromPicker_->setFont(pickerFont);
    toPicker_->setFont(pickerFont);
    scrollBar_->setGeometry(Scaled(tab_ == Appointment ? kAgendaScrollBar : kKindScrollBar, s));
}

void ScheduleListWindow::resizeEvent(QResizeEvent* event) {
    HostedScreen::resizeEvent(event);
    PlaceChildren();
}

// ---- tabs, reloading and the scroll bar -----------------------------------------------------

void ScheduleListWindow::ShowTab(ItemKind tab) {
    tab_ = tab;
    for (CategoryList* list : lists_) {
        list->setVisible(list->kind() == tab_);
    }
    const bool agendaTab = tab_ == Appointment;
    fromPicker_->setVisible(agendaTab);
    toPicker_->setVisible(agendaTab);
    if (agendaTab) {
        ReloadAgenda();
    }
    agenda_->setVisible(agendaTab);
    scrollBar_->setGeometry(Scaled(agendaTab ? kAgendaScrollBar : kKindScrollBar, scale()));
    scrollBar_->raise();
    UpdateScrollBar();
    Invalidate();
}

void ScheduleListWindow::StepKind(int step) {
    ShowTab(static_cast<ItemKind>((static_cast<int>(tab_) + step + 4) % 4));
}

void ScheduleListWindow::ReloadAgenda() {
    agenda_->QueryPeriod(StartOfDay(fromPicker_->date()), EndOfDay(toPicker_->date()));
}

void ScheduleListWindow::ReloadList() {
    ++reloadCount_;
    {
        const poom::ReadBatch batch = BeginReadBatch();
        for (CategoryList* list : lists_) {
            list->FillList();
            list->update();
        }
        ReloadAgenda();
    }
    UpdateScrollBar();
    Invalidate();
}

void ScheduleListWindow::UpdateScrollBar() {
    const ListViewport& view =
        tab_ == Appointment ? agenda_->viewport() : kindList(tab_).viewport();
    const QSignalBlocker quiet(scrollBar_);
    scrollBar_->setPageStep(tab_ == Appointment ? kAgendaPage : kKindListPage);
    scrollBar_->setRange(0, view.ScrollMax());
    scrollBar_->setValue(view.firstVisible);
    if (tab_ == Appointment) {
        agenda_->scrollPos = view.firstVisible;
    } else {
        kindList(tab_).scrollPos = view.firstVisible;
    }
}

int ScheduleListWindow::SelectionAfterScroll(int selected, int oldTop, int newTop, int count) {
    if (selected < oldTop) {
        return selected;
    }
    return std::min(selected - oldTop + newTop, count - 1);
}

void ScheduleListWindow::OnScrollValue(int value) {
    ScrollTo(value);
}

void ScheduleListWindow::ScrollTo(int newTop) {
    PixelPane* pane = agenda_;
    ListViewport* view = &agenda_->viewport();
    int* scrollPos = &agenda_->scrollPos;
    if (tab_ != Appointment) {
        pane = &kindList(tab_);
        view = &kindList(tab_).viewport();
        scrollPos = &kindList(tab_).scrollPos;
    }
    const int oldTop = view->firstVisible;
    if (!view->ScrollTo(newTop)) {
        return;
    }
    view->selected = SelectionAfterScroll(view->selected, oldTop, view->firstVisible, view->count);
    *scrollPos = view->firstVisible;
    pane->update();
}

// ---- the period ------------------------------------------------------------------------------

void ScheduleListWindow::FromDateClosed() {
    if (fromPicker_->date() > toPicker_->date()) {
        PixelDialog::SetQuietly(toPicker_, [&] { toPicker_->setDate(fromPicker_->date()); });
    }
    const double days = (DateTime::FromSystemTime(EndOfDay(toPicker_->date())) -
                         DateTime::FromSystemTime(StartOfDay(fromPicker_->date())))
                            .TotalDays();
    if (static_cast<int>(days) > kLongestPeriodDays) {
        ShowPrompt(kPeriodTooLong);
        PixelDialog::SetQuietly(
            fromPicker_, [&] { fromPicker_->setDate(toPicker_->date().addDays(-kCutPeriodDays)); });
    }
    ReloadAgenda();
    UpdateScrollBar();
}

void ScheduleListWindow::ToDateClosed() {
    if (fromPicker_->date() > toPicker_->date()) {
        PixelDialog::SetQuietly(fromPicker_, [&] { fromPicker_->setDate(toPicker_->date()); });
    }
    const double days = (DateTime::FromSystemTime(EndOfDay(toPicker_->date())) -
                         DateTime::FromSystemTime(StartOfDay(fromPicker_->date())))
                            .TotalDays();
    if (static_cast<int>(days) > kLongestPeriodDays) {
        ShowPrompt(kPeriodTooLong);
        PixelDialog::SetQuietly(
            toPicker_, [&] { toPicker_->setDate(fromPicker_->date().addDays(kCutPeriodDays)); });
    }
    ReloadAgenda();
    UpdateScrollBar();
}

// ---- header: layout and painting -------------------------------------------------------------

ScheduleListWindow::Layout ScheduleListWindow::LayoutFor() const {
    Layout layout;
    layout.kindIconSourceX = static_cast<int>(tab_) * kKindIconSize;
    layout.title = std::u16string(KindNames[tab_]);
    layout.newButtonSourceX = newPressed_ && newArmed_ ? kNewButtonSize : 0;
    return layout;
}

void ScheduleListWindow::PaintScreen(QPainter& painter) {
    const Layout layout = LayoutFor();
    gdi::FillRect(painter, {0, 0, kWidth, kHeight}, Qt::white);
    gdi::Blit(painter, kKindIconAt, Bitmap(kKindIconBitmap),
              DeviceRect::FromSize(layout.kindIconSourceX, 0, kKindIconSize, kKindIconSize));
    gdi::DrawText(painter, QString::fromStdU16String(layout.title), kTitleText,
                  gdi::DT_LEFT | gdi::DT_VCENTER | gdi::DT_SINGLELINE, FontComic13Bold(),
                  Qt::black);
    gdi::Blit(painter, kPreviousArrowAt, Bitmap(kArrowBitmap),
              DeviceRect::FromSize(0, 0, kArrowSize, kArrowSize));
    gdi::Blit(painter, kNextArrowAt, Bitmap(kArrowBitmap),
              DeviceRect::FromSize(kArrowSize, 0, kArrowSize, kArrowSize));
    gdi::Blit(painter, kNewButtonAt, Bitmap(kNewButtonBitmap),
              DeviceRect::FromSize(layout.newButtonSourceX, 0, kNewButtonSize, kNewButtonSize));
}

// ---- pen and keys ----------------------------------------------------------------------------

void ScheduleListWindow::PenDown(int x, int y) {
    if (HandleTabBarPress(x, y)) {
        return;
    }
    if (kNewButtonTap.ContainsInclusive(x, y)) {
        newPressed_ = newArmed_ = true;
        Invalidate(kNewButtonRect);
        return;
    }
    if (kPreviousArrowTap.ContainsInclusive(x, y)) {
        StepKind(-1);
    } else if (kNextArrowTap.ContainsInclusive(x, y)) {
        StepKind(+1);
    }
}

void ScheduleListWindow::PenMove(int x, int y) {
    if (newArmed_) {
        newPressed_ = kNewButtonTap.ContainsInclusive(x, y);
        Invalidate(kNewButtonRect);
    }
}

void ScheduleListWindow::PenUp(int x, int y) {
    const bool run = newArmed_ && kNewButtonTap.ContainsInclusive(x, y);
    newPressed_ = newArmed_ = false;
    Invalidate(kNewButtonRect);
    if (run) {
        New();
    }
}

void ScheduleListWindow::KeyDown(int virtualKey) {
    switch (virtualKey) {
        case VK_UP:
        case VK_DOWN:
            if (tab_ == Appointment) {
                agenda_->MoveSelection(virtualKey);
            } else {
                kindList(tab_).MoveSelection(virtualKey);
            }
            break;
        case VK_LEFT:
            StepKind(-1);
            break;
        case VK_RIGHT:
            StepKind(+1);
            break;
        default:
            break;
    }
}

// ---- commands --------------------------------------------------------------------------------

void ScheduleListWindow::OnCommand(int command) {
    switch (command) {
        case command::kView:
            View();
            break;
        case command::kModify:
            Modify();
            break;
        case command::kDelete:
            Delete();
            break;
        case command::kPause:
            break;  // nothing to pause
        case command::kCopyToAlarm:
            CopyTo(Alarm);
            break;
        case command::kCopyToHoliday:
            CopyTo(Holiday);
            break;
        case command::kCopyToAnniversary:
            CopyTo(Anniversary);
            break;
        default:
            break;
    }
}

void ScheduleListWindow::ShowPrompt(std::u16string_view text) {
    (void)CurrentUiHost().MessageBox(text, u"", kMbOk);
}

bool ScheduleListWindow::SelectedRecord(AppointmentRecord& record) const {
    const ListViewport& view =
        tab_ == Appointment ? agenda_->viewport() : kindList(tab_).viewport();
    if (!view.HasSelection()) {
        return false;
    }
    const AppointmentArray& items = tab_ == Appointment ? agenda_->items() : kindList(tab_).items();
    record = items[static_cast<size_t>(view.selected)];
    return true;
}

void ScheduleListWindow::RunEditor(int mode, const AppointmentRecord* record) {
    AppointmentEditor editor(mode, this);
    editor.fromMonthScreen = 0;
    if (record) {
        editor.record = *record;
    }
    if (CurrentUiHost().RunModal(editor) == kIdOk) {
        ItemSaved(editor.savedOid(), editor.savedRecord(), editor.isNew());
    }
    host().PostDataChanged();
}

void ScheduleListWindow::New() {
    RunEditor(EditorModeFor(tab_, false), nullptr);
}

void ScheduleListWindow::Modify() {
    AppointmentRecord record;
    if (!SelectedRecord(record)) {
        ShowPrompt(kModifyPrompts[tab_]);
        return;
    }
    RunEditor(EditorModeFor(tab_, true), &record);
}

void ScheduleListWindow::View() {
    AppointmentRecord record;
    if (!SelectedRecord(record)) {
        ShowPrompt(kViewPrompts[tab_]);
        return;
    }
    AppointmentDetail detail(this);
    detail.record = record;
    switch (CurrentUiHost().RunModal(detail)) {
        case AppointmentDetail::kModifyResult:
            RunEditor(EditorModeFor(tab_, true), &record);
            break;
        case AppointmentDetail::kDeleteResult:
            if (CurrentUiHost().MessageBox(kDeleteQuestion, kDeleteCaption, kMbYesNo) == kIdYes) {
                // The store only: the next reload drops the identifier from its kind's list.
                (void)DeleteAppointment(record.oid);
                host().PostDataChanged();
            }
            break;
        default:
            break;
    }
}

void ScheduleListWindow::Delete() {
    AppointmentRecord record;
    if (!SelectedRecord(record)) {
        ShowPrompt(kDeletePrompts[tab_]);
        return;
    }
    if (CurrentUiHost().MessageBox(kDeleteQuestion, kDeleteCaption, kMbYesNo) != kIdYes) {
        return;
    }
    if (tab_ == Appointment) {
        (void)agenda_->DeleteSelectedItem();
        ReloadAgenda();
    } else {
        (void)kindList(tab_).DeleteSelectedItem();
    }
    UpdateScrollBar();
    host().PostDataChanged();
}

void ScheduleListWindow::CopyTo(ItemKind kind) {
    // The copy commands act on the agenda's selection, whatever tab shows; with none there is
    // nothing to copy.
    const ListViewport& view = agenda_->viewport();
    if (!view.HasSelection()) {
        return;
    }
    const AppointmentRecord record = agenda_->items()[static_cast<size_t>(view.selected)];
    if (KindOf(record.oid) != Appointment) {
        return;  // already of a kind: its identifier goes in one list only
    }
    if (kindList(kind).AddOrReplaceItem(record.oid, record, CategoryList::AddMode::Add)) {
        agenda_->update();  // its kind letter
        host().PostDataChanged();
    }
}

void ScheduleListWindow::ItemSaved(uint32_t oid, const AppointmentRecord& record, bool isNew) {
    if (tab_ == Appointment) {
        ReloadAgenda();
    } else {
        kindList(tab_).AddOrReplaceItem(
            oid, record, isNew ? CategoryList::AddMode::Add : CategoryList::AddMode::Replace);
        kindList(tab_).update();
    }
    UpdateScrollBar();
}

}  // namespace moru
