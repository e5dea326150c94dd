#pragma once

#include "OperatorDialogs.h"

#include <QStringList>
#include <functional>

// Answers every modal interaction from a script and records what the operator would have seen.
class ScriptedDialogs : public OperatorDialogs {
public:
    struct Shown {
        QString text;
        QString title;
        QString detail;
    };

    void message(const QString& text, const QString& title, const QString& detail) override {
        messages.append({text, title, detail});
        if (onMessage)
            onMessage(text);
    }
    // Held boxes stay "open" until the test answers them (held.takeFirst()()).
    void tell(Notice notice) override {
        if (!holdTold)
            return OperatorDialogs::tell(std::move(notice));
        messages.append({notice.text, notice.title, notice.detail});
        held.append(notice.answered ? std::move(notice.answered) : [] {});
    }
    QString inputText(const QString& prompt, const QString& title, const QString&) override {
        prompts.append(prompt + '|' + title);
        return inputAnswers.isEmpty() ? QString() : inputAnswers.takeFirst();
    }
    QString chooseLogFile(const QString& startPath, const QString& filter) override {
        fileDialogStarts.append(startPath);
        fileDialogFilters.append(filter);
        return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
    }

    QString chooseFileToOpen(const QString& title, const QString& startPath,
                             const QString& filter) override {
        return chooseLogFile(title + '|' + startPath, filter);
    }
    QString chooseFileToSave(const QString& title, const QString& startPath,
                             const QString& filter) override {
        return chooseLogFile(title + '|' + startPath, filter);
    }

    QStringList texts() const {
        QStringList t;
        for (const Shown& s : messages)
            t.append(s.text);
        return t;
    }

    // For parts built without an instrument: their notices come here. A copy assigned over
    // these dialogs (a fresh script) keeps them as the sink.
    struct OwnNotices : Notices {
        explicit OwnNotices(ScriptedDialogs* owner) {
            setSink([owner](Notice notice) { owner->tell(std::move(notice)); });
        }
        OwnNotices& operator=(const OwnNotices&) { return *this; }
    } notices{this};
    QList<Shown> messages;
    QStringList prompts;
    QStringList inputAnswers;
    QStringList fileAnswers;
    QStringList fileDialogStarts;
    QStringList fileDialogFilters;
    bool holdTold = false;
    QList<std::function<void()>> held;
    // Runs while the "message box" is open, as the event loop of a real one would.
    std::function<void(const QString&)> onMessage;
};
