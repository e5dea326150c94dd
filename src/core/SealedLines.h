#pragma once

#include "BoundedCall.h"
#include "RecordSeal.h"

#include <QObject>
#include <QString>

class Notices;

// A record written a line at a time (the alarm record, the audit trail): each line appended
// whole and sealed, in order, without holding the caller. A record that cannot be written is
// told once, until a line is written again.
class SealedLines : public QObject {
    Q_OBJECT
public:
    // failure: what is told, with %1 for the record's path; source: the notice's source.
    SealedLines(const Notices& notices, QString source, QString failure);
    ~SealedLines() override { flush(); }

    void append(const QString& path, const QByteArray& line, const QByteArray& heading);
    // Waits, within the file timeout, for the lines handed on so far.
    void flush() { m_worker.drain(); }

signals:
    // A line is in the record under this seal, to be told away from the disk.
    void sealed(const SealAnchor& anchor);

private:
    BoundedWorker m_worker;
    const Notices& m_notices;
    const QString m_source;
    const QString m_failure;
    bool m_failing = false;
};
