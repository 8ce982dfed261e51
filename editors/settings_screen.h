#pragma once
// The settings screen (tab 3): bulk deletion. Five check boxes, one per kind, each captioned
// with the number of items of its kind, and a Delete button that, after one confirmation,
// deletes every item of the chosen kinds: the store items, the identifier lists and the memo
// files. The tab bar, close and OK as on every screen.
//
// On the screen frame: Refresh() recounts before every paint (the counts change under the
// screen's feet, through the other screens and other programs); LayoutFor() turns the counts
// into the captions; PaintScreen() draws the white face and the "Delete..." label; the check
// boxes and the button are real controls placed over the face at the rectangles below, and
// follow the window's scale.
#include <array>
#include <string>

#include "screens/hosted_screen.h"
#include "store/kind_deletion.h"

class QCheckBox;
class QPushButton;

namespace moru {

class SettingsScreen : public HostedScreen {
    Q_OBJECT

public:
    // Control ids, in the order of the rows (and of the kinds).
    static constexpr int kAlarmsBox = 1051;
    static constexpr int kHolidaysBox = 1052;
    static constexpr int kAnniversariesBox = 1053;
    static constexpr int kAppointmentsBox = 1054;
    static constexpr int kMemosBox = 1055;
    static constexpr int kDeleteButton = 1056;
    static constexpr int kBoxCount = 5;

    SettingsScreen(ScreenHost& host, QWidget* parent);

    // The check box with that id (1051..1055), or null.
    QCheckBox* checkBox(int id) const;
    QPushButton* deleteButton() const { return deleteButton_; }

    // What the last count read.
    const KindCounts& counts() const { return counts_; }
    // True while a deletion runs (the window keeps repainting meanwhile).
    bool deleting() const { return deleting_; }

    // Reads the counts and writes the captions.
    void RefreshCounts();
    // Command 1056, the Delete button: confirm, delete the chosen kinds, clear the boxes.
    void OnDelete();

    struct Layout {
        std::array<std::u16string, kBoxCount> captions;  // by row: alarms .. memos
    };
    static Layout LayoutFor(const KindCounts& counts);
    // "All alarms ( %d item(s) )" and its siblings, for the check box `id`.
    static std::u16string CountedCaption(int id, long count);

signals:
    // A deletion has ended and the counts were read again.
    void DeletionFinished();

protected:
    bool RefreshPending() const override { return true; }
    void Refresh() override;
    void PaintScreen(QPainter& painter) override;
    void PenDown(int x, int y) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void PlaceControls();
    KindChoice ChosenKinds() const;
    void SetControlsEnabled(bool enabled);
    void RunDeletion(KindChoice choice);

    std::array<QCheckBox*, kBoxCount> boxes_{};
    QPushButton* deleteButton_ = nullptr;
    KindCounts counts_;
    bool deleting_ = false;
};

}  // namespace moru
