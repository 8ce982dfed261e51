#pragma once
// The memo editor: a maximised modal dialog around the ink note control, with the Edit and
// Tool menus, two toolbar buttons, the zoom levels and Delete Note. It edits a memo file's
// note or an appointment's ink body; the note passes in and out through SharedMemoBuffer:
//     SharedMemoBuffer.Assign(bytes);      // the note to edit (empty for a new one)
//     MemoEditor editor(parent);
//     editor.memoPath = path;              // empty for a new memo or an ink body
//     if (CurrentUiHost().RunModal(editor) == kIdOk) { ... SharedMemoBuffer.bytes() ... }
#include <QDialog>
#include <string>

#include "platform/ui_host.h"

namespace moru {

class MemoEditor : public QDialog, public ModalDialog {
    Q_OBJECT

public:
    explicit MemoEditor(QWidget* parent = nullptr);
    ~MemoEditor() override;

    int Exec() override { return exec(); }
    std::string DialogName() const override { return "MemoEditor"; }

    // Device path of the memo file being edited; empty for a new memo and for an
    // appointment's ink body.
    std::u16string memoPath;
};

}  // namespace moru
