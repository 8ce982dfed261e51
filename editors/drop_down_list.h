#pragma once
// A combo box that says when its list drops down and when it closes up again, as the editors'
// lists react to both: the Recur list refills its texts from the start date each time it
// opens, and the recurrence choices act when it closes.
//
// The close-up is announced after Qt has settled the chosen entry (Qt hides the popup before
// it sets the new index), so a handler reads the entry the user picked.
#include <QComboBox>

namespace moru {

class DropDownList : public QComboBox {
    Q_OBJECT

public:
    explicit DropDownList(QWidget* parent = nullptr);

    void showPopup() override;
    void hidePopup() override;

signals:
    void droppedDown();
    void closedUp();
};

}  // namespace moru
