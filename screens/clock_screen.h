#pragma once
// The clock (tab 0): today's date in words and the time as an analog face with three hands
// or as large digits, repainted every 471 ms. The button at the top right and the arrow keys
// switch faces; a tap on the date starts the device's clock settings program.
#include <QTimer>

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

    bool firstPaint = true;  // until the first paint has made the back buffer

    const QTimer& repaintTimer() const { return repaintTimer_; }

protected:
    void Paint() override;
    void PenDown(int x, int y) override;
    void KeyUp(int virtualKey) override;

private:
    void ToggleFace();

    QTimer focusTimer_;
    QTimer repaintTimer_;
};

}  // namespace moru
