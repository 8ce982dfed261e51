#include "screens/clock_screen.h"

#include <QPainter>

#include "app/fonts.h"
#include "platform/datetime.h"
#include "platform/locale_format.h"
#include "platform/process.h"
#include "platform/qt/drawing.h"
#include "platform/qt/profile.h"
#include "resources/bitmaps.h"
#include "screens/clock_hands.h"
#include "screens/tab_bar.h"

namespace moru {
namespace {

// Bitmaps.
constexpr int kFaceBitmap = 145;          // 200 x 200 dial, centre at its (100, 100)
constexpr int kPanelBitmap = 153;         // 220 x 180 frame behind the digits
constexpr int kSwitchButtonBitmap = 154;  // 60 x 30: analog face's image, then digital's

// Layout, in screen pixels.
constexpr DeviceRect kScreen{0, 0, 240, 267};
constexpr DeviceRect kDateText{20, 10, 190, 30};  // the right-aligned date
constexpr QPoint kFaceAt{20, 35};                 // the dial, 200 x 200
constexpr DeviceRect kFaceSource{0, 0, 200, 200};
constexpr QPoint kSwitchButtonAt{200, 5};  // the face switch button, 30 x 30
constexpr DeviceRect kAnalogButtonSource{0, 0, 30, 30};
constexpr DeviceRect kDigitalButtonSource{30, 0, 60, 30};
constexpr QPoint kPanelAt{10, 45};                     // the digital panel at its own size
constexpr DeviceRect kTimeText{20, 65, 220, 195};      // "hh:mm"
constexpr DeviceRect kSecondsText{20, 175, 220, 210};  // "ss tt"

// Where a pen down counts (both edges included).
constexpr DeviceRect kDateTap{21, 6, 189, 34};
constexpr DeviceRect kSwitchButtonTap{201, 6, 229, 34};

// Colours.
const QColor kDateColor(0, 0, 0);
const QColor kDigitsColor(20, 50, 150);
const QColor kMainPen(38, 100, 180);  // the hour and minute hands' body
const QColor kEdgePen(38, 120, 225);  // their lit edge
const QColor kSecondPen(38, 115, 205);
constexpr int kHandPenWidth = 3;

constexpr std::u16string_view kDatePicture = u"ddd, MMM, dd, yyyy";
constexpr int kDateBufferChars = 20;
constexpr std::u16string_view kTimePicture = u"hh:mm";
constexpr std::u16string_view kSecondsPicture = u"ss tt";

QString Q(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

QPoint P(ClockPoint point) {
    return {point.x, point.y};
}

void DrawWideHand(QPainter& painter, const ClockHand& hand) {
    gdi::Line(painter, P(hand.side1), P(hand.tip), kEdgePen, kHandPenWidth);
    gdi::Line(painter, P(hand.base), P(hand.tip), kMainPen, kHandPenWidth);
    gdi::Line(painter, P(hand.side2), P(hand.tip), kMainPen, kHandPenWidth);
}

}  // namespace

ClockScreen::ClockScreen(ScreenHost& host, QWidget* parent)
    : HostedScreen(host, kClockScreen, parent) {
    isAnalog = GetProfileInt(u"clock", u"isAnalog", 1) != 0;

    focusTimer_.setSingleShot(true);
    focusTimer_.setInterval(kFocusDelayMs);
    // Arrow keys toggle the face, so the clock takes the keyboard once it is up.
    connect(&focusTimer_, &QTimer::timeout, this, [this] { setFocus(Qt::OtherFocusReason); });
    focusTimer_.start();

    repaintTimer_.setInterval(kRepaintPeriodMs);
    connect(&repaintTimer_, &QTimer::timeout, this, [this] { Invalidate(); });
    repaintTimer_.start();
}

ClockScreen::Layout ClockScreen::LayoutFor(bool analog, const SystemTime& now) {
    Layout layout;
    layout.analog = analog;
    layout.date = FormatDate(now, kDatePicture, kDateBufferChars);
    if (analog) {
        layout.hands = ComputeClockHands(now.hour, now.minute, now.second);
    } else {
        layout.time = FormatTime(now, kTimePicture);
        layout.seconds = FormatTime(now, kSecondsPicture);
    }
    return layout;
}

void ClockScreen::Refresh() {
    now_ = GetLocalTime();
}

void ClockScreen::PaintScreen(QPainter& painter) {
    const Layout layout = LayoutFor(isAnalog, now_);
    gdi::FillRect(painter, kScreen, Qt::white);
    gdi::DrawText(painter, Q(layout.date), kDateText,
                  gdi::DT_RIGHT | gdi::DT_VCENTER | gdi::DT_SINGLELINE, FontComic13Bold(),
                  kDateColor);

    if (layout.analog) {
        gdi::Blit(painter, kFaceAt, Bitmap(kFaceBitmap), kFaceSource);
        DrawWideHand(painter, layout.hands.hour);
        DrawWideHand(painter, layout.hands.minute);
        gdi::Line(painter, P(layout.hands.second.base), P(layout.hands.second.tip), kSecondPen,
                  kHandPenWidth);
        gdi::Blit(painter, kSwitchButtonAt, Bitmap(kSwitchButtonBitmap), kAnalogButtonSource);
    } else {
        gdi::Blit(painter, kSwitchButtonAt, Bitmap(kSwitchButtonBitmap), kDigitalButtonSource);
        const QImage& panel = Bitmap(kPanelBitmap);
        gdi::Blit(painter, kPanelAt, panel,
                  DeviceRect::FromSize(0, 0, panel.width() / panel.devicePixelRatio(),
                                       panel.height() / panel.devicePixelRatio()));
        // Centred, from the top of each box (a bottom alignment needs a single line).
        constexpr unsigned kDigitFlags = gdi::DT_CENTER | gdi::DT_BOTTOM;
        gdi::DrawText(painter, Q(layout.time), kTimeText, kDigitFlags, FontComic100x25Bold(),
                      kDigitsColor, QColor(Qt::white));
        gdi::DrawText(painter, Q(layout.seconds), kSecondsText, kDigitFlags, FontComic20x20Bold(),
                      kDigitsColor, QColor(Qt::white));
    }
}

void ClockScreen::PenDown(int x, int y) {
    if (HandleTabBarPress(x, y)) {
        return;
    }
    if (kDateTap.ContainsInclusive(x, y)) {
        // Where there is no clock settings program nothing starts, and nothing is said.
        (void)StartDeviceProgram(kClockDevicePath);
        return;
    }
    if (kSwitchButtonTap.ContainsInclusive(x, y)) {
        ToggleFace();
        return;
    }
    HostedScreen::PenDown(x, y);
}

void ClockScreen::KeyUp(int virtualKey) {
    if (virtualKey >= VK_LEFT && virtualKey <= VK_DOWN) {
        ToggleFace();
    }
    HostedScreen::KeyUp(virtualKey);
}

void ClockScreen::ToggleFace() {
    isAnalog = !isAnalog;
    Invalidate();
}

}  // namespace moru
