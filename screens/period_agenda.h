#pragma once
// The appointments of a chosen period (the schedule list's fourth tab): every occurrence that
// overlaps the period, in the store's order, five rows of two lines at a time: the subject
// and a line with the occurrence's date, weekday and times, its length, or "All day".
// Occurrences that are over are struck out in grey. A tap opens the item popup menu with
// the copy commands; for an item that already has a kind every command is grey.
//
// On the pane frame: QueryPeriod() reads the store and keeps the rows' records and lines;
// Refresh() reads the clock that decides which rows are past; LayoutFor() turns both into
// rows; Paint() draws them; PenDown() hit-tests the same rows.
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "platform/datetime.h"
#include "platform/qt/pixel_pane.h"
#include "platform/ui_host.h"
#include "screens/list_viewport.h"
#include "store/appointment_record.h"

namespace moru {

// The second line of an agenda row: "(12/7, Mon.) AM 9:00 - AM 10:30" for an occurrence
// within one day, "... at PM 10:00 for 4 hour(s)" for one that crosses midnight in less
// than a day, "... at AM 10:00 for 3 days" for longer ones, "... All day" for an all-day one.
std::u16string FormatAgendaLine(const AppointmentRecord& record);

// Whether an occurrence is over at `now`: its end, or for an all-day one the last second of
// its end date, is earlier.
bool IsPastOccurrence(const AppointmentRecord& record, const SystemTime& now);

class PeriodAgenda : public PixelPane {
    Q_OBJECT

public:
    static constexpr int kWidth = 240;
    static constexpr int kHeight = 170;
    static constexpr int kRowHeight = 34;
    static constexpr int kRows = 5;

    explicit PeriodAgenda(QWidget* parent);

    // Refills the rows with the occurrences that end on or after `from`'s day and start no
    // more than 31 days before it and not after `to`'s day. A failing query leaves no rows.
    void QueryPeriod(const SystemTime& from, const SystemTime& to);

    // Deletes the selected item from the store (the rows stay until the next query). Returns
    // true when the store no longer holds it.
    bool DeleteSelectedItem();
    bool MoveSelection(int virtualKey);

    const AppointmentArray& items() const { return items_; }
    ListViewport& viewport() { return view_; }
    const ListViewport& viewport() const { return view_; }
    int scrollPos = 0;             // the owner's last scroll position; reset by each query
    AppointmentRecord tappedItem;  // the item whose row the pen touched last

    std::function<void(int firstVisible)> onScrollUpdate;
    std::function<void(int command)> onCommand;

    // True when a multi-day occurrence with the same identifier, start, end and subject is
    // already listed (the store returns such an occurrence once per day it touches).
    bool IsDuplicate(const AppointmentRecord& record) const;

    struct Row {
        DeviceRect rect;
        bool selected = false;
        bool past = false;
        std::u16string subject;  // already shortened
        std::u16string line;
        const AppointmentRecord* item = nullptr;
    };
    struct Layout {
        bool empty = false;  // "No schedule"
        std::vector<Row> rows;
    };
    Layout LayoutFor() const;

    // The item popup menu for the agenda's item with identifier `oid`.
    static PopupMenu ItemPopupMenu(uint32_t oid);

protected:
    bool RefreshPending() const override { return true; }  // the clock decides what is past
    void Refresh() override;
    void Paint(QPainter& painter) override;
    void PenDown(int x, int y) override;

private:
    // An occurrence's identity for the duplicate test: identifier, start and end in seconds.
    using OccurrenceKey = std::tuple<uint32_t, int64_t, int64_t>;
    static OccurrenceKey KeyOf(const AppointmentRecord& record);

    AppointmentArray items_;
    std::multimap<OccurrenceKey, size_t> listed_;  // every item's key, to its index
    std::vector<std::u16string> lines_;            // FormatAgendaLine of each item
    SystemTime now_;                               // read before each paint
    ListViewport view_{0, 0, 0, kRows, kRowHeight};
};

}  // namespace moru
