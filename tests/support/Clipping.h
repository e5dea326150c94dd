#pragma once

#include <QAbstractButton>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QWidget>

// The controls of a window whose text does not show whole: their name and text. Buttons, option
// buttons and labels must be as large as their own size hint; text boxes and date pickers must
// hold their text beside their frame (and the picker's button).
inline QStringList clippedTexts(const QWidget* window) {
    QStringList clipped;
    auto check = [&](const QWidget* w, const QString& text, int needWidth, int needHeight) {
        if (w->isVisible() && (needWidth > w->width() || needHeight > w->height()))
            clipped.append(QStringLiteral("%1 \"%2\": %3x%4 in %5x%6")
                               .arg(w->objectName(), text)
                               .arg(needWidth)
                               .arg(needHeight)
                               .arg(w->width())
                               .arg(w->height()));
    };
    for (const auto* b : window->findChildren<QAbstractButton*>())
        check(b, b->text(), b->sizeHint().width(), b->sizeHint().height());
    for (const auto* l : window->findChildren<QLabel*>())
        if (!l->wordWrap())
            check(l, l->text(), l->sizeHint().width(), l->sizeHint().height());
    for (const auto* e : window->findChildren<QLineEdit*>()) {
        if (qobject_cast<QAbstractSpinBox*>(e->parentWidget()))
            continue; // the date picker's own editor, checked below
        const QFontMetrics fm = e->fontMetrics();
        check(e, e->text(), fm.horizontalAdvance(e->text()) + 8, fm.height() + 4);
    }
    for (const auto* d : window->findChildren<QDateEdit*>()) {
        const QFontMetrics fm = d->fontMetrics();
        check(d, d->text(), fm.horizontalAdvance(d->text()) + 8 + 16, fm.height() + 4);
    }
    return clipped;
}
