#pragma once

#include <QWidget>

class QDial;
class QLabel;

// A rotary control with a caption and a fixed scale; the value moves in whole steps.
class Knob : public QWidget {
    Q_OBJECT
public:
    Knob(const QString& caption, int minimum, int maximum, int value, QWidget* parent = nullptr);

    double value() const;
    void setValue(double value);
    int minimum() const;
    int maximum() const;
    QString caption() const;
    QDial* dial() const { return m_dial; }

signals:
    // On the operator's turn and on a program assignment alike.
    void valueChanged(double value);

private:
    QDial* m_dial;
    QLabel* m_caption;
    QLabel* m_valueText;
};
