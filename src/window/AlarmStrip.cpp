#include "AlarmStrip.h"

#include "AlarmMonitor.h"
#include "AlarmSettings.h"
#include "ReadoutLabel.h"
#include "SystemUser.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace {
QString stateSuffix(const Alarm& a) {
    switch (a.state) {
    case Alarm::State::ActiveUnacknowledged:
        return QStringLiteral(", not acknowledged");
    case Alarm::State::ActiveAcknowledged:
        return QStringLiteral(", acknowledged");
    case Alarm::State::ClearedUnacknowledged:
        return QStringLiteral(", back to normal, not acknowledged");
    case Alarm::State::Normal:
        break;
    }
    return QString();
}
} // namespace

AlarmStrip::AlarmStrip(AlarmMonitor& monitor, const AlarmSettings& settings,
                       QList<ReadoutLabel*> readoutsByReadout, QWidget* parent)
    : QWidget(parent), m_monitor(monitor), m_settings(settings),
      m_readouts(std::move(readoutsByReadout)) {
    setObjectName(QStringLiteral("AlarmStrip"));
    m_list = new QLabel(this);
    m_list->setObjectName(QStringLiteral("lblAlarms"));
    m_list->setWordWrap(true);
    m_list->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    m_list->setStyleSheet(QStringLiteral("QLabel { color: #b00000; font-weight: bold; }"));
    m_acknowledge = new QPushButton(QStringLiteral("&Acknowledge all (F9)"), this);
    m_acknowledge->setObjectName(QStringLiteral("cmdAcknowledge"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_acknowledge, 0, Qt::AlignTop);
    // Acknowledged by whoever is logged in at the desktop.
    const auto acknowledgeAll = [this] { m_monitor.acknowledgeAll(systemUserName()); };
    connect(m_acknowledge, &QPushButton::clicked, this, acknowledgeAll);
    // F9 anywhere in the window, also while the strip is hidden.
    auto* acknowledgeKey = new QAction(parent);
    acknowledgeKey->setShortcut(Qt::Key_F9);
    acknowledgeKey->setShortcutContext(Qt::WindowShortcut);
    parent->addAction(acknowledgeKey);
    connect(acknowledgeKey, &QAction::triggered, this, acknowledgeAll);

    m_flash.setInterval(500);
    connect(&m_flash, &QTimer::timeout, this, [this] {
        ++m_flashTicks;
        for (ReadoutLabel* r : m_readouts)
            r->setFlashPhase(m_flashTicks % 2 == 0);
        // A short sound every two seconds while anything waits for acknowledgement.
        if (m_settings.sound && m_flashTicks % 4 == 0)
            QApplication::beep();
    });
    connect(&m_monitor, &AlarmMonitor::changed, this, [this](const Alarm& alarm) {
        refresh();
        if (alarm.state != Alarm::State::ActiveUnacknowledged)
            return;
        if (m_settings.sound)
            QApplication::beep();
        // Announced: the readout's name carries the state, and an alert names the alarm.
        QWidget* about = alarm.quantity
                             ? static_cast<QWidget*>(m_readouts[int(readoutOf(*alarm.quantity))])
                             : static_cast<QWidget*>(m_list);
        about->setAccessibleDescription(QStringLiteral("Alarm: ") + alarm.text());
        QAccessibleEvent alert(about, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
    });
    hide();
}

void AlarmStrip::refresh() {
    const QList<Alarm> alarms = m_monitor.alarms();
    QStringList lines;
    for (const Alarm& a : alarms)
        lines.append(a.text() + stateSuffix(a));
    m_list->setText(lines.join(u'\n'));
    m_list->setAccessibleName(lines.isEmpty()
                                  ? QStringLiteral("No alarms")
                                  : QStringLiteral("Alarms: ") + lines.join(QStringLiteral("; ")));
    setVisible(!alarms.isEmpty());
    for (int r = 0; r < m_readouts.size(); ++r) {
        QString word;
        bool acknowledged = true;
        bool returned = false;
        for (const Alarm& a : alarms)
            if (a.quantity && int(readoutOf(*a.quantity)) == r && word.isEmpty()) {
                word = a.kindWord();
                acknowledged = !a.unacknowledged();
                returned = a.returned();
            }
        m_readouts[r]->setAlarm(word, acknowledged, returned);
        if (word.isEmpty())
            m_readouts[r]->setAccessibleDescription(QString());
    }
    if (m_monitor.anyUnacknowledged())
        m_flash.start();
    else
        m_flash.stop();
}
