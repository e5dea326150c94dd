#pragma once

#include <chrono>
#include <functional>

class QObject;

// The clock the reply wait and the flow totaliser read; tests inject their own.
class MonotonicClock {
public:
    virtual ~MonotonicClock() = default;
    virtual std::chrono::nanoseconds now() = 0;
    // Calls back on this thread once the delay has passed, from the event loop, so the window
    // goes on painting and handling the operator meanwhile. Nothing is called once the context
    // object is gone.
    virtual void callAfter(std::chrono::nanoseconds delay, const QObject* context,
                           std::function<void()> callback) = 0;
};

class SteadyClock : public MonotonicClock {
public:
    std::chrono::nanoseconds now() override;
    void callAfter(std::chrono::nanoseconds delay, const QObject* context,
                   std::function<void()> callback) override;
};
