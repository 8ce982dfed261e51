#include "screens/hosted_screen.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include "screens/tab_bar.h"

namespace moru {

HostedScreen::HostedScreen(ScreenHost& host, int screenNumber, QWidget* parent)
    : QWidget(parent), host_(host), screenNumber_(screenNumber) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(kWidth, kHeight);
}

void HostedScreen::SetScale(int scale) {
    scale_ = std::max(1, scale);
    setFixedSize(kWidth * scale_, kHeight * scale_);
    update();
}

QImage& HostedScreen::buffer() {
    if (backBuffer_.isNull()) {
        backBuffer_ = QImage(kWidth, kHeight, QImage::Format_RGB32);
        backBuffer_.fill(Qt::white);
    }
    return backBuffer_;
}

void HostedScreen::PaintNow() { Paint(); }

void HostedScreen::CloseRequest() { host_.SaveAndMinimize(); }

void HostedScreen::PenDown(int /*x*/, int /*y*/) {}
void HostedScreen::PenMove(int /*x*/, int /*y*/) {}
void HostedScreen::PenUp(int /*x*/, int /*y*/) {}
void HostedScreen::KeyDown(int /*virtualKey*/) {}
void HostedScreen::KeyUp(int /*virtualKey*/) {}

bool HostedScreen::HandleTabBarPress(int x, int y) {
    if (!InTabBand(y)) {
        return false;
    }
    const int tab = TabAt(x);
    currentScreen = tab;
    if (tab != screenNumber_) {
        host_.SwitchScreen(tab);
    }
    return true;
}

void HostedScreen::Invalidate() { update(); }

void HostedScreen::Invalidate(const QRect& logicalRect) {
    update(QRect(logicalRect.topLeft() * scale_, logicalRect.size() * scale_));
}

void HostedScreen::paintEvent(QPaintEvent* /*event*/) {
    Paint();
    QPainter painter(this);
    if (scale_ == 1) {
        painter.drawImage(0, 0, backBuffer_);
    } else {
        painter.drawImage(QRect(0, 0, kWidth * scale_, kHeight * scale_), backBuffer_);
    }
}

QPoint HostedScreen::Logical(const QPointF& widgetPoint) const {
    return {static_cast<int>(widgetPoint.x()) / scale_, static_cast<int>(widgetPoint.y()) / scale_};
}

void HostedScreen::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint p = Logical(event->position());
        PenDown(p.x(), p.y());
    }
}

void HostedScreen::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) {
        const QPoint p = Logical(event->position());
        PenMove(p.x(), p.y());
    }
}

void HostedScreen::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint p = Logical(event->position());
        PenUp(p.x(), p.y());
    }
}

void HostedScreen::keyPressEvent(QKeyEvent* event) {
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
    if (const int vk = VirtualKeyOf(event->key())) {
        KeyUp(vk);
        return;
    }
    QWidget::keyReleaseEvent(event);
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
