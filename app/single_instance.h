#pragma once
// One calendar per device root. The first calendar of a root holds a lock file and listens
// on a local socket, both named after the root, in the user's runtime directory; a later
// start finds the lock taken and asks the running one, through the socket, to come to the
// front (or, for `moru-calendar --quit`, to end).
//
// Messages are a version number and a request word (QDataStream), answered by one status
// word, so a calendar never acts on a request it does not understand.
#include <QLocalServer>
#include <QObject>
#include <QString>
#include <filesystem>

namespace moru {

class SingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Request { Raise = 1, Quit = 2 };

    explicit SingleInstance(const std::filesystem::path& root, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Makes this process the calendar of the root; false when another one already is.
    bool Claim();

    // Asks the calendar of `root` to carry out a request; true once it has answered.
    static bool Ask(const std::filesystem::path& root, Request request, int timeoutMs = 3000);

    // True while a calendar holds the root.
    static bool IsRunning(const std::filesystem::path& root);

    // The socket and lock names of a root (full paths in the runtime directory).
    static QString ServerName(const std::filesystem::path& root);

signals:
    void RaiseRequested();
    void QuitRequested();

private:
    void Serve();

    QString name_;
    int lockFd_ = -1;
    QLocalServer server_;
};

}  // namespace moru
