#pragma once
// Watches the making of the QApplication. Without a display to show the window on, Qt would
// print several lines about platform plugins and then abort the program (status 134, and a
// core file). While a guard lives, Qt's messages are held back; if Qt gives up, the guard
// prints one line saying what is missing and ends the program with status 1. When the
// application comes up, the held messages go out as usual when the guard goes.
#include <QString>
#include <QtGlobal>
#include <string>
#include <vector>

namespace moru {

class DisplayStartGuard {
public:
    // `program` begins the line printed on failure ("moru-calendar: ...").
    explicit DisplayStartGuard(const char* program);
    ~DisplayStartGuard();
    DisplayStartGuard(const DisplayStartGuard&) = delete;
    DisplayStartGuard& operator=(const DisplayStartGuard&) = delete;

    static inline constexpr int kNoDisplayStatus = 1;

    // The line printed when the display cannot be opened, from the environment the program
    // was started with (no trailing newline). Exposed for tests.
    static std::string NoDisplayLine(const char* program);

private:
    struct HeldMessage {
        QtMsgType type;
        std::string category;
        std::string file;
        std::string function;
        int line;
        QString text;
    };

    static void Handle(QtMsgType type, const QMessageLogContext& context, const QString& text);

    const char* program_;
    QtMessageHandler previous_;
    std::vector<HeldMessage> held_;
};

}  // namespace moru
