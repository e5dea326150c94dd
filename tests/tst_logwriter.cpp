// The log file itself: line rendering, the header, rows, open modes, failures and durability.
#include "LogLine.h"
#include "LogSession.h"
#include "LogWriter.h"
#include "MeasurementState.h"
#include "RecordSeal.h"
#include "RegionalText.h"
#include "ScriptedDialogs.h"
#include "SealCheck.h"
#include "TestLocale.h"
#include "WindowTimer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

namespace {
QByteArray readAll(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

QByteArray expectedHeader(const QString& path, const char* offset, const char* date) {
    QByteArray h;
    auto line = [&](const QByteArray& l) { h += l + "\r\n"; };
    line("");
    line("\"Corvik pH probe Logging Program\",#2004-05-06#");
    line("\"Version: 2.2\"");
    line("");
    line(QByteArray("\"Probe 1 Offset: ") + offset + "\"");
    line(QByteArray("\"Probe 2 Offset: ") + offset + "\"");
    line(QByteArray("\"Probe 1 Slope: ") + (offset[1] == ',' ? "4,5427" : "4.5427") + "\"");
    line(QByteArray("\"Probe 2 Slope: ") + (offset[1] == ',' ? "4,5427" : "4.5427") + "\"");
    line("\"Probe 1 Serial Number: 180312\"");
    line("\"Probe 2 Serial Number: 180312\"");
    line(QByteArray("\"Probe 1 Calibration Date: ") + date + "\"");
    line(QByteArray("\"Probe 2 Calibration Date: ") + date + "\"");
    line("\"Log File: " + path.toLatin1() + "\"");
    line("");
    line("\"Time, Therm1, Therm2, Therm3, pH-1 mV, pH-2 mV, pH-1 value, pH-2 value, Flow "
         "frequency, liters/min, Total Liters\"");
    line("");
    return h;
}

// Hands a row to the writer and waits for its answer.
bool written(LogWriter& writer, const QDateTime& time, const QString& total) {
    std::optional<LogWriter::RowOutcome> outcome;
    QObject context;
    writer.writeRow(time, total, &context,
                    [&](LogWriter::RowOutcome answer, const QString&) { outcome = answer; });
    return QTest::qWaitFor([&] { return outcome.has_value(); }, 5000) &&
           outcome == LogWriter::RowOutcome::Written;
}
bool written(LogWriter& writer, const QTime& time, const QString& total) {
    return written(writer, QDateTime(QDate(2004, 5, 6), time), total);
}
} // namespace

class TestLogWriter : public QObject {
    Q_OBJECT
private slots:
    void init();
    void rendersItems();
    void wholeFileUsEnglish();
    void wholeFileGerman();
    void appendAddsANewHeaderAfterABlankLine();
    void overwriteKeepsOnlyTheNewRun();
    void rowsBeforeAnyReading();
    void textOutsideAsciiIsSingleByte();
    void aFileThatCannotBeOpenedIsReported();
    void aDeviceIsRefusedAtOpen();
    void aSealThatCannotBeWrittenIsSaidOnceAndRowsGoOn();
    void aFailedWriteStopsLoggingWithOneMessage();
    void aKilledLoggerLosesAtMostOneRow();

private:
    MeasurementState m_state;
    QTemporaryDir m_dir;
};

void TestLogWriter::init() {
    m_state = MeasurementState();
    m_state.offset1 = m_state.offset2 = 2.5777;
    m_state.slope1 = m_state.slope2 = 4.5427;
    m_state.serial1 = m_state.serial2 = QStringLiteral("180312");
    m_state.calDate1 = m_state.calDate2 = regional::dateValue(QDate(2001, 1, 1));
    useLocale(QStringLiteral("en_US"));
}

void TestLogWriter::rendersItems() {
    QCOMPARE(renderLogLine({}), QByteArray("\r\n"));
    QCOMPARE(renderLogLine({QStringLiteral("a"), 2.5777, -12.5, 0.0}),
             QByteArray("\"a\",2.5777,-12.5,0\r\n"));
    QCOMPARE(renderLogLine({LogDate{regional::dateValue(QDate(2004, 5, 6))}}),
             QByteArray("#2004-05-06#\r\n"));
    // One rendering for every number: a leading zero, never an exponent, 15 digits at most.
    QCOMPARE(renderLogLine({0.5, 1.25e-7, 1.5e17, 1.0 / 3}),
             QByteArray("0.5,0.000000125,150000000000000000,0.333333333333333\r\n"));
    // Embedded quotes are doubled so CSV readers keep the line whole.
    QCOMPARE(renderLogLine({QStringLiteral("SN \"7\"")}), QByteArray("\"SN \"\"7\"\"\"\r\n"));
}

void TestLogWriter::wholeFileUsEnglish() {
    const QString path = m_dir.filePath(QStringLiteral("run1.txt"));
    LogWriter writer(m_state);
    QString error;
    QVERIFY(writer.open(path, LogWriter::Mode::Overwrite, QDate(2004, 5, 6), &error));
    m_state.therm1 = 21.53;
    m_state.therm2 = 21.6;
    m_state.therm3 = 21.7;
    m_state.probe1mV = -12.5;
    m_state.probe2mV = 15.25;
    m_state.ph1 = 7.0123;
    m_state.ph2 = 6.9981;
    m_state.flowHz = 123.5;
    m_state.litersPerMin = 1.07;
    QVERIFY(written(writer, QTime(14, 3, 7), QStringLiteral("12.34")));
    QVERIFY(written(writer, QTime(14, 3, 8), QString())); // flow switched off
    writer.close();
    const QByteArray expected =
        expectedHeader(path, "2.5777", "1/1/2001") +
        "\"14:03:07\",21.53,21.6,21.7,-12.5,15.25,7.0123,6.9981,123.5,1.07,\"12.34\"\r\n"
        "\"14:03:08\",21.53,21.6,21.7,-12.5,15.25,7.0123,6.9981,123.5,1.07,\"\"\r\n";
    const QList<QByteArray> actualLines = readAll(path).split('\n');
    const QList<QByteArray> expectedLines = expected.split('\n');
    QCOMPARE(actualLines.size(), expectedLines.size());
    for (int i = 0; i < actualLines.size(); ++i)
        QCOMPARE(actualLines[i], expectedLines[i]);
}

void TestLogWriter::wholeFileGerman() {
    useLocale(QStringLiteral("de_DE"));
    const QString path = m_dir.filePath(QStringLiteral("lauf.txt"));
    LogWriter writer(m_state);
    QString error;
    QVERIFY(writer.open(path, LogWriter::Mode::Overwrite, QDate(2004, 5, 6), &error));
    m_state.ph1 = 7.0123;
    m_state.litersPerMin = 1.07;
    QVERIFY(written(writer, QTime(9, 0, 0), regional::numberText(12.34)));
    writer.close();
    QCOMPARE(readAll(path), expectedHeader(path, "2,5777", "01.01.2001") +
                                "\"09:00:00\",0,0,0,0,0,7.0123,0,0,1.07,\"12,34\"\r\n");

    // Asked for, column 1 is the ISO date-time with its offset; the rest of the row is the same.
    QVERIFY(writer.open(path, LogWriter::Mode::Overwrite, QDate(2004, 5, 6), &error));
    writer.setTimeColumn(LogWriter::TimeColumn::Iso);
    const QDateTime at(QDate(2026, 12, 8), QTime(12, 51, 51, 123), QTimeZone(3600));
    QVERIFY(written(writer, at, regional::numberText(12.34)));
    writer.close();
    QVERIFY(readAll(path).endsWith(
        "\r\n\"2026-12-08T12:51:51.123+01:00\",0,0,0,0,0,7.0123,0,0,1.07,\"12,34\"\r\n"));
}

void TestLogWriter::appendAddsANewHeaderAfterABlankLine() {
    const QString path = m_dir.filePath(QStringLiteral("append.txt"));
    LogWriter writer(m_state);
    QString error;
    QVERIFY(writer.open(path, LogWriter::Mode::Overwrite, QDate(2004, 5, 6), &error));
    QVERIFY(written(writer, QTime(1, 2, 3), QStringLiteral("000")));
    writer.close();
    const QByteArray first = readAll(path);
    QVERIFY(writer.open(path, LogWriter::Mode::Append, QDate(2004, 5, 6), &error));
    writer.close();
    QCOMPARE(readAll(path), first + expectedHeader(path, "2.5777", "1/1/2001"));
    QVERIFY(readAll(path).contains("\"000\"\r\n\r\n\"Corvik"));
    // Sealed beside it, the appended run in a chain that follows; a changed digit is seen.
    QVERIFY(
        checkSeal(path).text.startsWith(QStringLiteral("intact: 33 rows, sealed up to row 33")));
    QCOMPARE(readAll(RecordSeal::sealPath(path)).count("chain,"), 2);
    QFile log(path);
    QVERIFY(log.open(QIODevice::ReadWrite));
    log.seek(first.indexOf("01:02:03") + 7);
    log.write("4");
    log.close();
    const int row = first.left(first.indexOf("01:02:03")).count('\n') + 1;
    QVERIFY2(checkSeal(path).text.startsWith(QStringLiteral("differs at row %1 ").arg(row)),
             qPrintable(checkSeal(path).text));
}

void TestLogWriter::overwriteKeepsOnlyTheNewRun() {
    const QString path = m_dir.filePath(QStringLiteral("over.txt"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old content that is much longer than nothing\r\n");
    old.close();
    LogWriter writer(m_state);
    QString error;
    QVERIFY(writer.open(path, LogWriter::Mode::Overwrite, QDate(2004, 5, 6), &error));
    writer.close();
    QCOMPARE(readAll(path), expectedHeader(path, "2.5777", "1/1/2001"));
}

void TestLogWriter::rowsBeforeAnyReading() {
    const QString path = m_dir.filePath(QStringLiteral("zero.txt"));
    const MeasurementState nothingRead;
    LogWriter writer(nothingRead);
    QString error;
    QVERIFY(writer.open(path, LogWriter::Mode::Overwrite, QDate(2004, 5, 6), &error));
    QVERIFY(written(writer, QTime(0, 0, 1), QStringLiteral("000")));
    writer.close();
    QVERIFY(readAll(path).endsWith("\"00:00:01\",0,0,0,0,0,0,0,0,0,\"000\"\r\n"));
}

void TestLogWriter::textOutsideAsciiIsSingleByte() {
    const QString path = m_dir.filePath(QStringLiteral("grün.txt"));
    m_state.serial1 = QStringLiteral("Größe-µ");
    m_state.serial2 = QStringLiteral("€5");
    LogWriter writer(m_state);
    QString error;
    QVERIFY(writer.open(path, LogWriter::Mode::Overwrite, QDate(2004, 5, 6), &error));
    writer.close();
    const QByteArray content = readAll(path);
    // ISO 8859-1: one byte a character; what it cannot hold becomes "?".
    QVERIFY(content.contains("\"Probe 1 Serial Number: Gr\xf6\xdf"
                             "e-\xb5\"\r\n"));
    QVERIFY(content.contains("\"Probe 2 Serial Number: ?5\"\r\n"));
    QVERIFY(content.contains("gr\xfcn.txt\"\r\n"));
}

void TestLogWriter::aFileThatCannotBeOpenedIsReported() {
    ScriptedDialogs dialogs;
    LogSession session(m_state, dialogs.notices);
    session.setLogPath(m_dir.filePath(QStringLiteral("missing/dir/log.txt")));
    QVERIFY(!session.openLog(LogWriter::Mode::Append));
    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY(dialogs.messages[0].text.contains(session.logPath()));
    QVERIFY(dialogs.messages[0].text.contains(QStringLiteral("No such file or directory")));
    QVERIFY(!session.fileOpen());
}

void TestLogWriter::aSealThatCannotBeWrittenIsSaidOnceAndRowsGoOn() {
    const QString path = m_dir.filePath(QStringLiteral("sealed.txt"));
    QVERIFY(QDir().mkdir(RecordSeal::sealPath(path))); // a folder where the seal would go
    ScriptedDialogs dialogs;
    LogSession session(m_state, dialogs.notices);
    session.setLogPath(path);
    QVERIFY(session.openLog(LogWriter::Mode::Overwrite));
    for (int i = 0; i < 3; ++i)
        session.tick();
    QTRY_COMPARE(readAll(path).count('\n'), 16 + 3);
    QTRY_COMPARE(dialogs.texts().filter(QStringLiteral("cannot be written")).size(), 1);
    QVERIFY(dialogs.texts().first().startsWith(QStringLiteral("The seal of the log file ") + path));
    QVERIFY(session.fileOpen());
    // The folder gone, the next seal (a second on at most) is written and said.
    QVERIFY(QDir().rmdir(RecordSeal::sealPath(path)));
    QTRY_VERIFY_WITH_TIMEOUT(
        (session.tick(), dialogs.texts().last().endsWith(QStringLiteral("is written again."))),
        5000);
    QCOMPARE(dialogs.texts().filter(QStringLiteral("cannot be written")).size(), 1);
    session.stop();
    // Stopped while its seal failed, then another file: nothing is said of that one's seal.
    QVERIFY(QFile::remove(RecordSeal::sealPath(path)) && QDir().mkdir(RecordSeal::sealPath(path)));
    QVERIFY(session.openLog(LogWriter::Mode::Append));
    session.tick();
    QTRY_COMPARE(dialogs.texts().filter(QStringLiteral("cannot be written")).size(), 2);
    session.stop();
    const qsizetype said = dialogs.texts().size();
    session.setLogPath(m_dir.filePath(QStringLiteral("other.txt")));
    QVERIFY(session.openLog(LogWriter::Mode::Overwrite));
    session.tick();
    QTRY_COMPARE(readAll(session.logPath()).count('\n'), 16 + 1);
    QCOMPARE(dialogs.texts().size(), said);
    session.stop();
}

void TestLogWriter::aDeviceIsRefusedAtOpen() {
    ScriptedDialogs dialogs;
    LogSession session(m_state, dialogs.notices);
    session.setLogPath(QStringLiteral("/dev/full"));
    QVERIFY(!session.openLog(LogWriter::Mode::Overwrite)); // a device is never a log
    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY(dialogs.messages[0].text.contains(QStringLiteral("/dev/full")));
    QVERIFY(dialogs.messages[0].text.contains(QStringLiteral("not a regular file")));
    QVERIFY(!session.fileOpen());
}

// The child logs until the file may grow no further; then logging stops with one message and
// what was written stays intact.
void TestLogWriter::aFailedWriteStopsLoggingWithOneMessage() {
    const QString path = m_dir.filePath(QStringLiteral("limited.txt"));
    QProcess child;
    child.start(QStringLiteral(LOG_CHILD), {path, QStringLiteral("5"), QStringLiteral("1000")});
    QVERIFY(child.waitForFinished(20000));
    const QStringList out = QString::fromLocal8Bit(child.readAllStandardOutput()).split('\n');
    const QStringList messages = out.filter(QRegularExpression(QStringLiteral("^message ")));
    QCOMPARE(messages.size(), 1);
    QVERIFY(messages[0].contains(path));
    QVERIFY(messages[0].contains(QStringLiteral("Logging has stopped")));
    QVERIFY(out.contains(QStringLiteral("state not-logging")));
    const QByteArray content = readAll(path);
    QVERIFY(content.size() <= 1000);
    const int rows = int(out.filter(QRegularExpression(QStringLiteral("^row "))).size());
    QVERIFY(rows > 0);
    QCOMPARE(int(content.count(",21.5,")), rows);
    QVERIFY(content.endsWith("\"1.5\"\r\n")); // no half-written row
}

void TestLogWriter::aKilledLoggerLosesAtMostOneRow() {
    const QString path = m_dir.filePath(QStringLiteral("killed.txt"));
    QProcess child;
    child.start(QStringLiteral(LOG_CHILD), {path, QStringLiteral("10")});
    QVERIFY(child.waitForStarted());
    int reported = 0;
    QByteArray out;
    while (reported < 30 && child.waitForReadyRead(5000)) {
        out += child.readAllStandardOutput();
        reported = int(out.count("row "));
    }
    child.kill(); // SIGKILL: nothing of the program runs on the way out
    child.waitForFinished();
    out += child.readAllStandardOutput();
    reported = int(out.count("row "));
    QVERIFY(reported >= 30);
    const int rows = int(readAll(path).count("\"1.5\"\r\n"));
    QVERIFY2(
        rows >= reported && rows <= reported + 1,
        qPrintable(QStringLiteral("%1 rows in the file, %2 reported").arg(rows).arg(reported)));
}

QTEST_GUILESS_MAIN(TestLogWriter)
#include "tst_logwriter.moc"
