#include "StatusPanels.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>

StatusPanels::StatusPanels(const QList<int>& widths, QWidget* parent) : QStatusBar(parent) {
    setSizeGripEnabled(false);
    for (int i = 0; i < widths.size(); ++i) {
        auto* frame = new QFrame(this);
        frame->setFrameShape(QFrame::StyledPanel);
        frame->setFrameShadow(QFrame::Sunken);
        frame->setMinimumWidth(widths[i]);
        auto* layout = new QHBoxLayout(frame);
        layout->setContentsMargins(3, 0, 3, 0);
        auto* picture = new QLabel(frame);
        auto* text = new QLabel(frame);
        text->setObjectName(QStringLiteral("panel%1").arg(i + 1));
        // A screen reader reads the panel's text as its name, and hears it change.
        text->setAccessibleDescription(tr("Status panel %1").arg(i + 1));
        // A long log path must not widen the window past the screen; it shows in full as the
        // panel's tooltip. The other panels' short texts always show whole.
        if (i == 0)
            text->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        text->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
        picture->hide();
        layout->addWidget(picture);
        layout->addWidget(text, 1);
        if (i == 0)
            addWidget(frame, 1);
        else
            addWidget(frame);
        m_panels.append({text, picture, QString()});
    }
}

QString StatusPanels::panelText(int panel) const {
    return m_panels.at(panel - 1).text->text();
}

void StatusPanels::setPanelText(int panel, const QString& text) {
    m_panels[panel - 1].text->setText(text);
    m_panels[panel - 1].text->setToolTip(text);
}

bool StatusPanels::setPanelPicture(int panel, const QString& bitmapPath) {
    Panel& p = m_panels[panel - 1];
    const QPixmap pixmap(bitmapPath);
    p.path = pixmap.isNull() ? QString() : bitmapPath;
    p.picture->setPixmap(pixmap);
    p.picture->setVisible(!pixmap.isNull());
    return !pixmap.isNull();
}

bool StatusPanels::hasPicture(int panel) const {
    return !m_panels.at(panel - 1).path.isEmpty();
}

QString StatusPanels::picturePath(int panel) const {
    return m_panels.at(panel - 1).path;
}
