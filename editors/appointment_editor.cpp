// Placeholder so that openers build while the editor is being written; replaced by the
// editor's own implementation.
#include "editors/appointment_editor.h"

namespace moru {

AppointmentEditor::AppointmentEditor(EditorMode mode, QWidget* parent)
    : PixelDialog(QSize(240, 267), "AppointmentEditor", parent), mode_(mode) {}

AppointmentEditor::~AppointmentEditor() = default;

void AppointmentEditor::Paint(QPainter& /*painter*/) {}

}  // namespace moru
