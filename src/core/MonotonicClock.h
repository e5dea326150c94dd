#pragma once

#include <QPointer>
#include <chrono>
#include <functional>
#include <map>
#include <memory>

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

// The steady clock of the system. One alarm serves every pending call, so a wait allocates no
// timer object and leaves nothing to delete afterwards.
class SteadyClock : public MonotonicClock {
public:
    SteadyClock();
    ~SteadyClock() override;
    std::chrono::nanoseconds now() override;
    void callAfter(std::chrono::nanoseconds delay, const QObject* context,
                   std::function<void()> callback) override;

private:
    struct Call {
        QPointer<const QObject> context;
        std::function<void()> callback;
    };
    void callDue();

    class Alarm;
    std::unique_ptr<Alarm> m_alarm;
    std::multimap<std::chrono::nanoseconds, Call> m_calls; // by deadline
};
