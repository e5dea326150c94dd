#pragma once

#include <QByteArray>
#include <QDateTime>

// ISO 8601 local time with milliseconds and the offset from UTC, "2026-12-09T09:40:00.123+01:00":
// the time of records and published messages, in any locale.
QByteArray isoTime(const QDateTime& at);

// The same for now, once a cycle: the zone's offset is looked up only when the minute changes
// (offsets change on whole minutes), since the lookup costs more than the rest of a reading.
class IsoClock {
public:
    QByteArray now();
    QByteArray at(qint64 msSinceEpoch);

private:
    qint64 m_minute = -1;
    int m_offsetSeconds = 0;
};
