#include "app/about_dialog.h"

#include <QDialogButtonBox>
#include <QPainter>
#include <QVBoxLayout>

#include "app/fonts.h"
#include "platform/build_info.h"
#include "platform/qt/drawing.h"

namespace moru {
namespace {

constexpr DeviceRect kTitleText{5, 0, 240, 25};
constexpr int kRuleY = 25;  // a black rule from (0, 25) to (240, 25)
constexpr DeviceRect kNameText = DeviceRect::FromSize(5, 35, 230, 20);
constexpr DeviceRect kVersionText = DeviceRect::FromSize(5, 55, 230, 20);
const QColor kTitleColor(0, 0, 255);

}  // namespace

QString CAboutDialog::VersionLine() {
    return QStringLiteral("Version ") +
           QString::fromLatin1(kVersion.data(), static_cast<qsizetype>(kVersion.size()));
}

CAboutDialog::CAboutDialog(QWidget* parent, int scale)
    : QDialog(parent), scale_(std::max(1, scale)) {
    setWindowTitle(QStringLiteral("About Moru Calendar"));
    setFixedSize(kWidth * scale_, kHeight * scale_);
    auto* layout = new QVBoxLayout(this);
    layout->addStretch();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

void CAboutDialog::PaintContent(QPainter& painter) const {
    gdi::FillRect(painter, {0, 0, kWidth, kHeight}, Qt::white);
    gdi::DrawText(painter, QStringLiteral("About Moru Calendar"), kTitleText,
                  gdi::DT_SINGLELINE | gdi::DT_VCENTER | gdi::DT_NOPREFIX, FontArial10Bold(),
                  kTitleColor);
    gdi::Line(painter, {0, kRuleY}, {kWidth, kRuleY}, Qt::black);
    gdi::DrawText(painter, QStringLiteral("Moru Calendar"), kNameText,
                  gdi::DT_SINGLELINE | gdi::DT_VCENTER | gdi::DT_NOPREFIX, FontArial10(),
                  Qt::black);
    gdi::DrawText(painter, VersionLine(), kVersionText,
                  gdi::DT_SINGLELINE | gdi::DT_VCENTER | gdi::DT_NOPREFIX, FontArial10(),
                  Qt::black);
}

QImage CAboutDialog::Render() const {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QPainter painter(&image);
    PaintContent(painter);
    return image;
}

void CAboutDialog::paintEvent(QPaintEvent* /*event*/) {
    const QImage image = Render();
    QPainter painter(this);
    painter.drawImage(QRect(0, 0, kWidth * scale_, kHeight * scale_), image);
}

}  // namespace moru
