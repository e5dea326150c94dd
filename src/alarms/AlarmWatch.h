#pragma once

#include "Reading.h"
#include "Readouts.h"

#include <QObject>
#include <set>

struct MeasurementState;
class Acquisition;
class AlarmMonitor;

// Hands the monitor what each read cycle read, and at its end which groups are on.
class AlarmWatch : public QObject {
    Q_OBJECT
public:
    AlarmWatch(const MeasurementState& state, Acquisition& acquisition, AlarmMonitor& monitor);

private:
    void cycleRead(const Reading& reading);

    const MeasurementState& m_state;
    AlarmMonitor& m_monitor;
};
