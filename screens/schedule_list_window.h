#pragma once
// The schedule list (tab 1, also reached as screen 4): the items of one kind at a time. For
// alarms, holidays and anniversaries every item of the kind (a CategoryList each); for
// appointments those of a period chosen with two date pickers (the PeriodAgenda). A kind icon
// and title, arrows that step through the kinds, a new button, a scroll bar, and the item
// commands: New, View, Modify, Delete, Copy to a kind. The editing itself is the appointment
// editor's and the detail dialog's.
//
// On the screen frame: the lists are child panes with their own refresh and paint; the window
// paints its header from its state (LayoutFor) and hit-tests the same rectangles.
#include <QDate>
#include <array>

#include "screens/hosted_screen.h"
#include "store/appointment_record.h"

class QDateEdit;
class QScrollBar;

namespace moru {

class CategoryList;
class PeriodAgenda;

class ScheduleListWindow : public HostedScreen {
    Q_OBJECT

public:
    ScheduleListWindow(ScreenHost& host, QWidget* parent);
    ~ScheduleListWindow() override;

    // Re-reads the three kind lists and the period's appointments (the main view's refresh).
    void ReloadList();
    // How many times the lists were reloaded since the window was built.
    int reloadCount() const { return reloadCount_; }

    // The current kind tab: Alarm, Holiday, Anniversary or Appointment.
    ItemKind tab() const { return tab_; }
    void ShowTab(ItemKind tab);

    // The appointment editor saved an item opened from here.
    void ItemSaved(uint32_t oid, const AppointmentRecord& record, bool isNew);

    // A command of the item popup menu (or the same command from elsewhere).
    void OnCommand(int command);

    // The pickers' close-up: the period's rules, then the agenda for it.
    void FromDateClosed();
    void ToDateClosed();

    CategoryList& kindList(ItemKind kind) const { return *lists_[static_cast<size_t>(kind)]; }
    PeriodAgenda& agenda() const { return *agenda_; }
    QDateEdit& fromPicker() const { return *fromPicker_; }
    QDateEdit& toPicker() const { return *toPicker_; }
    QScrollBar& scrollBar() const { return *scrollBar_; }

    // The selection's row stays where it was on screen when the top row moves from
    // `oldTop` to `newTop`; a selection above the old top stays put. Never past the last item.
    static int SelectionAfterScroll(int selected, int oldTop, int newTop, int count);

    // What the window's header shows.
    struct Layout {
        int kindIconSourceX = 0;  // the tab's 25 x 25 icon in bitmap 151
        std::u16string title;
        int newButtonSourceX = 0;  // the normal or the pressed half of bitmap 152
    };
    Layout LayoutFor() const;

protected:
    void PaintScreen(QPainter& painter) override;
    void PenDown(int x, int y) override;
    void PenMove(int x, int y) override;
    void PenUp(int x, int y) override;
    void KeyDown(int virtualKey) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void PlaceChildren();
    void UpdateScrollBar();
    void OnScrollValue(int value);
    void ScrollTo(int newTop);
    void ReloadAgenda();
    void StepKind(int step);

    void New();
    void Modify();
    void View();
    void Delete();
    void CopyTo(ItemKind kind);
    // Runs the editor for `mode`; `record` is the item to change in the changing modes.
    void RunEditor(int mode, const AppointmentRecord* record);
    bool SelectedRecord(AppointmentRecord& record) const;
    void ShowPrompt(std::u16string_view text);

    ItemKind tab_ = Alarm;
    std::array<CategoryList*, 3> lists_{};
    PeriodAgenda* agenda_ = nullptr;
    QDateEdit* fromPicker_ = nullptr;
    QDateEdit* toPicker_ = nullptr;
    QScrollBar* scrollBar_ = nullptr;
    bool newPressed_ = false;  // drawn pushed
    bool newArmed_ = false;    // the pen went down on it
    int reloadCount_ = 0;
};

}  // namespace moru
