#pragma once

#include <QString>
#include <QStringList>

// The quoted fields of the program's own records (the calibration record, the audit trail):
// a field in double quotes may hold commas, and a quote is doubled.
QString csvQuoted(const QString& text);
// The fields of one line, quotes taken off.
QStringList csvFields(const QString& line);
