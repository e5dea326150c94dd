#include "LogWriter.h"

#include "LogLine.h"
#include "MeasurementState.h"
#include "ProgramVersion.h"
#include "Quantities.h"
#include "RegionalText.h"

#include "BoundedCall.h"
#include "IsoTime.h"
#include "RecordSeal.h"

#include <QFileInfo>
#include <atomic>
#include <memory>

namespace {
const QString kProgramTitle = QStringLiteral("Corvik pH probe Logging Program");
const QString kVersion = QLatin1String(kProgramVersion);
// Appends bytes whole (a part written is taken back, so the file ends on a whole line) and seals
// them. Written, why is empty, or says why the seal could not be written: never a lost row.
bool appendSealed(QFile& file, RecordSeal& seal, const QByteArray& bytes, QString& why) {
    const qint64 before = file.size();
    if (file.write(bytes) == bytes.size()) {
        seal.add(bytes);
        seal.seal(false, &why);
        why = seal.failure();
        return true;
    }
    why = file.errorString();
    if (why.isEmpty() || file.error() == QFileDevice::NoError)
        why = QStringLiteral("the device is full");
    file.resize(before);
    return false;
}

const QString kColumns =
    QStringLiteral("Time, Therm1, Therm2, Therm3, pH-1 mV, pH-2 mV, pH-1 value, pH-2 value, "
                   "Flow frequency, liters/min, Total Liters");
} // namespace

LogWriter::LogWriter(const MeasurementState& state)
    : m_state(state), m_file(std::make_shared<QFile>()),
      m_seal(std::make_shared<RecordSeal>(QString())) {}

QByteArray LogWriter::headerBlock(const QString& path, const QDate& today) const {
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
    return block;
}

LogWriter::FileOperation LogWriter::opening(Mode mode, QByteArray header,
                                            std::shared_ptr<RecordSeal> seal, QByteArray follows) {
    QIODevice::OpenMode flags = QIODevice::WriteOnly | QIODevice::Unbuffered;
    flags |= mode == Mode::Overwrite ? QIODevice::Truncate : QIODevice::Append;
    return [flags, mode, header, seal, follows](QFile& file, QString& why) {
        // Opening a FIFO without a reader, or a device, would wait for ever; a log is a plain
        // file.
        const QFileInfo existing(file.fileName());
        if (existing.exists() && !existing.isFile()) {
            why = existing.isDir() ? QStringLiteral("it is a folder")
                                   : QStringLiteral("it is not a regular file");
            return false;
        }
        if (!file.open(flags)) {
            why = file.errorString();
            return false;
        }
        const qint64 before = file.size();
        // The seal beside the file goes on from what the file holds; failing to write it is said
        // and never holds the rows.
        seal->begin(before, before == 0, &why, follows);
        if (mode == Mode::Continue && before > 0)
            return true;
        if (appendSealed(file, *seal, header, why))
            return true;
        file.close();
        return false;
    };
}

bool LogWriter::open(const QString& path, Mode mode, const QDate& today, QString* error) {
    close();
    auto file = std::make_shared<QFile>(path);
    auto why = std::make_shared<QString>();
    auto seal = std::make_shared<RecordSeal>(path);
    const FileOperation operation = opening(mode, headerBlock(path, today), seal, follows(path));
    const BoundedResult result =
        m_worker.run([file, why, operation] { return operation(*file, *why); });
    if (result == BoundedResult::Succeeded) {
        m_file = file;
        m_seal = seal;
        m_open = true;
        ++m_generation;
        m_sinceReachableCheck.start();
        return true;
    }
    *error =
        result == BoundedResult::TimedOut ? QStringLiteral("the file system did not answer") : *why;
    return false;
}

void LogWriter::openLater(const QString& path, Mode mode, const QDate& today, QObject* context,
                          RowDone done) {
    close();
    const QByteArray before = follows(path);
    m_file = std::make_shared<QFile>(path);
    m_seal = std::make_shared<RecordSeal>(path);
    post(opening(mode, headerBlock(path, today), m_seal, before), context,
         [this, done](RowOutcome outcome, const QString& error) {
             if (outcome == RowOutcome::Written) {
                 m_open = true;
                 m_sinceReachableCheck.start();
             }
             done(outcome, error);
         });
}

void LogWriter::writeRow(const QDateTime& time, const QString& totalLitersText, QObject* context,
                         RowDone done) {
    // The columns in the log's own order, after the time; the total as its readout shows it.
    constexpr Readout kColumns[] = {Readout::Therm1,   Readout::Therm2,   Readout::Therm3,
                                    Readout::Probe1mV, Readout::Probe2mV, Readout::Probe1pH,
                                    Readout::Probe2pH, Readout::FlowHz,   Readout::LitersPerMin};
    QList<LogItem> row{m_timeColumn == TimeColumn::Iso
                           ? QString::fromLatin1(isoTime(time))
                           : time.time().toString(QStringLiteral("hh:mm:ss"))};
    for (Readout column : kColumns)
        row.append(valueOf(m_state, column));
    row.append(totalLitersText);
    const QByteArray line = renderLogLine(row);
    // One look at the path a second at most, however short the logging interval.
    const bool look = m_sinceReachableCheck.elapsed() >= 1000;
    if (look)
        m_sinceReachableCheck.start();
    auto moved = std::make_shared<std::atomic<bool>>(false);
    post(
        [line, look, moved, seal = m_seal](QFile& file, QString& why) {
            if (look && !QFileInfo::exists(file.fileName())) {
                why = QStringLiteral("the file is no longer there");
                *moved = true;
                return false;
            }
            return appendSealed(file, *seal, line, why);
        },
        context,
        [moved, done](RowOutcome outcome, const QString& error) {
            done(*moved ? RowOutcome::Moved : outcome, error);
        });
}

void LogWriter::post(FileOperation operation, QObject* context, RowDone done) {
    // The operation owns what it touches: after a timeout it may still run, on a file this
    // writer has let go of.
    auto file = m_file;
    auto why = std::make_shared<QString>();
    const int generation = m_generation;
    m_worker.post([file, why, operation] { return operation(*file, *why); }, context,
                  [this, why, generation, done](BoundedResult result) {
                      if (generation != m_generation)
                          return;
                      // Written; with words only where its seal could not be written.
                      if (result == BoundedResult::Succeeded)
                          return done(RowOutcome::Written, *why);
                      if (result == BoundedResult::TimedOut) {
                          *why = QStringLiteral("the file system did not answer");
                          m_file = std::make_shared<QFile>();
                          m_seal = std::make_shared<RecordSeal>(QString());
                          m_open = false;
                          ++m_generation;
                      }
                      done(RowOutcome::Failed, *why);
                  });
}

void LogWriter::close() {
    ++m_generation;
    m_open = false;
    // After the rows handed on, and an open under way, have had their turn.
    auto file = m_file;
    if (file->fileName().isEmpty())
        return;
    m_worker.run([file, seal = m_seal] {
        // The last rows sealed at every close.
        QString why;
        if (file->isOpen())
            seal->seal(true, &why);
        file->close();
        return true;
    });
}

QByteArray LogWriter::follows(const QString& path) const {
    // A reopen of the same path after a rotation: the new file's seal names the last of the old.
    return m_seal->recordPath() == path ? m_seal->head() : QByteArray();
}
