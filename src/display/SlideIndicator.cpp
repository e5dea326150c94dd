#include "SlideIndicator.h"

#include "RegionalText.h"

#include <QAccessibleWidget>
#include <QPainter>
#include <algorithm>

namespace {
constexpr int kTicks = 5;
constexpr int kMarkerWidth = 8;

// Reads out the displayed value and scale in the indicator's own units, not the bar's steps.
class SlideAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit SlideAccessible(SlideIndicator* slide)
        : QAccessibleWidget(slide, QAccessible::ProgressBar) {}
    SlideIndicator* slide() const { return static_cast<SlideIndicator*>(object()); }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return slide()->text();
        if (t == QAccessible::Description)
            return slide()->scaleText();
        return QAccessibleWidget::text(t);
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ValueInterface ? static_cast<QAccessibleValueInterface*>(this)
                                                   : QAccessibleWidget::interface_cast(type);
    }
    QVariant currentValue() const override { return slide()->displayedValue(); }
    void setCurrentValue(const QVariant&) override {} // an indicator: set by the program only
    QVariant maximumValue() const override { return slide()->scaleMaximum(); }
    QVariant minimumValue() const override { return slide()->scaleMinimum(); }
    QVariant minimumStepSize() const override { return 0.0; }
};

QAccessibleInterface* slideAccessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("SlideIndicator") && object && object->isWidgetType())
        return new SlideAccessible(static_cast<SlideIndicator*>(object));
    return nullptr;
}
} // namespace

SlideIndicator::SlideIndicator(const QString& caption, double scaleMin, double scaleMax,
                               bool withMarkers, QWidget* parent)
    : QProgressBar(parent), m_caption(caption), m_min(scaleMin), m_max(scaleMax),
      m_withMarkers(withMarkers), m_lastUsable(scaleMin, scaleMax) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(slideAccessibleFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setOrientation(Qt::Vertical);
    setTextVisible(true);
    // An opaque background: a new value repaints the slide alone, never the frame behind it.
    setAutoFillBackground(true);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(caption);
}

void SlideIndicator::setDisplayedValue(double value) {
    m_value = value;
    if (m_withMarkers) {
        m_lowest = m_lowest ? std::min(*m_lowest, value) : value;
        m_highest = m_highest ? std::max(*m_highest, value) : value;
    }
    announceValue();
    // Most readings move neither the bar nor a marker by a whole pixel: they repaint nothing.
    if (drawnPixels() != m_painted)
        update(areas().values);
}

int SlideIndicator::pixelRowOf(double value, const QRect& track) const {
    const auto [lo, hi] = drawnScale();
    const double f = std::clamp((value - lo) / (hi - lo), 0.0, 1.0);
    return qRound(track.bottom() - f * track.height());
}

SlideIndicator::Pixels SlideIndicator::drawnPixels() const {
    const QRect track = areas().track;
    Pixels rows{pixelRowOf(m_value, track), -1, -1};
    if (m_withMarkers && m_lowest && m_highest)
        rows = {rows[0], pixelRowOf(*m_lowest, track), pixelRowOf(*m_highest, track)};
    return rows;
}

void SlideIndicator::setScaleMinimum(double minimum) {
    m_min = minimum;
    scaleChanged();
}

void SlideIndicator::setScaleMaximum(double maximum) {
    m_max = maximum;
    scaleChanged();
}

void SlideIndicator::resetMarkers() {
    m_lowest.reset();
    m_highest.reset();
    update();
}

void SlideIndicator::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange)
        m_labelWidth = -1;
    QProgressBar::changeEvent(event);
}

std::pair<double, double> SlideIndicator::drawnScale() const {
    return m_min < m_max ? std::pair(m_min, m_max) : m_lastUsable;
}

void SlideIndicator::scaleChanged() {
    // A minimum at or above the maximum keeps drawing on the last usable scale until the pair
    // is valid again.
    if (m_min < m_max)
        m_lastUsable = {m_min, m_max};
    announceValue();
    update();
}

void SlideIndicator::announceValue() {
    // The bar is drawn here from the indicator's own value; the base class's value is never set,
    // since QProgressBar::setValue() repaints at once, inside the read cycle.
    QAccessibleValueChangeEvent event(this, m_value);
    QAccessible::updateAccessibility(&event);
}

QString SlideIndicator::text() const {
    QString t = regional::numberText(m_value);
    if (m_withMarkers && m_lowest && m_highest)
        t += tr(" (min %1, max %2)")
                 .arg(regional::numberText(*m_lowest), regional::numberText(*m_highest));
    return t;
}

QString SlideIndicator::scaleText() const {
    QString t = tr("Scale %1 to %2").arg(regional::numberText(m_min), regional::numberText(m_max));
    if (m_withMarkers && m_lowest && m_highest)
        t += tr("; lowest %1, highest %2")
                 .arg(regional::numberText(*m_lowest), regional::numberText(*m_highest));
    return t;
}

QSize SlideIndicator::sizeHint() const {
    // Scale labels, tick, track and a whole marker, at the widget's own font.
    const Areas a = areas();
    return {a.track.right() + 1 + kMarkerWidth + 2, 160};
}

SlideIndicator::Areas SlideIndicator::areas() const {
    const QFontMetrics fm = fontMetrics();
    // Measuring text shapes it: done once per font, not on every new value.
    if (m_labelWidth < 0)
        m_labelWidth = fm.horizontalAdvance(QStringLiteral("0000.0")) + 4;
    Areas a;
    a.labelWidth = m_labelWidth;
    a.track = QRect(a.labelWidth + 6, fm.height() / 2 + 2, 14, height() - fm.height() - 4);
    // The track and the markers at its right, which extend half a marker above and below it.
    a.values = QRect(a.track.left() - 1, 0, width() - a.track.left() + 1, height());
    return a;
}

void SlideIndicator::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QFontMetrics fm = fontMetrics();
    const Areas a = areas();
    const QRect& track = a.track;
    const auto [lo, hi] = drawnScale();

    // A new value repaints only the track and markers, which takes in the ends of the ticks; the
    // scale labels are drawn when they are exposed.
    p.setPen(palette().color(QPalette::WindowText));
    const bool labelsExposed = !a.values.contains(event->rect());
    for (int i = 0; i <= kTicks; ++i) {
        const double v = lo + (hi - lo) * i / kTicks;
        const int y = pixelRowOf(v, track);
        p.drawLine(track.left() - 4, y, track.left(), y);
        if (labelsExposed)
            p.drawText(QRectF(0, y - fm.height() / 2.0, a.labelWidth, fm.height()),
                       Qt::AlignRight | Qt::AlignVCenter, regional::numberText(v));
    }
    // Track and bar on whole pixel rows, as drawnPixels() compares them. Those rows never move
    // without a repaint of the whole track being asked for, so after any paint they are these.
    m_painted = drawnPixels();
    p.setBrush(palette().color(QPalette::Base));
    p.drawRect(track);
    const int valueY = pixelRowOf(m_value, track);
    p.fillRect(QRect(QPoint(track.left() + 2, valueY), QPoint(track.right() - 2, track.bottom())),
               QColor(30, 110, 220));

    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    if (m_withMarkers && m_lowest && m_highest) {
        // Triangles at the right of the track: blue for the lowest, red for the highest value.
        auto marker = [&](double v, const QColor& c) {
            const QPointF tip(track.right() + 1, pixelRowOf(v, track));
            const QPolygonF tri{tip, tip + QPointF(kMarkerWidth, -5),
                                tip + QPointF(kMarkerWidth, 5)};
            p.setBrush(c);
            p.drawPolygon(tri);
        };
        marker(*m_lowest, QColor(0, 90, 255));
        marker(*m_highest, QColor(230, 0, 0));
    }
    if (hasFocus()) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}
