#pragma once
// The detail dialog: one appointment shown read-only (subject, dates or recurrence, its ink
// note), with two painted images that ask for it to be modified or deleted. It changes
// nothing itself; the caller acts on the result:
//     AppointmentDetail detail(parent);
//     detail.record = item;
//     switch (CurrentUiHost().RunModal(detail)) {
//         case AppointmentDetail::kModifyResult: ...  // open the editor for the record
//         case AppointmentDetail::kDeleteResult: ...  // confirm, then delete
//     }
#include "platform/qt/pixel_dialog.h"
#include "store/appointment_record.h"

namespace moru {

class AppointmentDetail : public PixelDialog {
    Q_OBJECT

public:
    static constexpr int kModifyResult = 10;
    static constexpr int kDeleteResult = 11;

    explicit AppointmentDetail(QWidget* parent = nullptr);
    ~AppointmentDetail() override;

    AppointmentRecord record;  // assigned by the caller before the dialog runs

protected:
    void Paint(QPainter& painter) override;
};

}  // namespace moru
