#pragma once
// The clock (tab 0): today's date in words and the time as an analog face with three hands
// or as large digits, repainted every 471 ms. The button at the top right and the arrow keys
// switch faces; a tap on the date starts the device's clock settings program.
#include <QTimer>

#include "platform/datetime.h"
#include "screens/clock_hands.h"
#include "screens/hosted_screen.h"

namespace moru {

class ClockScreen : public HostedScreen {
    Q_OBJECT

public:
    static constexpr int kFocusTimerId = 1002;    // one shot, 100 ms: take the keyboard focus
    static constexpr int kRepaintTimerId = 1003;  // every 471 ms: repaint
    static constexpr int kFocusDelayMs = 100;
    static constexpr int kRepaintPeriodMs = 471;

    ClockScreen(ScreenHost& host, QWidget* parent);

    // True for the analog face. Starts from the profile ("clock", "isAnalog", default 1);
    // toggled in memory only.
    bool isAnalog = true;

    const QTimer& repaintTimer() const { return repaintTimer_; }

    // What one paint shows, computed from the face and the time alone.
    struct Layout {
        bool analog = true;
        std::u16string date;     // the date line, right-aligned at the top
        ClockHands hands;        // analog face
        std::u16string time;     // digital face: "hh:mm"
        std::u16string seconds;  // digital face: "ss tt"
    };
    static Layout LayoutFor(bool analog, const SystemTime& now);

protected:
    // The clock shows the time now, so every paint reads the clock first.
    bool RefreshPending() const override { return true; }
    void Refresh() override;
    void PaintScreen(QPainter& painter) override;
    void PenDown(int x, int y) override;
    void KeyUp(int virtualKey) override;

private:
    void ToggleFace();

    SystemTime now_{};  // the time the last refresh read; one reading serves a whole paint
    QTimer focusTimer_;
    QTimer repaintTimer_;
};

}  // namespace moru
