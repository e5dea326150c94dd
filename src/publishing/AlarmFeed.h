#pragma once

#include <QObject>

class AlarmMonitor;
class MqttPublisher;
struct Alarm;

// Every change of an alarm on "alarm" (QoS 1, not retained), and the alarms now standing on
// "alarms" (retained), while publishing is on.
class AlarmFeed : public QObject {
    Q_OBJECT
public:
    AlarmFeed(AlarmMonitor& monitor, MqttPublisher& publisher);

    static QByteArray jsonOf(const Alarm& alarm);

private:
    void publishChange(const Alarm& alarm);

    AlarmMonitor& m_monitor;
    MqttPublisher& m_publisher;
};
