#include "IsoTime.h"
#include "RegionalText.h"
#include "TestLocale.h"

#include <QTest>

using namespace regional;

class TestRegional : public QObject {
    Q_OBJECT
private slots:
    void numberTextUsEnglish_data();
    void numberTextUsEnglish();
    void numberTextGerman();
    void parsesRegionalNumbers();
    void shortDatesHaveFourDigitYears();
    void parsesDatesLeniently_data();
    void parsesDatesLeniently();
    void dateTextRoundTrips();
    void roundsHalvesToEven();
    void clockTextDropsTheDay();
    void isoClockWritesAsQtDoes();
};

void TestRegional::numberTextUsEnglish_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("trailing zero") << 72.10 << "72.1";
    QTest::newRow("millivolts") << 2577.70 << "2577.7";
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("negative") << -3.25 << "-3.25";
    QTest::newRow("below one") << 0.5 << "0.5";
    QTest::newRow("binary noise") << 0.1 + 0.2 << "0.3";
    QTest::newRow("15 digits") << 2.12345678901234567 << "2.12345678901235";
    QTest::newRow("large, no exponent, no grouping") << 1.5e17 << "150000000000000000";
    QTest::newRow("small, no exponent") << 1.25e-7 << "0.000000125";
    QTest::newRow("whole") << 25.0 << "25";
}

void TestRegional::numberTextUsEnglish() {
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(numberText(value, QLocale(QLocale::English, QLocale::UnitedStates)), text);
    QCOMPARE(plainNumberText(value), text);
}

void TestRegional::numberTextGerman() {
    useLocale(QStringLiteral("de_DE")); // the C library writes a comma too, as in the program
    const QLocale de(QLocale::German, QLocale::Germany);
    QCOMPARE(numberText(72.10, de), QStringLiteral("72,1"));
    QCOMPARE(numberText(2.5777, de), QStringLiteral("2,5777"));
    QCOMPARE(numberText(12345.5, de), QStringLiteral("12345,5"));
    QCOMPARE(numberText(0, de), QStringLiteral("0"));
    QCOMPARE(plainNumberText(2.5777), QStringLiteral("2.5777"));
    QCOMPARE(plainNumberText(-0.000125), QStringLiteral("-0.000125"));
    QCOMPARE(plainNumberText(2.12345678901234567), QStringLiteral("2.12345678901235"));
    // Native digits never reach the text; the locale's own separator and minus sign do.
    const QLocale ar(QStringLiteral("ar_EG"));
    QCOMPARE(numberText(-2.5, ar), ar.negativeSign() + '2' + ar.decimalPoint() + '5');
    double v = 0;
    QVERIFY(parseNumber(numberText(-2.5777, ar), &v, ar));
    QCOMPARE(v, -2.5777);
}

void TestRegional::parsesRegionalNumbers() {
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QLocale de(QLocale::German, QLocale::Germany);
    double v = 0;
    QVERIFY(parseNumber(QStringLiteral(" 2.45 "), &v, us));
    QCOMPARE(v, 2.45);
    QVERIFY(parseNumber(QStringLiteral("2,45"), &v, de));
    QCOMPARE(v, 2.45);
    // A group separator is never taken for a decimal point.
    QVERIFY(!parseNumber(QStringLiteral("2.5777"), &v, de));
    QVERIFY(!parseNumber(QStringLiteral("1,000"), &v, us));
    for (const char* bad : {"", "-", "abc", "4.5x"})
        QVERIFY2(!parseNumber(QLatin1String(bad), &v, us), bad);
    QCOMPARE(v, 2.45); // failures leave the value alone
}

void TestRegional::shortDatesHaveFourDigitYears() {
    const double jan1 = dateValue(QDate(2001, 1, 1));
    QCOMPARE(shortDateText(jan1, QLocale(QLocale::English, QLocale::UnitedStates)),
             QStringLiteral("1/1/2001"));
    QCOMPARE(shortDateText(jan1, QLocale(QLocale::German, QLocale::Germany)),
             QStringLiteral("01.01.2001"));
    const double withTime = dateValue(QDateTime(QDate(2002, 11, 19), QTime(14, 30, 5)));
    QCOMPARE(shortDateText(withTime, QLocale(QLocale::German, QLocale::Germany)),
             QStringLiteral("19.11.2002 14:30:05"));
    QVERIFY(shortDateText(withTime, QLocale(QLocale::English, QLocale::UnitedStates))
                .startsWith(QStringLiteral("11/19/2002 2:30:05")));
}

void TestRegional::parsesDatesLeniently_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date");
    QTest::newRow("default, US") << "en_US"
                                 << "01/01/01" << QDate(2001, 1, 1);
    QTest::newRow("default, German") << "de_DE"
                                     << "01/01/01" << QDate(2001, 1, 1);
    QTest::newRow("month first") << "en_US"
                                 << "11/19/2002" << QDate(2002, 11, 19);
    QTest::newRow("day first") << "de_DE"
                               << "19.11.2002" << QDate(2002, 11, 19);
    QTest::newRow("two-digit year, day first") << "en_GB"
                                               << "19/11/02" << QDate(2002, 11, 19);
    QTest::newRow("year first") << "sv_SE"
                                << "2002-11-19" << QDate(2002, 11, 19);
    QTest::newRow("ISO in a month-first locale") << "en_US"
                                                 << "2002-11-19" << QDate(2002, 11, 19);
    QTest::newRow("C locale, as earlier versions wrote it") << "C"
                                                            << "19 Nov 2002" << QDate(2002, 11, 19);
    QTest::newRow("native digits")
        << "ar_EG" << QString::fromUtf8("١٩\u200F/١١\u200F/٢٠٠٢") << QDate(2002, 11, 19);
}

void TestRegional::parsesDatesLeniently() {
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(QDate, date);
    double v = 0;
    QVERIFY(parseDate(text, &v, QLocale(locale)));
    QCOMPARE(dateTimeOf(v).date(), date);
    QCOMPARE(dateTimeOf(v).time(), QTime(0, 0));
}

void TestRegional::dateTextRoundTrips() {
    for (const char* name : {"en_US", "de_DE", "fr_FR", "ja_JP", "C", "ar_EG", "fa_IR"}) {
        const QLocale locale{QLatin1String(name)};
        for (const QTime& time : {QTime(0, 0), QTime(16, 5, 9)}) {
            const double original = dateValue(QDateTime(QDate(2002, 11, 19), time));
            const QString text = shortDateText(original, locale);
            double back = 0;
            QVERIFY2(parseDate(text, &back, locale), qPrintable(text));
            QCOMPARE(dateTimeOf(back), dateTimeOf(original));
            for (const QChar c : text) // digits as ASCII, whatever the locale writes natively
                QVERIFY2(!c.isDigit() || c.unicode() < 0x80, qPrintable(text));
        }
    }
    double v = 0;
    QVERIFY(!parseDate(QStringLiteral("31/31/2001"), &v, QLocale(QLocale::English)));
    QVERIFY(!parseDate(QStringLiteral("yesterday"), &v, QLocale(QLocale::English)));
}

void TestRegional::roundsHalvesToEven() {
    QCOMPARE(roundHalfEven(0.125, 2), 0.12);
    QCOMPARE(roundHalfEven(0.375, 2), 0.38);
    QCOMPARE(roundHalfEven(2.5, 0), 2.0);
    QCOMPARE(roundHalfEven(3.5, 0), 4.0);
    QCOMPARE(roundHalfEven(-2.5, 0), -2.0);
    QCOMPARE(roundHalfEven(100 * 60 / 6900.0, 2), 0.87);
    QCOMPARE(roundHalfEven(8.57142857, 4), 8.5714);
}

void TestRegional::clockTextDropsTheDay() {
    QCOMPARE(clockText(0.75), QStringLiteral("18:00:00"));
    QCOMPARE(clockText(37000.5), QStringLiteral("12:00:00"));
    QCOMPARE(clockText(-0.25), QStringLiteral("18:00:00")); // shown from the day before
    QCOMPARE(clockText(timeOfDayValue(QTime(10, 5, 0))), QStringLiteral("10:05:00"));
}

QTEST_APPLESS_MAIN(TestRegional)
// The machine time of published readings, written by hand for speed: the same text as Qt's, in
// zones with whole, half-hour and negative offsets.
void TestRegional::isoClockWritesAsQtDoes() {
    const bool zoneSet = qEnvironmentVariableIsSet("TZ");
    const QByteArray zone = qgetenv("TZ");
    for (const char* tz : {"UTC", "Europe/Berlin", "America/St_Johns", "Asia/Kolkata"}) {
        qputenv("TZ", tz);
        IsoClock clock;
        const QByteArray before = isoTime(QDateTime::currentDateTime());
        const QByteArray now = clock.now();
        const QByteArray after = isoTime(QDateTime::currentDateTime());
        QCOMPARE(now.size(), before.size());
        QCOMPARE(now.mid(23), before.mid(23)); // the offset, or "Z"
        QVERIFY2(now.left(23) >= before.left(23) && now.left(23) <= after.left(23),
                 now.constData());
    }
    if (zoneSet)
        qputenv("TZ", zone);
    else
        qunsetenv("TZ");
}

#include "tst_regional.moc"
