// Placeholder so that openers build while the dialog is being written; replaced by the
// dialog's own implementation.
#include "screens/appointment_detail.h"

namespace moru {

AppointmentDetail::AppointmentDetail(QWidget* parent)
    : PixelDialog(QSize(240, 267), "AppointmentDetail", parent) {}

AppointmentDetail::~AppointmentDetail() = default;

void AppointmentDetail::Paint(QPainter& /*painter*/) {}

}  // namespace moru
