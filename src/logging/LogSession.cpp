#include "LogSession.h"

#include "LoggingIndicators.h"
#include "OperatorDialogs.h"
#include "WindowTimer.h"

#include <QDir>
#include <QScopedValueRollback>

LogSession::LogSession(const MeasurementState& state, WindowTimer& loggerTimer,
                       LoggingIndicators& indicators, OperatorDialogs& dialogs)
    : m_writer(state), m_timer(loggerTimer), m_indicators(indicators), m_dialogs(dialogs) {
    QObject::connect(&m_timer, &WindowTimer::tick, &m_timer, [this] { tick(); });
}

bool LogSession::openLog(LogWriter::Mode mode) {
    QString error;
    m_sinceReachableCheck.invalidate();
    if (m_writer.open(m_logPath, mode, QDate::currentDate(), &error))
        return true;
    m_dialogs.message(QStringLiteral("The log file %1 cannot be opened: %2")
                          .arg(QDir::toNativeSeparators(m_logPath), error));
    return false;
}

void LogSession::tick() {
    // A tick that comes while a slow file system is waited for adds nothing to the wait.
    if (!m_writer.isOpen() || m_busy)
        return;
    const QScopedValueRollback busy(m_busy, true);
    QString error;
    // One look at the path a second at most, however short the logging interval.
    if (!m_sinceReachableCheck.isValid() || m_sinceReachableCheck.elapsed() >= 1000) {
        m_sinceReachableCheck.start();
        m_writer.stillReachable(&error);
    }
    if (error.isEmpty() &&
        m_writer.writeRow(QTime::currentTime(), m_indicators.totalLitersText(), &error))
        return;
    // Stop first, so no further tick can fail again while the message is on screen.
    stop();
    m_dialogs.message(QStringLiteral("Writing to the log file %1 failed: %2. Logging has stopped.")
                          .arg(QDir::toNativeSeparators(m_logPath), error));
}

void LogSession::stop() {
    m_timer.setEnabled(false);
    m_writer.close();
    m_indicators.showLoggingState(false);
    m_indicators.setSetupEnabled(true);
    m_indicators.setStopEnabled(false);
}
