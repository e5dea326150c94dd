#pragma once

#include <QLabel>

// A readout: large figures on black. A screen reader reads it as its caption and value
// ("pH1: 7.0123") and hears every change. Its size is fixed, so a new value repaints the readout
// alone and never lays the window out again; a value wider than any before widens it once.
class ReadoutLabel : public QLabel {
    Q_OBJECT
public:
    ReadoutLabel(const QString& caption, const QColor& figures, const QFont& font,
                 QWidget* parent = nullptr);

    void showValue(const QString& text);
    const QString& caption() const { return m_caption; }

private:
    void fitWidth(const QString& text);

    QString m_caption;
};
