#include "QuotedText.h"

#include <QRegularExpression>

QString quotedText(const QString& text, int longest) {
    QString out;
    const qsizetype end = std::min<qsizetype>(text.size(), longest);
    for (qsizetype i = 0; i < end; ++i) {
        const QChar c = text[i];
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    if (text.size() > longest)
        out += QStringLiteral("...");
    return out;
}

QString withoutPassword(const QString& url) {
    // Up to the last "@": a password may hold ":", "/" and "@" itself.
    static const QRegularExpression userPart(QStringLiteral("^([^:/]*://[^:@/]*):.*@"));
    QString shown = url;
    shown.replace(userPart, QStringLiteral("\\1:***@"));
    return shown;
}
