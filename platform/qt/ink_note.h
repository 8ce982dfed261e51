#pragma once
// The ink note control: a note of handwriting and typed text, written with the mouse, a touch
// screen or a tablet pen (with its pressure) and the keyboard. The memo editor edits memos and
// appointments' ink bodies with it; the detail dialog shows an ink body with a read-only one.
//
// Its calls are the ones the editors send to the handheld's note control, by the same names:
//   content as bytes    ContentSize, CopyContent, LoadContent (platform/ink_format.h)
//   input mode          SetInputMode / InputMode / CurrentMode: 2 writing, 16 typing
//   the mode pair       SetCaretShown (first value: 1 shows the caret and typed keys go into
//                       the text) and SetPenWidth (second value: the pen's line width in
//                       pixels; 0 keeps the width it has)
//   zoom                SetZoom(percent), 75 to 300 in the editor's steps
//   view toggle         SetViewToggle: ruled lines under the note, as a writing guide
//   editing             Undo, Redo, Cut, Copy, Paste, Clear, SelectAll and the questions the
//                       Edit menu asks before it opens (HasSelection, CanPaste, CanUndo,
//                       CanRedo)
// In writing mode the pen draws strokes; in typing mode it places the caret in the text and a
// drag selects the strokes (and the text) it touches, for Cut, Copy and Clear.
//
// Bytes that do not decode (damaged, or a note of another program) load as an empty note and
// loadFailed() says so; until the note is changed, the control hands back exactly those bytes,
// so saving an untouched note never destroys what was there.
#include <QAbstractScrollArea>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/ink_format.h"

class QTextLayout;

namespace moru {

class InkNote : public QAbstractScrollArea {
    Q_OBJECT

public:
    static constexpr int kWritingMode = 2;
    static constexpr int kTypingMode = 16;
    static constexpr int kMinZoom = 25;
    static constexpr int kMaxZoom = 400;
    // The clipboard format of copied ink: the same bytes as the note's content.
    static constexpr const char* kClipboardFormat = "application/x-moru-ink";

    enum class Access { ReadWrite, ReadOnly };

    explicit InkNote(QWidget* parent = nullptr, Access access = Access::ReadWrite);
    ~InkNote() override;

    // ---- content as bytes
    uint32_t ContentSize() const;
    // Copies the content into `buffer` when it fits; returns the bytes written (0 when the
    // buffer is too small, so a half note is never handed out).
    uint32_t CopyContent(uint32_t size, uint8_t* buffer) const;
    std::vector<uint8_t> ContentBytes() const;
    // Replaces the note; clears undo, redo and the selection. Returns false (and shows an
    // empty note) when the bytes do not decode.
    bool LoadContent(std::span<const uint8_t> bytes);
    bool loadFailed() const { return loadFailed_; }
    // True once the user (or an edit call) changed the note since it was loaded.
    bool modified() const { return modified_; }
    InkContent Content() const;

    // ---- modes and view
    void SetInputMode(int mode);  // 2 or 16; other values are ignored
    int InputMode() const { return inputMode_; }
    int CurrentMode() const { return inputMode_; }
    void SetCaretShown(int shown);
    bool caretShown() const { return caretShown_; }
    void SetPenWidth(int pixels);
    int penWidth() const { return penWidth_; }
    void SetZoom(int percent);
    int zoom() const { return zoom_; }
    void SetViewToggle(bool on);
    bool viewToggle() const { return viewToggle_; }
    // Widget pixels per logical pixel (the calendar window's scale).
    void SetDisplayScale(int scale);
    bool readOnly() const { return access_ == Access::ReadOnly; }

    // ---- editing
    void Undo();
    void Redo();
    void Cut();
    void Copy();
    void Paste();
    void Clear();
    void SelectAll();
    bool HasSelection() const;
    bool CanPaste() const;
    bool CanUndo() const { return !readOnly() && !undo_.empty(); }
    bool CanRedo() const { return !readOnly() && !redo_.empty(); }
    // The typed text's caret, as a position in the text.
    int caretPosition() const { return caret_; }
    std::vector<size_t> selectedStrokes() const;

signals:
    void changed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    using StrokePtr = std::shared_ptr<const InkStroke>;
    // One state of the note, as undo keeps it: strokes are shared between states, so a step
    // costs a pointer per stroke, not a copy of every point.
    struct Document {
        std::u16string text;
        std::vector<StrokePtr> strokes;
    };
    enum class Edit { Typing, Other };

    // Pen events, in widget pixels.
    void PenPress(QPointF at, uint16_t pressure);
    void PenMove(QPointF at, uint16_t pressure);
    void PenRelease(QPointF at);
    InkPoint ToContent(QPointF widget) const;

    void BeginEdit(Edit kind);
    enum class Cache { Keep, Redraw };
    void ContentChanged(Cache cache = Cache::Redraw);
    void TextChanged();
    void InsertText(const std::u16string& text);
    void RemoveTextSelection();
    bool TypeKey(QKeyEvent* event);
    void SelectInRect(const QRectF& widgetRect);
    void ClearSelection();

    double UnitScale() const;  // widget pixels per content unit
    double TextPixelSize() const;
    QTextLayout& TextLayout() const;
    QPointF TextOrigin() const;  // widget pixels, scrolled
    QRectF TextBounds() const;   // widget pixels, unscrolled
    int TextPositionAt(QPointF widget) const;
    void UpdateScrollRange();
    void RenderCache();
    void DrawRuledLines(QPainter& painter) const;
    void DrawText(QPainter& painter) const;

    Access access_;
    Document doc_;
    std::vector<Document> undo_;
    std::vector<Document> redo_;
    Edit lastEdit_ = Edit::Other;

    // Selection: strokes by index (parallel to doc_.strokes) and a range of the text.
    std::vector<char> strokeSelected_;
    int textSelStart_ = 0;
    int textSelEnd_ = 0;
    int caret_ = 0;

    int inputMode_ = kTypingMode;
    bool caretShown_ = true;
    int penWidth_ = 2;
    int zoom_ = 100;
    bool viewToggle_ = false;
    int displayScale_ = 1;

    bool loadFailed_ = false;
    bool modified_ = false;
    std::vector<uint8_t> unreadBytes_;  // what a failed load was given, handed back untouched
    mutable std::optional<std::vector<uint8_t>> bytes_;  // the content encoded, until it changes
    mutable std::unique_ptr<QTextLayout> layout_;        // the text laid out, until it changes

    // The stroke being written, drawn straight into the cache as its points arrive.
    std::optional<InkStroke> live_;
    // A drag selecting in typing mode.
    std::optional<QPointF> dragFrom_;
    QPointF dragTo_;

    // The finished strokes at the current zoom and scroll, so that a paint while writing
    // copies one image instead of drawing every stroke again.
    QImage cache_;
    bool cacheValid_ = false;
};

}  // namespace moru
