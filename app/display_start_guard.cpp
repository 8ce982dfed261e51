#include "app/display_start_guard.h"

#include <QString>
#include <cstdio>
#include <cstdlib>

namespace moru {
namespace {

DisplayStartGuard* active = nullptr;

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

DisplayStartGuard::DisplayStartGuard(const char* program) : program_(program) {
    active = this;
    previous_ = qInstallMessageHandler(&DisplayStartGuard::Handle);
}

DisplayStartGuard::~DisplayStartGuard() {
    qInstallMessageHandler(previous_);
    active = nullptr;
    // The application started: whatever Qt had to say on the way is said now, as it would
    // have been without us.
    for (const HeldMessage& message : held_) {
        const QMessageLogContext context(message.file.c_str(), message.line,
                                         message.function.c_str(), message.category.c_str());
        if (previous_) {
            previous_(message.type, context, message.text);
        } else {
            std::fprintf(stderr, "%s\n", qPrintable(message.text));
        }
    }
}

std::string DisplayStartGuard::NoDisplayLine(const char* program) {
    const std::string platform = Variable("QT_QPA_PLATFORM");
    const std::string x11 = Variable("DISPLAY");
    const std::string wayland = Variable("WAYLAND_DISPLAY");
    std::string line = std::string(program) + ": ";
    if (!platform.empty()) {
        line += "cannot start the display platform \"" + platform + "\" (QT_QPA_PLATFORM)";
    } else if (x11.empty() && wayland.empty()) {
        line +=
            "there is no display to show the calendar on (DISPLAY and WAYLAND_DISPLAY are "
            "not set)";
    } else {
        line += "cannot open the display";
        if (!x11.empty()) {
            line += " \"" + x11 + "\" (DISPLAY)";
        }
        if (!wayland.empty()) {
            line += (x11.empty() ? " \"" : " or \"") + wayland + "\" (WAYLAND_DISPLAY)";
        }
    }
    return line + "; --screenshot FILE works without one";
}

void DisplayStartGuard::Handle(QtMsgType type, const QMessageLogContext& context,
                               const QString& text) {
    DisplayStartGuard* guard = active;
    if (!guard) {
        return;
    }
    if (type == QtFatalMsg) {
        // The only fatal message while the application is being made is Qt giving up on the
        // display platform; what it would abort with is said in one line and a plain exit.
        std::fprintf(stderr, "%s\n", NoDisplayLine(guard->program_).c_str());
        std::fflush(stderr);
        std::_Exit(kNoDisplayStatus);
    }
    guard->held_.push_back({type, context.category ? context.category : "",
                            context.file ? context.file : "",
                            context.function ? context.function : "", context.line, text});
}

}  // namespace moru
