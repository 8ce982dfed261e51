#pragma once
// One category's items on the schedule list: the alarms, the holidays or the anniversaries,
// four rows of three text lines at a time, with a highlighted selection, the up and down keys
// and the item popup menu ("View...", "Modify...", "Delete...") where the pen touches a row.
//
// The category of an appointment is the membership of its identifier in the kind's list
// (AlarmOids, HolidayOids, AnniversaryOids). The list mirrors that identifier list as records
// read from the store, sorted for display, and is the one place that changes it for the
// schedule list: every change is written to "MoruCalendar.dat" at once, so that a kind never
// depends on a later clean exit to survive.
//
// On the pane frame: FillList() and the other operations read the store and keep what the
// rows show (records and their date texts); LayoutFor() turns that into rows; Paint() draws
// them; PenDown() hit-tests the same rows.
#include <functional>
#include <string>
#include <vector>

#include "platform/qt/pixel_pane.h"
#include "platform/ui_host.h"
#include "screens/list_viewport.h"
#include "store/appointment_record.h"

namespace moru {

class CategoryList : public PixelPane {
    Q_OBJECT

public:
    static constexpr int kWidth = 240;
    static constexpr int kHeight = 204;
    static constexpr int kRowHeight = 51;
    static constexpr int kRows = 4;

    // `kind` is Alarm, Holiday or Anniversary and never changes.
    CategoryList(ItemKind kind, QWidget* parent);

    ItemKind kind() const { return kind_; }

    // Rebuilds the rows from the kind's identifier list. Identifiers whose appointments the
    // store no longer holds are dropped from the list (and the file); one the store cannot
    // read just now stays in the list and is left off the rows.
    void FillList();

    enum class AddMode { Replace, Add };
    // Puts a stored appointment into the category: Add appends `newOid` to the kind's list
    // and inserts the record in sorted place; Replace puts it where the selected item was
    // (alarms re-sorted by time of day). Nothing happens when the record's appointment cannot
    // be read, and Add leaves an identifier that another kind already holds where it is.
    // Returns true when the rows changed.
    bool AddOrReplaceItem(uint32_t newOid, const AppointmentRecord& record, AddMode mode);

    // Deletes the selected item from the store, then from the rows and the kind's list. A
    // store that refuses leaves everything as it was. Returns true when it was deleted.
    bool DeleteSelectedItem();

    // The up and down keys (38, 40): true for them whether or not anything moved, false for
    // every other key.
    bool MoveSelection(int virtualKey);

    const AppointmentArray& items() const { return items_; }
    // The selection and top row (the owner's scroll bar reads and writes them).
    ListViewport& viewport() { return view_; }
    const ListViewport& viewport() const { return view_; }
    int scrollPos = 0;  // the owner's last scroll position; the list only resets it

    // Called with the new top row when a key moved it (the owner moves its scroll thumb).
    std::function<void(int firstVisible)> onScrollUpdate;
    // Called with the command chosen from the item popup menu.
    std::function<void(int command)> onCommand;

    // What a row shows.
    struct Row {
        DeviceRect rect;
        bool selected = false;
        std::u16string lines[3];  // subject line (already shortened), date or pattern, range
        const AppointmentRecord* item = nullptr;  // for the status icons
    };
    struct Layout {
        std::u16string emptyLabel;  // set when there are no items
        std::vector<Row> rows;
    };
    Layout LayoutFor() const;

    // The item popup menu of the category lists.
    static PopupMenu ItemPopupMenu();

protected:
    void Paint(QPainter& painter) override;
    void PenDown(int x, int y) override;

private:
    // The start and end date texts of an item, read with its record.
    struct RangeDates {
        std::u16string start;
        std::u16string end;
    };

    OidList& Oids() const;
    // The display order: seconds of the day for alarms, seconds since the origin otherwise.
    int64_t SortKey(const AppointmentRecord& record) const;
    bool SortsAfter(const AppointmentRecord& item, const AppointmentRecord& added) const;
    void InsertSorted(AppointmentRecord record);
    void InsertAt(size_t index, AppointmentRecord record);
    void RemoveItemAt(size_t index);
    void SaveLists() const;

    ItemKind kind_;
    AppointmentArray items_;         // in display order
    std::vector<RangeDates> dates_;  // one per item, same order
    ListViewport view_{0, 0, 0, kRows, kRowHeight};
};

}  // namespace moru
