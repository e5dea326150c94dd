#include "LogWriter.h"

#include "LogLine.h"
#include "MeasurementState.h"
#include "ProgramVersion.h"
#include "Quantities.h"
#include "RegionalText.h"

#include "BoundedCall.h"

#include <QFileInfo>
#include <memory>

namespace {
const QString kProgramTitle = QStringLiteral("Corvik pH probe Logging Program");
const QString kVersion = QLatin1String(kProgramVersion);
const QString kColumns =
    QStringLiteral("Time, Therm1, Therm2, Therm3, pH-1 mV, pH-2 mV, pH-1 value, pH-2 value, "
                   "Flow frequency, liters/min, Total Liters");
} // namespace

LogWriter::LogWriter(const MeasurementState& state)
    : m_state(state), m_file(std::make_shared<QFile>()) {}

bool LogWriter::onFile(std::function<bool(QFile& file, QString& error)> operation, QString* error) {
    // The operation owns what it touches: after a timeout it may still run, on a file this
    // writer has let go of.
    auto file = m_file;
    auto message = std::make_shared<QString>();
    switch (m_worker.run([file, message, operation] { return operation(*file, *message); })) {
    case BoundedResult::Succeeded:
        return true;
    case BoundedResult::Failed:
        *error = *message;
        return false;
    case BoundedResult::TimedOut:
        break;
    }
    *error = QStringLiteral("the file system did not answer");
    m_file = std::make_shared<QFile>();
    return false;
}

bool LogWriter::open(const QString& path, Mode mode, const QDate& today, QString* error) {
    close();
    m_file = std::make_shared<QFile>(path);
    QIODevice::OpenMode flags = QIODevice::WriteOnly | QIODevice::Unbuffered;
    flags |= mode == Mode::Overwrite ? QIODevice::Truncate : QIODevice::Append;
    auto empty = std::make_shared<bool>(true);
    const bool opened = onFile(
        [flags, empty](QFile& file, QString& why) {
            // Opening a FIFO without a reader, or a device, would wait for ever; a log is a
            // plain file.
            const QFileInfo existing(file.fileName());
            if (existing.exists() && !existing.isFile()) {
                why = existing.isDir() ? QStringLiteral("it is a folder")
                                       : QStringLiteral("it is not a regular file");
                return false;
            }
            if (file.open(flags)) {
                *empty = file.size() == 0;
                return true;
            }
            why = file.errorString();
            return false;
        },
        error);
    if (!opened)
        return false;
    if (mode == Mode::Continue && !*empty)
        return true;
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
    // The columns in the log's own order, after the time; the total as its readout shows it.
    constexpr Readout kColumns[] = {Readout::Therm1,   Readout::Therm2,   Readout::Therm3,
                                    Readout::Probe1mV, Readout::Probe2mV, Readout::Probe1pH,
                                    Readout::Probe2pH, Readout::FlowHz,   Readout::LitersPerMin};
    QList<LogItem> row{time.toString(QStringLiteral("hh:mm:ss"))};
    for (Readout column : kColumns)
        row.append(valueOf(m_state, column));
    row.append(totalLitersText);
    return writeLine(renderLogLine(row), error);
}

bool LogWriter::writeLine(const QByteArray& line, QString* error) {
    return onFile(
        [line](QFile& file, QString& why) {
            const qint64 before = file.size();
            if (file.write(line) == line.size())
                return true;
            why = file.errorString();
            if (why.isEmpty() || file.error() == QFileDevice::NoError)
                why = QStringLiteral("the device is full");
            // Take back a partly written line, so the file ends on a whole row.
            file.resize(before);
            return false;
        },
        error);
}

bool LogWriter::stillReachable(QString* error) {
    return onFile(
        [](QFile& file, QString& why) {
            if (QFileInfo::exists(file.fileName()))
                return true;
            why = QStringLiteral("the file is no longer there");
            return false;
        },
        error);
}

void LogWriter::close() {
    if (!m_file->isOpen())
        return;
    QString ignored;
    onFile(
        [](QFile& file, QString&) {
            file.close();
            return true;
        },
        &ignored);
}
