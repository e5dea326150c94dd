#pragma once

#include <QAccessibleWidget>

// A chart as a screen reader knows it: its name, and as its value and description the chart's
// summary (cursor positions, ranges), whose changes it hears. Installed once per chart class.
template <class Chart> class ChartAccessible : public QAccessibleWidget {
public:
    explicit ChartAccessible(Chart* chart) : QAccessibleWidget(chart, QAccessible::Chart) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Description || t == QAccessible::Value)
            return static_cast<const Chart*>(object())->summary();
        return QAccessibleWidget::text(t);
    }

    static void install(const char* className) {
        static const char* name = className;
        QAccessible::installFactory([](const QString& key, QObject* object) {
            return key == QLatin1String(name) && object && object->isWidgetType()
                       ? static_cast<QAccessibleInterface*>(
                             new ChartAccessible(static_cast<Chart*>(object)))
                       : nullptr;
        });
    }

    // Tells a listening screen reader that the summary changed.
    static void announce(Chart* chart) {
        if (!QAccessible::isActive())
            return;
        QAccessibleEvent event(chart, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&event);
    }
};
