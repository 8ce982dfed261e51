#include "screens/hosted_screen.h"

#include <QKeyEvent>
#include <QPainter>

#include "screens/tab_bar.h"

namespace moru {
namespace {

// How long a release waits for the press that would make it a repeat. X11 sends the two
// together, so they arrive within the same batch of events; the delay is far below what a
// person notices.
constexpr int kRepeatWindowMs = 30;

}  // namespace

HostedScreen::HostedScreen(ScreenHost& host, int screenNumber, QWidget* parent)
    : PixelPane(QSize(kWidth, kHeight), parent), host_(host), screenNumber_(screenNumber) {
    setFocusPolicy(Qt::StrongFocus);
    releaseTimer_.setSingleShot(true);
    releaseTimer_.setInterval(kRepeatWindowMs);
    connect(&releaseTimer_, &QTimer::timeout, this, &HostedScreen::DeliverPendingRelease);
}

void HostedScreen::CloseRequest() {
    host_.SaveAndMinimize();
}

void HostedScreen::KeyDown(int /*virtualKey*/) {}
void HostedScreen::KeyUp(int /*virtualKey*/) {}

void HostedScreen::Paint(QPainter& painter) {
    PaintScreen(painter);
    DrawTabBar(painter, state().currentScreen);
}

bool HostedScreen::HandleTabBarPress(int x, int y) {
    if (!InTabBand(y)) {
        return false;
    }
    const int tab = TabAt(x);
    state().currentScreen = tab;
    if (tab != screenNumber_) {
        host_.SwitchScreen(tab);
    }
    return true;
}

void HostedScreen::keyPressEvent(QKeyEvent* event) {
    if (pendingRelease_ && pendingRelease_->key == event->key() && event->timestamp() != 0 &&
        pendingRelease_->timestamp == event->timestamp()) {
        // The second half of an unmarked repeat: the key is still held.
        pendingRelease_.reset();
        releaseTimer_.stop();
        return;
    }
    if (const int vk = VirtualKeyOf(event->key())) {
        KeyDown(vk);
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        CloseRequest();  // the dialog's OK
        return;
    }
    QWidget::keyPressEvent(event);
}

void HostedScreen::keyReleaseEvent(QKeyEvent* event) {
    if (event->isAutoRepeat()) {
        return;  // holding a key releases it once
    }
    if (VirtualKeyOf(event->key()) == 0) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    DeliverPendingRelease();  // an earlier release of another key is real
    if (event->timestamp() == 0) {
        // A synthesised event carries no time, so no press can pair with it as a repeat.
        KeyUp(VirtualKeyOf(event->key()));
        return;
    }
    pendingRelease_ = PendingRelease{event->key(), event->timestamp()};
    releaseTimer_.start();
}

void HostedScreen::DeliverPendingRelease() {
    releaseTimer_.stop();
    if (!pendingRelease_) {
        return;
    }
    const int key = pendingRelease_->key;
    pendingRelease_.reset();
    KeyUp(VirtualKeyOf(key));
}

int VirtualKeyOf(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Left:
            return VK_LEFT;
        case Qt::Key_Up:
            return VK_UP;
        case Qt::Key_Right:
            return VK_RIGHT;
        case Qt::Key_Down:
            return VK_DOWN;
        default:
            return 0;
    }
}

}  // namespace moru
