#include "ModeSelector.h"

#include <QGridLayout>
#include <QLabel>
#include <QSlider>

ModeSelector::ModeSelector(const QString& name, int minimum, int maximum, int value,
                           const QMap<int, QString>& labels, QWidget* parent)
    : QWidget(parent), m_slider(new QSlider(Qt::Vertical, this)), m_name(name), m_labels(labels) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(0);
    m_slider->setRange(minimum, maximum);
    m_slider->setValue(value);
    m_slider->setPageStep(1);
    m_slider->setTickPosition(QSlider::TicksLeft);
    m_slider->setTickInterval(1);
    m_slider->setInvertedAppearance(true); // lowest value at the top, next to its label
    m_slider->setInvertedControls(true);
    m_slider->setFocusPolicy(Qt::StrongFocus);
    const int rows = maximum - minimum + 1;
    grid->addWidget(m_slider, 0, 0, rows, 1);
    for (int v = minimum; v <= maximum; ++v) {
        auto* label = new QLabel(labels.value(v), this);
        grid->addWidget(label, v - minimum, 1);
    }
    describe(value);
    connect(m_slider, &QSlider::valueChanged, this, [this](int v) {
        describe(v);
        emit valueChanged(v);
    });
}

int ModeSelector::value() const {
    return m_slider->value();
}
void ModeSelector::setValue(int value) {
    m_slider->setValue(value);
}

void ModeSelector::describe(int value) {
    const QString label = m_labels.value(value).trimmed();
    m_slider->setAccessibleName(m_name);
    m_slider->setAccessibleDescription(label.isEmpty() ? QString::number(value) : label);
}
