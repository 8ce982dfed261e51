#include "app/main_frame.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QSocketNotifier>
#include <QVBoxLayout>
#include <cstdio>

#include "app/plumdial_view.h"
#include "app/window_messages.h"
#include "platform/poom/poom.h"
#include "platform/qt/qt_ui_host.h"
#include "platform/text.h"
#include "resources/menus.h"
#include "resources/strings.h"
#include "screens/hosted_screen.h"

namespace moru {
namespace {

// The store's change notice as the frame posts it to itself.
constexpr int kStoreChangedMessage = WM_USER + 1;

// Nothing in the calendar handles the command bar's edit commands or Save As: they are shown
// gray, as the device's framework shows commands without a handler.
void GrayUnhandled(PopupMenu& menu) {
    for (PopupMenu::Item& item : menu.items) {
        if (item.submenu) {
            GrayUnhandled(*item.submenu);
        } else if (!item.separator && item.commandId != command::kAbout) {
            item.gray = true;
        }
    }
}

}  // namespace

CMainFrame::CMainFrame(CPlumdialDoc& document) {
    setWindowTitle(
        QString::fromStdU16String(std::u16string(LoadCalendarString(kFrameClassNameString))));

    view_ = new CPlumdialView(document, this);
    menuBar_ = new QMenuBar(this);
    // A desktop-wide menu bar would take the menus away from below the screen.
    menuBar_->setNativeMenuBar(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(view_, 0, Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(menuBar_);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(view_, &CPlumdialView::VisibleScreenChanged, this, &CMainFrame::RebuildMenuBar);
    connect(menuBar_, &QMenuBar::triggered, this, [this](QAction* action) {
        if (const int id = action->data().toInt()) {
            emit CommandChosen(id);
        }
    });
    // Ctrl+Q is the main view's close: the program ends.
    auto* quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    connect(quit, &QShortcut::activated, view_, &QWidget::close);

    QCoreApplication::instance()->installEventFilter(this);
    RebuildMenuBar();
}

CMainFrame::~CMainFrame() {
    if (QCoreApplication::instance()) {
        QCoreApplication::instance()->removeEventFilter(this);
    }
}

void CMainFrame::SetScale(int scale) {
    view_->SetScale(scale);
}

bool CMainFrame::WatchStore() {
    auto watcher = poom::ChangeWatcher::Open(poom::DefaultStoreFile());
    if (!watcher) {
        std::fprintf(stderr, "moru-calendar: changes by other programs will not show at once: %s\n",
                     watcher.error().message.c_str());
        return false;
    }
    watcher_ = std::move(*watcher);
    notifier_ = new QSocketNotifier(watcher_->fd(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &CMainFrame::OnStoreReadable);
    return true;
}

void CMainFrame::OnStoreReadable() {
    if (watcher_->Drain()) {
        QCoreApplication::postEvent(this, new WindowMessageEvent(kStoreChangedMessage));
    }
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (IsForwardedMessage(event->type())) {
        const auto* message = dynamic_cast<const WindowMessageEvent*>(event);
        QCoreApplication::postEvent(
            view_, new WindowMessageEvent(kDataChangedMessage, message ? message->wParam() : 0,
                                          message ? message->lParam() : 0));
    }
    return QWidget::eventFilter(watched, event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (HostedScreen* screen = view_->visibleScreen()) {
        screen->CloseRequest();
    } else {
        // No screen to ask (the store could not be opened): the window's close ends it all.
        view_->close();
    }
}

PopupMenu CMainFrame::MenuBarContent() const {
    PopupMenu bar = LoadMenu(kFrameMenu);
    GrayUnhandled(bar);
    if (const HostedScreen* screen = view_->visibleScreen()) {
        for (PopupMenu::Item& item :
             CPlumdialView::CreateScreenMenuBar(screen->menuBarId()).items) {
            bar.items.push_back(std::move(item));
        }
    }
    return bar;
}

void CMainFrame::RebuildMenuBar() {
    // The bar's menus are rebuilt on every switch; the old ones go with their actions.
    menuBar_->clear();
    qDeleteAll(barMenus_);
    barMenus_.clear();
    for (const PopupMenu::Item& item : MenuBarContent().items) {
        if (!item.submenu) {
            continue;
        }
        QMenu* menu = menuBar_->addMenu(QString::fromStdU16String(item.text));
        FillQMenu(*menu, *item.submenu);
        barMenus_.push_back(menu);
    }
}

}  // namespace moru
