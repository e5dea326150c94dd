#include "ReadoutLabel.h"

namespace {
constexpr int kMargin = 8; // pixels beside the figures
// The readout is sized for this; a shorter text of figures, signs and points always fits.
const QString kSizedFor = QStringLiteral("0000.00");
} // namespace

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
    setAccessibleName(m_caption + QStringLiteral(": ") + text);
}

void ReadoutLabel::fitWidth(const QString& text) {
    // Measuring shapes the text: not worth it on every reading that surely fits.
    if (text.size() < kSizedFor.size())
        return;
    const int needed = fontMetrics().horizontalAdvance(text) + kMargin;
    if (needed > width())
        setFixedWidth(needed);
}
