#pragma once

#include "Readouts.h"
#include "RecordedRun.h"
#include "RunEvents.h"
#include "RunTime.h"
#include "StripChart.h"

#include <array>

class RunMarks;

// A quantity's trace colour; pH 1 and 2 as on the live chart.
QColor runTraceColour(Readout readout);

// A recorded run on a strip chart: one panel per unit of the quantities shown, sharing one time
// axis; traces drawn from the run's index per pixel column (minimum and maximum, so a single
// row stands out at any zoom) and broken at gaps and new header blocks; alarm spans shaded,
// events marked, two time cursors. Drags and keys as on the live chart.
class RunChart : public QCustomPlot {
    Q_OBJECT
public:
    explicit RunChart(QWidget* parent = nullptr);

    // The run, indexed, and its events; or none. Shows the whole run.
    void setRun(const RecordedRun* run, const RunEvents* events);
    // Rows read here and there while the run is being indexed: a first picture.
    void setPreview(std::vector<RecordedRun::Point> points);
    void setShown(Readout readout, bool shown);
    bool shown(Readout readout) const { return m_shown[size_t(readout)]; }
    void setTimeAxis(TimeAxis axis);
    TimeAxis timeAxis() const { return m_timeAxis; }

    void showWholeRun();
    void setTimeRange(qint64 fromMs, qint64 toMs);
    qint64 fromMs() const;
    qint64 toMs() const;

    void setInteraction(StripChart::Interaction mode);
    StripChart::Interaction interaction() const { return m_interaction; }
    void setCursorVisible(int cursor, bool visible);
    bool cursorVisible(int cursor) const { return m_cursorVisible[cursor - 1]; }
    void setCursorMs(int cursor, qint64 ms);
    qint64 cursorMs(int cursor) const { return m_cursorMs[cursor - 1]; }

    // Draws the chart as it would be at this size, traces fitted to it, with painter (a page of
    // a report); the widget need not be shown.
    void drawOn(QCPPainter* painter, QSize size);
    // The event nearest a pixel column, within a few pixels; -1 if none.
    int eventNear(double x) const;
    // For a screen reader: the run, the range shown, the cursors and the quantities shown.
    QString summary() const;
    QString timeText(qint64 ms) const;

signals:
    void cursorMoved(int cursor);
    void rangeChanged();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct Panel {
        QCPAxisRect* rect;
        std::vector<Readout> readouts;
        std::vector<QCPGraph*> graphs;
    };
    void rebuildPanels();
    void refreshTraces();
    void fitValueAxes();
    void rangeMoved(const QCPRange& range);
    QCPAxis* timeAxisOf(const Panel& panel) const;
    void announceChange();

    const RecordedRun* m_run = nullptr;
    const RunEvents* m_events = nullptr;
    std::vector<RecordedRun::Point> m_preview;
    std::array<bool, RecordedRun::kQuantities> m_shown{};
    std::vector<Panel> m_panels;
    std::vector<RunMarks*> m_marks;
    QSharedPointer<RunTimeTicker> m_ticker = QSharedPointer<RunTimeTicker>::create();
    QCPMarginGroup* m_margins;
    TimeAxis m_timeAxis = TimeAxis::Local;
    QCPRange m_range{0, 1}; // seconds since the epoch
    StripChart::Interaction m_interaction = StripChart::Interaction::Pan;
    std::array<bool, 2> m_cursorVisible{false, false};
    std::array<qint64, 2> m_cursorMs{0, 0};
    int m_dragging = 0;
    bool m_syncing = false;
    bool m_refreshDue = false;

    friend class RunMarks;

    // A quantity's trace colour; pH 1 and 2 as on the live chart.
    QColor runTraceColour(Readout readout);
};
