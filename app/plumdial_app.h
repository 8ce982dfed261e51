#pragma once
// The calendar program: one per device root; builds the document, the frame and the main
// view, and handles the application's own command (About).
#include <QObject>
#include <QSize>
#include <memory>
#include <string>

#include "app/start_options.h"

namespace moru {

class CMainFrame;
class CPlumdialDoc;
class SingleInstance;

class CPlumdialApp : public QObject {
    Q_OBJECT

public:
    explicit CPlumdialApp(StartOptions options);
    ~CPlumdialApp() override;

    // Starts the program. False when another calendar already runs for this device root: it
    // has been asked to come to the front, and this one should end quietly.
    bool InitInstance();

    // Shows the About box (command 57664).
    void OnAppAbout();

    // Shows `screen` (0..4) and writes it, at scale 1, as a PNG. Returns the exit code.
    int WriteScreenshot(const std::string& file, int screen);

    CMainFrame* frame() const { return frame_.get(); }

private:
    void OnCommand(int commandId);

    StartOptions options_;
    std::unique_ptr<SingleInstance> instance_;
    std::unique_ptr<CPlumdialDoc> document_;
    std::unique_ptr<CMainFrame> frame_;
};

// The largest whole enlargement at which the window (screen plus menu bar) uses no more than
// about three quarters of the available desktop area; at least 1, and never more than fits.
int ComfortableScale(QSize available);

// `requested` (1..kMaxScale), lowered until the whole window (screen, menu bar and the window
// manager's title bar) fits in the available desktop area; at least 1 even where nothing fits.
int FittingScale(int requested, QSize available);

}  // namespace moru
