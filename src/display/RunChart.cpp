#include "RunChart.h"

#include "ChartAccessible.h"
#include "Quantities.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QToolTip>
#include <cmath>

namespace {
constexpr double kGrabPixels = 8;
constexpr double kKeyStep = 0.02;     // of the range shown, per arrow key
constexpr double kShortestSpan = 0.5; // seconds: closer than single rows at 0.1 s
// The units in the order of their panels, top down.
const char* const kUnits[] = {"pH", "mV", "\260C", "L/min", "Hz", "L"};
const QColor kCursorColours[] = {QColor(0, 0, 255), QColor(205, 150, 0)};

// Colours by Readout; pH 1 and 2 as on the live chart.
QColor colourOf(Readout r) {
    switch (r) {
    case Readout::Probe1pH:
        return QColor(0, 170, 0);
    case Readout::Probe2pH:
        return QColor(220, 0, 0);
    case Readout::Probe1mV:
        return QColor(0, 100, 0);
    case Readout::Probe2mV:
        return QColor(140, 0, 0);
    case Readout::Therm1:
        return QColor(0, 90, 200);
    case Readout::Therm2:
        return QColor(140, 0, 160);
    case Readout::Therm3:
        return QColor(0, 140, 140);
    case Readout::FlowHz:
        return QColor(120, 120, 0);
    case Readout::LitersPerMin:
        return QColor(230, 110, 0);
    case Readout::TotalLiters:
        break;
    }
    return QColor(100, 70, 30);
}

QColor eventColour(RunEvent::Kind kind) {
    switch (kind) {
    case RunEvent::Kind::Raised:
        return QColor(220, 0, 0);
    case RunEvent::Kind::Acknowledged:
        return QColor(230, 130, 0);
    case RunEvent::Kind::Cleared:
        return QColor(0, 150, 0);
    case RunEvent::Kind::Calibration:
        return QColor(120, 0, 200);
    case RunEvent::Kind::Change:
        return QColor(0, 90, 180);
    case RunEvent::Kind::Header:
        break;
    }
    return QColor(90, 90, 90);
}
} // namespace

QColor runTraceColour(Readout readout) {
    return colourOf(readout);
}

// What a panel shows besides its traces: alarm spans shaded beneath them, or above them the
// event markers and the two cursors.
class RunMarks : public QCPLayerable {
public:
    enum class What { Spans, Markers };
    RunMarks(RunChart& chart, QCPAxisRect* rect, std::vector<Readout> readouts, What what)
        : QCPLayerable(&chart,
                       what == What::Spans ? QStringLiteral("grid") : QStringLiteral("overlay")),
          m_chart(chart), m_rect(rect), m_readouts(std::move(readouts)), m_what(what) {}

protected:
    QRect clipRect() const override { return m_rect->rect(); }
    void applyDefaultAntialiasingHint(QCPPainter* painter) const override {
        painter->setAntialiasing(false);
    }
    void draw(QCPPainter* painter) override {
        const QCPAxis* time = m_rect->axis(QCPAxis::atBottom);
        const QRect area = m_rect->rect();
        auto column = [&](qint64 ms) { return time->coordToPixel(ms / 1000.0); };
        if (m_what == What::Spans) {
            if (!m_chart.m_events)
                return;
            for (const AlarmSpan& s : m_chart.m_events->spans)
                if (concerns(s.readout, s.group)) {
                    const double left = std::max<double>(column(s.fromMs), area.left());
                    const double right = std::min<double>(column(s.toMs), area.right());
                    if (right >= left)
                        painter->fillRect(
                            QRectF(left, area.top(), std::max(right - left, 1.0), area.height()),
                            QColor(255, 0, 0, 36));
                }
            return;
        }
        if (m_chart.m_events)
            for (const RunEvent& e : m_chart.m_events->events) {
                if (e.group && !concerns(e.readout, *e.group))
                    continue;
                const double x = column(e.ms);
                if (x < area.left() || x > area.right())
                    continue;
                QPen pen(eventColour(e.kind), 1.5);
                pen.setStyle(e.kind == RunEvent::Kind::Header ? Qt::DashLine : Qt::SolidLine);
                painter->setPen(pen);
                painter->drawLine(QLineF(x, area.top(), x, area.bottom()));
            }
        for (int k = 0; k < 2; ++k) {
            if (!m_chart.m_cursorVisible[k])
                continue;
            const double x = column(m_chart.m_cursorMs[k]);
            painter->setPen(QPen(kCursorColours[k], 1.5));
            painter->drawLine(QLineF(x, area.top(), x, area.bottom()));
            painter->drawText(QPointF(x + 3, area.top() + painter->fontMetrics().ascent() + 1),
                              QString::number(k + 1));
        }
    }

private:
    bool concerns(std::optional<Readout> readout, Group group) const {
        return std::any_of(m_readouts.begin(), m_readouts.end(), [&](Readout r) {
            return readout ? r == *readout : groupOf(r) == group;
        });
    }

    RunChart& m_chart;
    QCPAxisRect* m_rect;
    std::vector<Readout> m_readouts;
    What m_what;
};

RunChart::RunChart(QWidget* parent) : QCustomPlot(parent), m_margins(new QCPMarginGroup(this)) {
    static const bool factoryInstalled = [] {
        ChartAccessible<RunChart>::install("RunChart");
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setAccessibleName(tr("Run chart"));
    setFocusPolicy(Qt::StrongFocus);
    for (Readout r : {Readout::Probe1pH, Readout::Probe2pH, Readout::Therm1, Readout::Therm2,
                      Readout::Therm3, Readout::LitersPerMin})
        m_shown[size_t(r)] = true;
    connect(selectionRect(), &QCPSelectionRect::accepted, this, [this](const QRect& r) {
        if (m_panels.empty() || r.width() < 3)
            return;
        const QCPAxis* time = timeAxisOf(m_panels.front());
        const double a = time->pixelToCoord(r.left()), b = time->pixelToCoord(r.right());
        setTimeRange(qint64(std::min(a, b) * 1000), qint64(std::max(a, b) * 1000));
    });
    rebuildPanels();
    setInteraction(StripChart::Interaction::Pan);
}

void RunChart::setRun(const RecordedRun* run, const RunEvents* events) {
    m_run = run;
    m_events = events;
    m_preview.clear();
    m_ticker->setTimeAxis(m_timeAxis, run ? run->firstMs() : 0);
    showWholeRun();
}

void RunChart::setPreview(std::vector<RecordedRun::Point> points) {
    std::sort(points.begin(), points.end(),
              [](const RecordedRun::Point& a, const RecordedRun::Point& b) { return a.ms < b.ms; });
    m_preview = std::move(points);
    if (!m_preview.empty()) {
        m_ticker->setTimeAxis(m_timeAxis, m_preview.front().ms);
        setTimeRange(m_preview.front().ms, m_preview.back().ms);
    }
}

void RunChart::setShown(Readout readout, bool shown) {
    m_shown[size_t(readout)] = shown;
    rebuildPanels();
}

void RunChart::setTimeAxis(TimeAxis axis) {
    m_timeAxis = axis;
    m_ticker->setTimeAxis(axis, m_run               ? m_run->firstMs()
                                : m_preview.empty() ? 0
                                                    : m_preview.front().ms);
    replot(rpQueuedReplot);
    announceChange();
}

QCPAxis* RunChart::timeAxisOf(const Panel& panel) const {
    return panel.rect->axis(QCPAxis::atBottom);
}

void RunChart::rebuildPanels() {
    clearPlottables();
    for (RunMarks* marks : m_marks)
        delete marks;
    m_marks.clear();
    plotLayout()->clear();
    m_panels.clear();
    for (const char* unit : kUnits) {
        Panel panel{nullptr, {}, {}};
        QStringList names;
        for (const QuantityInfo& q : kQuantityTable)
            if (m_shown[size_t(q.readout)] && q.unit == QLatin1String(unit)) {
                panel.readouts.push_back(q.readout);
                names << QString(q.name);
            }
        if (panel.readouts.empty())
            continue;
        panel.rect = new QCPAxisRect(this);
        plotLayout()->addElement(int(m_panels.size()), 0, panel.rect);
        panel.rect->setMarginGroup(QCP::msLeft | QCP::msRight, m_margins);
        QCPAxis* value = panel.rect->axis(QCPAxis::atLeft);
        const QString unitText = QString::fromLatin1(unit);
        const QString joined = names.join(QStringLiteral(", "));
        value->setLabel(unitText == u"pH" ? joined
                                          : QStringLiteral("%1 (%2)").arg(joined, unitText));
        QCPAxis* time = panel.rect->axis(QCPAxis::atBottom);
        time->setTicker(m_ticker);
        time->setRange(m_range);
        connect(time, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
                &RunChart::rangeMoved);
        panel.rect->setRangeDrag(Qt::Horizontal);
        panel.rect->setRangeZoom(Qt::Horizontal);
        panel.rect->setRangeDragAxes(time, nullptr);
        panel.rect->setRangeZoomAxes(time, nullptr);
        for (Readout r : panel.readouts) {
            QCPGraph* g = addGraph(time, value);
            g->setName(QString(quantityInfo(r).name));
            g->setPen(QPen(colourOf(r), 1));
            // Already one or two points a pixel column; smoothing thousands of vertical strokes
            // would cost a second a picture.
            g->setAdaptiveSampling(false);
            g->setAntialiased(false);
            panel.graphs.push_back(g);
        }
        m_marks.push_back(new RunMarks(*this, panel.rect, panel.readouts, RunMarks::What::Spans));
        m_marks.push_back(new RunMarks(*this, panel.rect, panel.readouts, RunMarks::What::Markers));
        m_panels.push_back(std::move(panel));
    }
    // The time labels once, under the lowest panel.
    for (size_t i = 0; i < m_panels.size(); ++i) {
        QCPAxis* time = timeAxisOf(m_panels[i]);
        time->setTickLabels(i + 1 == m_panels.size());
        time->setLabel(i + 1 == m_panels.size() ? tr("Time") : QString());
    }
    refreshTraces();
}

void RunChart::showWholeRun() {
    if (m_run && !m_run->empty())
        setTimeRange(m_run->firstMs(), m_run->lastMs());
    else
        refreshTraces();
}

void RunChart::setTimeRange(qint64 fromMs, qint64 toMs) {
    double from = fromMs / 1000.0, to = toMs / 1000.0;
    if (to - from < kShortestSpan) {
        const double centre = (from + to) / 2;
        from = centre - kShortestSpan / 2;
        to = centre + kShortestSpan / 2;
    }
    rangeMoved(QCPRange(from, to));
}

qint64 RunChart::fromMs() const {
    return qint64(std::llround(m_range.lower * 1000));
}

qint64 RunChart::toMs() const {
    return qint64(std::llround(m_range.upper * 1000));
}

void RunChart::rangeMoved(const QCPRange& range) {
    if (m_syncing)
        return;
    m_syncing = true;
    m_range = range.size() < kShortestSpan
                  ? QCPRange(range.center() - kShortestSpan / 2, range.center() + kShortestSpan / 2)
                  : range;
    for (const Panel& p : m_panels)
        timeAxisOf(p)->setRange(m_range);
    m_syncing = false;
    // Once per pass of the event loop, however many changes a drag or a wheel made.
    if (std::exchange(m_refreshDue, true))
        return;
    QTimer::singleShot(0, this, [this] {
        m_refreshDue = false;
        refreshTraces();
        emit rangeChanged();
        announceChange();
    });
}

void RunChart::refreshTraces() {
    RecordedRun::Traces traces;
    if (m_run && !m_panels.empty()) {
        const int columns = std::max(1, m_panels.front().rect->width());
        traces = m_run->traces(fromMs(), toMs(), columns);
    } else {
        for (const RecordedRun::Point& p : m_preview)
            for (int q = 0; q < RecordedRun::kQuantities; ++q)
                if (logrows::present(p.values[q]))
                    traces[q].emplace_back(p.ms / 1000.0, p.values[q]);
    }
    for (const Panel& panel : m_panels)
        for (size_t i = 0; i < panel.readouts.size(); ++i) {
            const std::vector<QPointF>& t = traces[size_t(panel.readouts[i])];
            QVector<double> keys(qsizetype(t.size())), values(qsizetype(t.size()));
            for (size_t k = 0; k < t.size(); ++k) {
                keys[qsizetype(k)] = t[k].x();
                values[qsizetype(k)] = t[k].y();
            }
            panel.graphs[i]->setData(keys, values, true);
        }
    fitValueAxes();
    replot(rpQueuedReplot);
}

void RunChart::fitValueAxes() {
    for (const Panel& panel : m_panels) {
        bool found = false;
        QCPRange all;
        for (QCPGraph* g : panel.graphs) {
            bool any = false;
            const QCPRange r = g->getValueRange(any, QCP::sdBoth, m_range);
            if (!any)
                continue;
            all = found ? QCPRange(std::min(all.lower, r.lower), std::max(all.upper, r.upper)) : r;
            found = true;
        }
        if (!found)
            continue;
        const double pad = all.size() > 0 ? all.size() * 0.05 : 0.5;
        QCPAxis* value = panel.rect->axis(QCPAxis::atLeft);
        value->setRange(all.lower - pad, all.upper + pad);
        // Labels apart however low the panel (many panels, a large font).
        const int lineHeight = QFontMetrics(value->tickLabelFont()).height();
        value->ticker()->setTickCount(std::clamp(panel.rect->height() / (2 * lineHeight), 2, 5));
    }
}

void RunChart::setInteraction(StripChart::Interaction mode) {
    m_interaction = mode;
    using I = StripChart::Interaction;
    setSelectionRectMode(mode == I::Zoom ? QCP::srmCustom : QCP::srmNone);
    setInteractions(mode == I::Pan ? QCP::Interactions(QCP::iRangeDrag | QCP::iRangeZoom)
                                   : QCP::Interactions(QCP::iRangeZoom));
    setCursor(mode == I::Cursor ? Qt::CrossCursor
              : mode == I::Pan  ? Qt::OpenHandCursor
                                : Qt::ArrowCursor);
}

void RunChart::setCursorVisible(int cursor, bool visible) {
    m_cursorVisible[cursor - 1] = visible;
    replot(rpQueuedReplot);
    emit cursorMoved(cursor);
    announceChange();
}

void RunChart::setCursorMs(int cursor, qint64 ms) {
    m_cursorMs[cursor - 1] = ms;
    replot(rpQueuedReplot);
    emit cursorMoved(cursor);
    announceChange();
}

void RunChart::drawOn(QCPPainter* painter, QSize size) {
    setViewport(QRect(QPoint(0, 0), size));
    updateLayout();
    refreshTraces();
    toPainter(painter, size.width(), size.height());
}

int RunChart::eventNear(double x) const {
    if (!m_events || m_panels.empty())
        return -1;
    const QCPAxis* time = timeAxisOf(m_panels.front());
    int best = -1;
    double bestDistance = 4;
    for (size_t i = 0; i < m_events->events.size(); ++i) {
        const double d = std::abs(time->coordToPixel(m_events->events[i].ms / 1000.0) - x);
        if (d <= bestDistance) {
            bestDistance = d;
            best = int(i);
        }
    }
    return best;
}

QString RunChart::timeText(qint64 ms) const {
    return runTimeText(ms, m_timeAxis, m_run ? m_run->firstMs() : 0);
}

QString RunChart::summary() const {
    QStringList parts;
    if (m_run && !m_run->empty())
        parts << tr("Run from %1 to %2").arg(timeText(m_run->firstMs()), timeText(m_run->lastMs()));
    parts << tr("Shown from %1 to %2").arg(timeText(fromMs()), timeText(toMs()));
    for (int k = 1; k <= 2; ++k)
        if (cursorVisible(k))
            parts << tr("Cursor %1 at %2").arg(k).arg(timeText(cursorMs(k)));
    QStringList names;
    for (const QuantityInfo& q : kQuantityTable)
        if (m_shown[size_t(q.readout)])
            names << QString(q.name);
    parts << tr("Traces: %1").arg(names.join(QStringLiteral(", ")));
    return parts.join(QStringLiteral("; "));
}

void RunChart::announceChange() {
    ChartAccessible<RunChart>::announce(this);
}

void RunChart::mousePressEvent(QMouseEvent* event) {
    if (m_interaction != StripChart::Interaction::Cursor || event->button() != Qt::LeftButton ||
        m_panels.empty())
        return QCustomPlot::mousePressEvent(event);
    // The cursor whose line is near, else the first one shown.
    const QCPAxis* time = timeAxisOf(m_panels.front());
    m_dragging = 0;
    for (int k = 1; k <= 2; ++k)
        if (cursorVisible(k) && std::abs(time->coordToPixel(cursorMs(k) / 1000.0) -
                                         event->position().x()) <= kGrabPixels)
            m_dragging = k;
    if (m_dragging == 0)
        m_dragging = cursorVisible(1) ? 1 : cursorVisible(2) ? 2 : 0;
    mouseMoveEvent(event);
}

void RunChart::mouseMoveEvent(QMouseEvent* event) {
    if (m_panels.empty())
        return QCustomPlot::mouseMoveEvent(event);
    const QCPAxis* time = timeAxisOf(m_panels.front());
    if (m_interaction == StripChart::Interaction::Cursor && m_dragging != 0) {
        setCursorMs(m_dragging, qint64(time->pixelToCoord(event->position().x()) * 1000));
        return;
    }
    // An event's time and words on hover.
    const int e = eventNear(event->position().x());
    if (e >= 0) {
        const RunEvent& ev = m_events->events[size_t(e)];
        QToolTip::showText(event->globalPosition().toPoint(), timeText(ev.ms) + u'\n' + ev.text,
                           this);
    } else {
        QToolTip::hideText();
    }
    QCustomPlot::mouseMoveEvent(event);
}

void RunChart::mouseReleaseEvent(QMouseEvent* event) {
    m_dragging = 0;
    QCustomPlot::mouseReleaseEvent(event);
}

void RunChart::resizeEvent(QResizeEvent* event) {
    QCustomPlot::resizeEvent(event);
    refreshTraces();
}

// Left and right pan, or move cursor 1 (2 with Shift) in cursor mode; + and - zoom; Home shows
// the whole run.
void RunChart::keyPressEvent(QKeyEvent* event) {
    const double span = m_range.size();
    switch (event->key()) {
    case Qt::Key_Home:
        return showWholeRun();
    case Qt::Key_Plus:
    case Qt::Key_Minus: {
        const double factor = event->key() == Qt::Key_Plus ? 0.8 : 1.25;
        const double c = m_range.center();
        setTimeRange(qint64((c - span * factor / 2) * 1000),
                     qint64((c + span * factor / 2) * 1000));
        return;
    }
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const double step = (event->key() == Qt::Key_Left ? -1 : 1) * span * kKeyStep;
        const int k = event->modifiers() & Qt::ShiftModifier ? 2 : 1;
        if (m_interaction == StripChart::Interaction::Cursor && cursorVisible(k))
            return setCursorMs(k, cursorMs(k) + qint64(step * 1000));
        rangeMoved(QCPRange(m_range.lower + step, m_range.upper + step));
        return;
    }
    default:
        return QCustomPlot::keyPressEvent(event);
    }
}

void RunChart::paintEvent(QPaintEvent* event) {
    QCustomPlot::paintEvent(event);
    if (hasFocus()) {
        QPainter p(this);
        p.setPen(QPen(palette().color(QPalette::Highlight), 2, Qt::DashLine));
        p.drawRect(rect().adjusted(1, 1, -2, -2));
    }
}
