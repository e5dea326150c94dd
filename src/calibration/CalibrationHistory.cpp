#include "CalibrationHistory.h"

#include "WholeLineFile.h"

#include "BoundedCall.h"
#include "CsvFields.h"
#include "RegionalText.h"
#include "SettingsLocation.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <memory>

namespace {
// Full-stop numbers and ISO times, whatever the region, so the file reads the same everywhere.
const char kHeading[] = "Date and time,Probe,Serial number,Offset (V),Slope,"
                        "Buffer 1 pH,Buffer 1 mV,Buffer 1 temperature (C),"
                        "Buffer 2 pH,Buffer 2 mV,Buffer 2 temperature (C)\n";
constexpr int kFields = 11;

QByteArray lineOf(const CalibrationRecord& r) {
    QStringList fields = {r.when.toString(Qt::ISODate), QString::number(r.probe),
                          csvQuoted(r.serial), regional::plainNumberText(r.calibration.offset),
                          regional::plainNumberText(r.calibration.slope)};
    for (int i = 0; i < 2; ++i) {
        if (i < r.buffers.size())
            fields << regional::plainNumberText(r.buffers[i].ph)
                   << regional::plainNumberText(r.buffers[i].millivolts)
                   << regional::plainNumberText(r.buffers[i].celsius);
        else
            fields << QString() << QString() << QString();
    }
    return fields.join(QLatin1Char(',')).toUtf8() + '\n';
}

bool recordOf(const QString& line, CalibrationRecord* r) {
    const QStringList f = csvFields(line);
    if (f.size() != kFields)
        return false;
    const QLocale c = QLocale::c();
    bool ok[5] = {};
    r->when = QDateTime::fromString(f[0], Qt::ISODate);
    r->probe = f[1].toInt(&ok[0]);
    r->serial = f[2];
    r->calibration = {c.toDouble(f[3], &ok[1]), c.toDouble(f[4], &ok[2])};
    r->buffers.clear();
    for (int i = 5; i + 2 < kFields && !f[i].isEmpty(); i += 3) {
        bool good[3] = {};
        r->buffers.append({c.toDouble(f[i], &good[0]), c.toDouble(f[i + 1], &good[1]),
                           c.toDouble(f[i + 2], &good[2])});
        if (!good[0] || !good[1] || !good[2])
            return false;
    }
    return r->when.isValid() && ok[0] && ok[1] && ok[2];
}
} // namespace

CalibrationHistory::CalibrationHistory(const SettingsLocation& settings)
    : m_path(QFileInfo(settings.fileName()).absolutePath() +
             QStringLiteral("/calibration-history.csv")) {}

bool CalibrationHistory::append(const CalibrationRecord& record) const {
    return m_worker->run(wholeLineAppend(m_path, lineOf(record), kHeading)) ==
           BoundedResult::Succeeded;
}

QList<CalibrationRecord> CalibrationHistory::latest(int probe, int count) const {
    const QString path = m_path;
    auto text = std::make_shared<QByteArray>();
    if (m_worker->run([path, text] {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                return false;
            *text = file.readAll();
            return true;
        }) != BoundedResult::Succeeded)
        return {};
    QList<QByteArray> lines = text->split('\n');
    lines.removeLast(); // the end of the last whole line, or a torn one
    QList<CalibrationRecord> records;
    for (const QByteArray& line : lines) {
        CalibrationRecord r;
        if (recordOf(QString::fromUtf8(line), &r) && r.probe == probe)
            records.append(r);
    }
    return records.mid(std::max<qsizetype>(0, records.size() - count));
}
