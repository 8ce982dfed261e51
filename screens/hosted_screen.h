#pragma once
// A full-screen page of the main view (clock, schedule list, month calendar, settings):
// a 240 x 267 child widget that draws into its own back buffer and copies it to the window
// in one transfer, scaled by the view's integer factor. Handlers see logical pixels only.
//
// A subclass paints its screen in Paint() (into backBuffer(), created white on first use)
// and reacts to the pen and keys through the virtual handlers; the base turns Qt's events
// into those, applies the shared tab bar rule on request, and answers a close request
// (the window's close button) with the view's SaveAndMinimize.
#include <QImage>
#include <QWidget>

#include "app/screen_host.h"

namespace moru {

// Virtual key codes of the arrow keys.
inline constexpr int VK_LEFT = 37;
inline constexpr int VK_UP = 38;
inline constexpr int VK_RIGHT = 39;
inline constexpr int VK_DOWN = 40;

class HostedScreen : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWidth = 240;
    static constexpr int kHeight = 267;

    HostedScreen(ScreenHost& host, int screenNumber, QWidget* parent);

    int screenNumber() const { return screenNumber_; }
    // The menu bar resource this screen shows below it (207: the "About" menu).
    virtual int menuBarId() const { return 207; }

    // The back buffer as last painted: what tests read pixels from.
    const QImage& backBuffer() const { return backBuffer_; }
    // Runs the screen's paint into the back buffer now, without waiting for the window.
    void PaintNow();

    void SetScale(int scale);
    int scale() const { return scale_; }

    // The close request and the dialog's OK: save the category file and minimise.
    virtual void CloseRequest();

protected:
    ScreenHost& host() { return host_; }
    QImage& buffer();  // the back buffer, created (white) on first use

    // Draws the screen into the back buffer.
    virtual void Paint() = 0;
    virtual void PenDown(int x, int y);
    virtual void PenMove(int x, int y);
    virtual void PenUp(int x, int y);
    virtual void KeyDown(int virtualKey);
    virtual void KeyUp(int virtualKey);

    // The tab bar rule shared by every screen: a pen down with 241 < y < 267 selects tab
    // x / 60, stores it in currentScreen and, unless it is this screen, switches to it.
    // Returns true when the point was in the tab band.
    bool HandleTabBarPress(int x, int y);

    // Invalidate without erasing, in logical pixels.
    void Invalidate();
    void Invalidate(const QRect& logicalRect);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    QPoint Logical(const QPointF& widgetPoint) const;

    ScreenHost& host_;
    int screenNumber_;
    int scale_ = 1;
    QImage backBuffer_;
};

// The device's virtual key code for a Qt key, 0 for keys the screens do not use.
int VirtualKeyOf(int qtKey);

}  // namespace moru
