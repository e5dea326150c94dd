#include "RunEvents.h"

#include "AlarmLimits.h"
#include "CalibrationHistory.h"
#include "LogRows.h"
#include "Quantities.h"
#include "RecordedRun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <algorithm>

namespace {
// An alarm record larger than this is not read (a year of alarms is far smaller).
constexpr qint64 kLargestRecord = 64 << 20;
const char* const kGroupKeys[] = {"ph", "flow", "therm"}; // by Group, as the record writes them
const char* const kGroupWords[] = {"pH modules", "flow module", "thermistors"};

std::optional<Readout> readoutOfKey(QByteArrayView key) {
    for (const QuantityInfo& q : kQuantityTable)
        if (key == QByteArrayView(q.key.data(), q.key.size()))
            return q.readout;
    return std::nullopt;
}

// One line of the alarm record: time, quantity or group, kind, limit, value, state[, "by"].
std::optional<RunEvent> alarmEvent(const QByteArray& line) {
    const QList<QByteArray> f = line.trimmed().split(',');
    qint64 ms = 0;
    if (f.size() < 6 || !logrows::parseIsoTime(f[0], &ms))
        return std::nullopt;
    const double limit = logrows::regionalNumber(f[3]);
    const double value = logrows::regionalNumber(f[4]);
    RunEvent e{.kind = RunEvent::Kind::Raised,
               .ms = ms,
               .text = {},
               .alarm = QString::fromLatin1(f[1] + '-' + f[2])};
    QString subject;
    QString unit;
    int decimals = 0;
    if (const auto readout = readoutOfKey(f[1])) {
        const QuantityInfo& q = quantityInfo(*readout);
        e.readout = readout;
        e.group = q.group;
        subject = q.name;
        unit = q.unit;
        decimals = q.decimals;
    } else {
        for (int g = 0; g < 3; ++g)
            if (f[1] == kGroupKeys[g]) {
                e.group = Group(g);
                subject = QLatin1String(kGroupWords[g]);
                unit = QStringLiteral("s");
            }
        if (!e.group)
            return std::nullopt;
    }
    const QByteArray state = f[5];
    if (state == "acknowledged")
        e.kind = RunEvent::Kind::Acknowledged;
    else if (state.startsWith("cleared"))
        e.kind = RunEvent::Kind::Cleared;
    else if (state != "raised")
        return std::nullopt;
    const QLocale locale;
    auto shown = [&](double v) {
        return (std::isnan(v) ? QStringLiteral("?") : locale.toString(v, 'f', decimals)) + u' ' +
               unit;
    };
    e.subject = subject;
    e.kindWord = QString::fromLatin1(f[2]).toUpper();
    e.limit = shown(limit);
    e.value = shown(value);
    if (f.size() > 6)
        e.by = QString::fromUtf8(line.mid(line.indexOf(",\"") + 2)).trimmed().chopped(1);
    e.text = QStringLiteral("%1 %2 %3: %4 (limit %5)")
                 .arg(subject, e.kindWord, QString::fromLatin1(state), e.value, e.limit);
    if (!e.by.isEmpty())
        e.text += QStringLiteral(", by ") + e.by;
    return e;
}

void readAlarmRecord(const QString& path, qint64 fromMs, qint64 toMs, RunEvents& out) {
    const QFileInfo info(path);
    if (!info.exists())
        return;
    QFile file(path);
    const QString shown = QDir::toNativeSeparators(path);
    if (!info.isFile() || info.size() > kLargestRecord || !file.open(QIODevice::ReadOnly)) {
        out.note = QStringLiteral("The alarm record %1 cannot be read.").arg(shown);
        return;
    }
    std::vector<RunEvent> alarms;
    qint64 unreadable = 0;
    file.readLine(); // its heading
    while (!file.atEnd()) {
        const QByteArray line = file.readLine(4096);
        if (const auto e = alarmEvent(line))
            alarms.push_back(*e);
        else if (!line.trimmed().isEmpty())
            ++unreadable;
    }
    if (unreadable > 0)
        out.note = QStringLiteral("%1 lines of the alarm record %2 could not be read.")
                       .arg(unreadable)
                       .arg(shown);
    // Spans from each raise to the next clear of the same alarm, cut to the run.
    std::stable_sort(alarms.begin(), alarms.end(),
                     [](const RunEvent& a, const RunEvent& b) { return a.ms < b.ms; });
    std::vector<std::pair<RunEvent, bool>> open; // the raise, and whether it still stands
    for (const RunEvent& e : alarms) {
        auto same = [&](const std::pair<RunEvent, bool>& o) {
            return o.second && o.first.alarm == e.alarm;
        };
        if (e.kind == RunEvent::Kind::Raised && std::none_of(open.begin(), open.end(), same))
            open.push_back({e, true});
        if (e.kind == RunEvent::Kind::Cleared)
            for (auto& o : open)
                if (same(o)) {
                    o.second = false;
                    if (e.ms >= fromMs && o.first.ms <= toMs)
                        out.spans.push_back({std::max(o.first.ms, fromMs), std::min(e.ms, toMs),
                                             o.first.readout, *o.first.group});
                }
        if (e.ms >= fromMs && e.ms <= toMs)
            out.events.push_back(e);
    }
    for (const auto& o : open)
        if (o.second && o.first.ms <= toMs)
            out.spans.push_back(
                {std::max(o.first.ms, fromMs), toMs, o.first.readout, *o.first.group});
}

QString calibrationText(const CalibrationRecord& r) {
    const QLocale locale;
    auto number = [&](double v) { return locale.toString(v, 'g', 6); };
    QString text = QStringLiteral("Probe %1 calibrated (serial %2): offset %3, slope %4")
                       .arg(r.probe)
                       .arg(r.serial, number(r.calibration.offset), number(r.calibration.slope));
    QStringList buffers;
    for (const BufferReading& b : r.buffers)
        buffers << QStringLiteral("pH %1 at %2 mV").arg(number(b.ph), number(b.millivolts));
    if (!buffers.isEmpty())
        text += QStringLiteral("; buffers ") + buffers.join(QStringLiteral(" and "));
    return text;
}

QString headerText(const std::vector<RunBlock>& blocks, size_t i) {
    const RunBlock& b = blocks[i];
    QString text = (i == 0 ? QStringLiteral("Logging started (header at line %1)")
                           : QStringLiteral("Logging restarted (header at line %1)"))
                       .arg(b.titleLine);
    if (i == 0)
        return text;
    QStringList changes;
    for (const char* name : {"Probe 1 Offset", "Probe 2 Offset", "Probe 1 Slope", "Probe 2 Slope",
                             "Probe 1 Serial Number", "Probe 2 Serial Number"}) {
        const QString key = QLatin1String(name);
        const QString before = blocks[i - 1].field(key), after = b.field(key);
        if (before != after)
            changes << QStringLiteral("%1 %2 to %3").arg(key, before, after);
    }
    if (!changes.isEmpty())
        text += QStringLiteral("; new calibration: ") + changes.join(QStringLiteral(", "));
    return text;
}
} // namespace

qint64 RunEvents::msInAlarm(Readout readout, qint64 fromMs, qint64 toMs) const {
    std::vector<std::pair<qint64, qint64>> cut;
    for (const AlarmSpan& s : spans)
        if ((s.readout == readout || (!s.readout && s.group == groupOf(readout))) &&
            s.toMs > fromMs && s.fromMs < toMs)
            cut.emplace_back(std::max(s.fromMs, fromMs), std::min(s.toMs, toMs));
    std::sort(cut.begin(), cut.end());
    // Overlapping spans (too high while silent) count once.
    qint64 total = 0, reached = std::numeric_limits<qint64>::min();
    for (const auto& [from, to] : cut) {
        const qint64 start = std::max(from, reached);
        if (to > start)
            total += to - start;
        reached = std::max(reached, to);
    }
    return total;
}

QString auditTrailOf(const QString& logPath, const QString& settingsFile) {
    const QString beside =
        QFileInfo(logPath).absoluteDir().filePath(QLatin1String(AuditTrail::kFileName));
    return QFileInfo::exists(beside) ? beside
                                     : QFileInfo(settingsFile)
                                           .absoluteDir()
                                           .filePath(QLatin1String(AuditTrail::kFileName));
}

QString changeText(const AuditEntry& e) {
    return QStringLiteral("%1: %2 to %3, by %4 (%5)%6")
        .arg(e.what, e.from, e.to, e.user, e.program,
             e.reason.isEmpty() ? QString() : QStringLiteral(": ") + e.reason);
}

RunEvents collectRunEvents(const RecordedRun& run, const QString& alarmRecord,
                           const QList<CalibrationRecord>& calibrations,
                           const QString& auditTrail) {
    RunEvents out;
    if (run.empty())
        return out;
    // The start-up's changes (the program started, its configuration) come shortly before the
    // first row, its stop shortly after the last.
    constexpr qint64 kLeadMs = 5 * 60 * 1000, kTailMs = 60 * 1000;
    if (!auditTrail.isEmpty())
        for (const AuditEntry& e :
             AuditTrail::read(auditTrail, QDateTime::fromMSecsSinceEpoch(run.firstMs() - kLeadMs),
                              QDateTime::fromMSecsSinceEpoch(run.lastMs() + kTailMs))) {
            out.changes.push_back(e);
            out.events.push_back({.kind = RunEvent::Kind::Change,
                                  .ms = e.when.toMSecsSinceEpoch(),
                                  .text = changeText(e)});
        }
    readAlarmRecord(alarmRecord, run.firstMs(), run.lastMs(), out);
    for (const CalibrationRecord& r : calibrations) {
        const qint64 ms = r.when.toMSecsSinceEpoch();
        if (ms >= run.firstMs() && ms <= run.lastMs())
            out.events.push_back(
                {.kind = RunEvent::Kind::Calibration, .ms = ms, .text = calibrationText(r)});
    }
    for (size_t i = 0; i < run.blocks().size(); ++i)
        if (run.blocks()[i].rows > 0 && run.blocks()[i].titleOffset >= 0)
            out.events.push_back({.kind = RunEvent::Kind::Header,
                                  .ms = run.blocks()[i].firstMs,
                                  .text = headerText(run.blocks(), i)});
    std::stable_sort(out.events.begin(), out.events.end(),
                     [](const RunEvent& a, const RunEvent& b) { return a.ms < b.ms; });
    return out;
}
