#include "DayTimeTicker.h"

#include "RegionalText.h"

namespace {
constexpr double kSecondsPerDay = 86400;
}

double DayTimeTicker::getTickStep(const QCPRange& range) {
    static const double steps[] = {1,   2,   5,    10,   15,   30,    60,    120,  300,
                                   600, 900, 1800, 3600, 7200, 10800, 21600, 43200};
    const double wanted = range.size() * kSecondsPerDay / std::max(1, tickCount());
    for (double s : steps)
        if (s >= wanted)
            return s / kSecondsPerDay;
    return steps[std::size(steps) - 1] / kSecondsPerDay;
}

QString DayTimeTicker::getTickLabel(double tick, const QLocale&, QChar, int) {
    return regional::clockText(tick);
}
