#pragma once

#include "Notices.h"

#include <cstdio>

// The notices of a run without a window: each is one line on standard error, with its date and
// time. Straight to the journal (under systemd), a line carries its severity as the journal's
// priority, so that "journalctl -p warning" finds the failures.
class StandardErrorNotices {
public:
    explicit StandardErrorNotices(std::FILE* out = stderr);

    void show(const Notice& notice);
    void line(const QString& text, Notice::Severity severity = Notice::Severity::Information);

private:
    std::FILE* m_out;
    bool m_toJournal;
};
