#include "platform/qt/pixel_dialog.h"

#include <QPainter>

namespace moru {

// The dialog's drawn face: a pane filling the dialog that hands its steps to the dialog.
class PixelDialog::Face : public PixelPane {
public:
    Face(QSize logicalSize, PixelDialog& owner) : PixelPane(logicalSize, &owner), owner_(owner) {}

    using PixelPane::Invalidate;
    using PixelPane::RequestRefresh;

protected:
    bool RefreshPending() const override {
        return PixelPane::RefreshPending() || owner_.RefreshPending();
    }
    void Refresh() override { owner_.Refresh(); }
    void Paint(QPainter& painter) override { owner_.Paint(painter); }
    void PenDown(int x, int y) override { owner_.PenDown(x, y); }
    void PenMove(int x, int y) override { owner_.PenMove(x, y); }
    void PenUp(int x, int y) override { owner_.PenUp(x, y); }

private:
    PixelDialog& owner_;
};

PixelDialog::PixelDialog(QSize logicalSize, std::string dialogName, QWidget* parent)
    : QDialog(parent), dialogName_(std::move(dialogName)), face_(new Face(logicalSize, *this)) {
    face_->move(0, 0);
    face_->lower();
    SetScale(WindowScale());
}

PixelDialog::~PixelDialog() = default;

const QImage& PixelDialog::backBuffer() const {
    return face_->backBuffer();
}

void PixelDialog::PaintNow() {
    face_->PaintNow();
}

void PixelDialog::SetScale(int scale) {
    face_->SetScale(scale);
    setFixedSize(face_->size());
    for (const Placement& placement : placements_) {
        ApplyPlacement(placement);
    }
}

int PixelDialog::scale() const {
    return face_->scale();
}

bool PixelDialog::RefreshPending() const {
    return false;
}

void PixelDialog::PenDown(int /*x*/, int /*y*/) {}
void PixelDialog::PenMove(int /*x*/, int /*y*/) {}
void PixelDialog::PenUp(int /*x*/, int /*y*/) {}

void PixelDialog::RequestRefresh() {
    face_->RequestRefresh();
    face_->update();
}

void PixelDialog::Invalidate() {
    face_->Invalidate();
}

void PixelDialog::Invalidate(const DeviceRect& logicalRect) {
    face_->Invalidate(logicalRect);
}

void PixelDialog::PlaceControl(QWidget* control, const DeviceRect& logical, const QFont* font) {
    Placement placement{control, logical, font != nullptr, font ? *font : QFont()};
    for (Placement& existing : placements_) {
        if (existing.control == control) {
            existing = placement;
            ApplyPlacement(existing);
            return;
        }
    }
    placements_.push_back(placement);
    ApplyPlacement(placement);
}

void PixelDialog::ApplyPlacement(const Placement& placement) {
    const int s = face_->scale();
    placement.control->setGeometry(placement.logical.left * s, placement.logical.top * s,
                                   placement.logical.width() * s, placement.logical.height() * s);
    if (placement.hasFont) {
        QFont scaled = placement.font;
        if (scaled.pixelSize() > 0) {
            scaled.setPixelSize(scaled.pixelSize() * s);
        }
        placement.control->setFont(scaled);
    }
    placement.control->raise();
}

}  // namespace moru
