#include "editors/drop_down_list.h"

#include <QMetaObject>

namespace moru {

DropDownList::DropDownList(QWidget* parent) : QComboBox(parent) {}

void DropDownList::showPopup() {
    emit droppedDown();
    QComboBox::showPopup();
}

void DropDownList::hidePopup() {
    QComboBox::hidePopup();
    QMetaObject::invokeMethod(this, &DropDownList::closedUp, Qt::QueuedConnection);
}

}  // namespace moru
