#pragma once
// SIGTERM and SIGINT turned into a Qt signal, so that `kill` or Ctrl+C in a terminal end the
// calendar the same clean way as Ctrl+Q: through the main view's close, with the store
// connection closed. The handler only writes a byte to a pipe; the event loop does the rest.
#include <QObject>

class QSocketNotifier;

namespace moru {

class TerminationSignal : public QObject {
    Q_OBJECT

public:
    // One per process: installs the handlers; they stay until the process ends.
    explicit TerminationSignal(QObject* parent = nullptr);
    ~TerminationSignal() override;

signals:
    void Received();

private:
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace moru
