#include "WindowTimer.h"

#include <algorithm>

WindowTimer::WindowTimer(int intervalMs, bool enabled, QObject* parent)
    : QObject(parent), m_interval(intervalMs), m_enabled(enabled) {
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (std::exchange(m_released, false))
            m_timer.start(m_interval);
        emit tick();
    });
    apply();
}

void WindowTimer::release(std::chrono::nanoseconds untilNextTick) {
    if (!m_enabled || m_interval <= 0)
        return;
    m_released = true;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(untilNextTick).count();
    m_timer.start(int(std::clamp<qint64>(ms, 0, m_interval)));
}

void WindowTimer::setInterval(int intervalMs) {
    m_interval = intervalMs;
    apply();
}

void WindowTimer::setEnabled(bool enabled) {
    m_enabled = enabled;
    apply();
}

void WindowTimer::apply() {
    m_released = false;
    if (m_enabled && m_interval > 0)
        m_timer.start(m_interval);
    else
        m_timer.stop();
}
