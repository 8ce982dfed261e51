#pragma once
// The calendar's window: the main view in the top-left corner, so that at scale 1 a client
// point (x, y) with y < 267 is the screen's own point, and one menu bar below it holding the
// command bar's "Edit" and "Tools" menus and the visible screen's menus.
//
// The frame also carries the store's change notices: it watches the store file (any process
// may change it), posts itself a store notice, and every store notice that passes through the
// event loop, whoever it was posted to, goes on to the view as DataChanged.
#include <QList>
#include <QWidget>
#include <memory>

#include "platform/ui_host.h"

class QMenu;
class QMenuBar;
class QSocketNotifier;

namespace moru {

namespace poom {
class ChangeWatcher;
}

class CPlumdialDoc;
class CPlumdialView;
class HostedScreen;

class CMainFrame : public QWidget {
    Q_OBJECT

public:
    explicit CMainFrame(CPlumdialDoc& document);
    ~CMainFrame() override;

    CPlumdialView& view() { return *view_; }
    QMenuBar* menuBar() const { return menuBar_; }

    void SetScale(int scale);
    // Starts watching the store for changes by this or any other process. False when the
    // store cannot be watched (the calendar then refreshes only on its own changes).
    bool WatchStore();

    // The bar's menus as data: menu 128's two menus, then the visible screen's bar.
    PopupMenu MenuBarContent() const;

signals:
    // A menu command was chosen; the application handles the ones it knows (About).
    void CommandChosen(int commandId);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The close button is the visible screen's close request: save and minimise.
    void closeEvent(QCloseEvent* event) override;

private:
    void RebuildMenuBar();
    void OnStoreReadable();

    CPlumdialView* view_ = nullptr;
    QMenuBar* menuBar_ = nullptr;
    QList<QMenu*> barMenus_;
    std::unique_ptr<poom::ChangeWatcher> watcher_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace moru
