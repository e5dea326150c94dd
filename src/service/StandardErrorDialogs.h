#pragma once

#include "OperatorDialogs.h"

#include <cstdio>

// The operator's dialogs for a run without one: each message is one line on standard error,
// with its date and time (the journal, under systemd); nothing is ever asked.
class StandardErrorDialogs : public OperatorDialogs {
public:
    explicit StandardErrorDialogs(std::FILE* out = stderr) : m_out(out) {}

    void message(const QString& text, const QString& title = QString(),
                 const QString& detail = QString()) override;
    QString inputText(const QString&, const QString&, const QString&) override { return {}; }
    QString chooseLogFile(const QString&, const QString&) override { return {}; }

private:
    std::FILE* m_out;
};
