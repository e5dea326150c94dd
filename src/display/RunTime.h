#pragma once

#define QCUSTOMPLOT_USE_LIBRARY
#include <qcustomplot.h>

#include <QString>

// How a recorded run's times are shown: the local date and time, UTC, or the time since the
// run's first row.
enum class TimeAxis { Local, Utc, Elapsed };

// A time of a run for a person, to the tenth of a second, in the region's date form:
// "08.12.2026 23:59:59,5", "08.12.2026 22:59:59,5 UTC", "+1 d 02:03:04,5".
QString runTimeText(qint64 ms, TimeAxis axis, qint64 originMs);
// A span of time: "2 h 03 min 04,5 s", "-0,3 s".
QString durationText(qint64 ms);

// Tick labels of a run's time axis (values: seconds since the epoch): date and time on two
// lines, or the time since the origin; steps fall on whole seconds, minutes, hours or days.
class RunTimeTicker : public QCPAxisTickerDateTime {
public:
    void setTimeAxis(TimeAxis axis, qint64 originMs);

protected:
    double getTickStep(const QCPRange& range) override;
    QString getTickLabel(double tick, const QLocale& locale, QChar formatChar,
                         int precision) override;

private:
    TimeAxis m_axis = TimeAxis::Local;
    qint64 m_originMs = 0;
    double m_step = 1;
};
