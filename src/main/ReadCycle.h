#pragma once

#include <chrono>

struct MeasurementState;
class Channels;
class MonotonicClock;

// One tick of the read timer: flow, then both pH probes, then the thermistors, each group only
// while switched on. A tick that falls due while a cycle (or a failure message inside one) is
// still running does nothing, so cycles never nest and messages never pile up.
class ReadCycle {
public:
    ReadCycle(MeasurementState& state, Channels& channels, MonotonicClock& clock);

    // The read timer started: the first cycle's flow total counts from here.
    void timerStarted();
    void run();

private:
    MeasurementState& m_state;
    Channels& m_channels;
    MonotonicClock& m_clock;
    std::chrono::nanoseconds m_previousStart{};
    bool m_running = false;
};
