// Ctrl+Q is the main view's close: the event loop ends with 0 and, once the window goes, the
// store connection is closed. (On its own in this program: ending the event loop also ends
// any loop a later test would run.)
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>

#include "app/main_frame.h"
#include "app/plumdial_doc.h"
#include "app/plumdial_view.h"
#include "platform/scripted_ui_host.h"
#include "store/store_connection.h"
#include "tests/support/temp_root.h"

namespace moru {
namespace {

TEST(QuitShortcutTest, CtrlQEndsTheProgramAndClosesTheStore) {
    setenv("MORU_RINGSET", "/bin/true", 1);
    test::TempDeviceRoot root;
    ScriptedUiHost ui;
    CPlumdialDoc document;
    auto frame = std::make_unique<CMainFrame>(document);
    frame->view().OnInitialUpdate();
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    ASSERT_NE(TheStoreConnection().application, nullptr);

    QTimer::singleShot(0, frame.get(),
                       [&] { QTest::keyClick(frame.get(), Qt::Key_Q, Qt::ControlModifier); });
    // A safety net: a failure must not hang the test run.
    QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });
    EXPECT_EQ(QApplication::exec(), 0);
    frame.reset();
    EXPECT_EQ(TheStoreConnection().application, nullptr);
}

}  // namespace
}  // namespace moru
