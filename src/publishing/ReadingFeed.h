#pragma once

#include "IsoTime.h"
#include "Reading.h"
#include "Readouts.h"

#include <QObject>
#include <set>

struct MeasurementState;
class Acquisition;
class MqttPublisher;

// What the publisher sends of a run: after each read cycle one "reading" object with the values
// of what that cycle read, numbered from 1, and each value on a retained topic of its own; the
// probe calibration, retained, when asked.
class ReadingFeed : public QObject {
    Q_OBJECT
public:
    ReadingFeed(const MeasurementState& state, Acquisition& acquisition, MqttPublisher& publisher);

    void publishCalibration();

private:
    void publishCycle(const Reading& reading);

    const MeasurementState& m_state;
    MqttPublisher& m_publisher;
    quint64 m_seq = 0;
    IsoClock m_clock;
};
