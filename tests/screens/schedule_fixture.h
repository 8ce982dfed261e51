#pragma once
// What the schedule list's tests share: a temporary device root with the store open and the
// category file read, a pinned clock, a scripted UI host, and a way to add store items.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <filesystem>
#include <optional>
#include <string>

#include "app/screen_host.h"
#include "platform/datetime.h"
#include "platform/poom/poom.h"
#include "platform/scripted_ui_host.h"
#include "store/calendar_state.h"
#include "store/category_store.h"
#include "store/store_connection.h"
#include "tests/support/temp_root.h"

namespace moru::test {

class RecordingHost : public ScreenHost {
public:
    void SwitchScreen(int screen) override { switched.push_back(screen); }
    void SaveAndMinimize() override { ++saves; }
    void PostDataChanged() override { ++dataChanged; }
    std::vector<int> switched;
    int saves = 0;
    int dataChanged = 0;
};

inline SystemTime At(int y, int m, int d, int h = 0, int min = 0, int s = 0) {
    return MakeSystemTime(y, m, d, h, min, s);
}

struct ItemSpec {
    std::u16string subject = u"Item";
    SystemTime start;
    SystemTime end;
    bool allDay = false;
    bool reminder = false;
    int dailyFor = 0;  // > 0: a daily series of that many occurrences; < 0: one without end
};

class StoreFixture : public testing::Test {
protected:
    StoreFixture() : pin_(MakeSystemTime(2015, 12, 9, 12)) {
        EXPECT_TRUE(OpenStoreConnection());
        EXPECT_TRUE(LoadCategoryStore());
    }
    ~StoreFixture() override {
        poom::ClearFaults();
        CloseStoreConnection();
    }

    uint32_t Add(const ItemSpec& spec, OidList* kind = nullptr) {
        auto item = TheStoreConnection().application->CreateItem(poom::kAppointmentItem);
        item->SetSubject(spec.subject);
        item->SetStart(*SystemTimeToVariantTime(spec.start));
        item->SetEnd(*SystemTimeToVariantTime(spec.end));
        item->SetAllDayEvent(spec.allDay);
        item->SetReminderSet(spec.reminder);
        if (spec.dailyFor != 0) {
            poom::RecurrencePattern pattern = item->GetRecurrencePattern();
            pattern.SetRecurrenceType(poom::kRecursDaily);
            pattern.SetPatternStartDate(*SystemTimeToVariantTime(spec.start));
            pattern.SetStartTime(*SystemTimeToVariantTime(spec.start));
            pattern.SetInterval(1);
            if (spec.dailyFor > 0) {
                pattern.SetOccurrences(spec.dailyFor);
            }
            pattern.SetNoEndDate(spec.dailyFor < 0);
        }
        EXPECT_TRUE(item->Save().ok());
        if (kind) {
            kind->push_back(item->Oid());
        }
        return item->Oid();
    }
    uint32_t Add(std::u16string subject, SystemTime start, SystemTime end,
                 OidList* kind = nullptr) {
        ItemSpec spec;
        spec.subject = std::move(subject);
        spec.start = start;
        spec.end = end;
        return Add(spec, kind);
    }
    static bool InStore(uint32_t oid) {
        AppointmentRecord record;
        return LoadAppointment(oid, record) != 0;
    }
    // The identifiers "MoruCalendar.dat" holds for each kind.
    std::array<std::vector<uint32_t>, 3> FileLists() const {
        const std::string bytes =
            ReadFileBytes(root_.path() / "My Documents" / "MoruCalendar" / "MoruCalendar.dat");
        std::array<std::vector<uint32_t>, 3> lists;
        size_t at = 0;
        const auto word = [&] {
            uint32_t v = 0;
            for (int i = 0; i < 4 && at < bytes.size(); ++i) {
                v |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[at++])) << (8 * i);
            }
            return v;
        };
        for (auto& list : lists) {
            const uint32_t n = word();
            for (uint32_t i = 0; i < n && at < bytes.size(); ++i) {
                list.push_back(word());
            }
            ++at;  // the separator
        }
        return lists;
    }

    TempDeviceRoot root_;
    ScopedCalendarState calendar_;
    ScriptedUiHost ui_;
    LocalTimePin pin_;
};

inline QColor Px(const QImage& image, int x, int y) {
    return QColor(image.pixel(x, y));
}

// Pixels of `colour` inside a rectangle (right and bottom exclusive).
inline int CountColour(const QImage& image, int left, int top, int right, int bottom,
                       const QColor& colour) {
    int n = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            n += QColor(image.pixel(x, y)) == colour;
        }
    }
    return n;
}

}  // namespace moru::test
