#include "StandardErrorDialogs.h"

#include "QuotedText.h"

#include <QDateTime>

void StandardErrorDialogs::message(const QString& text, const QString&, const QString& detail) {
    QString line = QDateTime::currentDateTime()
                       .toOffsetFromUtc(QDateTime::currentDateTime().offsetFromUtc())
                       .toString(Qt::ISODateWithMs) +
                   QLatin1Char(' ') + text;
    if (!detail.isEmpty())
        line += QLatin1Char(' ') + detail;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    // One line, and nothing a terminal or the journal would take as a command: a path or a
    // value from outside may hold any character.
    line = quotedText(line, 4096);
    const QByteArray bytes = (line + QLatin1Char('\n')).toLocal8Bit();
    // One write a line, so that lines from a crash or another writer never interleave.
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_out);
    std::fflush(m_out);
}
