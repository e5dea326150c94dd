#pragma once

#include <QPushButton>
#include <QString>

// A button that keeps its state until pressed again and shows the face of its state: a text
// and, where it has one, a lamp (red when off, green when on). As a reset button it has no
// state: each press is one change of its value.
class TwoStateButton : public QPushButton {
    Q_OBJECT
public:
    enum class Kind { Toggle, ToggleWithLamp, Momentary };

    TwoStateButton(const QString& offFace, const QString& onFace, Kind kind,
                   QWidget* parent = nullptr);

    bool value() const { return isChecked(); }
    // Raises valueChanged before it returns when the state changes.
    void setValue(bool on) { setChecked(on); }
    // Where two buttons show the same face, a screen reader hears which panel each belongs to:
    // "Start thermistors", "Stop thermistors". The face stays as it is.
    void setPanelName(const QString& panel);

signals:
    // Raised on the operator's press and on a program assignment, within that assignment.
    void valueChanged(bool on);

private:
    void showFace(bool on);

    QString m_offFace;
    QString m_onFace;
    Kind m_kind;
    QString m_panel;
};
