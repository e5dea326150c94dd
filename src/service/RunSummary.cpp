#include "RunSummary.h"

#include "SealCheck.h"

#include "CalibrationStore.h"
#include "LogRows.h"
#include "PublishSettings.h"

#include <QRegularExpression>
#include <QSysInfo>
#include <cmath>

QString reportStation(const SettingsLocation& settings) {
    bool remembered = false;
    const QString station = loadPublishSettings(settings, &remembered).station;
    return station.isEmpty() ? QSysInfo::machineHostName() : station;
}

QDate headerDate(const QString& text) {
    static const QRegularExpression parts(
        QStringLiteral("^\\s*(\\d{1,4})([./-])(\\d{1,2})\\2(\\d{1,4})"));
    const auto m = parts.match(text);
    if (!m.hasMatch())
        return {};
    int a = m.captured(1).toInt(), b = m.captured(3).toInt(), c = m.captured(4).toInt();
    const QChar separator = m.captured(2).front();
    if (m.captured(1).size() == 4) // 2026-12-01
        return QDate(a, b, c);
    if (c < 100)
        c += 2000;
    // Day first, except the slashes of US English (12/1/2026) unless the first cannot be a month.
    if (separator == u'/' && a <= 12)
        std::swap(a, b);
    return QDate(c, b, a);
}

namespace {
std::vector<ProbeCheck> probeChecks(const RecordedRun& run, qint64 fromMs, qint64 toMs,
                                    qint64 startMs, const CalibrationLimits& limits) {
    std::vector<ProbeCheck> checks;
    for (const RunBlock& b : run.blocks()) {
        if (b.titleOffset < 0 || b.rows == 0 || b.lastMs < fromMs || b.firstMs > toMs)
            continue;
        for (int probe = 1; probe <= 2; ++probe) {
            const QString p = QStringLiteral("Probe %1 ").arg(probe);
            ProbeCheck c;
            c.probe = probe;
            c.fromMs = std::max(b.firstMs, fromMs);
            c.offsetText = b.field(p + QStringLiteral("Offset"));
            c.slopeText = b.field(p + QStringLiteral("Slope"));
            c.serial = b.field(p + QStringLiteral("Serial Number"));
            c.dateText = b.field(p + QStringLiteral("Calibration Date"));
            const double offset = logrows::regionalNumber(c.offsetText.toLatin1());
            const double slope = logrows::regionalNumber(c.slopeText.toLatin1());
            if (logrows::present(offset)) {
                c.offsetMillivolts = (offset - CalibrationStore::kNominalOffset) * 1000;
                c.offsetWithin = std::abs(*c.offsetMillivolts) <= limits.offsetMillivolts;
            }
            if (logrows::present(slope)) {
                c.slopePercent = slope / CalibrationStore::kNominalSlope * 100;
                c.slopeWithin = *c.slopePercent >= limits.slopeLowPercent &&
                                *c.slopePercent <= limits.slopeHighPercent;
            }
            if (const QDate date = headerDate(c.dateText); date.isValid()) {
                c.ageDays = int(date.daysTo(
                    QDateTime::fromMSecsSinceEpoch(std::max(b.firstMs, startMs)).date()));
                c.tooOld = *c.ageDays > limits.ageDays;
            }
            checks.push_back(c);
        }
    }
    return checks;
}

// The alarm record's lines made one entry per raise, with its acknowledgement and clear.
std::vector<AlarmEntry> alarmEntries(const RunEvents& events) {
    std::vector<AlarmEntry> entries;
    std::vector<std::pair<QString, size_t>> open; // alarm, entry not yet cleared
    for (const RunEvent& e : events.events) {
        if (e.alarm.isEmpty())
            continue;
        auto standing = std::find_if(open.begin(), open.end(),
                                     [&](const auto& o) { return o.first == e.alarm; });
        if (e.kind == RunEvent::Kind::Raised) {
            if (standing != open.end())
                continue;
            entries.push_back({e.subject, e.kindWord, e.limit, e.value, e.ms, {}, {}, {}});
            open.emplace_back(e.alarm, entries.size() - 1);
            continue;
        }
        if (standing == open.end())
            continue; // raised before the range
        AlarmEntry& entry = entries[standing->second];
        if (e.kind == RunEvent::Kind::Acknowledged && !entry.acknowledgedMs) {
            entry.acknowledgedMs = e.ms;
            entry.acknowledgedBy = e.by;
        } else if (e.kind == RunEvent::Kind::Cleared) {
            entry.clearedMs = e.ms;
            open.erase(standing);
        }
    }
    return entries;
}
} // namespace

RunSummary summariseRun(const RecordedRun& run, const RunEvents& events,
                        const QList<CalibrationRecord>& calibrations, qint64 fromMs, qint64 toMs,
                        const CalibrationLimits& limits) {
    RunSummary s;
    s.limits = limits;
    s.logPath = run.path();
    s.fileSize = run.fileSize();
    s.fromMs = fromMs;
    s.toMs = toMs;
    s.rows = run.span(fromMs, toMs);
    for (const RunBlock& b : run.blocks())
        if (b.rows > 0 && b.lastMs >= fromMs && b.firstMs <= toMs && b.intervalMs > 0 &&
            !s.intervalsMs.contains(b.intervalMs))
            s.intervalsMs << b.intervalMs;
    for (const auto& [at, length] : run.gaps())
        if (at >= fromMs && at + length <= toMs) {
            ++s.gaps;
            s.longestGapMs = std::max(s.longestGapMs, length);
        }
    s.calibrations = probeChecks(run, fromMs, toMs, s.rows.firstMs, limits);
    for (const CalibrationRecord& r : calibrations)
        if (r.when.toMSecsSinceEpoch() <= toMs)
            s.bufferCalibrations << r;
    std::sort(
        s.bufferCalibrations.begin(), s.bufferCalibrations.end(),
        [](const CalibrationRecord& a, const CalibrationRecord& b) { return a.when < b.when; });
    s.statistics = run.statistics(fromMs, toMs);
    for (int q = 0; q < RecordedRun::kQuantities; ++q)
        s.msInAlarm[size_t(q)] = events.msInAlarm(Readout(q), fromMs, toMs);
    s.alarms = alarmEntries(events);
    std::erase_if(s.alarms, [&](const AlarmEntry& a) {
        return a.raisedMs > toMs || (a.clearedMs && *a.clearedMs < fromMs);
    });
    // The changes of the range, with the start-up's just before it.
    const qint64 leadMs = fromMs <= run.firstMs() ? 5 * 60 * 1000 : 0;
    for (const AuditEntry& e : events.changes)
        if (e.when.toMSecsSinceEpoch() >= fromMs - leadMs &&
            e.when.toMSecsSinceEpoch() <= toMs + 60000)
            s.changes.push_back(e);
    const SealVerdict seal = checkSeal(run.path());
    s.seal = seal.text;
    s.sealIntact = seal.intact;
    s.readNote = QStringList{run.notes().text(), events.note}.join(u' ').trimmed();
    return s;
}
