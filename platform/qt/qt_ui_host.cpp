#include "platform/qt/qt_ui_host.h"

#include <QAction>
#include <QDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>

namespace moru {
namespace {

QString ToQString(std::u16string_view text) {
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

QMessageBox::Icon IconOf(unsigned style) {
    switch (style & 0xF0) {
        case kMbIconHand:
            return QMessageBox::Critical;
        case kMbIconQuestion:
            return QMessageBox::Question;
        case kMbIconExclamation:
            return QMessageBox::Warning;
        case kMbIconAsterisk:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

}  // namespace

void QtUiHost::SetScreenOrigin(QWidget* origin, int scale) {
    origin_ = origin;
    scale_ = std::max(1, scale);
}

bool QtUiHost::IsHeadless() {
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

int QtUiHost::MessageBox(std::u16string_view text, std::u16string_view caption, unsigned style) {
    if (IsHeadless()) {
        return headless_.MessageBox(text, caption, style);
    }
    return ShowBox(text, caption, style, {});
}

int QtUiHost::MessageBoxWithDetails(std::u16string_view text, std::u16string_view caption,
                                    unsigned style, std::u16string_view details) {
    if (IsHeadless()) {
        return headless_.MessageBoxWithDetails(text, caption, style, details);
    }
    return ShowBox(text, caption, style, details);
}

int QtUiHost::ShowBox(std::u16string_view text, std::u16string_view caption, unsigned style,
                      std::u16string_view details) {
    QMessageBox box(IconOf(style), ToQString(caption.empty() ? kProgramName : caption),
                    ToQString(text), QMessageBox::NoButton, origin_ ? origin_->window() : nullptr);
    if (!details.empty()) {
        box.setDetailedText(ToQString(details));
    }
    if ((style & 0x0F) == kMbYesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? kIdYes : kIdNo;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return kIdOk;
}

QPoint QtUiHost::GlobalPoint(int x, int y) const {
    const QPoint local(x * scale_, y * scale_);
    return origin_ ? origin_->mapToGlobal(local) : local;
}

int QtUiHost::TrackPopupMenu(const PopupMenu& menu, MenuAlign align, int x, int y) {
    if (IsHeadless()) {
        return headless_.TrackPopupMenu(menu, align, x, y);
    }
    QMenu popup(origin_);
    FillQMenu(popup, menu);
    QPoint at = GlobalPoint(x, y);
    if (align == MenuAlign::Right) {
        at.rx() -= popup.sizeHint().width();
    }
    const QAction* chosen = popup.exec(at);
    return chosen ? chosen->data().toInt() : 0;
}

int QtUiHost::RunModal(ModalDialog& dialog) {
    if (IsHeadless()) {
        return headless_.RunModal(dialog);
    }
    return dialog.Exec();
}

void FillQMenu(QMenu& target, const PopupMenu& menu) {
    for (const PopupMenu::Item& item : menu.items) {
        if (item.separator) {
            target.addSeparator();
            continue;
        }
        if (item.submenu) {
            QMenu* sub = target.addMenu(ToQString(item.text));
            sub->setEnabled(!item.gray);
            FillQMenu(*sub, *item.submenu);
            continue;
        }
        QAction* action = target.addAction(ToQString(item.text));
        action->setData(item.commandId);
        action->setEnabled(!item.gray);
        if (item.checked) {
            action->setCheckable(true);
            action->setChecked(true);
        }
    }
}

int QtModalDialog::Exec() {
    return dialog_.exec();
}

}  // namespace moru
