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
//
// Before it runs, the dialog opens its item: a new item is created (unsaved) in the store and
// preset, a changed one is fetched by its identifier. Open() does that once; Exec() calls it,
// and a script that drives the dialog without running it calls it itself. A changed item that
// is no longer in the store is reported and the dialog ends with Cancel, never editing it.
//
// The rows are painted; the one editing control of a tapped row shows over it (every tap
// first hides them all). OK saves (accept()), Cancel discards a new item and leaves a changed
// one as it is stored (reject()).
#include <cstdint>
#include <optional>

#include "editors/editor_layout.h"
#include "platform/poom/poom.h"
#include "platform/qt/pixel_dialog.h"
#include "store/appointment_record.h"

class QCheckBox;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QTimeEdit;

namespace moru {
class DropDownList;
}

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

    // The opening sequence, once; false (after saying why) when there is no item to edit.
    bool Open();
    int Exec() override;
    // OK: validates and saves; the dialog stays open on the first refusal.
    void accept() override;
    // Cancel: nothing is saved.
    void reject() override;

    // The controls, for scripts and tests.
    QLineEdit* subjectEdit() const { return subject_; }
    QDateEdit* startDateEdit() const { return startDate_; }
    QTimeEdit* startTimeEdit() const { return startTime_; }
    QDateEdit* endDateEdit() const { return endDate_; }
    QTimeEdit* endTimeEdit() const { return endTime_; }
    QCheckBox* allDayBox() const { return allDay_; }
    DropDownList* recurList() const { return recur_; }
    DropDownList* yesNoList() const { return yesNo_; }
    QLineEdit* amountEdit() const { return amount_; }
    DropDownList* unitList() const { return unit_; }
    DropDownList* soundList() const { return sound_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }
    // The editing control a tap has shown, nullptr when none is.
    QWidget* shownControl() const;
    // The painted rows' values, as the face shows them now.
    EditorFaceState faceState() const;
    // The pattern object the item is edited with (valid once opened).
    poom::RecurrencePattern* pattern() { return pattern_ ? &*pattern_ : nullptr; }

protected:
    void Paint(QPainter& painter) override;
    void PenDown(int x, int y) override;

private:
    void CreateControls();
    void ConnectControls();
    bool FetchChangedItem();
    bool CreateNewItem();
    void PresetNewItem();
    void SetStartPickers(const SystemTime& date, const SystemTime& time);
    void SetEndPickers(const SystemTime& date, const SystemTime& time);
    void PlaceForKind();
    const QFont* FontFor(const QWidget* control) const;
    void HideEditingControls();
    void Show(EditorTarget target);

    void FillRepeatChoices();
    void FillSoundList();
    void SetReminderControls();
    void UpdateReminderEnabling();
    void RecurClosedUp();
    void SeedPattern();
    void PlayChosenSound();
    void StopChosenSound();
    void EditMemo();
    void StartChanged();
    void EndChanged();

    // Start and end as the pickers give them, to the second.
    SystemTime StartValue() const;
    SystemTime EndValue() const;
    SystemTime StartDateValue() const;
    SystemTime EndDateValue() const;
    bool SaveAppointment();
    void Close(int result);

    bool hasTimeOfDay() const { return kind_ == Alarm || kind_ == Appointment; }
    bool soundChosen() const;

    EditorMode mode_;
    ItemKind kind_;
    uint32_t savedOid_ = 0;
    AppointmentRecord savedRecord_;

    std::optional<bool> opened_;  // the result of Open(), once it ran
    std::optional<poom::Appointment> item_;
    std::optional<poom::RecurrencePattern> pattern_;
    bool soundPlaying_ = false;

    QLineEdit* subject_;
    QDateEdit* startDate_;
    QTimeEdit* startTime_;
    QDateEdit* endDate_;
    QTimeEdit* endTime_;
    QCheckBox* allDay_;
    DropDownList* recur_;
    DropDownList* yesNo_;
    QLineEdit* amount_;
    DropDownList* unit_;
    DropDownList* sound_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

}  // namespace moru
