#include "StripChart.h"

#include "ChartAccessible.h"
#include "DayTimeTicker.h"
#include "RegionalText.h"

#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>
#include <limits>

namespace {
constexpr double kSecondsPerDay = 86400;
constexpr double kStartSpan = StripChart::kHistory / kSecondsPerDay;
constexpr double kGrabPixels = 8; // how near a crosshair a press must be to pick it up
constexpr double kKeyStep = 0.02; // fraction of the visible range per arrow key
constexpr double kGap = std::numeric_limits<double>::quiet_NaN(); // breaks a trace
} // namespace

StripChart::StripChart(QWidget* parent) : QCustomPlot(parent) {
    static const bool factoryInstalled = [] {
        ChartAccessible<StripChart>::install("StripChart");
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setAccessibleName(tr("pH strip chart"));
    setFocusPolicy(Qt::StrongFocus);

    xAxis->setLabel(QStringLiteral("Time"));
    xAxis->setTicker(QSharedPointer<DayTimeTicker>::create());
    xAxis->setRange(0, kStartSpan);
    yAxis->setLabel(QStringLiteral("pH 1"));
    yAxis2->setLabel(QStringLiteral("pH 2"));
    yAxis2->setVisible(true);
    yAxis2->setTickLabels(true);
    setAxisRange(2, 0, 15);
    // The second pH axis only repeats the first one's scale.
    connect(yAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), yAxis2,
            qOverload<const QCPRange&>(&QCPAxis::setRange));

    const char* names[] = {"Plot-1", "Plot-2"};
    const QColor colours[] = {QColor(0, 170, 0), QColor(220, 0, 0)};
    for (int i = 0; i < 2; ++i) {
        m_curves[i] = new QCPCurve(xAxis, yAxis);
        m_curves[i]->setName(QLatin1String(names[i]));
        m_curves[i]->setPen(QPen(colours[i], 2));
    }
    // Blue and a deep gold: both read on the white plot area.
    const QColor cursorColours[] = {QColor(0, 0, 255), QColor(205, 150, 0)};
    for (int i = 0; i < 2; ++i) {
        Cursor& c = m_cursors[i];
        c.vertical = new QCPItemStraightLine(this);
        c.horizontal = new QCPItemStraightLine(this);
        for (QCPItemStraightLine* line : {c.vertical, c.horizontal}) {
            line->setPen(QPen(cursorColours[i], 1.5));
            line->setSelectable(false);
            line->setVisible(false);
        }
        placeCursor(i + 1);
    }
    for (QCPAxis* a : {xAxis, yAxis})
        connect(a, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
                [this] { announceChange(); });
    axisRect()->setRangeDragAxes(xAxis, yAxis);
    axisRect()->setRangeZoomAxes(xAxis, yAxis);
    setInteraction(Interaction::Pan);
}

QCPAxis* StripChart::axis(int index) const {
    switch (index) {
    case 1:
        return xAxis;
    case 2:
        return yAxis;
    default:
        return yAxis2;
    }
}

void StripChart::appendPoint(int plot, double x, double y) {
    std::deque<QPointF>& h = m_history[plot - 1];
    std::deque<bool>& breaks = m_breaksBefore[plot - 1];
    h.emplace_back(x, y);
    breaks.push_back(std::exchange(m_breakPending[plot - 1], false));
    while (h.size() > size_t(kHistory)) {
        h.pop_front();
        breaks.pop_front();
    }
    redrawPlot(plot);
    followNewest(x);
    replot(QCustomPlot::rpQueuedReplot);
}

void StripChart::breakTraces() {
    for (int plot = 1; plot <= 2; ++plot)
        m_breakPending[plot - 1] = !m_history[plot - 1].empty();
}

// Points are drawn in the order they were appended. Points from before a midnight are drawn one
// day to the left, so the trace runs on continuously across it.
void StripChart::redrawPlot(int plot) {
    const std::deque<QPointF>& h = m_history[plot - 1];
    const std::deque<bool>& breaks = m_breaksBefore[plot - 1];
    QVector<double> xs(int(h.size())), ys(int(h.size()));
    double dayOffset = 0;
    for (int i = int(h.size()) - 1; i >= 0; --i) {
        if (i + 1 < int(h.size()) && h[i].x() > h[i + 1].x() + 0.5)
            dayOffset -= 1;
        xs[i] = h[i].x() + dayOffset;
        ys[i] = h[i].y();
    }
    // A point after a pause follows a point with no value, where the curve breaks.
    QVector<double> t, cx, cy;
    for (int i = 0; i < int(h.size()); ++i) {
        if (breaks[size_t(i)] && i > 0) {
            t.append(t.size());
            cx.append(xs[i]);
            cy.append(kGap);
        }
        t.append(t.size());
        cx.append(xs[i]);
        cy.append(ys[i]);
    }
    m_curves[plot - 1]->setData(t, cx, cy, true);
}

// The time axis keeps its width and scrolls with the newest point, unless the operator has moved
// it away from the newest points to look at older ones.
void StripChart::followNewest(double newestX) {
    const QCPRange r = xAxis->range();
    const bool wasInView = m_lastNewestX >= r.lower && m_lastNewestX <= r.upper + 1.0 / 86400;
    const bool wrapped = newestX < m_lastNewestX - 0.5;
    if (wasInView || wrapped || (m_history[0].size() + m_history[1].size()) <= 1)
        xAxis->setRange(newestX - r.size(), newestX);
    m_lastNewestX = newestX;
}

void StripChart::setAxisRange(int index, double minimum, double maximum) {
    axis(index)->setRange(minimum, maximum);
    replot(QCustomPlot::rpQueuedReplot);
}

QCPRange StripChart::axisRange(int index) const {
    return axis(index)->range();
}

void StripChart::setCursorVisible(int cursor, bool visible) {
    Cursor& c = m_cursors[cursor - 1];
    c.visible = visible;
    c.vertical->setVisible(visible);
    c.horizontal->setVisible(visible);
    replot(QCustomPlot::rpQueuedReplot);
}

void StripChart::setCursorX(int cursor, double x) {
    m_cursors[cursor - 1].x = x;
    placeCursor(cursor);
}

void StripChart::setCursorY(int cursor, double y) {
    m_cursors[cursor - 1].y = y;
    placeCursor(cursor);
}

void StripChart::moveCursor(int cursor, double x, double y) {
    setCursorX(cursor, x);
    setCursorY(cursor, y);
    emit cursorMoved(cursor, x, y);
    announceChange();
}

QString StripChart::summary() const {
    QStringList parts;
    for (int k = 1; k <= 2; ++k)
        if (cursorVisible(k))
            parts.append(tr("Cursor %1: %2, %3")
                             .arg(k)
                             .arg(cursorTimeText(cursorX(k)), cursorValueText(cursorY(k))));
    const QCPRange t = xAxis->range(), y1 = yAxis->range(), y2 = yAxis2->range();
    parts.append(
        tr("Time %1 to %2").arg(regional::clockText(t.lower), regional::clockText(t.upper)));
    parts.append(
        tr("pH 1 %1 to %2").arg(regional::numberText(y1.lower), regional::numberText(y1.upper)));
    parts.append(
        tr("pH 2 %1 to %2").arg(regional::numberText(y2.lower), regional::numberText(y2.upper)));
    return parts.join(QStringLiteral("; "));
}

void StripChart::announceChange() {
    ChartAccessible<StripChart>::announce(this);
}

void StripChart::paintEvent(QPaintEvent* event) {
    QCustomPlot::paintEvent(event);
    // The arrow keys move a cursor or pan the chart while it has the focus: show that it has.
    if (hasFocus()) {
        QPainter p(this);
        p.setPen(QPen(palette().color(QPalette::Highlight), 2, Qt::DashLine));
        p.drawRect(rect().adjusted(1, 1, -2, -2));
    }
}

void StripChart::focusInEvent(QFocusEvent* event) {
    QCustomPlot::focusInEvent(event);
    update();
}

void StripChart::focusOutEvent(QFocusEvent* event) {
    QCustomPlot::focusOutEvent(event);
    update();
}

void StripChart::placeCursor(int cursor) {
    Cursor& c = m_cursors[cursor - 1];
    c.vertical->point1->setCoords(c.x, 0);
    c.vertical->point2->setCoords(c.x, 1);
    c.horizontal->point1->setCoords(0, c.y);
    c.horizontal->point2->setCoords(1, c.y);
    replot(QCustomPlot::rpQueuedReplot);
}

void StripChart::setInteraction(Interaction mode) {
    m_interaction = mode;
    setSelectionRectMode(mode == Interaction::Zoom ? QCP::srmZoom : QCP::srmNone);
    setInteractions(mode == Interaction::Pan ? QCP::Interactions(QCP::iRangeDrag)
                                             : QCP::Interactions());
    setCursor(mode == Interaction::Cursor ? Qt::CrossCursor
              : mode == Interaction::Pan  ? Qt::OpenHandCursor
                                          : Qt::ArrowCursor);
}

int StripChart::cursorNear(const QPointF& pixel) const {
    int best = 0;
    double bestDistance = kGrabPixels;
    for (int i = 0; i < 2; ++i) {
        const Cursor& c = m_cursors[i];
        if (!c.visible)
            continue;
        const double dx = std::abs(xAxis->coordToPixel(c.x) - pixel.x());
        const double dy = std::abs(yAxis->coordToPixel(c.y) - pixel.y());
        const double d = std::min(dx, dy);
        if (d <= bestDistance) {
            bestDistance = d;
            best = i + 1;
        }
    }
    return best;
}

void StripChart::mousePressEvent(QMouseEvent* event) {
    if (m_interaction != Interaction::Cursor || event->button() != Qt::LeftButton)
        return QCustomPlot::mousePressEvent(event);
    m_dragging = cursorNear(event->position());
    if (m_dragging == 0) {
        // A press away from both crosshairs takes the nearest visible cursor there.
        m_dragging = m_cursors[1].visible && !m_cursors[0].visible ? 2
                     : m_cursors[0].visible                        ? 1
                                                                   : 0;
    }
    mouseMoveEvent(event);
}

void StripChart::mouseMoveEvent(QMouseEvent* event) {
    if (m_interaction != Interaction::Cursor || m_dragging == 0)
        return QCustomPlot::mouseMoveEvent(event);
    const QPointF p = event->position();
    moveCursor(m_dragging, xAxis->pixelToCoord(p.x()), yAxis->pixelToCoord(p.y()));
}

void StripChart::mouseReleaseEvent(QMouseEvent* event) {
    if (m_interaction != Interaction::Cursor)
        return QCustomPlot::mouseReleaseEvent(event);
    m_dragging = 0;
}

// Arrow keys move cursor 1 in cursor mode and pan otherwise; + and - zoom about the centre.
void StripChart::keyPressEvent(QKeyEvent* event) {
    const QCPRange xr = xAxis->range(), yr = yAxis->range();
    double dx = 0, dy = 0;
    switch (event->key()) {
    case Qt::Key_Left:
        dx = -xr.size() * kKeyStep;
        break;
    case Qt::Key_Right:
        dx = xr.size() * kKeyStep;
        break;
    case Qt::Key_Up:
        dy = yr.size() * kKeyStep;
        break;
    case Qt::Key_Down:
        dy = -yr.size() * kKeyStep;
        break;
    case Qt::Key_Plus:
    case Qt::Key_Minus: {
        const double factor = event->key() == Qt::Key_Plus ? 0.8 : 1.25;
        xAxis->scaleRange(factor, xr.center());
        yAxis->scaleRange(factor, yr.center());
        replot(QCustomPlot::rpQueuedReplot);
        return;
    }
    default:
        return QCustomPlot::keyPressEvent(event);
    }
    if (m_interaction == Interaction::Cursor) {
        const int k = m_cursors[0].visible ? 1 : (m_cursors[1].visible ? 2 : 0);
        if (k)
            moveCursor(k, cursorX(k) + dx, cursorY(k) + dy);
        return;
    }
    xAxis->moveRange(dx);
    yAxis->moveRange(dy);
    replot(QCustomPlot::rpQueuedReplot);
}

QString cursorTimeText(double x) {
    return QStringLiteral("X:  ") + regional::clockText(x);
}

QString cursorValueText(double y) {
    QString digits = QString::number(y, 'f', 4);
    while (digits.contains('.') && (digits.endsWith('0') || digits.endsWith('.')))
        digits.chop(1);
    if (digits == QLatin1String("-0"))
        digits = QStringLiteral("0");
    return QStringLiteral("Y:  ") + digits.replace('.', QLocale().decimalPoint());
}
