#include "RegionalText.h"

#include <QRegularExpression>
#include <cfenv>
#include <charconv>
#include <cmath>

namespace regional {
namespace {

const QDate kEpoch(1899, 12, 30);
constexpr qint64 kMsPerDay = 86400000;

// Digits of the value at 15 significant digits, as a plain decimal with '.'.
QString plainDecimal(double value) {
    if (!std::isfinite(value))
        return QString::number(value);
    if (value == 0)
        return QStringLiteral("0");
    // Independent of the C library's locale, which QApplication takes from the environment.
    char buf[64];
    const auto end = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    const QString s = QString::fromLatin1(buf, end.ptr - buf); // d.dddddddddddddde[+-]xx
    const bool negative = s.startsWith('-');
    const int ePos = s.indexOf('e');
    QString digits = s.mid(negative ? 1 : 0, ePos - (negative ? 1 : 0)).remove('.');
    const int exponent = s.mid(ePos + 1).toInt();
    while (digits.size() > 1 && digits.endsWith('0'))
        digits.chop(1);
    QString out;
    if (exponent < 0) {
        out = QStringLiteral("0.") + QString(-exponent - 1, '0') + digits;
    } else if (exponent + 1 >= digits.size()) {
        out = digits + QString(exponent + 1 - digits.size(), '0');
    } else {
        out = digits.left(exponent + 1) + '.' + digits.mid(exponent + 1);
    }
    return negative ? '-' + out : out;
}

// Native digits (Arabic-Indic, Devanagari, ...) as ASCII digits, so that every text the program
// makes or reads uses one set of digits whatever the locale.
QString asciiDigits(QString text) {
    for (QChar& c : text)
        if (c.isDigit() && c.unicode() > 0x7f)
            c = QChar('0' + c.digitValue());
    return text;
}

// A date format's two-digit year widened to four digits.
QString withFourDigitYear(QString format) {
    static const QRegularExpression shortYear(QStringLiteral("(?<!y)yy(?!y)"));
    return format.replace(shortYear, QStringLiteral("yyyy"));
}

// Earlier versions wrote the C locale's "7 Mar 2024" as it stands; read such a text back.
bool parseNamedMonthDate(const QString& text, double* date, const QLocale& locale) {
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    for (const QString& f : {withFourDigitYear(format), format}) {
        const QDate d = locale.toDate(text.trimmed(), f);
        if (d.isValid()) {
            *date = dateValue(d);
            return true;
        }
    }
    return false;
}

} // namespace

QString numberText(double value, const QLocale& locale) {
    QString text = plainDecimal(value);
    text.replace('.', locale.decimalPoint());
    if (text.startsWith('-'))
        text.replace(0, 1, locale.negativeSign());
    return text;
}

QString plainNumberText(double value) {
    return plainDecimal(value);
}

bool parseNumber(const QString& text, double* value, const QLocale& locale) {
    QLocale strict = locale;
    strict.setNumberOptions(locale.numberOptions() | QLocale::RejectGroupSeparator);
    // Qt writes the Arabic and Persian minus signs with a bidirectional mark in front that its
    // own parser then rejects; the marks are invisible and carry no meaning for the number.
    QString bare = text.trimmed();
    bare.remove(QChar(0x061C)).remove(QChar(0x200E)).remove(QChar(0x200F));
    bool ok = false;
    const double v = strict.toDouble(bare, &ok);
    if (!ok || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

QString shortDateFormat(const QLocale& locale) {
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    // A month or weekday name ("7 Mar 2024" in the C locale) could not be read back: such
    // locales get the numeric ISO form, which parseDate() reads in every locale.
    if (format.contains(QLatin1String("MMM")) || format.contains(QLatin1String("ddd")))
        return QStringLiteral("yyyy-MM-dd");
    return withFourDigitYear(format);
}

QString shortDateText(double date, const QLocale& locale) {
    const QDateTime dt = dateTimeOf(date);
    QString text = locale.toString(dt.date(), shortDateFormat(locale));
    if (dt.time() != QTime(0, 0)) {
        QString timeFormat = locale.timeFormat(QLocale::ShortFormat);
        if (!timeFormat.contains('s'))
            timeFormat.replace(QStringLiteral("mm"), QStringLiteral("mm:ss"));
        text += ' ' + locale.toString(dt.time(), timeFormat);
    }
    return asciiDigits(text);
}

bool parseDate(const QString& text, double* date, const QLocale& locale) {
    static const QRegularExpression field(QStringLiteral("\\d+"));
    QList<int> numbers;
    bool yearFirst = false;
    for (auto it = field.globalMatch(asciiDigits(text)); it.hasNext();) {
        const QString digits = it.next().captured();
        // A first field of four digits is a year whatever the locale (ISO 2024-03-07).
        if (numbers.isEmpty())
            yearFirst = digits.size() == 4;
        bool ok = false;
        numbers.append(digits.toInt(&ok));
        if (!ok)
            return false;
    }
    if (numbers.size() < 3 || numbers.size() > 6)
        return parseNamedMonthDate(text, date, locale);
    // Field order from the locale's short format: positions of the day, month and year fields.
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    const qsizetype dPos = format.indexOf('d'), mPos = format.indexOf('M'),
                    yPos = format.indexOf('y');
    int day, month, year;
    if (yearFirst || (yPos >= 0 && yPos < mPos && yPos < dPos)) {
        year = numbers[0];
        month = numbers[1];
        day = numbers[2];
    } else if (dPos >= 0 && dPos < mPos) {
        day = numbers[0];
        month = numbers[1];
        year = numbers[2];
    } else {
        month = numbers[0];
        day = numbers[1];
        year = numbers[2];
    }
    if (year < 100)
        year += 2000;
    const QDate d(year, month, day);
    if (!d.isValid())
        return false;
    int hour = numbers.value(3), minute = numbers.value(4), second = numbers.value(5);
    const QString upper = text.toUpper();
    if (numbers.size() > 3) {
        if (upper.contains(locale.pmText().toUpper()) && hour < 12)
            hour += 12;
        else if (upper.contains(locale.amText().toUpper()) && hour == 12)
            hour = 0;
    }
    const QTime t(hour, minute, second);
    if (!t.isValid())
        return false;
    *date = dateValue(QDateTime(d, t));
    return true;
}

double roundHalfEven(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value * scale) / scale;
    std::fesetround(previous);
    return rounded;
}

double dateValue(const QDate& date) {
    return double(kEpoch.daysTo(date));
}

double dateValue(const QDateTime& dt) {
    return dateValue(dt.date()) + double(dt.time().msecsSinceStartOfDay()) / kMsPerDay;
}

QDateTime dateTimeOf(double date) {
    const double days = std::floor(date);
    const qint64 ms = std::llround((date - days) * kMsPerDay);
    return QDateTime(kEpoch.addDays(qint64(days)), QTime(0, 0)).addMSecs(ms);
}

double timeOfDayValue(const QTime& time) {
    return double(time.msecsSinceStartOfDay()) / kMsPerDay;
}

QString clockText(double date) {
    const double fraction = date - std::floor(date);
    qint64 ms = std::llround(fraction * kMsPerDay);
    ms = ((ms / 1000) * 1000) % kMsPerDay;
    return QTime(0, 0).addMSecs(ms).toString(QStringLiteral("hh:mm:ss"));
}

} // namespace regional
