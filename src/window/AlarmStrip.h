#pragma once

#include <QTimer>
#include <QWidget>

class AlarmMonitor;
class QLabel;
class QPushButton;
class ReadoutLabel;
struct AlarmSettings;

// The alarms standing, one line each ("pH1 HIGH 8.52 > 8.00 since 14:02:11, not acknowledged"),
// with "Acknowledge all" (F9 anywhere in the window); shown while any alarm stands. It marks the
// readouts in alarm, flashes them while unacknowledged, sounds if asked, and has a screen reader
// announce each new alarm.
class AlarmStrip : public QWidget {
    Q_OBJECT
public:
    AlarmStrip(AlarmMonitor& monitor, const AlarmSettings& settings,
               QList<ReadoutLabel*> readoutsByReadout, QWidget* parent = nullptr);

private:
    void refresh();

    AlarmMonitor& m_monitor;
    const AlarmSettings& m_settings;
    QList<ReadoutLabel*> m_readouts; // by Readout
    QLabel* m_list;
    QPushButton* m_acknowledge;
    QTimer m_flash;
    int m_flashTicks = 0;
};
