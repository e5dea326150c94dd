#include "LogLine.h"

#include "RegionalText.h"

namespace {
QString renderItem(const LogItem& item) {
    if (const QString* text = std::get_if<QString>(&item)) {
        QString escaped = *text;
        escaped.replace('"', QStringLiteral("\"\""));
        return '"' + escaped + '"';
    }
    if (const double* number = std::get_if<double>(&item))
        return regional::plainNumberText(*number);
    const QDate d = regional::dateTimeOf(std::get<LogDate>(item).value).date();
    return '#' + d.toString(QStringLiteral("yyyy-MM-dd")) + '#';
}
} // namespace

QByteArray renderLogLine(const QList<LogItem>& items) {
    QStringList parts;
    for (const LogItem& item : items)
        parts.append(renderItem(item));
    return parts.join(',').toLatin1() + "\r\n";
}
