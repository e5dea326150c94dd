#include "LogSession.h"

#include "OperatorDialogs.h"
#include "RegionalText.h"

#include <QDir>
#include <QScopedValueRollback>

LogSession::LogSession(const MeasurementState& state, OperatorDialogs& dialogs, OnFailure onFailure)
    : m_writer(state), m_dialogs(dialogs), m_onFailure(onFailure) {
    m_timer.setObjectName(QStringLiteral("tmrLogger"));
    connect(&m_timer, &WindowTimer::tick, this, &LogSession::tick);
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

void LogSession::setTotalLiters(std::optional<double> liters) {
    m_totalLitersText = liters ? regional::numberText(*liters) : QString();
}

void LogSession::start() {
    m_timer.setEnabled(true);
    emit started(m_logPath);
}

bool LogSession::reopen() {
    QString error;
    m_sinceReachableCheck.invalidate();
    return m_writer.open(m_logPath, LogWriter::Mode::Continue, QDate::currentDate(), &error);
}

void LogSession::tick() {
    // A tick that comes while a slow file system is waited for adds nothing to the wait.
    if (m_busy)
        return;
    const QScopedValueRollback busy(m_busy, true);
    if (!m_writer.isOpen()) {
        // After a reported failure, unattended: the path is tried again at each tick.
        if (m_failing && reopen()) {
            m_failing = false;
            m_dialogs.message(QStringLiteral("The log file %1 is written again.")
                                  .arg(QDir::toNativeSeparators(m_logPath)));
        }
        if (!m_writer.isOpen())
            return;
    }
    QString error;
    // One look at the path a second at most, however short the logging interval.
    if (!m_sinceReachableCheck.isValid() || m_sinceReachableCheck.elapsed() >= 1000) {
        m_sinceReachableCheck.start();
        if (!m_writer.stillReachable(&error) && m_onFailure == OnFailure::Reopen && reopen())
            error.clear(); // moved away: its path starts a new file
    }
    if (error.isEmpty() && m_writer.writeRow(QTime::currentTime(), m_totalLitersText, &error))
        return;
    failed(error);
}

void LogSession::failed(const QString& error) {
    const QString path = QDir::toNativeSeparators(m_logPath);
    if (m_onFailure == OnFailure::Reopen) {
        m_writer.close();
        if (!std::exchange(m_failing, true))
            m_dialogs.message(QStringLiteral("Writing to the log file %1 failed: %2. It is tried "
                                             "again at each row.")
                                  .arg(path, error));
        return;
    }
    // Stop first, so no further tick can fail again while the message is on screen.
    stop();
    m_dialogs.message(QStringLiteral("Writing to the log file %1 failed: %2. Logging has stopped.")
                          .arg(path, error));
}

void LogSession::stop() {
    m_timer.setEnabled(false);
    m_writer.close();
    m_failing = false;
    emit stopped();
}
