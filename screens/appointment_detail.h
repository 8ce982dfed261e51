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
//
// Prepare() reads the store once (the date texts, the ink body) before the dialog shows; the
// paint draws LayoutFor() of the record and those texts only.
#include <array>
#include <string>

#include "platform/qt/pixel_dialog.h"
#include "store/appointment_record.h"

namespace moru {

class InkNote;

class AppointmentDetail : public PixelDialog {
    Q_OBJECT

public:
    static constexpr int kModifyResult = 10;
    static constexpr int kDeleteResult = 11;

    explicit AppointmentDetail(QWidget* parent = nullptr);
    ~AppointmentDetail() override;

    AppointmentRecord record;  // assigned by the caller before the dialog runs

    // Prepares the dialog (once), then runs it.
    int Exec() override;
    // Reads the appointment by its identifier: the two date texts and its ink body, shown
    // in a read-only ink note. Does nothing the second time. An identifier that no longer
    // resolves leaves the dates empty and no note.
    void Prepare();

    const std::u16string& startText() const { return startText_; }
    const std::u16string& endText() const { return endText_; }
    InkNote* inkNote() const { return ink_; }  // nullptr when there is none

    // What the face shows.
    struct Layout {
        int modifySourceX = 0;  // 0 the normal look, 20 the pressed one
        int deleteSourceX = 0;
        std::array<std::u16string, 4> rows;  // an empty row is not drawn
    };
    struct Buttons {
        bool modHover = false;
        bool modPressed = false;
        bool delHover = false;
        bool delPressed = false;
    };
    static Layout LayoutFor(const AppointmentRecord& record, const std::u16string& startText,
                            const std::u16string& endText, const Buttons& buttons);
    const Buttons& buttons() const { return buttons_; }

protected:
    void Paint(QPainter& painter) override;
    void PenDown(int x, int y) override;
    void PenMove(int x, int y) override;
    void PenUp(int x, int y) override;

private:
    void CreateInkNote();

    bool prepared_ = false;
    std::u16string startText_;  // at most 64 characters, as the date buffers held
    std::u16string endText_;
    InkNote* ink_ = nullptr;
    Buttons buttons_;
};

}  // namespace moru
