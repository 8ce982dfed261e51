#pragma once
// The frame of a full-screen page of the main view (clock, schedule list, month calendar,
// settings): a 240 x 267 pixel pane with the shared tab bar along its bottom, the menu bar it
// shows below it, the arrow keys as the device's key codes, and the close request.
//
// How a screen is written on it (the month calendar is the full example):
//   - its state: plain members (the displayed month, the selection, what the last refresh
//     read: items, memo days, today's date);
//   - Refresh(): reads the store, the memo folder and the clock into that state, only when
//     RequestRefresh() (or the screen's own flags, through RefreshPending()) says something
//     changed or the date may have;
//   - a pure layout function from the state to a small value (cells or rows with their
//     rectangles, colours, fonts and texts), in a widget-free file the tests call directly;
//   - Paint(): draws that layout into the back buffer, and nothing else;
//   - PenDown/PenMove/PenUp and KeyDown/KeyUp: hit-test against the same layout and change
//     the state, then Invalidate().
// The frame draws the tab bar over every paint and answers a pen down in its band; a screen
// only calls HandleTabBarPress first in its PenDown.
#include <QTimer>

#include "app/screen_host.h"
#include "platform/qt/pixel_pane.h"

namespace moru {

// Virtual key codes of the arrow keys.
inline constexpr int VK_LEFT = 37;
inline constexpr int VK_UP = 38;
inline constexpr int VK_RIGHT = 39;
inline constexpr int VK_DOWN = 40;

class HostedScreen : public PixelPane {
    Q_OBJECT

public:
    static constexpr int kWidth = 240;
    static constexpr int kHeight = 267;

    HostedScreen(ScreenHost& host, int screenNumber, QWidget* parent);

    int screenNumber() const { return screenNumber_; }
    // The menu bar resource this screen shows below it (207: the "About" menu).
    virtual int menuBarId() const { return 207; }

    // The close request and the dialog's OK: save the category file and minimise.
    virtual void CloseRequest();

protected:
    ScreenHost& host() { return host_; }
    CalendarState& state() { return host_.state(); }

    // Draws the screen's content; the frame then draws the tab bar over it.
    virtual void PaintScreen(QPainter& painter) = 0;
    virtual void KeyDown(int virtualKey);
    // Once per real release of a key: a held key's repeats never reach it.
    virtual void KeyUp(int virtualKey);

    // The tab bar rule shared by every screen: a pen down with 241 < y < 267 selects tab
    // x / 60, stores it in currentScreen and, unless it is this screen, switches to it.
    // Returns true when the point was in the tab band.
    bool HandleTabBarPress(int x, int y);

    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void Paint(QPainter& painter) final;
    void DeliverPendingRelease();

    ScreenHost& host_;
    int screenNumber_;
    // A release waits here for a moment: when a press of the same key with the same
    // timestamp follows at once, the pair is a held key's repeat, which X11 does not always
    // mark as such, and neither event reaches the screen.
    struct PendingRelease {
        int key = 0;
        quint64 timestamp = 0;
    };
    std::optional<PendingRelease> pendingRelease_;
    QTimer releaseTimer_;
};

// The device's virtual key code for a Qt key, 0 for keys the screens do not use.
int VirtualKeyOf(int qtKey);

}  // namespace moru
