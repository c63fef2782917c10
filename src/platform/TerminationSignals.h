#pragma once

#include <QObject>

class QSocketNotifier;

namespace quorvel {

// Turns SIGINT, SIGTERM and SIGHUP (the terminal was closed) into a Qt signal delivered on the
// thread that owns this object, so a command-line run can leave through its event loop and exit
// cleanly. One instance per process.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

Q_SIGNALS:
    void received(int signalNumber);

private:
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace quorvel
