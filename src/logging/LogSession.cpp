#include "LogSession.h"

#include "RegionalText.h"

#include <QDir>

LogSession::LogSession(const MeasurementState& state, const Notices& notices, OnFailure onFailure)
    : m_writer(state), m_notices(notices), m_onFailure(onFailure) {
    m_timer.setObjectName(QStringLiteral("tmrLogger"));
    connect(&m_timer, &WindowTimer::tick, this, &LogSession::tick);
}

void LogSession::tell(Notice::Severity severity, const QString& text) {
    m_notices.raise({.source = QStringLiteral("log"), .severity = severity, .text = text});
}

bool LogSession::openLog(LogWriter::Mode mode) {
    QString error;
    if (m_writer.open(m_logPath, mode, QDate::currentDate(), &error))
        return true;
    tell(Notice::Severity::Failure, QStringLiteral("The log file %1 cannot be opened: %2")
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
    m_reopening = false;
    anchor(true);
    return m_writer.open(m_logPath, LogWriter::Mode::Continue, QDate::currentDate(), &error);
}

void LogSession::tick() {
    if (m_writer.isOpen())
        return m_writer.writeRow(QDateTime::currentDateTime(), m_totalLitersText, this,
                                 [this](LogWriter::RowOutcome outcome, const QString& error) {
                                     rowDone(outcome, error);
                                 });
    // After a reported failure, unattended: the path is tried again at each tick.
    if (m_failing && !m_reopening)
        reopenLater();
}

void LogSession::rowDone(LogWriter::RowOutcome outcome, const QString& error) {
    switch (outcome) {
    case LogWriter::RowOutcome::Written:
        sealWritten(error);
        anchor(false);
        return emit rowWritten();
    case LogWriter::RowOutcome::Moved:
        // Moved away (rotation): its path starts a new file.
        if (m_onFailure == OnFailure::Reopen)
            return reopenLater();
        break;
    case LogWriter::RowOutcome::Failed:
        break;
    }
    failed(error);
}

void LogSession::sealWritten(const QString& error) {
    const QString path = QDir::toNativeSeparators(m_logPath);
    if (!error.isEmpty() && !std::exchange(m_sealFailing, true))
        tell(Notice::Severity::Warning,
             QStringLiteral("The seal of the log file %1 cannot be written (%2); the rows are "
                            "written without it.")
                 .arg(path, error));
    else if (error.isEmpty() && std::exchange(m_sealFailing, false))
        tell(Notice::Severity::Information,
             QStringLiteral("The seal of the log file %1 is written again.").arg(path));
}

void LogSession::anchor(bool closing) {
    const SealAnchor last = m_writer.sealAnchor();
    if (!last.head.isEmpty() && last != std::exchange(m_anchor, last))
        emit sealed(last, closing);
}

void LogSession::reopenLater() {
    m_reopening = true;
    anchor(true);
    m_writer.openLater(m_logPath, LogWriter::Mode::Continue, QDate::currentDate(), this,
                       [this](LogWriter::RowOutcome outcome, const QString& error) {
                           m_reopening = false;
                           // A moved file whose path cannot be opened again is a failure too.
                           if (outcome != LogWriter::RowOutcome::Written)
                               return m_failing ? void() : failed(error);
                           if (std::exchange(m_failing, false))
                               tell(Notice::Severity::Information,
                                    QStringLiteral("The log file %1 is written again.")
                                        .arg(QDir::toNativeSeparators(m_logPath)));
                           tick();
                       });
}

void LogSession::failed(const QString& error) {
    const QString path = QDir::toNativeSeparators(m_logPath);
    if (m_onFailure == OnFailure::Reopen) {
        m_writer.close();
        anchor(true);
        if (!std::exchange(m_failing, true))
            tell(Notice::Severity::Failure,
                 QStringLiteral("Writing to the log file %1 failed: %2. It is tried again at "
                                "each row.")
                     .arg(path, error));
        return;
    }
    // Stop first, so no further tick can fail again while the message is on screen.
    stop();
    tell(Notice::Severity::Failure,
         QStringLiteral("Writing to the log file %1 failed: %2. Logging has stopped.")
             .arg(path, error));
}

void LogSession::stop() {
    m_timer.setEnabled(false);
    m_writer.close();
    anchor(true);
    m_failing = false;
    m_reopening = false;
    // A seal that failed is the stopped file's: the next file's seal is told on its own.
    m_sealFailing = false;
    emit stopped();
}
