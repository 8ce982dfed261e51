#pragma once
// The appointment editor: the one dialog that creates or changes an item of any kind (alarm,
// holiday, anniversary, appointment), working directly on a store appointment.
//
// The opener sets the inputs, runs it through the UI host and, after OK, reads the saved item
// back:
//     AppointmentEditor editor(EditorModeFor(kind, /*changing=*/true), parent);
//     editor.record = selected;          // changed modes only
//     if (CurrentUiHost().RunModal(editor) == kIdOk) {
//         ItemSaved(editor.savedOid(), editor.savedRecord(), editor.isNew());
//     }
// OK means the item was saved in the store; any other result means nothing was saved.
#include <cstdint>

#include "platform/qt/pixel_dialog.h"
#include "store/appointment_record.h"

namespace moru {

// kind x 2, plus 1 when an existing item is changed: 0/1 alarm, 2/3 holiday, 4/5 anniversary,
// 6/7 appointment.
using EditorMode = int;
constexpr EditorMode EditorModeFor(ItemKind kind, bool changing) {
    return static_cast<int>(kind) * 2 + (changing ? 1 : 0);
}
constexpr ItemKind KindOfMode(EditorMode mode) {
    return static_cast<ItemKind>(mode / 2);
}

class AppointmentEditor : public PixelDialog {
    Q_OBJECT

public:
    explicit AppointmentEditor(EditorMode mode, QWidget* parent = nullptr);
    ~AppointmentEditor() override;

    // Inputs, set by the opener before the dialog runs.
    EditorMode mode() const { return mode_; }
    int fromMonthScreen = 0;   // 1 when opened from the month calendar (nothing is handed back)
    AppointmentRecord record;  // the item to change (modes 1, 3, 5, 7), with its oid

    // The saved item, valid after the dialog ended with OK.
    uint32_t savedOid() const { return savedOid_; }
    const AppointmentRecord& savedRecord() const { return savedRecord_; }
    bool isNew() const { return mode_ % 2 == 0; }

protected:
    void Paint(QPainter& painter) override;

private:
    EditorMode mode_;
    uint32_t savedOid_ = 0;
    AppointmentRecord savedRecord_;
};

}  // namespace moru
