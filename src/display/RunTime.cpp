#include "RunTime.h"

#include "RegionalText.h"

#include <QDateTime>
#include <QLocale>
#include <QTimeZone>
#include <cmath>

namespace {
// "hh:mm:ss" and, where asked, the tenths after the region's decimal separator.
QString clock(qint64 msOfDay, bool tenths) {
    const QTime t = QTime(0, 0).addMSecs(int(msOfDay));
    QString text = t.toString(QStringLiteral("hh:mm:ss"));
    if (tenths)
        text += QLocale().decimalPoint() + QString::number(t.msec() / 100);
    return text;
}

QDateTime shownAt(qint64 ms, TimeAxis axis) {
    return axis == TimeAxis::Utc ? QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc())
                                 : QDateTime::fromMSecsSinceEpoch(ms);
}

QString elapsedText(qint64 ms, bool tenths) {
    const QString sign = ms < 0 ? QStringLiteral("-") : QStringLiteral("+");
    ms = std::abs(ms);
    const qint64 days = ms / 86400000;
    return sign + (days > 0 ? QStringLiteral("%1 d ").arg(days) : QString()) +
           clock(ms % 86400000, tenths);
}
} // namespace

QString runTimeText(qint64 ms, TimeAxis axis, qint64 originMs) {
    if (axis == TimeAxis::Elapsed)
        return elapsedText(ms - originMs, true);
    const QDateTime at = shownAt(ms, axis);
    const QString text = QLocale().toString(at.date(), regional::shortDateFormat()) + u' ' +
                         clock(at.time().msecsSinceStartOfDay(), true);
    return axis == TimeAxis::Utc ? text + QStringLiteral(" UTC") : text;
}

QString durationText(qint64 ms) {
    const QString sign = ms < 0 ? QStringLiteral("-") : QString();
    ms = std::abs(ms);
    const QLocale locale;
    const QString seconds = locale.toString((ms % 60000) / 1000.0, 'f', 1) + QStringLiteral(" s");
    if (ms < 60000)
        return sign + seconds;
    const qint64 minutes = ms / 60000;
    if (minutes < 60)
        return sign + QStringLiteral("%1 min ").arg(minutes) + seconds;
    return sign +
           QStringLiteral("%1 h %2 min ").arg(minutes / 60).arg(minutes % 60, 2, 10, QChar(u'0')) +
           seconds;
}

void RunTimeTicker::setTimeAxis(TimeAxis axis, qint64 originMs) {
    m_axis = axis;
    m_originMs = originMs;
    // Whole hours and days fall where the shown clock has them.
    setDateTimeSpec(axis == TimeAxis::Utc ? Qt::UTC : Qt::LocalTime);
    setTickOrigin(axis == TimeAxis::Elapsed ? originMs / 1000.0 : 0);
}

double RunTimeTicker::getTickStep(const QCPRange& range) {
    m_step = QCPAxisTickerDateTime::getTickStep(range);
    return m_step;
}

QString RunTimeTicker::getTickLabel(double tick, const QLocale&, QChar, int) {
    const qint64 ms = qint64(std::llround(tick * 1000));
    const bool tenths = m_step < 1;
    if (m_axis == TimeAxis::Elapsed)
        return elapsedText(ms - m_originMs, tenths);
    const QDateTime at = shownAt(ms, m_axis);
    return QLocale().toString(at.date(), regional::shortDateFormat()) + u'\n' +
           clock(at.time().msecsSinceStartOfDay(), tenths);
}
