#include "WidgetDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>

void WidgetDialogs::message(const QString& text, const QString& title, const QString& detail) {
    QMessageBox box(QMessageBox::Information,
                    title.isEmpty() ? QLatin1String(kProgramTitle) : title, text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setInformativeText(detail);
    box.exec();
}

void WidgetDialogs::tell(Notice notice) {
    // The same words while their box still waits add no second box (a closed port reports each
    // command the cycle sends): the waiting one answers for both.
    for (Notice& waiting : m_told) {
        if (waiting.text == notice.text && waiting.title == notice.title &&
            waiting.detail == notice.detail) {
            if (notice.answered)
                waiting.answered = [first = std::move(waiting.answered),
                                    second = std::move(notice.answered)] {
                    if (first)
                        first();
                    second();
                };
            return;
        }
    }
    m_told.push_back(std::move(notice));
    if (m_told.size() == 1)
        showNextTold();
}

void WidgetDialogs::showNextTold() {
    // Modal as message()'s box, but without a loop of its own: the read cycles, the alarms and
    // the log go on while it waits for the operator.
    const Notice& notice = m_told.front();
    auto* box =
        new QMessageBox(QMessageBox::Information,
                        notice.title.isEmpty() ? QLatin1String(kProgramTitle) : notice.title,
                        notice.text, QMessageBox::Ok, QApplication::activeWindow());
    box->setInformativeText(notice.detail);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    QObject::connect(box, &QMessageBox::finished, box, [this] {
        const std::function<void()> answered = std::move(m_told.front().answered);
        m_told.pop_front();
        if (answered)
            answered();
        if (!m_told.empty())
            showNextTold();
    });
    box->show();
}

QString WidgetDialogs::inputText(const QString& prompt, const QString& title,
                                 const QString& defaultText) {
    bool ok = false;
    const QString text = QInputDialog::getText(QApplication::activeWindow(), title, prompt,
                                               QLineEdit::Normal, defaultText, &ok);
    return ok ? text : QString();
}

QString WidgetDialogs::chooseLogFile(const QString& startPath, const QString& filter) {
    QString start = startPath;
    for (;;) {
        const QString name =
            QFileDialog::getSaveFileName(QApplication::activeWindow(), QString(), start, filter,
                                         nullptr, QFileDialog::DontConfirmOverwrite);
        if (name.isEmpty() || QFileInfo::exists(name))
            return name;
        // Naming a file that does not exist yet needs the operator's word.
        const auto answer = QMessageBox::question(
            QApplication::activeWindow(), QLatin1String(kProgramTitle),
            QStringLiteral("%1\nThis file does not exist.\nDo you want to create it?").arg(name));
        if (answer == QMessageBox::Yes)
            return name;
        start = name;
    }
}

QString WidgetDialogs::chooseFileToOpen(const QString& title, const QString& startPath,
                                        const QString& filter) {
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), title, startPath, filter);
}

QString WidgetDialogs::chooseFileToSave(const QString& title, const QString& startPath,
                                        const QString& filter) {
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), title, startPath, filter);
}
