#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// Text made from numbers and dates for readouts, the log header and the settings store follows
// the user's regional settings; this is the one place that knows how.
namespace regional {

// Shortest plain decimal form, at most 15 significant digits, no exponent, no trailing zeros or
// separator, no grouping, the locale's decimal separator: 72.10 -> "72.1", 0 -> "0".
QString numberText(double value, const QLocale& locale = QLocale());

// Same digits as numberText() but always with a full stop (log rows).
QString plainNumberText(double value);

// Regional number parse; surrounding blanks allowed, group separators rejected.
bool parseNumber(const QString& text, double* value, const QLocale& locale = QLocale());

// The locale's short date format widened to a four-digit year.
QString shortDateFormat(const QLocale& locale = QLocale());

// Short date with a four-digit year; the time of day is appended only when it is not midnight.
QString shortDateText(double dateValue, const QLocale& locale = QLocale());

// Regional date parse in the locale's day/month/year order; any non-digit separates fields and a
// two-digit year is read as 20yy. An optional time of day may follow.
bool parseDate(const QString& text, double* dateValue, const QLocale& locale = QLocale());

// Round to the given number of decimals, exact halves to the even digit.
double roundHalfEven(double value, int decimals);

// Date values count days since 30 December 1899; the fraction is the time of day.
double dateValue(const QDateTime& dateTime);
double dateValue(const QDate& date);
QDateTime dateTimeOf(double dateValue);
// Time of day as a fraction of a day.
double timeOfDayValue(const QTime& time);
// "hh:mm:ss" of the time-of-day part of a date value; whole days are dropped.
QString clockText(double dateValue);

} // namespace regional
