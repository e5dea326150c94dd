#pragma once

#include "SealedLines.h"

#include <QObject>
#include <QString>
#include <functional>

class AlarmMonitor;
class Notices;
struct Alarm;

// "alarms.csv": a line for every change of an alarm's state, only ever appended, each line
// whole: time, quantity, limit kind, limit, value, new state; numbers with a full stop. The
// folder is asked at each change (beside the log file while logging, else beside the settings).
// Lines are handed to the file in order and written without holding the caller.
class AlarmRecord : public QObject {
    Q_OBJECT
public:
    AlarmRecord(AlarmMonitor& monitor, std::function<QString()> folder, const Notices& notices);

    static QByteArray lineOf(const Alarm& alarm, const QDateTime& at);

signals:
    // A line is in the record under this seal, to be told away from the disk.
    void sealed(const SealAnchor& anchor);

private:
    void write(const Alarm& alarm);

    std::function<QString()> m_folder;
    SealedLines m_lines;
};
