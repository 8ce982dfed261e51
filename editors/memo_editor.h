#pragma once
// The memo editor: a maximised modal dialog around the ink note control, with the Edit and
// Tool menus, two toolbar buttons, the zoom levels and Delete Note. It edits a memo file's
// note or an appointment's ink body; the note passes in and out through SharedMemoBuffer:
//     SharedMemoBuffer.Assign(bytes);      // the note to edit (empty for a new one)
//     MemoEditor editor(parent);
//     editor.memoPath = path;              // empty for a new memo or an ink body
//     if (CurrentUiHost().RunModal(editor) == kIdOk) { ... SharedMemoBuffer.bytes() ... }
//
// Its bar along the bottom holds "Edit" and "Tool" (menu 206), the keyboard button 204 (the
// note's ruled lines), the pen button 205 (writing or typing) and OK; closing the window is
// Cancel. The note opens in writing mode at 150 %.
#include <QDialog>
#include <string>

#include "platform/ui_host.h"

class QToolButton;

namespace moru {

class InkNote;

class MemoEditor : public QDialog, public ModalDialog {
    Q_OBJECT

public:
    // The toolbar buttons' command identifiers.
    static constexpr int kViewToggleButton = 204;
    static constexpr int kInputModeButton = 205;

    explicit MemoEditor(QWidget* parent = nullptr);
    ~MemoEditor() override;

    // Loads the note and runs the dialog.
    int Exec() override;
    std::string DialogName() const override { return "MemoEditor"; }

    // Device path of the memo file being edited; empty for a new memo and for an
    // appointment's ink body.
    std::u16string memoPath;
    // Set by the opener when the memo file at memoPath exists but could not be read: the
    // editor then starts empty and OK leaves the file as it is unless the user, asked,
    // chooses to replace it.
    bool memoUnreadable = false;

    // The opening steps that need the inputs: loads SharedMemoBuffer into the note and puts
    // it in writing mode at 150 %. Runs once; Exec and the first show call it.
    void OpenNote();
    // Runs a command of menu 206 or of the toolbar (204, 205), or kIdOk for OK.
    void Command(int commandId);

    InkNote* note() const { return note_; }
    bool viewToggle() const { return viewToggle_; }
    bool inputModeButtonPressed() const;
    // The Edit menu as it would open now (entries greyed by what the note answers), and the
    // Tool menu with its checked zoom step.
    PopupMenu EditMenu() const;
    const PopupMenu& toolMenu() const { return toolMenu_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildBar();
    void SetTypingMode();
    void SetWritingMode();
    void ToggleInputMode();
    void CheckZoom(int commandId);
    void Zoom(int commandId);
    void Ok();
    void DeleteNote();
    void ShowMenu(QToolButton* button, const PopupMenu& menu);

    InkNote* note_ = nullptr;
    PopupMenu toolMenu_;
    bool viewToggle_ = false;
    bool opened_ = false;
    QToolButton* viewButton_ = nullptr;
    QToolButton* penButton_ = nullptr;
};

}  // namespace moru
