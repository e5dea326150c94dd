#pragma once

#define QCUSTOMPLOT_USE_LIBRARY
#include <qcustomplot.h>

// Tick labels "hh:mm:ss" for axis values that are times of day as fractions of a day; steps
// fall on whole seconds, minutes or hours. Values outside 0..1 (points shown from the day
// before) are labelled with their time of day.
class DayTimeTicker : public QCPAxisTicker {
protected:
    double getTickStep(const QCPRange& range) override;
    QString getTickLabel(double tick, const QLocale& locale, QChar formatChar,
                         int precision) override;
};
