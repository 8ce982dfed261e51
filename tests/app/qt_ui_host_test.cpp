// The Qt side of the UI host (menus built from menu data, the headless answers), the About
// box as painted, and the About command reaching it from the window's menu bar.
#include "platform/qt/qt_ui_host.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QMenuBar>

#include "app/about_dialog.h"
#include "app/main_frame.h"
#include "app/plumdial_app.h"
#include "platform/scripted_ui_host.h"
#include "resources/menus.h"
#include "tests/support/temp_root.h"

namespace moru {
namespace {

TEST(FillQMenuTest, BuildsActionsFromMenuData) {
    PopupMenu menu = LoadSubMenu(kItemMenus, 0);
    menu.SetGrayAt(1, true);
    menu.SetCheckedByCommand(command::kView, true);
    auto sub = std::make_shared<PopupMenu>();
    sub->Append(33001, u"Dentist");
    menu.AppendSubmenu(u"Alarm: 1", sub);

    QMenu qmenu;
    FillQMenu(qmenu, menu);
    const QList<QAction*> actions = qmenu.actions();
    ASSERT_EQ(actions.size(), 9);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("View..."));
    EXPECT_EQ(actions[0]->data().toInt(), command::kView);
    EXPECT_TRUE(actions[0]->isChecked());
    EXPECT_FALSE(actions[1]->isEnabled()) << "gray entries cannot be chosen";
    EXPECT_TRUE(actions[2]->isEnabled());
    EXPECT_FALSE(actions[2]->isCheckable());
    EXPECT_TRUE(actions[4]->isSeparator());
    EXPECT_EQ(actions[7]->data().toInt(), command::kCopyToAnniversary);
    ASSERT_NE(actions[8]->menu(), nullptr);
    EXPECT_EQ(actions[8]->text(), QStringLiteral("Alarm: 1"));
    ASSERT_EQ(actions[8]->menu()->actions().size(), 1);
    EXPECT_EQ(actions[8]->menu()->actions()[0]->data().toInt(), 33001);
}

TEST(QtUiHostTest, WithoutADisplayAnswersWithTheDefaultButton) {
    ASSERT_TRUE(QtUiHost::IsHeadless());
    QtUiHost host;
    testing::internal::CaptureStderr();
    EXPECT_EQ(host.MessageBox(u"Are you sure to delete?", u"Delete", kMbYesNo), kIdYes);
    EXPECT_EQ(host.MessageBox(u"Cannot open MoruCalendar.dat", u"", kMbOk), kIdOk);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Delete: Are you sure to delete?"), std::string::npos);
    EXPECT_NE(err.find("Moru Calendar: Cannot open MoruCalendar.dat"), std::string::npos);
    EXPECT_EQ(host.TrackPopupMenu(LoadSubMenu(kItemMenus, 0), MenuAlign::Left, 10, 10), 0);
    CAboutDialog dialog;
    QtModalDialog modal(dialog, "CAboutDialog");
    EXPECT_EQ(host.RunModal(modal), kIdCancel) << "nobody could close it";
}

TEST(AboutDialogTest, TitleBandAndRule) {
    const QImage image = CAboutDialog().Render();
    int blue = 0;
    for (int y = 0; y < 25; ++y) {
        for (int x = 5; x < 240; ++x) {
            blue += image.pixelColor(x, y) == QColor(0, 0, 255);
        }
    }
    EXPECT_GT(blue, 100);
    // The rule runs from (0, 25) up to, not including, (240, 25): all 240 pixels.
    for (int x = 0; x < 240; ++x) {
        ASSERT_EQ(image.pixelColor(x, 25), QColor(Qt::black)) << x;
    }
    EXPECT_EQ(image.pixelColor(0, 26), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(2, 12), QColor(Qt::white)) << "the title starts at x 5";
    // The name and, under it, the version are written in black.
    for (const int top : {35, 55}) {
        int ink = 0;
        for (int y = top; y < top + 20; ++y) {
            for (int x = 5; x < 235; ++x) {
                ink += image.pixelColor(x, y) == QColor(Qt::black);
            }
        }
        EXPECT_GT(ink, 30) << "row at y " << top;
    }
    EXPECT_TRUE(CAboutDialog::VersionLine().startsWith(QStringLiteral("Version ")));
    EXPECT_FALSE(CAboutDialog::VersionLine().endsWith(QStringLiteral(" ")));
}

TEST(AboutCommandTest, AboutInTheMenuBarRunsTheAboutBox) {
    setenv("MORU_RINGSET", "/bin/true", 1);
    test::TempDeviceRoot root;
    ScriptedUiHost ui;
    CPlumdialApp app(StartOptions{});
    ASSERT_TRUE(app.InitInstance());
    // The screen's own "About" menu, last in the bar.
    const QList<QAction*> bar = app.frame()->menuBar()->actions();
    ASSERT_FALSE(bar.isEmpty());
    QMenu* about = bar.last()->menu();
    ASSERT_NE(about, nullptr);
    ASSERT_EQ(about->actions().size(), 1);
    about->actions()[0]->trigger();
    EXPECT_EQ(ui.dialogs, std::vector<std::string>{"CAboutDialog"});
}

}  // namespace
}  // namespace moru
