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

void AlarmWatch::cycleRead(const std::set<Readout>& read) {
    for (Readout r : read)
        m_monitor.groupRead(groupOf(r));
    for (Quantity q : kQuantities)
        if (read.count(readoutOf(q)))
            m_monitor.valueRead(q, valueOf(m_state, readoutOf(q)));
    m_monitor.checkSilence({m_state.phOn, m_state.flowOn, m_state.thermOn});
}
