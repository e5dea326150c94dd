#include "ChartModes.h"

#include "StripChart.h"

void applyGraphMode(StripChart& chart, int mode) {
    using I = StripChart::Interaction;
    switch (mode) {
    case 0:
        chart.setInteraction(I::Zoom);
        chart.setCursorVisible(1, false);
        chart.setCursorVisible(2, false);
        break;
    case 1:
        chart.setCursorVisible(1, false);
        chart.setCursorVisible(2, false);
        chart.setInteraction(I::Pan);
        break;
    case 2:
        chart.setInteraction(I::Cursor);
        chart.setCursorVisible(1, true);
        chart.setCursorVisible(2, false);
        centreCursor(chart, 1);
        break;
    case 3:
        chart.setInteraction(I::Cursor);
        chart.setCursorVisible(1, true);
        chart.setCursorVisible(2, true);
        centreCursor(chart, 2);
        break;
    default:
        break;
    }
}

void centreCursor(StripChart& chart, int cursor) {
    const QCPRange x = chart.axisRange(1);
    chart.setCursorX(cursor, (x.lower + x.upper) / 2);
    const QCPRange y = chart.axisRange(2);
    chart.setCursorY(cursor, (y.lower + y.upper) / 2);
    emit chart.cursorMoved(cursor, chart.cursorX(cursor), chart.cursorY(cursor));
}

void applyPhRange(StripChart& chart, double minimum, double maximum) {
    if (!(minimum < maximum))
        return;
    chart.setAxisRange(2, minimum, maximum);
    chart.setAxisRange(3, minimum, maximum);
}
