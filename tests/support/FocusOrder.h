#pragma once

#include <QStringList>
#include <QWidget>

// Names of the next count widgets that Tab reaches from first, in order; Qt's own inner
// widgets (qt_...) are passed over.
inline QStringList tabOrder(QWidget* first, int count) {
    QStringList order;
    QWidget* w = first;
    for (int guard = 0; order.size() < count && guard < 100; ++guard, w = w->nextInFocusChain())
        if ((w->focusPolicy() & Qt::TabFocus) && !w->objectName().startsWith(QLatin1String("qt_")))
            order << w->objectName();
    return order;
}
