// Placeholder so that openers build while the editor is being written; replaced by the
// editor's own implementation.
#include "editors/memo_editor.h"

namespace moru {

MemoEditor::MemoEditor(QWidget* parent) : QDialog(parent) {}

MemoEditor::~MemoEditor() = default;

}  // namespace moru
