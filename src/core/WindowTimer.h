#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>

// A repeating timer with an interval and an enabled flag. Precise timing, because the flow total
// integrates over real periods; an interval of 0 never ticks.
class WindowTimer : public QObject {
    Q_OBJECT
public:
    WindowTimer(int intervalMs, bool enabled, QObject* parent = nullptr);

    int interval() const { return m_interval; }
    bool isEnabled() const { return m_enabled; }
    // Both restart the countdown, as a change of either does on the window's timers.
    void setInterval(int intervalMs);
    void setEnabled(bool enabled);
    bool isTicking() const { return m_timer.isActive(); }
    // Stops counting until release(), which ticks next after the given time (never sooner, to
    // the next whole millisecond) and then every interval again; the interval and the enabled
    // flag stay as they are.
    void hold() { m_timer.stop(); }
    void release(std::chrono::nanoseconds untilNextTick);

signals:
    void tick();

private:
    void apply();

    QTimer m_timer;
    int m_interval;
    bool m_enabled;
    bool m_released = false; // counting down to the first tick after a hold
};
