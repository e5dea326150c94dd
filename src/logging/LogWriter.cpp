#include "LogWriter.h"

#include "LogLine.h"
#include "MeasurementState.h"
#include "RegionalText.h"

#include <QFileInfo>

namespace {
const QString kProgramTitle = QStringLiteral("Corvik pH probe Logging Program");
const QString kVersion = QStringLiteral("2.2");
const QString kColumns =
    QStringLiteral("Time, Therm1, Therm2, Therm3, pH-1 mV, pH-2 mV, pH-1 value, pH-2 value, "
                   "Flow frequency, liters/min, Total Liters");
} // namespace

LogWriter::LogWriter(const MeasurementState& state) : m_state(state) {}

bool LogWriter::open(const QString& path, Mode mode, const QDate& today, QString* error) {
    close();
    // Opening a FIFO without a reader, or a device, would wait for ever on the window's thread;
    // a log is a plain file.
    const QFileInfo existing(path);
    if (existing.exists() && !existing.isFile()) {
        *error = existing.isDir() ? QStringLiteral("it is a folder")
                                  : QStringLiteral("it is not a regular file");
        return false;
    }
    m_file.setFileName(path);
    QIODevice::OpenMode flags = QIODevice::WriteOnly | QIODevice::Unbuffered;
    flags |= mode == Mode::Append ? QIODevice::Append : QIODevice::Truncate;
    if (!m_file.open(flags)) {
        *error = m_file.errorString();
        return false;
    }
    const MeasurementState& s = m_state;
    using regional::numberText;
    using regional::shortDateText;
    const QList<QList<LogItem>> header = {
        {},
        {kProgramTitle, LogDate{regional::dateValue(today)}},
        {QStringLiteral("Version: ") + kVersion},
        {},
        {QStringLiteral("Probe 1 Offset: ") + numberText(s.offset1)},
        {QStringLiteral("Probe 2 Offset: ") + numberText(s.offset2)},
        {QStringLiteral("Probe 1 Slope: ") + numberText(s.slope1)},
        {QStringLiteral("Probe 2 Slope: ") + numberText(s.slope2)},
        {QStringLiteral("Probe 1 Serial Number: ") + s.serial1},
        {QStringLiteral("Probe 2 Serial Number: ") + s.serial2},
        {QStringLiteral("Probe 1 Calibration Date: ") + shortDateText(s.calDate1)},
        {QStringLiteral("Probe 2 Calibration Date: ") + shortDateText(s.calDate2)},
        {QStringLiteral("Log File: ") + path},
        {},
        {kColumns},
        {},
    };
    QByteArray block;
    for (const QList<LogItem>& line : header)
        block += renderLogLine(line);
    if (!writeLine(block, error)) {
        close();
        return false;
    }
    return true;
}

bool LogWriter::writeRow(const QTime& time, const QString& totalLitersText, QString* error) {
    const MeasurementState& s = m_state;
    const QList<LogItem> row = {
        time.toString(QStringLiteral("hh:mm:ss")),
        s.therm1,
        s.therm2,
        s.therm3,
        s.probe1mV,
        s.probe2mV,
        s.ph1,
        s.ph2,
        s.flowHz,
        s.litersPerMin,
        totalLitersText,
    };
    return writeLine(renderLogLine(row), error);
}

bool LogWriter::writeLine(const QByteArray& line, QString* error) {
    const qint64 before = m_file.size();
    if (m_file.write(line) == line.size())
        return true;
    *error = m_file.errorString();
    if (error->isEmpty() || m_file.error() == QFileDevice::NoError)
        *error = QStringLiteral("the device is full");
    // Take back a partly written line, so the file ends on a whole row.
    m_file.resize(before);
    return false;
}

bool LogWriter::stillReachable() const {
    return QFileInfo::exists(m_file.fileName());
}

void LogWriter::close() {
    if (m_file.isOpen())
        m_file.close();
}
