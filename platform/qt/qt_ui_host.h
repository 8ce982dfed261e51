#pragma once
// The UI host of the running calendar: message boxes are QMessageBoxes, popup menus are
// QMenus built from the menu data, modal dialogs run with exec(). On a platform without a
// display (offscreen, minimal: --screenshot runs) nobody could answer, so it behaves as the
// stderr host: the message goes to stderr and the default button answers.
#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <string>

#include "platform/ui_host.h"

class QDialog;
class QMenu;

namespace moru {

class QtUiHost : public UiHost {
public:
    // Points given to TrackPopupMenu are points of the 240 x 267 screen, whose top-left
    // corner is `origin`'s and whose pixels are `scale` widget pixels wide. Until this is
    // called, menus open at the screen points as they are.
    void SetScreenOrigin(QWidget* origin, int scale);

    int MessageBox(std::u16string_view text, std::u16string_view caption, unsigned style) override;
    int MessageBoxWithDetails(std::u16string_view text, std::u16string_view caption, unsigned style,
                              std::u16string_view details) override;
    int TrackPopupMenu(const PopupMenu& menu, MenuAlign align, int x, int y) override;
    int RunModal(ModalDialog& dialog) override;

    // True when the platform has no display to show anything on.
    static bool IsHeadless();

private:
    // The modal box itself, with its details (none when empty) behind a button.
    int ShowBox(std::u16string_view text, std::u16string_view caption, unsigned style,
                std::u16string_view details);
    QPoint GlobalPoint(int x, int y) const;

    QPointer<QWidget> origin_;
    int scale_ = 1;
    StderrUiHost headless_;
};

// Adds the entries of a menu-as-data to a QMenu: command entries become actions whose data()
// is the command id, gray entries are disabled, sub-menus nest.
void FillQMenu(QMenu& target, const PopupMenu& menu);

// A QDialog seen as a modal dialog of the UI host.
class QtModalDialog : public ModalDialog {
public:
    QtModalDialog(QDialog& dialog, std::string name) : dialog_(dialog), name_(std::move(name)) {}
    int Exec() override;
    std::string DialogName() const override { return name_; }

private:
    QDialog& dialog_;
    std::string name_;
};

}  // namespace moru
