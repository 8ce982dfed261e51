#include "editors/memo_editor.h"

#include <QAction>
#include <QHBoxLayout>
#include <QMenu>
#include <QShowEvent>
#include <QToolButton>
#include <QVBoxLayout>
#include <cstdio>

#include "platform/qt/ink_note.h"
#include "platform/qt/pixel_surface.h"
#include "platform/qt/qt_ui_host.h"
#include "resources/bitmaps.h"
#include "resources/menus.h"
#include "store/memo_files.h"

namespace moru {
namespace {

constexpr int kBarHeight = 24;       // logical pixels under the note
constexpr int kToolbarBitmap = 203;  // two 16 x 16 images: a keyboard, a pen
constexpr int kToolbarImageSize = 16;
constexpr size_t kEditMenuPosition = 0;
constexpr size_t kToolMenuPosition = 1;
constexpr int kZoomCommands[] = {command::kZoom75, command::kZoom100, command::kZoom150,
                                 command::kZoom200, command::kZoom300};
constexpr int kZoomPercents[] = {75, 100, 150, 200, 300};

constexpr std::u16string_view kDeleteQuestion = u"This memo will be deleted. Continue?";
constexpr std::u16string_view kReplaceUnreadable =
    u"This memo could not be read. Replace it with this note?";
constexpr std::u16string_view kSaveFailed = u"The memo could not be saved.";

QIcon ToolbarIcon(int image) {
    // The strip is drawn for the window's scale; its pixels are that many times finer.
    const QImage& strip = Bitmap(kToolbarBitmap);
    const int ratio = static_cast<int>(strip.devicePixelRatio());
    const int side = kToolbarImageSize * ratio;
    QImage icon = strip.copy(image * side, 0, side, side);
    icon.setDevicePixelRatio(ratio);
    return QIcon(QPixmap::fromImage(icon));
}

}  // namespace

MemoEditor::MemoEditor(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Memo"));
    toolMenu_ = LoadSubMenu(kMemoEditorMenu, kToolMenuPosition);

    note_ = new InkNote(this);
    note_->SetDisplayScale(WindowScale());
    // Until the note is loaded it is set as for viewing: typing at 100 %.
    SetTypingMode();

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(note_, 1);
    BuildBar();
    resize(240 * WindowScale(), 267 * WindowScale());
}

MemoEditor::~MemoEditor() = default;

void MemoEditor::BuildBar() {
    auto* bar = new QWidget(this);
    bar->setFixedHeight(kBarHeight * WindowScale());
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(2, 0, 2, 0);
    row->setSpacing(2);

    auto addMenuButton = [&](const QString& text, size_t position) {
        auto* button = new QToolButton(bar);
        button->setText(text);
        button->setAutoRaise(true);
        connect(button, &QToolButton::clicked, this, [this, button, position] {
            ShowMenu(button, position == kEditMenuPosition ? EditMenu() : toolMenu_);
        });
        row->addWidget(button);
    };
    addMenuButton(QStringLiteral("Edit"), kEditMenuPosition);
    addMenuButton(QStringLiteral("Tool"), kToolMenuPosition);

    viewButton_ = new QToolButton(bar);
    viewButton_->setIcon(ToolbarIcon(0));
    viewButton_->setCheckable(true);
    viewButton_->setAutoRaise(true);
    viewButton_->setToolTip(QStringLiteral("Ruled lines"));
    connect(viewButton_, &QToolButton::clicked, this, [this] { Command(kViewToggleButton); });
    row->addWidget(viewButton_);

    penButton_ = new QToolButton(bar);
    penButton_->setIcon(ToolbarIcon(1));
    penButton_->setCheckable(true);
    penButton_->setChecked(true);  // the editor opens for writing
    penButton_->setAutoRaise(true);
    penButton_->setToolTip(QStringLiteral("Write or type"));
    connect(penButton_, &QToolButton::clicked, this, [this] { Command(kInputModeButton); });
    row->addWidget(penButton_);

    row->addStretch(1);
    auto* ok = new QToolButton(bar);
    ok->setText(QStringLiteral("OK"));
    connect(ok, &QToolButton::clicked, this, [this] { Command(kIdOk); });
    row->addWidget(ok);

    layout()->addWidget(bar);
}

int MemoEditor::Exec() {
    OpenNote();
    setWindowState(windowState() | Qt::WindowMaximized);
    return exec();
}

void MemoEditor::showEvent(QShowEvent* event) {
    OpenNote();
    QDialog::showEvent(event);
}

void MemoEditor::OpenNote() {
    if (opened_) {
        return;
    }
    opened_ = true;
    viewToggle_ = false;
    note_->LoadContent(SharedMemoBuffer.bytes());
    SetTypingMode();
    // The toggle then turns the typing state just set into writing at 150 %.
    ToggleInputMode();
    note_->setFocus();
}

// ---- modes and zoom -------------------------------------------------------------------------

void MemoEditor::SetTypingMode() {
    note_->SetInputMode(InkNote::kTypingMode);
    Zoom(command::kZoom100);
    note_->SetCaretShown(1);
    note_->SetPenWidth(0);
}

void MemoEditor::SetWritingMode() {
    note_->SetInputMode(InkNote::kWritingMode);
    Zoom(command::kZoom150);
    note_->SetCaretShown(0);
    note_->SetPenWidth(2);
}

void MemoEditor::ToggleInputMode() {
    const int mode = note_->InputMode();
    if (mode == InkNote::kWritingMode) {
        SetTypingMode();
    } else if (mode == InkNote::kTypingMode) {
        SetWritingMode();
    }
    if (penButton_) {
        penButton_->setChecked(inputModeButtonPressed());
    }
}

bool MemoEditor::inputModeButtonPressed() const {
    return note_->CurrentMode() == InkNote::kWritingMode;
}

void MemoEditor::CheckZoom(int commandId) {
    for (const int zoom : kZoomCommands) {
        toolMenu_.SetCheckedByCommand(zoom, zoom == commandId);
    }
}

void MemoEditor::Zoom(int commandId) {
    for (size_t i = 0; i < std::size(kZoomCommands); ++i) {
        if (kZoomCommands[i] == commandId) {
            CheckZoom(commandId);
            note_->SetZoom(kZoomPercents[i]);
        }
    }
}

// ---- menus and commands ---------------------------------------------------------------------

PopupMenu MemoEditor::EditMenu() const {
    PopupMenu menu = LoadSubMenu(kMemoEditorMenu, kEditMenuPosition);
    const bool selection = note_->HasSelection();
    for (PopupMenu::Item& item : menu.items) {
        switch (item.commandId) {
            case command::kMemoCut:
            case command::kMemoCopy:
            case command::kMemoClear:
                item.gray = !selection;
                break;
            case command::kMemoPaste:
                item.gray = !note_->CanPaste();
                break;
            case command::kMemoUndo:
                item.gray = !note_->CanUndo();
                break;
            case command::kMemoRedo:
                item.gray = !note_->CanRedo();
                break;
            default:
                break;
        }
    }
    return menu;
}

void MemoEditor::ShowMenu(QToolButton* button, const PopupMenu& menu) {
    QMenu popup(this);
    FillQMenu(popup, menu);
    // The bar is at the bottom: the menu opens upwards from the button.
    const QPoint at = button->mapToGlobal(QPoint(0, -popup.sizeHint().height()));
    if (const QAction* chosen = popup.exec(at)) {
        Command(chosen->data().toInt());
    }
}

void MemoEditor::Command(int commandId) {
    switch (commandId) {
        case command::kMemoUndo:
            note_->Undo();
            break;
        case command::kMemoRedo:
            note_->Redo();
            break;
        case command::kMemoCut:
            note_->Cut();
            break;
        case command::kMemoCopy:
            note_->Copy();
            break;
        case command::kMemoPaste:
            note_->Paste();
            break;
        case command::kMemoClear:
            note_->Clear();
            break;
        case command::kMemoSelectAll:
            note_->SelectAll();
            break;
        case command::kDeleteNote:
            DeleteNote();
            break;
        case kViewToggleButton:
            note_->SetViewToggle(!viewToggle_);
            viewToggle_ = !viewToggle_;
            viewButton_->setChecked(viewToggle_);
            break;
        case kInputModeButton:
            ToggleInputMode();
            break;
        case kIdOk:
            Ok();
            break;
        default:
            Zoom(commandId);
            break;
    }
}

void MemoEditor::Ok() {
    SharedMemoBuffer.Empty();
    const uint32_t size = note_->ContentSize();
    if (size > 0) {
        uint8_t* block = SharedMemoBuffer.Allocate(size);
        SharedMemoBuffer.SetCount(note_->CopyContent(size, block));
    }
    if (!memoPath.empty()) {
        // A memo that could not be read is shown empty; saving that emptiness over it would
        // destroy the only copy, so an untouched one is left alone and a changed one is
        // written only when the user says so.
        const bool unreadable = memoUnreadable || note_->loadFailed();
        if (unreadable && !note_->modified()) {
            SharedMemoBuffer.Empty();
            done(kIdOk);
            return;
        }
        if (unreadable && CurrentUiHost().MessageBox(kReplaceUnreadable, u"",
                                                     kMbYesNo | kMbIconQuestion) != kIdYes) {
            return;  // back to the note; nothing written
        }
        const Status written = WriteMemoFile(memoPath, SharedMemoBuffer.bytes());
        if (!written) {
            std::fprintf(stderr, "%s\n", written.error().message.c_str());
            CurrentUiHost().MessageBox(kSaveFailed, u"", kMbOk | kMbIconExclamation);
            return;  // the note stays open, so nothing typed or drawn is lost
        }
    }
    done(kIdOk);
}

void MemoEditor::DeleteNote() {
    if (CurrentUiHost().MessageBox(kDeleteQuestion, u"", kMbYesNo) != kIdYes) {
        return;
    }
    SharedMemoBuffer.Empty();
    if (memoPath.empty()) {
        done(kIdOk);  // the caller receives an empty note
        return;
    }
    const Status removed = DeleteMemoFile(memoPath);
    if (!removed) {
        std::fprintf(stderr, "%s\n", removed.error().message.c_str());
    }
    done(kIdCancel);
}

}  // namespace moru
