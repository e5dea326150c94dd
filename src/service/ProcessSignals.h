#pragma once

#include <QObject>
#include <QSocketNotifier>

// SIGTERM, SIGINT and SIGHUP as Qt signals on the event loop: the handler only writes the
// signal's number to a pipe, which the loop reads.
class ProcessSignals : public QObject {
    Q_OBJECT
public:
    ProcessSignals();
    ~ProcessSignals() override;

signals:
    void stopRequested();   // SIGTERM, SIGINT
    void reopenRequested(); // SIGHUP

private:
    void readPipe();

    int m_pipe[2] = {-1, -1};
    QSocketNotifier* m_notifier = nullptr;
};
