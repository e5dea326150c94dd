#pragma once

#include <QProgressBar>
#include <array>
#include <optional>

// A vertical level indicator with a scale that can change at run time. With markers, it also
// shows the lowest and highest value displayed since the markers were last reset.
class SlideIndicator : public QProgressBar {
    Q_OBJECT
public:
    SlideIndicator(const QString& caption, double scaleMin, double scaleMax, bool withMarkers,
                   QWidget* parent = nullptr);

    double displayedValue() const { return m_value; }
    void setDisplayedValue(double value);
    double scaleMinimum() const { return m_min; }
    double scaleMaximum() const { return m_max; }
    void setScaleMinimum(double minimum);
    void setScaleMaximum(double maximum);
    // The markers restart from the next value shown.
    void resetMarkers();
    std::optional<double> minimumMarker() const { return m_lowest; }
    std::optional<double> maximumMarker() const { return m_highest; }

    // The value as the operator reads it, for the screen reader too.
    QString text() const override;
    // The scale and the markers, as a screen reader describes the indicator.
    QString scaleText() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Areas {
        int labelWidth = 0;
        QRect track;
        QRect values; // what a new value changes: the track and its markers
    };
    Areas areas() const;
    // Drawing range: the scale, or the last usable one while minimum >= maximum.
    std::pair<double, double> drawnScale() const;
    void scaleChanged();
    void announceValue();
    // The pixel row of a value on the track.
    int pixelRowOf(double value, const QRect& track) const;
    // Rows of the bar's top and of the lowest and highest markers (-1: not shown).
    using Pixels = std::array<int, 3>;
    Pixels drawnPixels() const;

    QString m_caption;
    double m_min;
    double m_max;
    double m_value = 0;
    bool m_withMarkers;
    std::optional<double> m_lowest;
    std::optional<double> m_highest;
    std::pair<double, double> m_lastUsable;
    mutable int m_labelWidth = -1; // scale label column, for the current font
    Pixels m_painted{-1, -1, -1};  // as last painted
};
