#include "platform/qt/ink_note.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTabletEvent>
#include <QTextLayout>
#include <QTouchEvent>
#include <algorithm>
#include <cstdio>

#include "platform/qt/ink_render.h"

namespace moru {
namespace {

// Looks of the note, in logical pixels at 100 % zoom.
constexpr double kTextMargin = 4;        // the text starts this far from the top-left corner
constexpr double kTextPixelSize = 13;    // the 10-point face of the screens
constexpr double kRuleSpacing = 20;      // ruled lines of the view toggle
constexpr double kExtentMargin = 20;     // room to write below and right of the content
constexpr double kClickSlop = 3;         // a typing-mode drag shorter than this is a tap
constexpr int kSelectionHaloPixels = 4;  // how much wider a selected stroke's halo is
constexpr size_t kUndoDepth = 200;
const QColor kInkColour{0, 0, 0};
const QColor kHaloColour{150, 200, 255};
const QColor kRuleColour{205, 220, 245};
const QColor kBandColour{70, 163, 250};

QString ToQString(const std::u16string& text) {
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

std::u16string FromQString(const QString& text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                          static_cast<size_t>(text.size()));
}

uint16_t PressureOf(qreal pressure) {
    // Devices that cannot sense pressure report 0 or a constant 1; both mean "a normal line".
    if (pressure <= 0.0 || pressure >= 1.0) {
        return kInkMousePressure;
    }
    return static_cast<uint16_t>(pressure * 65535.0);
}

}  // namespace

InkNote::InkNote(QWidget* parent, Access access) : QAbstractScrollArea(parent), access_(access) {
    viewport()->setAttribute(Qt::WA_AcceptTouchEvents);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setCursor(Qt::CrossCursor);
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFrameShape(QFrame::Box);
    UpdateScrollRange();
}

InkNote::~InkNote() = default;

// ---- content as bytes -----------------------------------------------------------------------

InkContent InkNote::Content() const {
    InkContent content;
    content.text = doc_.text;
    content.strokes.reserve(doc_.strokes.size());
    for (const StrokePtr& stroke : doc_.strokes) {
        content.strokes.push_back(*stroke);
    }
    return content;
}

std::vector<uint8_t> InkNote::ContentBytes() const {
    if (loadFailed_ && !modified_) {
        return unreadBytes_;
    }
    if (!bytes_) {
        bytes_ = EncodeInk(Content());
    }
    return *bytes_;
}

uint32_t InkNote::ContentSize() const {
    if (loadFailed_ && !modified_) {
        return static_cast<uint32_t>(unreadBytes_.size());
    }
    if (!bytes_) {
        bytes_ = EncodeInk(Content());
    }
    return static_cast<uint32_t>(bytes_->size());
}

uint32_t InkNote::CopyContent(uint32_t size, uint8_t* buffer) const {
    const std::vector<uint8_t> bytes = ContentBytes();
    if (buffer == nullptr || bytes.size() > size) {
        return 0;
    }
    std::copy(bytes.begin(), bytes.end(), buffer);
    return static_cast<uint32_t>(bytes.size());
}

bool InkNote::LoadContent(std::span<const uint8_t> bytes) {
    Result<InkContent> decoded = DecodeInk(bytes);
    doc_ = {};
    if (decoded) {
        doc_.text = decoded->text;
        for (InkStroke& stroke : decoded->strokes) {
            doc_.strokes.push_back(std::make_shared<const InkStroke>(std::move(stroke)));
        }
        loadFailed_ = false;
        unreadBytes_.clear();
    } else {
        std::fprintf(stderr, "%s; shown as an empty note, the bytes are kept as they are\n",
                     decoded.error().message.c_str());
        loadFailed_ = true;
        unreadBytes_.assign(bytes.begin(), bytes.end());
    }
    undo_.clear();
    redo_.clear();
    lastEdit_ = Edit::Other;
    strokeSelected_.assign(doc_.strokes.size(), 0);
    textSelStart_ = textSelEnd_ = 0;
    caret_ = static_cast<int>(doc_.text.size());
    live_.reset();
    ContentChanged();
    modified_ = false;
    return decoded.ok();
}

// ---- modes and view -------------------------------------------------------------------------

void InkNote::SetInputMode(int mode) {
    if (mode != kWritingMode && mode != kTypingMode) {
        return;
    }
    inputMode_ = mode;
    live_.reset();
    dragFrom_.reset();
    viewport()->setCursor(mode == kWritingMode ? Qt::CrossCursor : Qt::IBeamCursor);
    viewport()->update();
}

void InkNote::SetCaretShown(int shown) {
    caretShown_ = shown != 0;
    viewport()->update();
}

void InkNote::SetPenWidth(int pixels) {
    if (pixels > 0) {
        penWidth_ = std::min(pixels, 64);
    }
}

void InkNote::SetZoom(int percent) {
    zoom_ = std::clamp(percent, kMinZoom, kMaxZoom);
    layout_.reset();
    cacheValid_ = false;
    UpdateScrollRange();
    viewport()->update();
}

void InkNote::SetViewToggle(bool on) {
    viewToggle_ = on;
    cacheValid_ = false;
    viewport()->update();
}

void InkNote::SetDisplayScale(int scale) {
    displayScale_ = std::max(1, scale);
    SetZoom(zoom_);
}

double InkNote::UnitScale() const {
    return zoom_ / 100.0 * displayScale_ / kInkUnitsPerPixel;
}

double InkNote::TextPixelSize() const {
    return kTextPixelSize * zoom_ / 100.0 * displayScale_;
}

// ---- editing --------------------------------------------------------------------------------

void InkNote::BeginEdit(Edit kind) {
    // A run of typed keys is one step of undo, as in any text editor; anything else is a step
    // of its own.
    if (!(kind == Edit::Typing && lastEdit_ == Edit::Typing && !undo_.empty())) {
        undo_.push_back(doc_);
        if (undo_.size() > kUndoDepth) {
            undo_.erase(undo_.begin());
        }
    }
    redo_.clear();
    lastEdit_ = kind;
}

void InkNote::ContentChanged(Cache cache) {
    modified_ = true;
    bytes_.reset();
    layout_.reset();
    strokeSelected_.resize(doc_.strokes.size(), 0);
    const int length = static_cast<int>(doc_.text.size());
    caret_ = std::clamp(caret_, 0, length);
    textSelStart_ = std::clamp(textSelStart_, 0, length);
    textSelEnd_ = std::clamp(textSelEnd_, textSelStart_, length);
    if (cache == Cache::Redraw) {
        cacheValid_ = false;
    }
    UpdateScrollRange();
    viewport()->update();
    emit changed();
}

void InkNote::Undo() {
    if (!CanUndo()) {
        return;
    }
    redo_.push_back(std::move(doc_));
    doc_ = std::move(undo_.back());
    undo_.pop_back();
    lastEdit_ = Edit::Other;
    strokeSelected_.assign(doc_.strokes.size(), 0);
    textSelStart_ = textSelEnd_ = 0;
    caret_ = static_cast<int>(doc_.text.size());
    ContentChanged();
}

void InkNote::Redo() {
    if (!CanRedo()) {
        return;
    }
    undo_.push_back(std::move(doc_));
    doc_ = std::move(redo_.back());
    redo_.pop_back();
    lastEdit_ = Edit::Other;
    strokeSelected_.assign(doc_.strokes.size(), 0);
    textSelStart_ = textSelEnd_ = 0;
    caret_ = static_cast<int>(doc_.text.size());
    ContentChanged();
}

bool InkNote::HasSelection() const {
    return textSelStart_ != textSelEnd_ ||
           std::any_of(strokeSelected_.begin(), strokeSelected_.end(), [](char s) { return s; });
}

std::vector<size_t> InkNote::selectedStrokes() const {
    std::vector<size_t> indexes;
    for (size_t i = 0; i < strokeSelected_.size(); ++i) {
        if (strokeSelected_[i]) {
            indexes.push_back(i);
        }
    }
    return indexes;
}

void InkNote::SelectAll() {
    strokeSelected_.assign(doc_.strokes.size(), 1);
    textSelStart_ = 0;
    textSelEnd_ = static_cast<int>(doc_.text.size());
    cacheValid_ = false;
    viewport()->update();
}

void InkNote::ClearSelection() {
    const bool hadStrokes = !selectedStrokes().empty();
    strokeSelected_.assign(doc_.strokes.size(), 0);
    textSelStart_ = textSelEnd_ = 0;
    if (hadStrokes) {
        cacheValid_ = false;
    }
    viewport()->update();
}

void InkNote::Copy() {
    if (!HasSelection()) {
        return;
    }
    InkContent part;
    part.text = doc_.text.substr(static_cast<size_t>(textSelStart_),
                                 static_cast<size_t>(textSelEnd_ - textSelStart_));
    for (const size_t i : selectedStrokes()) {
        part.strokes.push_back(*doc_.strokes[i]);
    }
    const std::vector<uint8_t> bytes = EncodeInk(part);
    auto* mime = new QMimeData;
    mime->setData(kClipboardFormat, QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                               static_cast<qsizetype>(bytes.size())));
    if (!part.text.empty()) {
        mime->setText(ToQString(part.text));
    }
    QApplication::clipboard()->setMimeData(mime);
}

void InkNote::Cut() {
    if (readOnly() || !HasSelection()) {
        return;
    }
    Copy();
    Clear();
}

void InkNote::Clear() {
    if (readOnly() || !HasSelection()) {
        return;
    }
    BeginEdit(Edit::Other);
    std::vector<StrokePtr> kept;
    for (size_t i = 0; i < doc_.strokes.size(); ++i) {
        if (!strokeSelected_[i]) {
            kept.push_back(doc_.strokes[i]);
        }
    }
    doc_.strokes = std::move(kept);
    strokeSelected_.assign(doc_.strokes.size(), 0);
    RemoveTextSelection();
    ContentChanged();
}

bool InkNote::CanPaste() const {
    if (readOnly()) {
        return false;
    }
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    return mime != nullptr &&
           (mime->hasFormat(kClipboardFormat) || (mime->hasText() && !mime->text().isEmpty()));
}

void InkNote::Paste() {
    if (!CanPaste()) {
        return;
    }
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    InkContent pasted;
    if (mime->hasFormat(kClipboardFormat)) {
        const QByteArray clip = mime->data(kClipboardFormat);
        Result<InkContent> decoded = DecodeInk(std::span<const uint8_t>(
            reinterpret_cast<const uint8_t*>(clip.constData()), static_cast<size_t>(clip.size())));
        if (!decoded) {
            std::fprintf(stderr, "paste: %s\n", decoded.error().message.c_str());
            return;
        }
        pasted = std::move(*decoded);
    } else {
        pasted.text = FromQString(mime->text());
    }
    BeginEdit(Edit::Other);
    // Pasted strokes come in selected, so that a paste can be cleared or cut again at once.
    strokeSelected_.assign(doc_.strokes.size(), 0);
    for (InkStroke& stroke : pasted.strokes) {
        doc_.strokes.push_back(std::make_shared<const InkStroke>(std::move(stroke)));
        strokeSelected_.push_back(1);
    }
    RemoveTextSelection();
    doc_.text.insert(static_cast<size_t>(caret_), pasted.text);
    caret_ += static_cast<int>(pasted.text.size());
    ContentChanged();
}

void InkNote::RemoveTextSelection() {
    if (textSelStart_ == textSelEnd_) {
        return;
    }
    doc_.text.erase(static_cast<size_t>(textSelStart_),
                    static_cast<size_t>(textSelEnd_ - textSelStart_));
    caret_ = textSelStart_;
    textSelStart_ = textSelEnd_ = 0;
}

void InkNote::InsertText(const std::u16string& text) {
    BeginEdit(Edit::Typing);
    RemoveTextSelection();
    doc_.text.insert(static_cast<size_t>(caret_), text);
    caret_ += static_cast<int>(text.size());
    ContentChanged(Cache::Keep);  // the text is drawn over the strokes, not into their cache
}

// ---- keys -----------------------------------------------------------------------------------

void InkNote::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Undo)) {
        Undo();
    } else if (event->matches(QKeySequence::Redo)) {
        Redo();
    } else if (event->matches(QKeySequence::Cut)) {
        Cut();
    } else if (event->matches(QKeySequence::Copy)) {
        Copy();
    } else if (event->matches(QKeySequence::Paste)) {
        Paste();
    } else if (event->matches(QKeySequence::SelectAll)) {
        SelectAll();
    } else if (readOnly() || !caretShown_ || !TypeKey(event)) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
}

bool InkNote::TypeKey(QKeyEvent* event) {
    const int length = static_cast<int>(doc_.text.size());
    auto isLowSurrogate = [this](int at) {
        return at > 0 && at < static_cast<int>(doc_.text.size()) &&
               QChar::isLowSurrogate(doc_.text[static_cast<size_t>(at)]);
    };
    auto moveCaret = [&](int to) {
        caret_ = std::clamp(to, 0, length);
        textSelStart_ = textSelEnd_ = 0;
        lastEdit_ = Edit::Other;
        viewport()->update();
    };
    switch (event->key()) {
        case Qt::Key_Left:
            moveCaret(caret_ - (isLowSurrogate(caret_ - 1) ? 2 : 1));
            return true;
        case Qt::Key_Right:
            moveCaret(caret_ + (isLowSurrogate(caret_ + 1) ? 2 : 1));
            return true;
        case Qt::Key_Home:
            moveCaret(0);
            return true;
        case Qt::Key_End:
            moveCaret(length);
            return true;
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
            if (HasSelection()) {
                Clear();
            } else {
                const bool back = event->key() == Qt::Key_Backspace;
                int from = back ? caret_ - 1 : caret_;
                int count = 1;
                if (back ? isLowSurrogate(from) : isLowSurrogate(from + 1)) {
                    from -= back ? 1 : 0;
                    count = 2;
                }
                if (from >= 0 && from + count <= length) {
                    BeginEdit(Edit::Typing);
                    doc_.text.erase(static_cast<size_t>(from), static_cast<size_t>(count));
                    caret_ = from;
                    ContentChanged(Cache::Keep);
                }
            }
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            InsertText(u"\n");
            return true;
        default:
            break;
    }
    const QString text = event->text();
    if (text.isEmpty() || std::any_of(text.begin(), text.end(), [](QChar c) {
            return c.category() == QChar::Other_Control;
        })) {
        return false;
    }
    InsertText(FromQString(text));
    return true;
}

void InkNote::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void InkNote::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

// ---- the pen --------------------------------------------------------------------------------

bool InkNote::viewportEvent(QEvent* event) {
    switch (event->type()) {
        case QEvent::TabletPress:
        case QEvent::TabletMove:
        case QEvent::TabletRelease: {
            auto* tablet = static_cast<QTabletEvent*>(event);
            const uint16_t pressure = PressureOf(tablet->pressure());
            if (event->type() == QEvent::TabletPress) {
                PenPress(tablet->position(), pressure);
            } else if (event->type() == QEvent::TabletMove) {
                PenMove(tablet->position(), pressure);
            } else {
                PenRelease(tablet->position());
            }
            event->accept();  // no mouse events are made from an accepted tablet event
            return true;
        }
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel: {
            auto* touch = static_cast<QTouchEvent*>(event);
            if (touch->points().isEmpty()) {
                return true;
            }
            const QEventPoint& point = touch->points().first();
            const uint16_t pressure = PressureOf(point.pressure());
            if (event->type() == QEvent::TouchBegin) {
                PenPress(point.position(), pressure);
            } else if (event->type() == QEvent::TouchUpdate) {
                PenMove(point.position(), pressure);
            } else {
                PenRelease(point.position());
            }
            event->accept();
            return true;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseMove:
        case QEvent::MouseButtonRelease: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (event->type() == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) {
                setFocus(Qt::MouseFocusReason);
                PenPress(mouse->position(), kInkMousePressure);
            } else if (event->type() == QEvent::MouseMove && (mouse->buttons() & Qt::LeftButton)) {
                PenMove(mouse->position(), kInkMousePressure);
            } else if (event->type() == QEvent::MouseButtonRelease &&
                       mouse->button() == Qt::LeftButton) {
                PenRelease(mouse->position());
            }
            return true;
        }
        default:
            return QAbstractScrollArea::viewportEvent(event);
    }
}

InkPoint InkNote::ToContent(QPointF widget) const {
    const double scale = UnitScale();
    const double x = (widget.x() + horizontalScrollBar()->value()) / scale;
    const double y = (widget.y() + verticalScrollBar()->value()) / scale;
    return {static_cast<int32_t>(std::lround(x)), static_cast<int32_t>(std::lround(y)),
            kInkMousePressure};
}

void InkNote::PenPress(QPointF at, uint16_t pressure) {
    if (!readOnly() && inputMode_ == kWritingMode) {
        InkPoint point = ToContent(at);
        point.pressure = pressure;
        live_ = InkStroke{0x000000, static_cast<uint16_t>(penWidth_ * kInkUnitsPerPixel), {point}};
        return;
    }
    dragFrom_ = at;
    dragTo_ = at;
}

void InkNote::PenMove(QPointF at, uint16_t pressure) {
    if (live_) {
        InkPoint point = ToContent(at);
        point.pressure = pressure;
        const InkPoint& last = live_->points.back();
        if (point.x == last.x && point.y == last.y) {
            return;
        }
        live_->points.push_back(point);
        if (!cacheValid_) {
            RenderCache();  // draws the live stroke so far, this segment included
        } else {
            QPainter painter(&cache_);
            painter.setRenderHint(QPainter::Antialiasing);
            const ink::View view{
                UnitScale(), QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value())};
            const QRectF touched =
                ink::DrawSegment(painter, *live_, live_->points.size() - 1, view, kInkColour);
            viewport()->update(touched.toAlignedRect());
            return;
        }
        viewport()->update();
        return;
    }
    if (dragFrom_) {
        dragTo_ = at;
        viewport()->update();
    }
}

void InkNote::PenRelease(QPointF at) {
    if (live_) {
        PenMove(at, live_->points.back().pressure);
        if (cacheValid_) {
            QPainter painter(&cache_);
            painter.setRenderHint(QPainter::Antialiasing);
            const ink::View view{
                UnitScale(), QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value())};
            viewport()->update(ink::DrawTail(painter, *live_, view, kInkColour).toAlignedRect());
        }
        BeginEdit(Edit::Other);
        doc_.strokes.push_back(std::make_shared<const InkStroke>(std::move(*live_)));
        live_.reset();
        ContentChanged(Cache::Keep);  // the cache already shows the finished stroke
        return;
    }
    if (!dragFrom_) {
        return;
    }
    const QPointF from = *dragFrom_;
    dragFrom_.reset();
    if (std::abs(at.x() - from.x()) < kClickSlop && std::abs(at.y() - from.y()) < kClickSlop) {
        ClearSelection();
        caret_ = TextPositionAt(at);
        lastEdit_ = Edit::Other;
        viewport()->update();
        return;
    }
    SelectInRect(QRectF(from, at).normalized());
}

void InkNote::SelectInRect(const QRectF& widgetRect) {
    const double scale = UnitScale();
    const QPointF offset(horizontalScrollBar()->value(), verticalScrollBar()->value());
    strokeSelected_.assign(doc_.strokes.size(), 0);
    for (size_t i = 0; i < doc_.strokes.size(); ++i) {
        const QRectF b = ink::StrokeBounds(*doc_.strokes[i]);
        const QRectF onScreen(b.topLeft() * scale - offset, b.size() * scale);
        strokeSelected_[i] = onScreen.intersects(widgetRect) ? 1 : 0;
    }
    const bool text = !doc_.text.empty() && TextBounds().translated(-offset).intersects(widgetRect);
    textSelStart_ = 0;
    textSelEnd_ = text ? static_cast<int>(doc_.text.size()) : 0;
    cacheValid_ = false;
    viewport()->update();
}

// ---- text layout ----------------------------------------------------------------------------

QTextLayout& InkNote::TextLayout() const {
    if (!layout_) {
        // A layout breaks lines only at the line separator; it has the same length as '\n',
        // so positions in the layout are positions in the text.
        QString shown = ToQString(doc_.text);
        shown.replace(QLatin1Char('\n'), QChar::LineSeparator);
        layout_ = std::make_unique<QTextLayout>(shown);
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(TextPixelSize()))));
        layout_->setFont(font);
        layout_->setCacheEnabled(true);
        const double margin = kTextMargin * zoom_ / 100.0 * displayScale_;
        const double width = std::max(40.0, viewport()->width() - 2 * margin);
        layout_->beginLayout();
        double y = 0;
        for (QTextLine line = layout_->createLine(); line.isValid(); line = layout_->createLine()) {
            line.setLineWidth(width);
            line.setPosition(QPointF(0, y));
            y += line.height();
        }
        layout_->endLayout();
    }
    return *layout_;
}

QPointF InkNote::TextOrigin() const {
    const double margin = kTextMargin * zoom_ / 100.0 * displayScale_;
    return QPointF(margin - horizontalScrollBar()->value(), margin - verticalScrollBar()->value());
}

QRectF InkNote::TextBounds() const {
    // The lines' own text, not the width they may wrap at: an empty or short text must not
    // widen the note or be selected by a drag far to its right.
    const QTextLayout& layout = TextLayout();
    QRectF bounds;
    for (int i = 0; i < layout.lineCount(); ++i) {
        bounds = bounds.united(layout.lineAt(i).naturalTextRect());
    }
    const double margin = kTextMargin * zoom_ / 100.0 * displayScale_;
    return bounds.translated(margin, margin);
}

int InkNote::TextPositionAt(QPointF widget) const {
    QTextLayout& layout = TextLayout();
    const QPointF local = widget - TextOrigin();
    if (layout.lineCount() == 0 || local.y() < 0) {
        return 0;
    }
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        if (local.y() < line.y() + line.height()) {
            return line.xToCursor(local.x());
        }
    }
    return static_cast<int>(doc_.text.size());
}

void InkNote::UpdateScrollRange() {
    const double scale = UnitScale();
    QRectF extent = TextBounds();
    for (const StrokePtr& stroke : doc_.strokes) {
        const QRectF b = ink::StrokeBounds(*stroke);
        extent = extent.united(QRectF(b.topLeft() * scale, b.size() * scale));
    }
    const double margin = kExtentMargin * zoom_ / 100.0 * displayScale_;
    const int width = static_cast<int>(extent.right() + margin);
    const int height = static_cast<int>(extent.bottom() + margin);
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    verticalScrollBar()->setRange(0, std::max(0, height - viewport()->height()));
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setSingleStep(static_cast<int>(TextPixelSize()));
}

// ---- painting -------------------------------------------------------------------------------

void InkNote::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    layout_.reset();
    cacheValid_ = false;
    UpdateScrollRange();
}

void InkNote::scrollContentsBy(int /*dx*/, int /*dy*/) {
    cacheValid_ = false;
    viewport()->update();
}

void InkNote::DrawRuledLines(QPainter& painter) const {
    const double spacing = kRuleSpacing * zoom_ / 100.0 * displayScale_;
    const double top = kTextMargin * zoom_ / 100.0 * displayScale_;
    painter.setPen(QPen(kRuleColour, 1));
    const double scroll = verticalScrollBar()->value();
    const double first = std::ceil((scroll - top) / spacing);
    for (double y = top + first * spacing - scroll; y < viewport()->height(); y += spacing) {
        painter.drawLine(QPointF(0, y + 0.5), QPointF(viewport()->width(), y + 0.5));
    }
}

void InkNote::RenderCache() {
    const qreal ratio = viewport()->devicePixelRatioF();
    const QSize pixels = viewport()->size() * ratio;
    if (cache_.size() != pixels) {
        cache_ = QImage(pixels.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    }
    cache_.setDevicePixelRatio(ratio);
    cache_.fill(Qt::white);
    QPainter painter(&cache_);
    painter.setRenderHint(QPainter::Antialiasing);
    if (viewToggle_) {
        DrawRuledLines(painter);
    }
    const double scale = UnitScale();
    const ink::View view{scale,
                         QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value())};
    const QRectF visible(QPointF(0, 0), QSizeF(viewport()->size()));
    for (size_t i = 0; i < doc_.strokes.size(); ++i) {
        const InkStroke& stroke = *doc_.strokes[i];
        const QRectF b = ink::StrokeBounds(stroke);
        if (!QRectF(b.topLeft() * scale - view.offset, b.size() * scale).intersects(visible)) {
            continue;  // most of a long note is scrolled away; skip what cannot show
        }
        if (i < strokeSelected_.size() && strokeSelected_[i]) {
            InkStroke halo = stroke;
            halo.width = static_cast<uint16_t>(
                std::min(65535, halo.width + kSelectionHaloPixels * kInkUnitsPerPixel));
            ink::DrawStroke(painter, halo, view, kHaloColour);
        }
        ink::DrawStroke(painter, stroke, view, QColor::fromRgb(stroke.colour));
    }
    if (live_) {
        for (size_t i = 1; i < live_->points.size(); ++i) {
            ink::DrawSegment(painter, *live_, i, view, kInkColour);
        }
    }
    cacheValid_ = true;
}

void InkNote::DrawText(QPainter& painter) const {
    QTextLayout& layout = TextLayout();
    QList<QTextLayout::FormatRange> selections;
    if (textSelStart_ != textSelEnd_) {
        QTextLayout::FormatRange range;
        range.start = textSelStart_;
        range.length = textSelEnd_ - textSelStart_;
        range.format.setBackground(kHaloColour);
        selections.append(range);
    }
    painter.setPen(Qt::black);
    layout.draw(&painter, TextOrigin(), selections);
    if (caretShown_ && !readOnly() && hasFocus() && inputMode_ == kTypingMode) {
        layout.drawCursor(&painter, TextOrigin(), caret_,
                          std::max(1, static_cast<int>(displayScale_)));
    }
}

void InkNote::paintEvent(QPaintEvent* event) {
    if (!cacheValid_ || cache_.size() != viewport()->size() * viewport()->devicePixelRatioF()) {
        RenderCache();
    }
    QPainter painter(viewport());
    const QRect area = event->rect();
    const qreal ratio = cache_.devicePixelRatio();
    painter.drawImage(QRectF(area), cache_,
                      QRectF(area.topLeft() * ratio, QSizeF(area.size()) * ratio));
    painter.setClipRect(area);
    if (!doc_.text.empty() || (caretShown_ && hasFocus())) {
        DrawText(painter);
    }
    if (dragFrom_) {
        painter.setPen(QPen(kBandColour, 1, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(*dragFrom_, dragTo_).normalized());
    }
}

}  // namespace moru
