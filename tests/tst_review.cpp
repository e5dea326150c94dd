// Reading a recorded log back: its forms, its times, its traces and its statistics; its events;
// the review window's measures and exports.
#include "CalibrationHistory.h"
#include "GuiOptions.h"
#include "LogRows.h"
#include "RecordedRun.h"
#include "ReviewWindow.h"
#include "RunChart.h"
#include "RunEvents.h"
#include "ScriptedDialogs.h"
#include "SettingsLocation.h"
#include "TestLocale.h"

#include <QAction>
#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QTimeZone>
#include <sys/stat.h>

namespace {
QByteArray header(const char* date, const char* offset, const char* calDate) {
    QByteArray h = "\r\n\"Corvik pH probe Logging Program\",#" + QByteArray(date) +
                   "#\r\n\"Version: 2.2\"\r\n\r\n";
    for (const char* probe : {"1", "2"})
        h += "\"Probe " + QByteArray(probe) + " Offset: " + offset + "\"\r\n";
    h += "\"Probe 1 Slope: 4.5427\"\r\n\"Probe 2 Slope: 4.5427\"\r\n"
         "\"Probe 1 Serial Number: 180312\"\r\n\"Probe 2 Serial Number: 180312\"\r\n";
    for (const char* probe : {"1", "2"})
        h += "\"Probe " + QByteArray(probe) + " Calibration Date: " + calDate + "\"\r\n";
    return h + "\"Log File: /data/run.csv\"\r\n\r\n\"Time, Therm1, Therm2, Therm3, pH-1 mV, "
               "pH-2 mV, pH-1 value, pH-2 value, Flow frequency, liters/min, Total Liters\"\r\n"
               "\r\n";
}

QByteArray row(const QByteArray& time, double ph1, const QByteArray& total = "12.34") {
    return "\"" + time + "\",21.5,21.6,21.7,-12.5,15.25," + QByteArray::number(ph1) +
           ",6.99,123.5,1.07,\"" + total + "\"\r\n";
}

qint64 localMs(int y, int m, int d, int h, int min, int s) {
    return QDateTime(QDate(y, m, d), QTime(h, min, s)).toMSecsSinceEpoch();
}

constexpr size_t kPh1 = size_t(Readout::Probe1pH);
constexpr size_t kTotal = size_t(Readout::TotalLiters);
} // namespace

class TestReview : public QObject {
    Q_OBJECT
private slots:
    void readsEveryFormTheLogIsWrittenIn();
    void readsTheIsoColumnWithAnyOffset();
    void tracesKeepAOneRowSpikeAndBreakAtGaps();
    void statisticsMatchTheRowsBetweenTwoTimes();
    void copiesTheRowsOfARangeUnderTheirHeader();
    void fileThatIsNoLogIsSaidNotCrashed();
    void aLogStillBeingWrittenIsReadAsFarAsItWent();
    void reviewOptionsOfTheWindowProgram();
    void eventsOfTheRunFromItsRecords();
    void reviewWindowMeasuresAndExports();

private:
    QString write(const QString& name, const QByteArray& bytes);
    void writeAuditTrail();
    QTemporaryDir m_dir;
};

QString TestReview::write(const QString& name, const QByteArray& bytes) {
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestReview::readsEveryFormTheLogIsWrittenIn() {
    // A night log: a run across midnight, a line that is no row, then an appended German run
    // with a regional total, and a last row torn by the copy.
    QByteArray log = header("2026-12-08", "2.5777", "1/1/2001");
    log += row("23:59:59", 7.0) + row("23:59:59", 7.1) + row("00:00:00", 7.2) +
           "\"00:00:0x\",garbage\r\n" + row("00:00:01", 7.3);
    const int unreadableLine = 20; // 16 header lines, then the three rows
    log += header("2026-12-09", "2,5777", "01.01.2001") + row("10:00:00", 6.5, "0,96") +
           row("10:00:01", 6.6, "1234,5") + row("10:00:02", 6.7, "") + "\"10:00:0";
    RecordedRun run;
    QString why;
    QVERIFY(run.open(write(QStringLiteral("night.csv"), log), &why));
    QVERIFY(run.index());
    QCOMPARE(run.rows(), 7);
    QCOMPARE(run.blocks().size(), size_t(2));
    QCOMPARE(run.blocks()[0].date, QDate(2026, 12, 8));
    QCOMPARE(run.blocks()[1].field(u"Probe 1 Offset"), QStringLiteral("2,5777"));
    QCOMPARE(run.blocks()[1].field(u"Probe 2 Calibration Date"), QStringLiteral("01.01.2001"));
    QCOMPARE(run.blocks()[0].rows, 4);

    // Two rows in one second are spread over it; after midnight is the next day.
    QCOMPARE(run.firstMs(), localMs(2026, 12, 8, 23, 59, 59));
    auto at = [&](qint64 ms) { return run.rowAt(ms); };
    QCOMPARE(at(localMs(2026, 12, 8, 23, 59, 59) + 500)->values[kPh1], 7.1);
    QCOMPARE(at(localMs(2026, 12, 9, 0, 0, 0))->values[kPh1], 7.2);
    QCOMPARE(at(localMs(2026, 12, 9, 10, 0, 0))->values[kTotal], 0.96);
    QCOMPARE(at(localMs(2026, 12, 9, 10, 0, 1))->values[kTotal], 1234.5);
    QVERIFY(std::isnan(at(localMs(2026, 12, 9, 10, 0, 2))->values[kTotal]));
    QCOMPARE(run.lastMs(), localMs(2026, 12, 9, 10, 0, 2));

    QCOMPARE(run.notes().unreadableLines, 1);
    QCOMPARE(run.notes().firstUnreadable, QList<qint64>{unreadableLine});
    QCOMPARE(run.notes().tornLine, 41);
    QVERIFY(run.notes().text().contains(QStringLiteral("line %1").arg(unreadableLine)));
    QVERIFY(run.notes().text().contains(QStringLiteral("(line 41) is incomplete")));

    // A file of rows without a header is read, dated on the file's own date, and said.
    RecordedRun bare;
    QVERIFY(bare.open(write(QStringLiteral("bare.csv"), row("08:00:00", 7.0)), &why));
    QVERIFY(bare.index());
    QCOMPARE(bare.rows(), 1);
    QCOMPARE(bare.notes().undatedRows, 1);
    QCOMPARE(QDateTime::fromMSecsSinceEpoch(bare.firstMs()).date(), QDate::currentDate());
}

void TestReview::readsTheIsoColumnWithAnyOffset() {
    qint64 ms = 0;
    const qint64 noon =
        QDateTime(QDate(2026, 12, 8), QTime(12, 0), QTimeZone::utc()).toMSecsSinceEpoch();
    QVERIFY(logrows::parseIsoTime("2026-12-08T13:00:00.250+01:00", &ms));
    QCOMPARE(ms, noon + 250);
    QVERIFY(logrows::parseIsoTime("2026-12-08T17:30:00+05:30", &ms));
    QCOMPARE(ms, noon);
    QVERIFY(logrows::parseIsoTime("2026-12-08T08:30:00.5-03:30", &ms));
    QCOMPARE(ms, noon + 500);
    QVERIFY(logrows::parseIsoTime("2026-12-08T12:00:00Z", &ms));
    QCOMPARE(ms, noon);
    for (const char* bad : {"2026-12-08 12:00:00Z", "2026-02-30T12:00:00Z", "2026-12-08T12:00Z",
                            "2026-12-08T12:00:00+1:00", "2026-12-08T12:00:00.Z"})
        QVERIFY2(!logrows::parseIsoTime(bad, &ms), bad);

    // The ISO rows of a log are exact across midnight and a clock change.
    const QByteArray log =
        header("2026-12-08", "2.5777", "1/1/2001") + row("2026-12-08T23:59:59.900+01:00", 7.0) +
        row("2026-12-09T00:00:00.000+01:00", 7.1) + row("2026-12-08T23:00:00.100Z", 7.2);
    RecordedRun run;
    QString why;
    QVERIFY(run.open(write(QStringLiteral("iso.csv"), log), &why));
    QVERIFY(run.index());
    QCOMPARE(run.rows(), 3);
    QCOMPARE(run.firstMs(), noon + 11 * 3600000 - 100);
    QCOMPARE(run.lastMs(), noon + 11 * 3600000 + 100);
}

void TestReview::tracesKeepAOneRowSpikeAndBreakAtGaps() {
    // 0.1 s rows for about five hours, one spike of a single row, and a gap of a minute.
    QByteArray log = header("2026-12-08", "2.5777", "1/1/2001");
    const int rows = 200000;
    const int spike = 123457;
    const int gapAfter = 150000;
    for (int i = 0; i < rows; ++i) {
        const int second = 3600 + i / 10 + (i >= gapAfter ? 60 : 0);
        const QByteArray time = QTime(0, 0).addSecs(second).toString(u"hh:mm:ss").toLatin1();
        log += row(time, i == spike ? 9.5 : 7.0 + (i % 7) * 0.01);
    }
    RecordedRun run;
    QString why;
    QVERIFY(run.open(write(QStringLiteral("long.csv"), log), &why));
    QVERIFY(run.index());
    QCOMPARE(run.rows(), rows);
    QCOMPARE(run.notes().gaps, 1);
    QCOMPARE(run.notes().longestGapMs, 60100);
    QCOMPARE(run.blocks()[0].intervalMs, 100);
    auto highest = [](const std::vector<QPointF>& trace) {
        double top = 0;
        for (const QPointF& p : trace)
            if (!std::isnan(p.y()))
                top = std::max(top, p.y());
        return top;
    };
    auto breaks = [](const std::vector<QPointF>& trace) {
        return std::count_if(trace.begin(), trace.end(),
                             [](const QPointF& p) { return std::isnan(p.y()); });
    };
    // The whole run on a narrow chart, a wide one, and zoomed to single rows round the spike.
    const qint64 spikeMs = localMs(2026, 12, 8, 1, 0, 0) + qint64(spike) * 100;
    for (int columns : {50, 1920}) {
        const auto traces = run.traces(run.firstMs(), run.lastMs(), columns);
        QCOMPARE(highest(traces[kPh1]), 9.5);
        QVERIFY(traces[kPh1].size() <= size_t(2 * columns + 2));
        QCOMPARE(breaks(traces[kPh1]), 1);
    }
    const auto near = run.traces(spikeMs - 2000, spikeMs + 2000, 800);
    QCOMPARE(highest(near[kPh1]), 9.5);
    QCOMPARE(near[kPh1].size(), size_t(41)); // one point for each single row
    QCOMPARE(breaks(near[kPh1]), 0);
    // Zoomed on the gap: the trace breaks there and draws no line across it.
    const qint64 gapMs = localMs(2026, 12, 8, 1, 0, 0) + qint64(gapAfter) * 100;
    const auto gap = run.traces(gapMs - 5000, gapMs + 65000, 1000);
    QCOMPARE(breaks(gap[kPh1]), 1);
}

void TestReview::statisticsMatchTheRowsBetweenTwoTimes() {
    // 1000 rows a second apart, pH1 = 7 + (i mod 10) / 10; enough for whole index blocks inside
    // the range and cut ones at its ends.
    QByteArray log = header("2026-12-08", "2.5777", "1/1/2001");
    for (int i = 0; i < 1000; ++i)
        log += row(QTime(8, 0).addSecs(i).toString(u"hh:mm:ss").toLatin1(), 7 + (i % 10) / 10.0,
                   i == 500 ? "" : QByteArray::number(i));
    RecordedRun run;
    QString why;
    QVERIFY(run.open(write(QStringLiteral("stats.csv"), log), &why));
    QVERIFY(run.index());
    const int from = 105, to = 893;
    double sum = 0, squares = 0;
    for (int i = from; i <= to; ++i)
        sum += 7 + (i % 10) / 10.0;
    const int n = to - from + 1;
    const double mean = sum / n;
    for (int i = from; i <= to; ++i)
        squares += std::pow(7 + (i % 10) / 10.0 - mean, 2);
    const auto stats = run.statistics(localMs(2026, 12, 8, 8, 0, 0) + from * 1000,
                                      localMs(2026, 12, 8, 8, 0, 0) + to * 1000);
    const QuantityStatistics& ph = stats[kPh1];
    QCOMPARE(ph.count, n);
    QCOMPARE(ph.minimum, 7.0);
    QCOMPARE(ph.maximum, 7.9);
    QVERIFY(std::abs(ph.mean - mean) < 1e-9);
    QVERIFY(std::abs(ph.deviation - std::sqrt(squares / (n - 1))) < 1e-9);
    QCOMPARE(ph.first, 7.5);
    QCOMPARE(ph.last, 7.3);
    // The total is missing in one row of the range.
    QCOMPARE(stats[kTotal].count, n - 1);
    QCOMPARE(stats[kTotal].first, 105.0);
    QCOMPARE(stats[kTotal].last, 893.0);
}

void TestReview::copiesTheRowsOfARangeUnderTheirHeader() {
    const QByteArray first = header("2026-12-08", "2.5777", "1/1/2001");
    const QByteArray second = header("2026-12-09", "2,5777", "01.01.2001");
    const QByteArray log = first + row("23:00:00", 7.0) + row("23:00:01", 7.1) + second +
                           row("10:00:00", 6.5, "0,96") + row("10:00:01", 6.6, "0,97");
    RecordedRun run;
    QString why;
    QVERIFY(run.open(write(QStringLiteral("two.csv"), log), &why));
    QVERIFY(run.index());
    QTemporaryFile out;
    QVERIFY(out.open());
    QVERIFY(
        run.copyRows(localMs(2026, 12, 8, 23, 0, 1), localMs(2026, 12, 9, 10, 0, 0), out, &why));
    out.seek(0);
    QCOMPARE(out.readAll(), first + row("23:00:01", 7.1) + second + row("10:00:00", 6.5, "0,96"));
}

void TestReview::fileThatIsNoLogIsSaidNotCrashed() {
    RecordedRun run;
    QString why;
    QVERIFY(!run.open(m_dir.path(), &why));
    QCOMPARE(why, QStringLiteral("it is a folder"));
    const QString fifo = m_dir.filePath(QStringLiteral("fifo"));
    QCOMPARE(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    RecordedRun pipe;
    QVERIFY(!pipe.open(fifo, &why));
    QCOMPARE(why, QStringLiteral("it is not a regular file"));

    // Empty, a picture with NUL bytes, and a line of 3 MB before a row: what can be read is.
    RecordedRun empty;
    QVERIFY(empty.open(write(QStringLiteral("empty.csv"), {}), &why));
    QVERIFY(empty.index());
    QVERIFY(empty.empty());
    QByteArray picture("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\x01\0", 20);
    picture += QByteArray(5000, '\0') + "\n\xff\xfe\n";
    RecordedRun png;
    QVERIFY(png.open(write(QStringLiteral("picture.png"), picture), &why));
    QVERIFY(png.index());
    QVERIFY(png.empty());
    QCOMPARE(png.notes().unreadableLines, 4);
    RecordedRun longLine;
    QVERIFY(longLine.open(
        write(QStringLiteral("line.csv"), QByteArray(3 << 20, 'x') + "\n" + row("08:00:00", 7.0)),
        &why));
    QVERIFY(longLine.index());
    QCOMPARE(longLine.rows(), 1);
    QCOMPARE(longLine.notes().firstUnreadable, QList<qint64>{1});
    // Cancelled, it stops.
    RecordedRun cancelled;
    QVERIFY(cancelled.open(longLine.path(), &why));
    QVERIFY(!cancelled.index([](double) { return false; }));
}

void TestReview::aLogStillBeingWrittenIsReadAsFarAsItWent() {
    const QString path =
        write(QStringLiteral("live.csv"),
              header("2026-12-08", "2.5777", "1/1/2001") + row("08:00:00", 7.0) + "\"08:00:0");
    RecordedRun run;
    QString why;
    QVERIFY(run.open(path, &why));
    QFile file(path);
    QVERIFY(file.open(QIODevice::Append));
    file.write("1\",21.5,21.6,21.7,-12.5,15.25,7.1,6.99,123.5,1.07,\"12.34\"\r\n" +
               row("08:00:02", 7.2));
    file.close();
    QVERIFY(run.index());
    QCOMPARE(run.rows(), 1);
    QCOMPARE(run.notes().tornLine, 18);
    QVERIFY(!run.notes().changed);
    RecordedRun again; // Reload
    QVERIFY(again.open(path, &why) && again.index());
    QCOMPARE(again.rows(), 3);
    QCOMPARE(again.notes().tornLine, 0);
}

void TestReview::reviewOptionsOfTheWindowProgram() {
    auto parse = [](QStringList args) {
        args.prepend(QStringLiteral("dgh-gui"));
        return parseGuiOptions(args);
    };
    QCOMPARE(std::get<GuiOptions>(parse({})).reviewPath, QString());
    QCOMPARE(std::get<GuiOptions>(parse({"--review", "a b.csv"})).reviewPath,
             QStringLiteral("a b.csv"));
    QCOMPARE(std::get<GuiOptions>(parse({"--review=x.csv"})).reviewPath, QStringLiteral("x.csv"));
    for (const QStringList& bad : {QStringList{"--review"}, {"--reveiw", "x"}, {"x.csv"}}) {
        const auto parsed = parse(bad);
        const auto* exit = std::get_if<LoggerExit>(&parsed);
        QVERIFY(exit && exit->status == 2 && exit->text.startsWith(QStringLiteral("dgh-gui: ")));
        QVERIFY(!exit->text.contains(u'\n'));
    }
    QCOMPARE(std::get<LoggerExit>(parse({"--help"})).status, 0);
}

namespace {
// A night with two header blocks (a new calibration at 23:00), an alarm on pH1 and one on the
// thermistors, and a buffer calibration in between.
QByteArray nightLog() {
    QByteArray log = header("2026-12-08", "2,5777", "01.12.2026");
    for (int i = 0; i < 3600; ++i) // 22:00 to 23:00, one row a second, pH1 7.00 to 7.35
        log += row(QTime(22, 0).addSecs(i).toString(u"hh:mm:ss").toLatin1(), 7 + (i / 360) * 0.05,
                   QByteArray::number(i / 100) + ",5");
    log += header("2026-12-08", "2,6012", "08.12.2026");
    for (int i = 0; i < 7200; ++i) // 23:00 to 01:00
        log += row(QTime(23, 0).addSecs(i).toString(u"hh:mm:ss").toLatin1(), 7.1, "0,96");
    return log;
}

QByteArray isoAt(int day, int h, int m) {
    return QDateTime(QDate(2026, 12, day), QTime(h, m))
        .toOffsetFromUtc(QDateTime(QDate(2026, 12, day), QTime(h, m)).offsetFromUtc())
        .toString(Qt::ISODateWithMs)
        .toLatin1();
}
} // namespace

// The audit trail beside the night log: a change in the run, one long before it, a line too
// long to be an entry before it and a line that is no entry.
void TestReview::writeAuditTrail() {
    write(QStringLiteral("audit.csv"),
          "Time,User,Program,What,From,To,Reason\n" + isoAt(1, 9, 0) +
              ",\"ana\",\"dgh-gui 2.2\",\"Port\",\"1 (a)\",\"2 (b)\",\"\"\n" +
              QByteArray(40000, 'x') + '\n' + isoAt(8, 22, 45) +
              ",\"bo\",\"dgh-gui 2.2\",\"Alarm limits\",\"ph1-high=7.2\",\"ph1-high=7.5\","
              "\"too many, \"\"false\"\" alarms\"\nnot an entry\n");
}

void TestReview::eventsOfTheRunFromItsRecords() {
    const QString log = write(QStringLiteral("night.csv"), nightLog());
    write(QStringLiteral("alarms.csv"),
          "Time,Quantity,Limit,Limit value,Value,State\n" + isoAt(8, 22, 30) +
              ",ph1,high,7.2,7.25,raised\n" + isoAt(8, 22, 35) +
              ",ph1,high,7.2,7.25,acknowledged,\"Ana, lab\"\n" + isoAt(8, 22, 40) +
              ",ph1,high,7.2,7.15,cleared\n" + isoAt(8, 22, 38) + ",therm,silent,10,12,raised\n" +
              isoAt(9, 0, 30) + ",ph2,low,6.5,6.4,raised\n" + "garbage\n");
    RecordedRun run;
    QString why;
    QVERIFY(run.open(log, &why));
    QVERIFY(run.index());
    const CalibrationRecord buffers{QDateTime(QDate(2026, 12, 8), QTime(22, 59)),
                                    1,
                                    QStringLiteral("180312"),
                                    {2.6012, 4.51},
                                    {{4.01, 170.2, 21.5}, {7.0, 2.1, 21.6}}};
    const CalibrationRecord before{QDateTime(QDate(2026, 12, 1), QTime(9, 0)),
                                   2,
                                   QStringLiteral("180313"),
                                   {2.5777, 4.5427},
                                   {}};
    writeAuditTrail();
    const RunEvents events =
        collectRunEvents(run, m_dir.filePath(QStringLiteral("alarms.csv")), {before, buffers},
                         auditTrailOf(log, m_dir.filePath(QStringLiteral("settings.ini"))));
    QStringList seen;
    for (const RunEvent& e : events.events)
        seen << e.text.section(u' ', 0, 2);
    QCOMPARE(seen,
             (QStringList{
                 "Logging started (header", "pH1 HIGH raised:", "pH1 HIGH acknowledged:",
                 "thermistors SILENT raised:", "pH1 HIGH cleared:", "Alarm limits: ph1-high=7.2",
                 "Probe 1 calibrated", "Logging restarted (header", "pH2 LOW raised:"}));
    QVERIFY(events.events[2].text.endsWith(QStringLiteral("by Ana, lab")));
    QCOMPARE(events.events[5].text,
             QStringLiteral("Alarm limits: ph1-high=7.2 to ph1-high=7.5, by bo (dgh-gui 2.2): too "
                            "many, \"false\" alarms"));
    QCOMPARE(events.changes.size(), size_t(1));
    QVERIFY(events.events[7].text.contains(QStringLiteral("Probe 1 Offset 2,5777 to 2,6012")));
    QVERIFY(events.note.contains(QStringLiteral("1 lines")));
    // pH1 stood 10 minutes, the thermistors from 22:38 to the run's end; pH2 from 00:30.
    const qint64 minute = 60000;
    const qint64 end = run.lastMs();
    QCOMPARE(events.msInAlarm(Readout::Probe1pH, run.firstMs(), end), 10 * minute);
    QCOMPARE(events.msInAlarm(Readout::Therm2, run.firstMs(), end),
             end - localMs(2026, 12, 8, 22, 38, 0));
    QCOMPARE(events.msInAlarm(Readout::Probe2pH, localMs(2026, 12, 9, 0, 0, 0), end),
             end - localMs(2026, 12, 9, 0, 30, 0));
    QCOMPARE(events.msInAlarm(Readout::Probe1pH, localMs(2026, 12, 8, 22, 35, 0),
                              localMs(2026, 12, 8, 23, 0, 0)),
             5 * minute);
}

void TestReview::reviewWindowMeasuresAndExports() {
    useLocale(QStringLiteral("de_DE"));
    const QString log = write(QStringLiteral("nacht.csv"), nightLog());
    QFile::remove(m_dir.filePath(QStringLiteral("alarms.csv")));
    writeAuditTrail();
    const SettingsLocation settings(m_dir.filePath(QStringLiteral("settings.ini")));
    const CalibrationHistory history(settings);
    ScriptedDialogs dialogs;
    auto* window = new ReviewWindow(dialogs, history, QStringLiteral("rig-7"));
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    std::unique_ptr<ReviewWindow> owner(window);
    window->resize(1000, 700);
    window->show();
    QVERIFY(window->openLog(log));
    QTRY_VERIFY(!window->reading());
    QCOMPARE(window->run()->rows(), 10800);
    QVERIFY(dialogs.messages.isEmpty());
    // The audit trail beside the log: its change of the run in the table, each part whole.
    QCOMPARE(window->changes().rowCount(), 1);
    QCOMPARE(window->changes().item(0, 1)->text(), QStringLiteral("bo (dgh-gui 2.2)"));
    QCOMPARE(window->changes().item(0, 5)->text(), QStringLiteral("too many, \"false\" alarms"));

    // Cursors on 22:30 and 22:59:59: pH1 from 7.25 to 7.45, the statistics of the half hour.
    RunChart& chart = window->chart();
    chart.setCursorVisible(1, true);
    chart.setCursorVisible(2, true);
    chart.setCursorMs(1, localMs(2026, 12, 8, 22, 30, 0));
    chart.setCursorMs(2, localMs(2026, 12, 8, 22, 59, 59));
    const QTableWidget& table = window->measures();
    QCOMPARE(table.verticalHeaderItem(0)->text(), QStringLiteral("pH1 (pH)"));
    auto cell = [&](int column) { return table.item(0, column)->text(); };
    QCOMPARE(cell(0), QStringLiteral("7,25"));
    QCOMPARE(cell(1), QStringLiteral("7,45"));
    QCOMPARE(cell(2), QStringLiteral("0,20"));
    QCOMPARE(cell(4), QStringLiteral("1.800"));
    QCOMPARE(cell(5), QStringLiteral("7,25"));
    QCOMPARE(cell(6), QStringLiteral("7,45"));
    QCOMPARE(cell(7), QStringLiteral("7,3500")); // 360 rows each of 7.25, 7.30, ... 7.45
    QVERIFY(chart.summary().contains(QStringLiteral("Cursor 2 at 08.12.2026 22:59:59,0")));

    // The picture at the asked size, as vectors, and the rows between the cursors.
    auto trigger = [&](const char* name) {
        window->findChild<QAction*>(QLatin1String(name))->trigger();
        QCoreApplication::processEvents(); // the command runs queued
    };
    const QString png = m_dir.filePath(QStringLiteral("chart.png"));
    dialogs.fileAnswers << png;
    dialogs.inputAnswers << QStringLiteral("640 x 480");
    trigger("mnuSaveChart");
    QCOMPARE(QImage(png).size(), QSize(640, 480));
    dialogs.fileAnswers << m_dir.filePath(QStringLiteral("chart.png"));
    dialogs.inputAnswers << QStringLiteral("huge");
    trigger("mnuSaveChart");
    QVERIFY(dialogs.texts().last().startsWith(QStringLiteral("'huge' is no size")));
    for (const char* suffix : {"svg", "pdf"}) {
        const QString path = m_dir.filePath(QStringLiteral("chart.") + QLatin1String(suffix));
        dialogs.fileAnswers << path;
        trigger("mnuSaveChart");
        QProcess text;
        if (QLatin1String(suffix) == u"pdf") {
            text.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
            QVERIFY(text.waitForFinished(20000));
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray content =
            QLatin1String(suffix) == u"pdf" ? text.readAllStandardOutput() : file.readAll();
        for (const char* label : {"pH1, pH2", "T1, T2, T3", "08.12.2026"})
            QVERIFY2(content.contains(label), label);
    }
    const QString rows = m_dir.filePath(QStringLiteral("range.csv"));
    dialogs.fileAnswers << rows;
    trigger("mnuSaveRows");
    QFile range(rows);
    QVERIFY(range.open(QIODevice::ReadOnly));
    const QByteArray copied = range.readAll();
    QVERIFY(copied.startsWith(header("2026-12-08", "2,5777", "01.12.2026") +
                              row("22:30:00", 7.25, "18,5")));
    QVERIFY(copied.endsWith(row("22:59:59", 7.45, "35,5")));
    QCOMPARE(copied.count('\n'), 16 + 1800);
    // Never over the log itself.
    dialogs.fileAnswers << log;
    trigger("mnuSaveRows");
    QVERIFY(dialogs.texts().last().endsWith(QStringLiteral("it is the log itself.")));
    // The report of the range between the cursors, as dgh-report writes it.
    const QString pdf = m_dir.filePath(QStringLiteral("bericht.pdf"));
    dialogs.fileAnswers << pdf;
    trigger("mnuReport");
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    QVERIFY(text.waitForFinished(20000));
    const QString report = QString::fromUtf8(text.readAllStandardOutput());
    for (const char* expected : {"Run report: nacht.csv", "rig-7", "08.12.2026 22:30:00", "1.800"})
        QVERIFY2(report.contains(QLatin1String(expected)), expected);
    // The log and its audit trail against their seals: these were written by the test,
    // without one.
    const qsizetype said = dialogs.texts().size();
    trigger("mnuVerify");
    QTRY_COMPARE(dialogs.texts().size(), said + 1);
    QCOMPARE(
        dialogs.texts().last().split(u'\n'),
        (QStringList{log + QStringLiteral(": it has no seal file ") + log + QStringLiteral(".seal"),
                     m_dir.filePath(QStringLiteral("audit.csv: it has no seal file ")) +
                         m_dir.filePath(QStringLiteral("audit.csv.seal"))}));
}

QTEST_MAIN(TestReview)
#include "tst_review.moc"
