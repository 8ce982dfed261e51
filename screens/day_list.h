#pragma once
// The selected day's appointments, held for the month calendar: a panel that the month screen
// keeps hidden and uses only as the holder of the day's records, from which the day item menu
// is built. Every change of the selected date refills it with QueryDay.
#include <QWidget>
#include <cstdint>

#include "store/appointment_record.h"
#include "store/day_items.h"

namespace moru {

class DayList : public QWidget {
    Q_OBJECT

public:
    explicit DayList(QWidget* parent);

    // Refills `items` for year, month and day; `owner` is remembered for the panel's commands.
    void QueryDay(QWidget* owner);

    QWidget* owner = nullptr;  // set by each query
    int32_t year = 0;          // the day to list; written before each query
    int32_t month = 0;
    int32_t day = 0;
    int32_t selected = 0;      // reset to 0 by the month screen before each query
    int32_t firstVisible = 0;  // reset to 0 by the month screen before each query
    int32_t detailMode = 0;    // reset to 0 by the month screen before each query
    AppointmentArray items;    // the day's appointments, in the store's order
};

}  // namespace moru
