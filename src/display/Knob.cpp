#include "Knob.h"

#include <QDial>
#include <QLabel>
#include <QVBoxLayout>
#include <cmath>

namespace {
constexpr int kWrapWidth = 90; // pixels: a wider caption wraps
}

Knob::Knob(const QString& caption, int minimum, int maximum, int value, QWidget* parent)
    : QWidget(parent), m_dial(new QDial(this)), m_caption(new QLabel(caption, this)),
      m_valueText(new QLabel(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_caption->setAlignment(Qt::AlignCenter);
    // A long caption ("Total Liters tank scale") takes two lines rather than a wide column. Its
    // height is set for two lines, so the window's layout need not ask it for a height per width
    // (which a minimum window size does not take into account).
    const QFontMetrics metrics(m_caption->font());
    if (metrics.horizontalAdvance(caption) > kWrapWidth) {
        m_caption->setWordWrap(true);
        QSizePolicy policy = m_caption->sizePolicy();
        policy.setHeightForWidth(false);
        m_caption->setSizePolicy(policy);
        m_caption->setMinimumWidth(kWrapWidth);
        m_caption->setFixedHeight(2 * metrics.lineSpacing());
    }
    m_caption->setBuddy(m_dial);
    m_valueText->setAlignment(Qt::AlignCenter);
    m_dial->setRange(minimum, maximum);
    m_dial->setValue(value);
    m_dial->setNotchesVisible(true);
    m_dial->setPageStep(std::max(1, (maximum - minimum) / 10));
    m_dial->setFocusPolicy(Qt::StrongFocus);
    m_dial->setAccessibleName(caption);
    m_dial->setMinimumSize(56, 56);
    m_dial->setMaximumSize(96, 96);
    m_valueText->setText(QString::number(value));
    layout->addWidget(m_caption);
    layout->addWidget(m_dial, 1);
    layout->addWidget(m_valueText);
    connect(m_dial, &QDial::valueChanged, this, [this](int v) {
        m_valueText->setText(QString::number(v));
        emit valueChanged(v);
    });
}

double Knob::value() const {
    return m_dial->value();
}
void Knob::setValue(double value) {
    m_dial->setValue(int(std::lround(value)));
}
int Knob::minimum() const {
    return m_dial->minimum();
}
int Knob::maximum() const {
    return m_dial->maximum();
}
QString Knob::caption() const {
    return m_caption->text();
}
