#pragma once
// The program's own posted messages. They travel as posted Qt events, never direct calls, so
// the handler that posts one always finishes before the receiver reacts.
//
//   DataChanged (WM_USER + 1000): to the main view after appointments or the identifier lists
//   changed; the view refreshes the screens 500 ms after the last of a burst.
//   WM_USER + 1, + 3, + 6: change notices of the appointment store; whichever object they are
//   posted to, the frame sees them pass and re-posts them to the view as DataChanged with the
//   same parameters.
#include <QEvent>
#include <QtGlobal>

namespace moru {

inline constexpr int WM_USER = 0x0400;
inline constexpr int kDataChangedMessage = WM_USER + 1000;
inline constexpr int kForwardedMessages[] = {WM_USER + 1, WM_USER + 3, WM_USER + 6};

// Window message numbers map onto Qt's user event range one to one.
constexpr QEvent::Type EventTypeOf(int message) {
    return static_cast<QEvent::Type>(QEvent::User + message);
}

constexpr bool IsForwardedMessage(QEvent::Type type) {
    for (const int message : kForwardedMessages) {
        if (type == EventTypeOf(message)) {
            return true;
        }
    }
    return false;
}

// A posted window message with its two parameters.
class WindowMessageEvent : public QEvent {
public:
    WindowMessageEvent(int message, quintptr wParam = 0, qintptr lParam = 0)
        : QEvent(EventTypeOf(message)), message_(message), wParam_(wParam), lParam_(lParam) {}

    int message() const { return message_; }
    quintptr wParam() const { return wParam_; }
    qintptr lParam() const { return lParam_; }

private:
    int message_;
    quintptr wParam_;
    qintptr lParam_;
};

}  // namespace moru
