#include "app/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QThread>
#include <cstdio>

namespace moru {
namespace {

constexpr quint32 kProtocolVersion = 1;
constexpr quint32 kAnswerDone = 1;
constexpr quint32 kAnswerUnknown = 0;

// A folder only this user can enter: made 0700 when missing, and used only when it is a real
// folder (not a link), owned by this user, and closed to everyone else. Anything else under a
// predictable name may be another user's, planted to catch or block our socket.
bool IsPrivateFolder(const QByteArray& path) {
    if (::mkdir(path.constData(), 0700) == 0) {
        ::chmod(path.constData(), 0700);  // the umask may have taken bits away
    }
    struct stat info {};
    return ::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

// The user's runtime directory when the session has one. Without it, a folder of this user's
// own in the temporary directory, kept short for the socket's name; when that name is taken by
// someone else, one under the user's cache folder.
QString RuntimeDirectory() {
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) {
        return runtime;
    }
    QString inTemp = QDir::tempPath() + QStringLiteral("/moru-calendar-%1").arg(::geteuid());
    if (IsPrivateFolder(QFile::encodeName(inTemp))) {
        return inTemp;
    }
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (cache.isEmpty()) {
        cache = QDir::homePath() + QStringLiteral("/.cache");
    }
    QDir().mkpath(cache);
    QString inCache = cache + QStringLiteral("/moru-calendar-run");
    if (IsPrivateFolder(QFile::encodeName(inCache))) {
        std::fprintf(stderr, "moru-calendar: %s is not a private folder of this user; using %s\n",
                     qPrintable(inTemp), qPrintable(inCache));
        return inCache;
    }
    std::fprintf(stderr, "moru-calendar: neither %s nor %s is a private folder of this user\n",
                 qPrintable(inTemp), qPrintable(inCache));
    return inCache;
}

}  // namespace

QString SingleInstance::ServerName(const std::filesystem::path& root) {
    // The same root reached through different spellings must give the same name.
    std::error_code ignored;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(root, ignored);
    const QByteArray digest = QCryptographicHash::hash(
        QByteArray::fromStdString((canonical.empty() ? root : canonical).string()),
        QCryptographicHash::Sha1);
    return RuntimeDirectory() + QStringLiteral("/moru-calendar-%1-%2")
                                    .arg(::getuid())
                                    .arg(QString::fromLatin1(digest.toHex().left(16)));
}

SingleInstance::SingleInstance(const std::filesystem::path& root, QObject* parent)
    : QObject(parent), name_(ServerName(root)) {
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::Serve);
}

SingleInstance::~SingleInstance() {
    server_.close();
    if (lockFd_ >= 0) {
        ::close(lockFd_);  // releases the lock
    }
}

bool SingleInstance::Claim() {
    // A kernel lock goes away with its process, so a crashed calendar never blocks the next.
    // Close-on-exec keeps the companion we start from inheriting it.
    const QByteArray lockPath = (name_ + QStringLiteral(".lock")).toLocal8Bit();
    lockFd_ = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (lockFd_ < 0) {
        // Without a lock file nothing can be shared; run rather than refuse to start.
        return true;
    }
    if (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        ::close(lockFd_);
        lockFd_ = -1;
        return false;
    }
    // A socket left behind by a calendar that crashed would make listen fail.
    QLocalServer::removeServer(name_);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    server_.listen(name_);
    return true;
}

bool SingleInstance::IsRunning(const std::filesystem::path& root) {
    const QByteArray lockPath = (ServerName(root) + QStringLiteral(".lock")).toLocal8Bit();
    const int fd = ::open(lockPath.constData(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return false;  // no calendar ever ran for this root in this session
    }
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return held;
}

bool SingleInstance::Ask(const std::filesystem::path& root, Request request, int timeoutMs) {
    if (!IsRunning(root)) {
        return false;  // nobody to ask: answer at once instead of waiting out the deadline
    }
    const QString name = ServerName(root);
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    // The running calendar may hold the lock a moment before it listens; try again until
    // the deadline rather than give up on the first refusal.
    for (;;) {
        socket.connectToServer(name);
        if (socket.waitForConnected(
                static_cast<int>(std::max<qint64>(1, deadline.remainingTime())))) {
            break;
        }
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(20);
    }
    QByteArray message;
    QDataStream out(&message, QIODevice::WriteOnly);
    out << kProtocolVersion << static_cast<quint32>(request);
    socket.write(message);
    if (!socket.waitForBytesWritten(
            static_cast<int>(std::max<qint64>(1, deadline.remainingTime())))) {
        return false;
    }
    while (socket.bytesAvailable() < static_cast<qint64>(sizeof(quint32))) {
        if (!socket.waitForReadyRead(
                static_cast<int>(std::max<qint64>(1, deadline.remainingTime())))) {
            return false;
        }
    }
    QDataStream in(&socket);
    quint32 answer = kAnswerUnknown;
    in >> answer;
    return answer == kAnswerDone;
}

void SingleInstance::Serve() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->bytesAvailable() < static_cast<qint64>(sizeof(quint32)) * 2) {
                return;  // wait for the whole message
            }
            QDataStream in(socket);
            quint32 version = 0;
            quint32 request = 0;
            in >> version >> request;
            const bool known =
                version == kProtocolVersion && (request == static_cast<quint32>(Request::Raise) ||
                                                request == static_cast<quint32>(Request::Quit));
            QByteArray answer;
            QDataStream out(&answer, QIODevice::WriteOnly);
            out << (known ? kAnswerDone : kAnswerUnknown);
            socket->write(answer);
            socket->flush();
            if (!known) {
                socket->disconnectFromServer();
                return;
            }
            // Answer first, act afterwards: a quit ends this process's event loop.
            if (request == static_cast<quint32>(Request::Raise)) {
                emit RaiseRequested();
            } else {
                emit QuitRequested();
            }
        });
    }
}

}  // namespace moru
