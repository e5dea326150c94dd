#pragma once

#include <QMap>
#include <QWidget>

class QSlider;

// A slide used as a selector: a vertical slider with text labels at chosen values.
class ModeSelector : public QWidget {
    Q_OBJECT
public:
    ModeSelector(const QString& name, int minimum, int maximum, int value,
                 const QMap<int, QString>& labels, QWidget* parent = nullptr);

    int value() const;
    void setValue(int value);
    QSlider* slider() const { return m_slider; }

signals:
    void valueChanged(int value);

private:
    void describe(int value);

    QSlider* m_slider;
    QString m_name;
    QMap<int, QString> m_labels;
};
