#pragma once

#include <QLabel>

class QMainWindow;

// A text at the right end of a main window's menu bar, always in sight. A menu bar lists only
// its menus to screen readers, so the label is the window's own child, laid over a place the bar
// keeps for it in its corner.
class MenuBarNote : public QLabel {
    Q_OBJECT
public:
    explicit MenuBarNote(QMainWindow& window);

    // Shows the text, and a screen reader hears it change.
    void setNote(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_place;
};
