// dgh-report as a process without a display: what its PDF says (read back with pdftotext),
// in English and in German, the same pages twice, and its answers to bad options and logs.
#include "RecordSeal.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {
QByteArray header(const char* date, const char* offset, const char* slope, const char* calDate) {
    QByteArray h = "\r\n\"Corvik pH probe Logging Program\",#" + QByteArray(date) +
                   "#\r\n\"Version: 2.2\"\r\n\r\n";
    for (const char* p : {"1", "2"})
        h += "\"Probe " + QByteArray(p) + " Offset: " + offset + "\"\r\n";
    for (const char* p : {"1", "2"})
        h += "\"Probe " + QByteArray(p) + " Slope: " + slope + "\"\r\n";
    h += "\"Probe 1 Serial Number: 180312\"\r\n\"Probe 2 Serial Number: 180313\"\r\n";
    for (const char* p : {"1", "2"})
        h += "\"Probe " + QByteArray(p) + " Calibration Date: " + calDate + "\"\r\n";
    return h + "\"Log File: run.csv\"\r\n\r\n\"Time, Therm1, Therm2, Therm3, pH-1 mV, pH-2 mV, "
               "pH-1 value, pH-2 value, Flow frequency, liters/min, Total Liters\"\r\n\r\n";
}

QByteArray row(int second, double ph1) {
    const QByteArray t = QTime(0, 0).addSecs(second % 86400).toString(u"hh:mm:ss").toLatin1();
    return "\"" + t + "\",21.5,21.6,21.7,-12.5,15.25," + QByteArray::number(ph1) +
           ",6.99,123.5,1.07,\"" + QByteArray::number(second % 1000) + ",5\"\r\n";
}

QString isoAt(int h, int m) {
    const QDateTime at(QDate(2026, 12, 8), QTime(h, m));
    return at.toOffsetFromUtc(at.offsetFromUtc()).toString(Qt::ISODateWithMs);
}
} // namespace

class TestReport : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void theReportHoldsTheRunItsCalibrationStatisticsAndAlarms();
    void aGermanReportWritesCommasAndTheSamePagesTwice();
    void badOptionsAndLogsAreRefused();
    void verifyNamesEachFileAndSaysWhetherAllAreIntact();

private:
    // Runs dgh-report with no display in the region given; its exit code, standard error.
    int report(const QStringList& args, const QString& region = QStringLiteral("C.UTF-8"));
    QString text(const QString& pdf);
    QTemporaryDir m_dir;
    QString m_log;
    QString m_errors;
    QString m_output;
};

void TestReport::initTestCase() {
    // 22:00 to 23:00 at 1 s, pH1 from 7.00 by 0.05 each 10 minutes, a gap of 5 minutes at
    // 22:40, a line that is no row; a restart at 23:00 whose calibration is out of limits.
    QByteArray log = header("2026-12-08", "2,5777", "4,5427", "01.12.2026");
    for (int i = 0; i < 3600; ++i) {
        if (i >= 2400 && i < 2700)
            continue;
        log += row(22 * 3600 + i, 7 + (i / 600) * 0.05);
        if (i == 100)
            log += "\"22:01:41\",not a row\r\n";
    }
    log += header("2026-12-08", "2,6200", "4,1000", "01.01.2001");
    for (int i = 0; i < 600; ++i)
        log += row(23 * 3600 + i, 7.5);
    m_log = m_dir.filePath(QStringLiteral("run.csv"));
    QFile file(m_log);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(log) == log.size());
    file.close();
    QFile alarms(m_dir.filePath(QStringLiteral("alarms.csv")));
    QVERIFY(alarms.open(QIODevice::WriteOnly));
    alarms.write(("Time,Quantity,Limit,Limit value,Value,State\n" + isoAt(22, 30) +
                  ",ph1,high,7.2,7.25,raised\n" + isoAt(22, 32) +
                  ",ph1,high,7.2,7.25,acknowledged,\"Ana\"\n" + isoAt(22, 50) +
                  ",ph1,high,7.2,7.15,cleared\n")
                     .toLatin1());
    alarms.close();
    // The audit trail beside it: the start just before the first row, a calibration during it.
    QFile audit(m_dir.filePath(QStringLiteral("audit.csv")));
    QVERIFY(audit.open(QIODevice::WriteOnly));
    audit.write(("Time,User,Program,What,From,To,Reason\n" + isoAt(21, 58) +
                 ",\"ana\",\"dgh-logger 2.2\",\"Program started\",\"-\",\"port 1\",\"\"\n" +
                 isoAt(22, 40) +
                 ",\"bo\",\"dgh-gui 2.2\",\"Calibration of probe 1\",\"offset 2.5777 V\","
                 "\"offset 2.6 V\",\"new lot\"\n")
                    .toUtf8());
    audit.close();
    // A buffer calibration in the record beside the settings, before the run.
    QFile record(m_dir.filePath(QStringLiteral("calibration-history.csv")));
    QVERIFY(record.open(QIODevice::WriteOnly));
    record.write("Date and time,Probe,Serial number,Offset (V),Slope,Buffer 1 pH,Buffer 1 mV,"
                 "Buffer 1 temperature (C),Buffer 2 pH,Buffer 2 mV,Buffer 2 temperature (C)\n"
                 "2026-12-08T21:00:00,1,\"180312\",2.5777,4.5427,4.01,170.2,21.5,7,2.1,21.6\n");
    record.close();
}

int TestReport::report(const QStringList& args, const QString& region) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LC_ALL", "LANGUAGE",
                             "LC_NUMERIC", "LC_TIME"})
        env.remove(QLatin1String(name));
    env.insert(QStringLiteral("LANG"), region);
    env.insert(QStringLiteral("SOURCE_DATE_EPOCH"), QStringLiteral("1796000000"));
    process.setProcessEnvironment(env);
    // --verify stands first and alone with its files.
    const QStringList settings = {QStringLiteral("--settings"),
                                  m_dir.filePath(QStringLiteral("settings.ini"))};
    process.start(QStringLiteral(DGH_REPORT),
                  args.value(0) == QLatin1String("--verify") ? args : settings + args);
    if (!process.waitForFinished(60000))
        return -1;
    m_errors = QString::fromLocal8Bit(process.readAllStandardError());
    m_output = QString::fromLocal8Bit(process.readAllStandardOutput());
    return process.exitCode();
}

QString TestReport::text(const QString& pdf) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    process.waitForFinished(30000);
    // Without blanks: only the words and their order matter here (pdftotext may drop a blank).
    return QString::fromUtf8(process.readAllStandardOutput()).remove(u' ').remove(u'\n');
}

void TestReport::theReportHoldsTheRunItsCalibrationStatisticsAndAlarms() {
    const QString pdf = m_dir.filePath(QStringLiteral("report.pdf"));
    QCOMPARE(report({m_log, QStringLiteral("--out"), pdf, QStringLiteral("--station"),
                     QStringLiteral("rig-7")}),
             0);
    // The unreadable line is said on standard error as in the PDF.
    QVERIFY2(m_errors.contains(QStringLiteral("line 118")), qPrintable(m_errors));
    const QString t = text(pdf);
    QFile log(m_log);
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray sha =
        QCryptographicHash::hash(log.readAll(), QCryptographicHash::Sha256).toHex();
    for (const QString& expected :
         {QStringLiteral("Run report: run.csv"), QStringLiteral("Station rig-7"),
          QStringLiteral("SHA-256 ") + QString::fromLatin1(sha),
          QStringLiteral("First row 2026-12-08 22:00:00"),
          QStringLiteral("Last row 2026-12-08 23:09:59"),
          QStringLiteral("Duration 1 h 09 min 59.0 s"), QStringLiteral("Rows 3,900"),
          QStringLiteral("Logging interval 1 s"),
          QStringLiteral("Gaps over three intervals 1, the longest 5 min 1.0 s"),
          QStringLiteral("line 118"), QStringLiteral("Performed by"), QStringLiteral("Reviewed by"),
          // The first header is within limits, the restart's is not and is old.
          QStringLiteral("0.0 mV (within) 4,5427 100.0 % (within)"),
          QStringLiteral("2,6200 V 42.3 mV 4,1000 90.3 %"), QStringLiteral("(OUTSIDE)(OUTSIDE)"),
          QStringLiteral("01.01.2001 (9472"), QStringLiteral("days old: OLDER THAN 30)"),
          QStringLiteral("pH 4.01: 170.2 mV at 21.5 \u00b0C"),
          // pH1: 600 rows each of 7.00, 7.05, 7.10, 7.15 and 7.25, 300 of 7.20 (the gap), 600 of
          // 7.5: 27990 / 3900.
          QStringLiteral("pH1 (pH) 3,900 7.00 7.50 7.1769"),
          QStringLiteral("pH1 HIGH 7.20 pH 7.25 pH 2026-12-08 22:30:00 2026-12-08 22:32:00"),
          QStringLiteral("Ana"), QStringLiteral("22:50:00"), QStringLiteral("Page 1 of 2"),
          QStringLiteral("Page 2 of 2"),
          QStringLiteral("Log SHA-256 ") + QString::fromLatin1(sha.left(16)),
          QStringLiteral("Temperatures"), QStringLiteral("T1, T2, T3"),
          // The log has no seal; the trail's changes of the run, each whole.
          QStringLiteral("Seal NOT INTACT: it has no seal"),
          QStringLiteral("Changes (audit trail) When By What From To Reason"),
          QStringLiteral("ana Program started - port 1"), QStringLiteral("bo Calibration of"),
          QStringLiteral("2.6 V new lot 22:40:00 dgh-gui 2.2 probe 1")})
        QVERIFY2(t.contains(QString(expected).remove(u' ')),
                 qPrintable(expected + QStringLiteral(" near: ") +
                            t.mid(t.indexOf(QString(expected).remove(u' ').left(7)), 200)));
    // A range: the rows between two times only.
    QCOMPARE(report({m_log, QStringLiteral("--out"), pdf, QStringLiteral("--from"),
                     QStringLiteral("2026-12-08T22:10"), QStringLiteral("--to"),
                     QStringLiteral("2026-12-08T22:19:59")}),
             0);
    QVERIFY(text(pdf).contains(QStringLiteral("pH1(pH)6007.057.057.0500")));
}

void TestReport::aGermanReportWritesCommasAndTheSamePagesTwice() {
    QStringList pages[2];
    QString texts[2];
    for (int run = 0; run < 2; ++run) {
        const QString pdf = m_dir.filePath(QStringLiteral("bericht%1.pdf").arg(run));
        QCOMPARE(report({m_log, QStringLiteral("--out"), pdf}, QStringLiteral("de_DE.UTF-8")), 0);
        texts[run] = text(pdf);
        const QString prefix = m_dir.filePath(QStringLiteral("seite%1").arg(run));
        QCOMPARE(QProcess::execute(QStringLiteral("pdftoppm"),
                                   {QStringLiteral("-r"), QStringLiteral("40"),
                                    QStringLiteral("-png"), pdf, prefix}),
                 0);
        for (const QString& name :
             QDir(m_dir.path())
                 .entryList({QStringLiteral("seite%1*.png").arg(run)}, QDir::Files, QDir::Name)) {
            QFile page(m_dir.filePath(name));
            QVERIFY(page.open(QIODevice::ReadOnly));
            pages[run] << QString::fromLatin1(
                QCryptographicHash::hash(page.readAll(), QCryptographicHash::Sha256).toHex());
        }
    }
    for (const char* expected : {"Rows3.900", "pH1(pH)3.9007,007,507,1769", "Made30.11.2026"})
        QVERIFY2(texts[0].contains(QLatin1String(expected)), qPrintable(texts[0]));
    QCOMPARE(texts[0], texts[1]);
    QCOMPARE(pages[0].size(), 2);
    QCOMPARE(pages[0], pages[1]);
}

void TestReport::badOptionsAndLogsAreRefused() {
    const QList<QStringList> bad = {
        {},
        {m_log, QStringLiteral("--colour"), QStringLiteral("red")},
        {m_log, QStringLiteral("--from"), QStringLiteral("yesterday")},
        {m_log, QStringLiteral("--from"), QStringLiteral("2026-12-08T23:00"),
         QStringLiteral("--to"), QStringLiteral("2026-12-08T22:00")},
        {m_log, QStringLiteral("--slope-range"), QStringLiteral("105,95")},
        {m_log, QStringLiteral("--offset-limit"), QStringLiteral("inf")},
        {m_log, QStringLiteral("--out"), m_log},
        {m_log, m_log},
        {m_log, QStringLiteral("--audit"), m_dir.path()},
    };
    for (const QStringList& args : bad) {
        QCOMPARE(report(args), 2);
        QVERIFY2(m_errors.startsWith(QStringLiteral("dgh-report: ")) && m_errors.count(u'\n') == 1,
                 qPrintable(m_errors));
    }
    // Not a log, a folder, a missing file, and a report that cannot be written: exit 1.
    QFile picture(m_dir.filePath(QStringLiteral("picture.png")));
    QVERIFY(picture.open(QIODevice::WriteOnly));
    picture.write(QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(100, '\0'));
    picture.close();
    for (const QString& log :
         {picture.fileName(), m_dir.path(), m_dir.filePath(QStringLiteral("missing.csv"))}) {
        QCOMPARE(report({log}), 1);
        QVERIFY(m_errors.startsWith(QStringLiteral("dgh-report: ")));
    }
    QCOMPARE(
        report({m_log, QStringLiteral("--out"), m_dir.filePath(QStringLiteral("no/such.pdf"))}), 1);
    QVERIFY(m_errors.contains(QStringLiteral("cannot be written")));
}

void TestReport::verifyNamesEachFileAndSaysWhetherAllAreIntact() {
    // A sealed copy of the log, as the writer seals it.
    const QString sealed = m_dir.filePath(QStringLiteral("sealed.csv"));
    QFile log(m_log), copy(sealed);
    QVERIFY(log.open(QIODevice::ReadOnly) && copy.open(QIODevice::WriteOnly));
    const QByteArray bytes = log.readAll();
    copy.write(bytes);
    copy.close();
    RecordSeal seal(sealed);
    QString why;
    QVERIFY(seal.begin(0, true, &why));
    seal.add(bytes);
    QVERIFY(seal.seal(true, &why));
    QVERIFY2(report({QStringLiteral("--verify"), sealed}) == 0, qPrintable(m_errors));
    QCOMPARE(report({QStringLiteral("--verify"), sealed, m_log}), 1);
    QVERIFY2(m_errors.contains(QStringLiteral("run.csv: it has no seal file")),
             qPrintable(m_errors));
    QCOMPARE(report({QStringLiteral("--verify")}), 2);
    // Against the anchor told of its seal; a changed digit is named with its row.
    const QString anchors = m_dir.filePath(QStringLiteral("anchors.txt"));
    QFile told(anchors);
    QVERIFY(told.open(QIODevice::WriteOnly));
    told.write("dgh/lab-1/seal " + seal.anchor().json() + '\n');
    told.close();
    QCOMPARE(report({QStringLiteral("--verify"), QStringLiteral("--anchors"), anchors, sealed}), 0);
    QVERIFY2(m_output.contains(QStringLiteral("; agrees with 1 of 1 anchors naming it")),
             qPrintable(m_output));
    const qsizetype digit = bytes.indexOf("7.25");
    QVERIFY(copy.open(QIODevice::ReadWrite) && copy.seek(digit + 3));
    copy.write("6");
    copy.close();
    QCOMPARE(report({QStringLiteral("--verify"), sealed}), 1);
    QVERIFY2(m_errors.contains(QStringLiteral("sealed.csv: differs at row %1 (sealed at ")
                                   .arg(bytes.left(digit).count('\n') + 1)) &&
                 m_errors.contains(QStringLiteral("the row was changed")),
             qPrintable(m_errors));
    for (const QStringList& bad :
         {QStringList{QStringLiteral("--verify"), QStringLiteral("--anchors")},
          QStringList{QStringLiteral("--verify"), QStringLiteral("--anchors"), m_dir.path(),
                      sealed},
          QStringList{QStringLiteral("--verify"), sealed, QStringLiteral("--out")}}) {
        QCOMPARE(report(bad), 2);
        QCOMPARE(m_errors.count(u'\n'), 1);
    }
}

QTEST_GUILESS_MAIN(TestReport)
#include "tst_report.moc"
