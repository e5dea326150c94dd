#pragma once

#define QCUSTOMPLOT_USE_LIBRARY
#include <qcustomplot.h>

#include <QPointF>
#include <deque>

// The strip chart: two pH traces against the time of day (fractions of a day), a time axis and
// two pH axes that always show the same range, and two draggable crosshair cursors.
class StripChart : public QCustomPlot {
    Q_OBJECT
public:
    enum class Interaction { Zoom, Pan, Cursor };
    static constexpr int kHistory = 600; // newest points kept per plot: ten minutes at 1 Hz

    explicit StripChart(QWidget* parent = nullptr);

    // Plots and cursors are numbered 1 and 2, axes 1 (time), 2 ("pH 1") and 3 ("pH 2").
    void appendPoint(int plot, double x, double y);
    // Plotting paused and resumed: the traces break here, so the pause shows as a gap in time
    // and not as a line across it.
    void breakTraces();
    // The points held, oldest appended first.
    const std::deque<QPointF>& points(int plot) const { return m_history[plot - 1]; }

    void setAxisRange(int axis, double minimum, double maximum);
    QCPRange axisRange(int axis) const;

    void setCursorVisible(int cursor, bool visible);
    bool cursorVisible(int cursor) const { return m_cursors[cursor - 1].visible; }
    void setCursorX(int cursor, double x);
    void setCursorY(int cursor, double y);
    double cursorX(int cursor) const { return m_cursors[cursor - 1].x; }
    double cursorY(int cursor) const { return m_cursors[cursor - 1].y; }
    // Moves a cursor as a drag would, reporting the move.
    void moveCursor(int cursor, double x, double y);

    // For a screen reader: both cursors as the status bar shows cursor 1, and the axis ranges.
    QString summary() const;

    void setInteraction(Interaction mode);
    Interaction interaction() const { return m_interaction; }

signals:
    void cursorMoved(int cursor, double x, double y);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    struct Cursor {
        QCPItemStraightLine* vertical;
        QCPItemStraightLine* horizontal;
        double x = 0;
        double y = 0;
        bool visible = false;
    };
    void redrawPlot(int plot);
    void placeCursor(int cursor);
    void followNewest(double newestX);
    int cursorNear(const QPointF& pixel) const;
    QCPAxis* axis(int index) const;
    void announceChange();

    std::deque<QPointF> m_history[2];
    std::deque<bool> m_breaksBefore[2]; // per point: the trace breaks before it
    bool m_breakPending[2] = {false, false};
    QCPCurve* m_curves[2];
    Cursor m_cursors[2];
    Interaction m_interaction = Interaction::Pan;
    int m_dragging = 0;
    double m_lastNewestX = 0;
};

// Status bar texts for cursor 1: "X:  hh:mm:ss" and "Y:  0.####" (regional decimal separator,
// no trailing zeros, no trailing separator).
QString cursorTimeText(double x);
QString cursorValueText(double y);
