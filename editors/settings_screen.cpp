#include "editors/settings_screen.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QPushButton>

#include "app/fonts.h"
#include "platform/qt/drawing.h"
#include "platform/text.h"
#include "platform/ui_host.h"
#include "store/category_store.h"

namespace moru {
namespace {

// Layout of the screen, in logical pixels.
constexpr DeviceRect kDeleteLabel{10, 8, 230, 28};  // "Delete...", above the check boxes
constexpr int kBoxLeft = 16;
constexpr int kBoxTop = 34;     // the first check box's top
constexpr int kBoxPitch = 28;   // from one check box's top to the next one's
constexpr int kBoxWidth = 218;  // room for "All anniversaries ( 99999 item(s) )"
constexpr int kBoxHeight = 24;
constexpr int kIndicatorSize = 13;  // the check mark's square, at scale 1
constexpr DeviceRect kDeleteButtonPlace = DeviceRect::FromSize(150, 186, 76, 26);

constexpr DeviceRect BoxPlace(int row) {
    return DeviceRect::FromSize(kBoxLeft, kBoxTop + row * kBoxPitch, kBoxWidth, kBoxHeight);
}

// The texts: the label, the check boxes' formats by row, the button and the confirmation.
constexpr char16_t kDeleteLabelText[] = u"Delete...";
constexpr std::u16string_view kCaptionFormats[SettingsScreen::kBoxCount] = {
    u"All alarms ( %d item(s) )",        u"All holidays ( %d item(s) )",
    u"All anniversaries ( %d item(s) )", u"All appointments ( %d item(s) )",
    u"All memos ( %d item(s) )",
};
constexpr char16_t kDeleteButtonText[] = u"Delete";
constexpr char16_t kConfirmText[] = u"Are you sure to delete?";
constexpr char16_t kConfirmCaption[] = u"Delete";

int RowOf(int id) {
    return id - SettingsScreen::kAlarmsBox;
}

// The busy cursor while the deletion runs, put back however it ends.
class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

SettingsScreen::SettingsScreen(ScreenHost& host, QWidget* parent)
    : HostedScreen(host, kSettingsScreen, parent) {
    for (int row = 0; row < kBoxCount; ++row) {
        boxes_[row] = new QCheckBox(this);
        boxes_[row]->setObjectName(QString("checkBox%1").arg(kAlarmsBox + row));
    }
    deleteButton_ = new QPushButton(QString::fromStdU16String(kDeleteButtonText), this);
    deleteButton_->setObjectName("deleteButton");
    connect(deleteButton_, &QPushButton::clicked, this, &SettingsScreen::OnDelete);
    PlaceControls();
    RefreshCounts();
}

QCheckBox* SettingsScreen::checkBox(int id) const {
    const int row = RowOf(id);
    return row >= 0 && row < kBoxCount ? boxes_[row] : nullptr;
}

// ---- refresh: the counts -------------------------------------------------------------------

std::u16string SettingsScreen::CountedCaption(int id, long count) {
    const int row = RowOf(id);
    if (row < 0 || row >= kBoxCount) {
        return {};
    }
    std::u16string caption(kCaptionFormats[row]);
    caption.replace(caption.find(u"%d"), 2, FromUtf8(std::to_string(count)));
    return caption;
}

SettingsScreen::Layout SettingsScreen::LayoutFor(const KindCounts& counts) {
    const std::array<long, kBoxCount> byRow = {counts.alarms, counts.holidays, counts.anniversaries,
                                               counts.appointments, counts.memos};
    Layout layout;
    for (int row = 0; row < kBoxCount; ++row) {
        layout.captions[row] = CountedCaption(kAlarmsBox + row, byRow[row]);
    }
    return layout;
}

void SettingsScreen::RefreshCounts() {
    counts_ = CountKinds();
    const Layout layout = LayoutFor(counts_);
    for (int row = 0; row < kBoxCount; ++row) {
        // An unchanged text is not set again: setting it would ask for another paint.
        const QString caption = QString::fromStdU16String(layout.captions[row]);
        if (boxes_[row]->text() != caption) {
            boxes_[row]->setText(caption);
        }
    }
}

void SettingsScreen::Refresh() {
    RefreshCounts();
}

// ---- painting and placing -----------------------------------------------------------------

void SettingsScreen::PaintScreen(QPainter& painter) {
    gdi::FillRect(painter, {0, 0, kWidth, kHeight}, Qt::white);
    gdi::DrawText(painter, QString::fromStdU16String(kDeleteLabelText), kDeleteLabel,
                  gdi::DT_LEFT | gdi::DT_VCENTER | gdi::DT_SINGLELINE | gdi::DT_NOPREFIX,
                  FontArial10Bold(), Qt::black);
}

void SettingsScreen::resizeEvent(QResizeEvent* event) {
    HostedScreen::resizeEvent(event);
    PlaceControls();  // the frame resizes the screen whenever the window's scale changes
}

void SettingsScreen::PlaceControls() {
    const int s = scale();
    auto place = [s](QWidget* control, const DeviceRect& logical) {
        control->setGeometry(logical.left * s, logical.top * s, logical.width() * s,
                             logical.height() * s);
        QFont font = FontArial10();
        font.setPixelSize(font.pixelSize() * s);
        control->setFont(font);
    };
    const QString indicator =
        QString("QCheckBox::indicator { width: %1px; height: %1px; }").arg(kIndicatorSize * s);
    for (int row = 0; row < kBoxCount; ++row) {
        place(boxes_[row], BoxPlace(row));
        boxes_[row]->setStyleSheet(indicator);
    }
    place(deleteButton_, kDeleteButtonPlace);
}

// ---- pen ----------------------------------------------------------------------------------

void SettingsScreen::PenDown(int x, int y) {
    if (!HandleTabBarPress(x, y)) {
        HostedScreen::PenDown(x, y);
    }
}

// ---- Delete -------------------------------------------------------------------------------

KindChoice SettingsScreen::ChosenKinds() const {
    auto checked = [this](int id) { return checkBox(id)->isChecked(); };
    KindChoice choice;
    choice.alarms = checked(kAlarmsBox);
    choice.holidays = checked(kHolidaysBox);
    choice.anniversaries = checked(kAnniversariesBox);
    choice.appointments = checked(kAppointmentsBox);
    choice.memos = checked(kMemosBox);
    return choice;
}

void SettingsScreen::SetControlsEnabled(bool enabled) {
    for (QCheckBox* box : boxes_) {
        box->setEnabled(enabled);
    }
    deleteButton_->setEnabled(enabled);
}

void SettingsScreen::OnDelete() {
    if (deleting_) {
        return;  // a second press while the first deletion runs
    }
    if (CurrentUiHost().MessageBox(kConfirmText, kConfirmCaption, kMbYesNo) != kIdYes) {
        return;
    }
    RunDeletion(ChosenKinds());
    for (QCheckBox* box : boxes_) {
        box->setChecked(false);
    }
    RefreshCounts();
    Invalidate();
    emit DeletionFinished();
}

void SettingsScreen::RunDeletion(KindChoice choice) {
    deleting_ = true;
    // The store's own change notices arrive while the kinds go; they are to cause one
    // refresh at the end rather than one for every kind.
    state().refreshSuppressed = 1;
    {
        WaitCursor busy;
        SetControlsEnabled(false);
        // Between steps, and between the slices of a long store transaction, the window
        // repaints (the counts fall as the kinds go) and the notices are delivered. Taps and
        // keys wait until the deletion is over, so nothing can change the lists, write to the
        // store or start a second deletion half-way.
        auto keepWindowAlive = [this] {
            Invalidate();
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        };
        KindDeletion deletion(choice, keepWindowAlive);
        while (deletion.Step()) {
            keepWindowAlive();
        }
        if (deletion.listsChanged()) {
            // The emptied lists reach the file now, not at the next close: a list that
            // still named the deleted items would only be mended by the next pruning.
            (void)SaveCategoryStore();
        }
        SetControlsEnabled(true);
    }
    state().refreshSuppressed = 0;
    host().PostDataChanged();
    deleting_ = false;
}

}  // namespace moru
