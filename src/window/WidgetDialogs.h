#pragma once

#include "OperatorDialogs.h"

#include <deque>

class QWidget;

// The real modal boxes: message box, input box and the log file dialog.
class WidgetDialogs : public OperatorDialogs {
public:
    static constexpr const char* kProgramTitle = "Halvane DGH GUI";

    void message(const QString& text, const QString& title, const QString& detail) override;
    void tell(Notice notice) override;
    QString inputText(const QString& prompt, const QString& title,
                      const QString& defaultText) override;
    QString chooseLogFile(const QString& startPath, const QString& filter) override;
    QString chooseFileToOpen(const QString& title, const QString& startPath,
                             const QString& filter) override;
    QString chooseFileToSave(const QString& title, const QString& startPath,
                             const QString& filter) override;

private:
    void showNextTold();

    // Told and not yet answered; the first is on screen.
    std::deque<Notice> m_told;
};
