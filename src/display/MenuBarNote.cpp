#include "MenuBarNote.h"

#include <QAccessible>
#include <QEvent>
#include <QMainWindow>
#include <QMenuBar>

namespace {
// The room the bar keeps: a menu bar sizes its corner by the widget's size hint.
class Place : public QWidget {
public:
    using QWidget::QWidget;
    QSize hint;
    QSize sizeHint() const override { return hint; }
};
} // namespace

MenuBarNote::MenuBarNote(QMainWindow& window)
    : QLabel(&window), m_place(new Place(window.menuBar())) {
    setContentsMargins(6, 0, 6, 0);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    window.menuBar()->setCornerWidget(m_place);
    m_place->installEventFilter(this);
}

void MenuBarNote::setNote(const QString& text) {
    if (text == this->text())
        return;
    setText(text);
    static_cast<Place*>(m_place)->hint = sizeHint();
    // Setting the corner again is what makes the bar lay itself out anew.
    static_cast<QMenuBar*>(m_place->parentWidget())->setCornerWidget(m_place);
    QAccessibleEvent changed(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
}

bool MenuBarNote::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == m_place &&
        (type == QEvent::Move || type == QEvent::Resize || type == QEvent::Show)) {
        setGeometry(QRect(m_place->mapTo(parentWidget(), QPoint()), m_place->size()));
        raise();
    }
    return false;
}
