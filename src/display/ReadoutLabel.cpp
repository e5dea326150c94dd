#include "ReadoutLabel.h"

#include "RegionalText.h"

#include <QEvent>
#include <QGlyphRun>
#include <QGroupBox>
#include <QPainter>
#include <QtMath>
#include <cmath>

namespace {
constexpr int kMargin = 8; // pixels beside the figures
constexpr char kFirstPrintable = ' ';
constexpr char kLastPrintable = '~';
// The readout is sized for this; a shorter text of figures, signs and points always fits.
const QString kSizedFor = QStringLiteral("0000.00");
} // namespace

QString readoutText(double value) {
    return std::isnan(value) ? QStringLiteral("---") : regional::numberText(value);
}

ReadoutLabel::ReadoutLabel(const QString& caption, const QColor& figures, const QFont& font,
                           QWidget* parent)
    : QLabel(parent), m_caption(caption) {
    setFont(font);
    setAlignment(Qt::AlignCenter);
    // An opaque palette background rather than a style sheet: a changed readout then repaints
    // only itself, never the frame around it.
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::black);
    colours.setColor(QPalette::WindowText, figures);
    setPalette(colours);
    setAutoFillBackground(true);
    setFixedSize(fontMetrics().horizontalAdvance(kSizedFor) + kMargin, fontMetrics().height() + 4);
    showValue(QStringLiteral("000"));
}

void ReadoutLabel::showValue(const QString& text) {
    fitWidth(text);
    setText(text);
    describe();
}

void ReadoutLabel::describe() {
    QString name = m_caption + QStringLiteral(": ") + text();
    if (!m_alarmWord.isEmpty())
        name += QStringLiteral(", alarm %1, %2%3")
                    .arg(m_alarmWord, m_returned ? QStringLiteral("back to normal, ") : QString(),
                         m_acknowledged ? QStringLiteral("acknowledged")
                                        : QStringLiteral("not acknowledged"));
    if (name != accessibleName())
        setAccessibleName(name);
}

void ReadoutLabel::setAlarm(const QString& word, bool acknowledged, bool returned) {
    if (word == m_alarmWord && acknowledged == m_acknowledged && returned == m_returned)
        return;
    m_alarmWord = word;
    m_acknowledged = acknowledged;
    m_returned = returned;
    m_flashShown = true;
    // The word where it reads plainly: in the readout's frame, after its caption.
    if (auto* frame = qobject_cast<QGroupBox*>(parentWidget()))
        frame->setTitle(word.isEmpty() ? m_caption : m_caption + QStringLiteral(": ") + word);
    describe();
    update();
}

void ReadoutLabel::setFlashPhase(bool shown) {
    if (m_alarmWord.isEmpty() || m_acknowledged || shown == m_flashShown)
        return;
    m_flashShown = shown;
    update();
}

void ReadoutLabel::fitWidth(const QString& text) {
    // A shorter text of figures surely fits.
    if (text.size() < kSizedFor.size())
        return;
    const std::optional<qreal> width = fromTable(text);
    const int needed = (width ? qCeil(*width) : fontMetrics().horizontalAdvance(text)) + kMargin;
    if (needed > this->width())
        setFixedWidth(needed);
}

const ReadoutLabel::AsciiGlyphs& ReadoutLabel::asciiGlyphs() {
    if (!m_glyphs) {
        QString printable;
        for (char c = kFirstPrintable; c <= kLastPrintable; ++c)
            printable += QLatin1Char(c);
        AsciiGlyphs g{QRawFont::fromFont(font()), {}, {}};
        const QList<quint32> indexes = g.font.glyphIndexesForString(printable);
        const QList<QPointF> advances = g.font.advancesForGlyphIndexes(indexes);
        for (qsizetype i = 0; i < indexes.size() && i < advances.size(); ++i) {
            g.indexes.push_back(indexes[i]);
            g.advances.push_back(advances[i].x());
        }
        m_glyphs = std::move(g);
    }
    return *m_glyphs;
}

std::optional<qreal> ReadoutLabel::fromTable(const QString& text, QGlyphRun* run) {
    const AsciiGlyphs& g = asciiGlyphs();
    QList<quint32> indexes;
    QList<QPointF> positions;
    qreal width = 0;
    for (const QChar c : text) {
        const size_t at = size_t(c.unicode() - kFirstPrintable);
        // Glyph 0 is the font's "missing" box: that character comes from another font.
        if (c.unicode() < kFirstPrintable || at >= g.indexes.size() || g.indexes[at] == 0)
            return std::nullopt;
        if (run) {
            indexes.append(g.indexes[at]);
            positions.append(QPointF(width, 0));
        }
        width += g.advances[at];
    }
    if (run) {
        run->setRawFont(g.font);
        run->setGlyphIndexes(indexes);
        run->setPositions(positions);
    }
    return width;
}

void ReadoutLabel::paintEvent(QPaintEvent* event) {
    QGlyphRun run;
    const std::optional<qreal> width = fromTable(text(), &run);
    if (!width)
        QLabel::paintEvent(event);
    if (!m_alarmWord.isEmpty() && m_flashShown) {
        QPainter p(this);
        p.setPen(QPen(QColor(0xff, 0x30, 0x30), 4));
        p.drawRect(QRectF(rect()).adjusted(2, 2, -2, -2));
    }
    if (!width)
        return;
    // Centred as the label centres its text: the line's height, not the glyphs', in the middle.
    const QFontMetricsF metrics(font());
    const QRectF area = contentsRect();
    const QPointF origin(area.left() + (area.width() - *width) / 2,
                         area.top() + (area.height() - metrics.height()) / 2 + metrics.ascent());
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawGlyphRun(origin, run);
}

void ReadoutLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange)
        m_glyphs.reset();
    QLabel::changeEvent(event);
}
