#include "AlarmWatch.h"

#include "Acquisition.h"
#include "AlarmMonitor.h"
#include "MeasurementState.h"
#include "Quantities.h"

AlarmWatch::AlarmWatch(const MeasurementState& state, Acquisition& acquisition,
                       AlarmMonitor& monitor)
    : m_state(state), m_monitor(monitor) {
    connect(&acquisition, &Acquisition::cycleRead, this, &AlarmWatch::cycleRead);
    connect(&acquisition, &Acquisition::groupFailed, &monitor, &AlarmMonitor::groupFailedOff);
}

void AlarmWatch::cycleRead(const Reading& reading) {
    for (const QuantityInfo& q : kQuantityTable)
        if (reading.value(q.readout))
            m_monitor.groupRead(q.group);
    for (Quantity q : kQuantities)
        if (const std::optional<double> value = reading.value(readoutOf(q)))
            m_monitor.valueRead(q, *value);
    m_monitor.checkSilence({m_state.phOn, m_state.flowOn, m_state.thermOn});
}
