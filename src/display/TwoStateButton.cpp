#include "TwoStateButton.h"

#include <QPainter>
#include <QPixmap>

namespace {
QIcon lampIcon(const QColor& colour) {
    QPixmap pixmap(14, 14);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour.darker(180), 1));
    p.setBrush(colour);
    p.drawEllipse(QRectF(1, 1, 12, 12));
    return QIcon(pixmap);
}
} // namespace

TwoStateButton::TwoStateButton(const QString& offFace, const QString& onFace, Kind kind,
                               QWidget* parent)
    : QPushButton(parent), m_offFace(offFace), m_onFace(onFace), m_kind(kind) {
    if (kind == Kind::Momentary) {
        setText(offFace);
        connect(this, &QPushButton::clicked, this, [this] { emit valueChanged(true); });
        return;
    }
    setCheckable(true);
    showFace(false);
    connect(this, &QPushButton::toggled, this, [this](bool on) {
        showFace(on);
        emit valueChanged(on);
    });
}

void TwoStateButton::setPanelName(const QString& panel) {
    m_panel = panel;
    showFace(isChecked());
}

void TwoStateButton::showFace(bool on) {
    setText(on ? m_onFace : m_offFace);
    if (!m_panel.isEmpty())
        setAccessibleName(text() + ' ' + m_panel);
    if (m_kind == Kind::ToggleWithLamp)
        setIcon(lampIcon(on ? QColor(0, 200, 0) : QColor(220, 0, 0)));
}
