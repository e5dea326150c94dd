// bench_review: opening recorded logs for review, headless: a day at 0.1 s, then a log of about
// 1 GB (14 million rows): first picture, whole index, redraws on zoom and pan, private memory.
//   bench_review [--gigabytes G] [--large FILE] [--write FILE --rows N]
#include "CalibrationHistory.h"
#include "OperatorDialogs.h"
#include "RecordSeal.h"
#include "ReviewWindow.h"
#include "RunChart.h"
#include "RunEvents.h"
#include "RunReport.h"
#include "SealCheck.h"
#include "SettingsLocation.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <ctime>
#include <random>

namespace {
struct SilentDialogs : OperatorDialogs {
    void message(const QString&, const QString&, const QString&) override {}
    void tell(Notice) override {}
    QString inputText(const QString&, const QString&, const QString&) override { return {}; }
    QString chooseLogFile(const QString&, const QString&) override { return {}; }
};

QByteArray header(const QDate& day, const char* offset) {
    QByteArray h = "\r\n\"Corvik pH probe Logging Program\"," +
                   day.toString(u"#yyyy-MM-dd#").toLatin1() + "\r\n\"Version: 2.2\"\r\n\r\n";
    for (const char* p : {"1", "2"})
        h += "\"Probe " + QByteArray(p) + " Offset: " + offset + "\"\r\n";
    h += "\"Probe 1 Slope: 4,5427\"\r\n\"Probe 2 Slope: 4,5427\"\r\n\"Probe 1 Serial Number: "
         "180312\"\r\n\"Probe 2 Serial Number: 180312\"\r\n\"Probe 1 Calibration Date: "
         "01.12.2026\"\r\n\"Probe 2 Calibration Date: 01.12.2026\"\r\n\"Log File: "
         "/var/lib/dgh/nacht.csv\"\r\n\r\n\"Time, Therm1, Therm2, Therm3, pH-1 mV, pH-2 mV, pH-1 "
         "value, pH-2 value, Flow frequency, liters/min, Total Liters\"\r\n\r\n";
    return h;
}

// A German night log at 0.1 s from 18:00: a second header block (new calibration) at 60 % of
// the rows, a gap of five minutes, one row with a pH spike.
void writeLog(const QString& path, qint64 rows) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0, 1);
    QByteArray out = header(QDate(2026, 12, 8), "2,5777");
    char text[64];
    auto number = [&](double v, int decimals) {
        const auto r =
            std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, decimals);
        out.append(text, r.ptr - text);
    };
    const qint64 restart = rows * 6 / 10, gap = rows / 3, spike = rows / 2 + 17;
    const QDateTime at(QDate(2026, 12, 8), QTime(18, 0));
    qint64 tenth = 0;
    QDate day = at.date();
    char clock[] = "\"hh:mm:ss\",";
    for (qint64 i = 0; i < rows; ++i) {
        if (i == gap)
            tenth += 3000;
        // The time of day by hand: a QDateTime per row would take minutes for a gigabyte.
        const qint64 second = (18 * 3600 + tenth / 10) % 86400;
        if (i == restart)
            out += header(day, "2,6012");
        if (second == 0 && tenth % 10 == 0 && i > 0)
            day = day.addDays(1);
        for (auto [at, value] :
             {std::pair{1, second / 3600}, {4, second / 60 % 60}, {7, second % 60}}) {
            clock[at] = char('0' + value / 10);
            clock[at + 1] = char('0' + value % 10);
        }
        out.append(clock, 11);
        ++tenth;
        const double hours = tenth / 36000.0;
        for (double therm : {21.5, 22.0, 20.8}) {
            number(therm + std::sin(hours) + 0.02 * noise(random), 2);
            out += ',';
        }
        number(-12.5 + 0.3 * noise(random), 1);
        out += ',';
        number(15.2 + 0.3 * noise(random), 1);
        out += ',';
        number(i == spike ? 9.5 : 7.0 + 0.3 * std::sin(hours / 3) + 0.01 * noise(random), 4);
        out += ',';
        number(6.9 + 0.01 * noise(random), 4);
        out += ',';
        number(123.5 + noise(random), 1);
        out += ',';
        number(1.07 + 0.01 * noise(random), 2);
        out += ",\"";
        const qsizetype start = out.size();
        number(tenth * 0.00178, 2);
        std::replace(out.begin() + start, out.end(), '.', ',');
        out += "\"\r\n";
        if (out.size() > (8 << 20)) {
            file.write(out);
            out.clear();
        }
    }
    file.write(out);
}

double statusMegabytes(const QByteArray& field) {
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').first().toDouble() / 1024;
    return 0;
}
// Anonymous resident memory: what the process holds beyond the file's own pages.
double privateMegabytes() {
    return statusMegabytes("RssAnon:");
}
// The most it ever held resident, libraries included (the log is read, never mapped).
double peakMegabytes() {
    return statusMegabytes("VmHWM:");
}

QTextStream out(stdout);

void row(const char* measure, double value, const char* target) {
    out << "| " << measure << " | " << QString::number(value, 'f', value < 1 ? 5 : 2) << " | "
        << target << " |\n";
    out.flush();
}

// Opens a log in a review window and measures it; the window is kept for more.
ReviewWindow* openMeasured(SilentDialogs& dialogs, const CalibrationHistory& history,
                           const QString& path, const char* name, bool large) {
    auto* window = new ReviewWindow(dialogs, history, QStringLiteral("bench"));
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->resize(1280, 800);
    window->show();
    QApplication::processEvents();
    QSignalSpy read(window, &ReviewWindow::logRead);
    QElapsedTimer clock;
    clock.start();
    window->openLog(path);
    window->chart().replot(QCustomPlot::rpImmediateRefresh);
    const double first = clock.nsecsElapsed() / 1e6;
    while (read.isEmpty())
        read.wait(20);
    window->chart().replot(QCustomPlot::rpImmediateRefresh);
    const double whole = clock.nsecsElapsed() / 1e6;
    out << "\n"
        << name << ": " << window->run()->rows() << " rows, " << window->run()->fileSize() / 1e6
        << " MB\n";
    if (large) {
        row("first picture of the whole run (ms)", first, "< 2000");
        row("whole file indexed and shown (ms)", whole, "< 10000");
    } else {
        row("opened fully and shown (ms)", whole, "< 1000");
    }
    return window;
}

// A report as dgh-report makes it, from the file alone: read, digest, summary, pages.
void measureReport(const QString& path, const char* name, const char* target) {
    QElapsedTimer clock;
    clock.start();
    RecordedRun run;
    QString why, note;
    run.open(path, &why);
    run.index();
    const RunEvents events = collectRunEvents(run, QString(), {});
    const ReportRequest request{.title = QStringLiteral("Bench"),
                                .station = QStringLiteral("bench"),
                                .fromMs = run.firstMs(),
                                .toMs = run.lastMs(),
                                .limits = {},
                                .pdfPath = path + QStringLiteral(".pdf"),
                                .madeAt = QDateTime::currentDateTime()};
    if (!reportRun(run, events, {}, request, &why, &note))
        qFatal("report: %s", qPrintable(why));
    row(name, clock.nsecsElapsed() / 1e6, target);
}

// Sealing as the log writer does it, row by row with a seal line a second at most, and the check
// of the whole file against its seal.
void measureSeal(const QString& path) {
    // The processor of reading the rows alone, then of reading and sealing them: the difference.
    auto pass = [&](RecordSeal* seal) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        QString why;
        qint64 rows = 0;
        const std::clock_t start = std::clock();
        while (!file.atEnd()) {
            const QByteArray line = file.readLine();
            if (seal) {
                seal->add(line);
                seal->seal(false, &why);
            }
            ++rows;
        }
        if (seal)
            seal->seal(true, &why);
        return std::pair{double(std::clock() - start) / CLOCKS_PER_SEC, rows};
    };
    const auto [reading, rows] = pass(nullptr);
    RecordSeal seal(path);
    QString why;
    seal.begin(0, true, &why);
    const double sealing = pass(&seal).first - reading;
    row("sealing: processor per log row (ms)", 1000.0 * sealing / rows, "< 0.02");
    QElapsedTimer clock;
    clock.start();
    const SealVerdict verdict = checkSeal(path);
    if (!verdict.intact)
        qFatal("seal: %s", qPrintable(verdict.text));
    row("the large log checked against its seal (ms)", clock.nsecsElapsed() / 1e6, "< 10000");
}

void measureRedraws(ReviewWindow& window) {
    RunChart& chart = window.chart();
    std::mt19937 random(11);
    const qint64 first = window.run()->firstMs(), last = window.run()->lastMs();
    std::vector<double> times;
    // Zooms from the whole run down to single rows, and pans at each.
    for (int i = 0; i < 60; ++i) {
        const double span =
            (last - first) * std::pow(10.0, -std::uniform_real_distribution<>(0, 6)(random));
        const qint64 from = first + qint64(std::uniform_real_distribution<>(0, 1)(random) *
                                           std::max(0.0, (last - first) - span));
        QElapsedTimer clock;
        clock.start();
        chart.setTimeRange(from, from + qint64(span));
        QApplication::processEvents();
        chart.replot(QCustomPlot::rpImmediateRefresh);
        times.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    row("zoom or pan redrawn, median (ms)", times[times.size() / 2], "< 50");
    row("zoom or pan redrawn, worst (ms)", times.back(), "< 50");
}
} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    double gigabytes = 1;
    QString given; // a large log written before, by --write
    for (qsizetype i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == u"--gigabytes")
            gigabytes = args[i + 1].toDouble();
        if (args[i] == u"--large")
            given = args[i + 1];
        if (args[i] == u"--write" && i + 3 < args.size() && args[i + 2] == u"--rows") {
            writeLog(args[i + 1], args[i + 3].toLongLong());
            return 0;
        }
    }
    QTemporaryDir dir;
    const SettingsLocation settings(dir.filePath(QStringLiteral("settings.ini")));
    const CalibrationHistory history(settings);
    SilentDialogs dialogs;
    out << "| measure | value | target |\n|---|---:|---|\n";

    const QString day = dir.filePath(QStringLiteral("day.csv"));
    writeLog(day, 864000);
    delete openMeasured(dialogs, history, day, "a day at 0.1 s", false);
    measureReport(day, "report of a day at 0.1 s (ms)", "< 5000");
    QFile::remove(day);

    const QString large = given.isEmpty() ? dir.filePath(QStringLiteral("large.csv")) : given;
    if (given.isEmpty())
        writeLog(large, qint64(gigabytes * 14.3e6));
    // The report first, while nothing else large was held: the peak is its own.
    measureReport(large, "report of the large log (ms)", "< 30000");
    row("peak resident memory to here, all of it (MB)", peakMegabytes(), "< 300");
    ReviewWindow* window = openMeasured(dialogs, history, large, "the large log", true);
    measureRedraws(*window);
    measureSeal(large);
    row("private memory with the large log open (MB)", privateMegabytes(), "< 200");
    delete window;
    return 0;
}
