#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <variant>

// One item of a log line: quoted text, a plain number, or a date written #yyyy-mm-dd#.
struct LogDate {
    double value; // date value, days since 30 Dec 1899
};
using LogItem = std::variant<QString, double, LogDate>;

// Items joined by single commas, then CR LF; no items give an empty line. Text is single-byte
// ISO 8859-1: a character outside it is written as "?". A double quote inside a text item is
// doubled, as CSV readers expect. Numbers always use a full stop and never an exponent.
QByteArray renderLogLine(const QList<LogItem>& items);
