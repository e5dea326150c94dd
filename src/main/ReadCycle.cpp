#include "ReadCycle.h"

#include "Channels.h"
#include "MeasurementState.h"
#include "MonotonicClock.h"

ReadCycle::ReadCycle(MeasurementState& state, Channels& channels, MonotonicClock& clock)
    : m_state(state), m_channels(channels), m_clock(clock), m_previousStart(clock.now()) {}

void ReadCycle::timerStarted() {
    m_previousStart = m_clock.now();
}

void ReadCycle::run() {
    if (m_running)
        return;
    m_running = true;
    const std::chrono::nanoseconds start = m_clock.now();
    const double elapsedSeconds = std::chrono::duration<double>(start - m_previousStart).count();
    m_previousStart = start;
    if (m_state.flowOn)
        m_channels.ReadFlow(elapsedSeconds);
    if (m_state.phOn) {
        // Tested once for both probes: a failure of the first still reads the second.
        m_channels.ReadPhProbe(QStringLiteral("6"));
        m_channels.ReadPhProbe(QStringLiteral("7"));
    }
    if (m_state.thermOn)
        m_channels.ReadThermistors();
    m_running = false;
}
