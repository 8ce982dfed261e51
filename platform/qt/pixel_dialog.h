#pragma once
// The base of the pixel-drawn modal dialogs (the appointment editor, the recurrence wizard,
// the detail dialog): a QDialog run through the UI host, whose face is drawn into a back
// buffer in the design's logical pixels like a screen's, with real Qt controls (date and time
// edits, combo boxes, check boxes, line edits) placed over it at logical rectangles. The
// dialog comes up at the calendar window's scale, and its controls follow it.
//
// A subclass supplies, as a screen does, Refresh() (reading the store), Paint() (drawing its
// state only) and the pen handlers (hit tests in logical pixels). When it writes its own
// values back into its controls it does so inside SetQuietly, so that the controls' change
// signals do not run the handlers meant for the user's edits.
#include <QDialog>
#include <QSignalBlocker>
#include <string>
#include <utility>
#include <vector>

#include "platform/qt/pixel_pane.h"
#include "platform/ui_host.h"

namespace moru {

class PixelDialog : public QDialog, public ModalDialog {
    Q_OBJECT

public:
    PixelDialog(QSize logicalSize, std::string dialogName, QWidget* parent);
    ~PixelDialog() override;

    // ModalDialog: runs the dialog for real (the UI host calls it).
    int Exec() override { return exec(); }
    std::string DialogName() const override { return dialogName_; }

    // The face as last painted, and a paint into it now (tests).
    const QImage& backBuffer() const;
    void PaintNow();
    void SetScale(int scale);
    int scale() const;

    // Runs the pen handlers as a tap in logical pixels would (tests, and the controls'
    // labels that forward their taps).
    void PenDownAt(int x, int y) { PenDown(x, y); }
    void PenMoveAt(int x, int y) { PenMove(x, y); }
    void PenUpAt(int x, int y) { PenUp(x, y); }

    // Writes into a control without its change signals firing.
    template <class Control, class Write>
    static void SetQuietly(Control* control, Write&& write) {
        const QSignalBlocker blocker(control);
        std::forward<Write>(write)();
    }

protected:
    virtual bool RefreshPending() const;
    virtual void Refresh() {}
    virtual void Paint(QPainter& painter) = 0;
    virtual void PenDown(int x, int y);
    virtual void PenMove(int x, int y);
    virtual void PenUp(int x, int y);

    void RequestRefresh();
    void Invalidate();
    void Invalidate(const DeviceRect& logicalRect);

    // Places a control at a logical rectangle, above the face; it moves and resizes with the
    // scale. A font given here is the control's at scale 1 and grows with the scale.
    void PlaceControl(QWidget* control, const DeviceRect& logical, const QFont* font = nullptr);

private:
    class Face;
    friend class Face;
    struct Placement {
        QWidget* control;
        DeviceRect logical;
        bool hasFont;
        QFont font;
    };
    void ApplyPlacement(const Placement& placement);

    std::string dialogName_;
    Face* face_;
    std::vector<Placement> placements_;
};

}  // namespace moru
