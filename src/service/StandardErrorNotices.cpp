#include "StandardErrorNotices.h"

#include "QuotedText.h"

#include <QDateTime>
#include <sys/stat.h>

namespace {
// systemd names the journal's stream in JOURNAL_STREAM as "device:inode".
bool writesToJournal(std::FILE* out) {
    const QByteArray stream = qgetenv("JOURNAL_STREAM");
    struct stat status {};
    if (stream.isEmpty() || ::fstat(fileno(out), &status) != 0)
        return false;
    return stream == QByteArray::number(quint64(status.st_dev)) + ':' +
                         QByteArray::number(quint64(status.st_ino));
}

const char* priorityPrefix(Notice::Severity severity) {
    switch (severity) {
    case Notice::Severity::Failure:
        return "<3>";
    case Notice::Severity::Warning:
        return "<4>";
    case Notice::Severity::Information:
        break;
    }
    return "<6>";
}
} // namespace

StandardErrorNotices::StandardErrorNotices(std::FILE* out)
    : m_out(out), m_toJournal(writesToJournal(out)) {}

void StandardErrorNotices::show(const Notice& notice) {
    line(notice.detail.isEmpty() ? notice.text : notice.text + QLatin1Char(' ') + notice.detail,
         notice.severity);
    if (notice.answered)
        notice.answered();
}

void StandardErrorNotices::line(const QString& text, Notice::Severity severity) {
    QString line = QDateTime::currentDateTime()
                       .toOffsetFromUtc(QDateTime::currentDateTime().offsetFromUtc())
                       .toString(Qt::ISODateWithMs) +
                   QLatin1Char(' ') + text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    // One line, and nothing a terminal or the journal would take as a command: a path or a
    // value from outside may hold any character.
    line = quotedText(line, 4096);
    QByteArray bytes = (line + QLatin1Char('\n')).toLocal8Bit();
    if (m_toJournal)
        bytes.prepend(priorityPrefix(severity));
    // One write a line, so that lines from a crash or another writer never interleave.
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_out);
    std::fflush(m_out);
}
