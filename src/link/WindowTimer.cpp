#include "WindowTimer.h"

WindowTimer::WindowTimer(int intervalMs, bool enabled, QObject* parent)
    : QObject(parent), m_interval(intervalMs), m_enabled(enabled) {
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &WindowTimer::tick);
    apply();
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
    if (m_enabled && m_interval > 0)
        m_timer.start(m_interval);
    else
        m_timer.stop();
}
