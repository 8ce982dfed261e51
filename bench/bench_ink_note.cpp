// The ink note and the day item menu at their heaviest: a memo of 2,000 strokes loaded and
// painted, one pointer move while writing on top of it, and the day item menu of a day with
// 200 items (50 of each kind) and 20 memos, opened from the month screen's day list.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QMouseEvent>
#include <algorithm>
#include <filesystem>
#include <random>

#include "bench/bench_widgets.h"
#include "platform/device_root.h"
#include "platform/qt/ink_note.h"
#include "platform/scripted_ui_host.h"
#include "screens/day_item_menu.h"
#include "screens/day_list.h"
#include "screens/month_calendar_screen.h"
#include "store/memo_files.h"
#include "store/store_connection.h"

namespace {

using namespace moru;
using namespace moru::bench;
namespace fs = std::filesystem;

constexpr int kStrokes = 2000;
constexpr int kPointsPerStroke = 30;
constexpr QSize kNoteSize{240, 243};  // the memo editor's note on the 240 x 267 screen

// Handwriting-like strokes, all inside the visible note so that every one is drawn.
std::vector<uint8_t> BusyNote() {
    std::mt19937 random(2000);
    InkContent content;
    for (int s = 0; s < kStrokes; ++s) {
        InkStroke stroke;
        int x = static_cast<int>(random() % 200 + 10) * kInkUnitsPerPixel;
        int y = static_cast<int>(random() % 200 + 10) * kInkUnitsPerPixel;
        // A pen's pressure drifts along a stroke rather than jumping between samples.
        int pressure = static_cast<int>(20000 + random() % 20000);
        for (int p = 0; p < kPointsPerStroke; ++p) {
            x += static_cast<int>(random() % 33) - 16;
            y += static_cast<int>(random() % 33) - 16;
            pressure = std::clamp(pressure + static_cast<int>(random() % 1001) - 500, 0, 65535);
            stroke.points.push_back({x, y, static_cast<uint16_t>(pressure)});
        }
        content.strokes.push_back(std::move(stroke));
    }
    return EncodeInk(content);
}

void BM_LoadAndPaint2000Strokes(benchmark::State& state) {
    App();
    const std::vector<uint8_t> bytes = BusyNote();
    InkNote note;
    note.resize(kNoteSize);
    note.show();
    QApplication::processEvents();
    for (auto _ : state) {
        note.LoadContent(bytes);
        note.viewport()->repaint();
    }
    state.counters["bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_LoadAndPaint2000Strokes)->Unit(benchmark::kMillisecond);

void BM_MoveWhileWriting(benchmark::State& state) {
    App();
    InkNote note;
    note.resize(kNoteSize);
    note.show();
    note.LoadContent(BusyNote());
    note.SetInputMode(InkNote::kWritingMode);
    note.SetPenWidth(2);
    note.viewport()->repaint();
    QWidget* surface = note.viewport();
    auto send = [&](QEvent::Type type, QPoint at) {
        QMouseEvent event(type, at, surface->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(surface, &event);
    };
    int step = 0;
    QApplication::processEvents();  // the window's first show and fonts, before timing
    send(QEvent::MouseButtonPress, {20, 20});
    for (auto _ : state) {
        ++step;
        const QPoint at(20 + (step * 7) % 200, 20 + (step / 30) % 200);
        send(QEvent::MouseMove, at);
        QApplication::processEvents();  // the partial repaint the move asked for
        if (step % 200 == 0) {
            state.PauseTiming();
            send(QEvent::MouseButtonRelease, at);
            send(QEvent::MouseButtonPress, at);
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_MoveWhileWriting)->Unit(benchmark::kMicrosecond);

void BM_DayItemMenuOf200Items(benchmark::State& state) {
    App();
    const fs::path root =
        fs::temp_directory_path() / ("bench_ink_note_" + std::to_string(getpid()));
    fs::create_directories(root);
    SetDeviceRoot(root);
    Calendar().dataFolder = u"\\My Documents\\MoruCalendar";
    if (!OpenStoreConnection()) {
        state.SkipWithError("store");
        return;
    }
    const LocalTimePin pin(MakeSystemTime(2015, 2, 10, 12));
    for (int i = 0; i < 200; ++i) {
        auto item = TheStoreConnection().application->CreateItem(poom::kAppointmentItem);
        item->SetSubject(u"Item " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)));
        item->SetStart(*MakeDate(2015, 2, 16, 8 + i % 10, i % 60));
        item->SetEnd(*MakeDate(2015, 2, 16, 19));
        item->Save();
        OidList* lists[] = {&Calendar().AlarmOids, &Calendar().HolidayOids,
                            &Calendar().AnniversaryOids, nullptr};
        if (OidList* list = lists[i % 4]) {
            list->push_back(item->Oid());
        }
    }
    for (int m = 0; m < 20; ++m) {
        WriteMemoFile(MemoFileName(MakeSystemTime(2015, 2, 16), MakeSystemTime(2015, 2, 16, 9, m)),
                      EncodeInk({u"memo", {}}));
    }
    NoHost host;
    ScriptedUiHost ui;
    {
        MonthCalendarScreen screen(host, nullptr);
        screen.show();
        screen.PaintNow();
        // A tap on the 16th fills the day list; the menu is then built from it each time.
        const CellRect cell = screen.cellRect(2, 1);
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(cell.left + 10, cell.top + 10),
                          QPointF(), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&screen, &press);
        if (screen.dayList().items.size() != 200) {
            state.SkipWithError("the day list does not hold the 200 items");
        }
        for (auto _ : state) {
            ShowDayItemMenu(screen);
        }
        state.counters["entries"] = static_cast<double>(ui.menus.back().menu.items.size());
    }
    CloseStoreConnection();
    fs::remove_all(root);
}
BENCHMARK(BM_DayItemMenuOf200Items)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
