#include "AlarmWatch.h"

#include "Acquisition.h"
#include "AlarmMonitor.h"
#include "MeasurementState.h"

namespace {
double valueOf(const MeasurementState& s, Quantity q) {
    switch (q) {
    case Quantity::Ph1:
        return s.ph1;
    case Quantity::Ph2:
        return s.ph2;
    case Quantity::Therm1:
        return s.therm1;
    case Quantity::Therm2:
        return s.therm2;
    case Quantity::Therm3:
        return s.therm3;
    case Quantity::LitersPerMin:
        break;
    }
    return s.litersPerMin;
}
} // namespace

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
            m_monitor.valueRead(q, valueOf(m_state, q));
    m_monitor.checkSilence({m_state.phOn, m_state.flowOn, m_state.thermOn});
}
