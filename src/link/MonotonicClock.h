#pragma once

#include <chrono>

// The clock the busy waits and the flow totaliser read; tests inject their own.
class MonotonicClock {
public:
    virtual ~MonotonicClock() = default;
    virtual std::chrono::nanoseconds now() = 0;
    virtual void sleepFor(std::chrono::nanoseconds duration) = 0;
};

class SteadyClock : public MonotonicClock {
public:
    std::chrono::nanoseconds now() override;
    void sleepFor(std::chrono::nanoseconds duration) override;
};
