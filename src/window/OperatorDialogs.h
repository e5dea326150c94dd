#pragma once

#include "Notices.h"

#include <QString>

// Every modal interaction with the operator, for the window and the programs only: the layers
// below raise notices. The main window provides the real boxes; tests answer them from a script.
class OperatorDialogs {
public:
    virtual ~OperatorDialogs() = default;
    // Modal message with an OK button only; an empty title means the program's own title. The
    // detail, where there is one, says why and what to do.
    virtual void message(const QString& text, const QString& title = QString(),
                         const QString& detail = QString()) = 0;
    // A notice from below the window, as a box that does not hold the caller: its answered runs
    // once the operator has closed it. Such boxes come one at a time, in order; meanwhile the
    // program goes on reading. Without boxes it is told at once.
    virtual void tell(Notice notice) {
        message(notice.text, notice.title, notice.detail);
        if (notice.answered)
            notice.answered();
    }
    // Modal input box with OK and Cancel; Cancel yields an empty text.
    virtual QString inputText(const QString& prompt, const QString& title,
                              const QString& defaultText) = 0;
    // File dialog; the result is empty when the operator cancels. Names a file that does not exist
    // only after the operator confirmed creating it.
    virtual QString chooseLogFile(const QString& startPath, const QString& filter) = 0;
    // A file to read, or to write to (asking before one is replaced); empty when cancelled or
    // where nobody can choose.
    virtual QString chooseFileToOpen(const QString& /*title*/, const QString& /*startPath*/,
                                     const QString& /*filter*/) {
        return {};
    }
    virtual QString chooseFileToSave(const QString& /*title*/, const QString& /*startPath*/,
                                     const QString& /*filter*/) {
        return {};
    }
};
