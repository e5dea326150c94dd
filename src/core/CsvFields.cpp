#include "CsvFields.h"

QString csvQuoted(const QString& text) {
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

QStringList csvFields(const QString& line) {
    QStringList fields{QString()};
    bool inQuotes = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == QLatin1Char('"') && inQuotes && i + 1 < line.size() && line.at(i + 1) == c)
            fields.last() += line.at(++i);
        else if (c == QLatin1Char('"'))
            inQuotes = !inQuotes;
        else if (c == QLatin1Char(',') && !inQuotes)
            fields << QString();
        else
            fields.last() += c;
    }
    return fields;
}
