// Measures the program as main() builds it against the module simulator on a pseudo-terminal,
// headless: event-loop stalls during acquisition, logging and plotting rates, transaction and
// cycle times, the read timer's period error, processor time, memory and start-up. Prints a
// Markdown table of medians and worst cases over several runs. Never part of the tests.
//
//   bench_acquisition [--runs N] [--seconds S] [--log-seconds S] [--cpu-seconds S]
//                     [--logger-seconds S]
// The logger rows run dgh-logger itself, a process of its own, and read its processor time and
// memory from /proc.
#include "Acquisition.h"
#include "CalibrationHistory.h"
#include "CalibrationStore.h"
#include "CommPort.h"
#include "CommandLink.h"
#include "LineRunner.h"
#include "LogSession.h"
#include "MqttPublisher.h"
#include "ReadingFeed.h"
#include "LogSetupDialog.h"
#include "ModuleSimulator.h"
#include "MainWindow.h"
#include "MeasurementState.h"
#include "MonotonicClock.h"
#include "OperatorDialogs.h"
#include "SettingsKeys.h"
#include "SettingsLocation.h"
#include "StripChart.h"
#include "TwoStateButton.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <ctime>
#include <deque>
#include <memory>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace {
using Samples = std::vector<double>;

struct CountingDialogs : OperatorDialogs {
    int messages = 0;
    QStringList files;
    void message(const QString&, const QString&, const QString&) override { ++messages; }
    QString inputText(const QString&, const QString&, const QString&) override { return {}; }
    QString chooseLogFile(const QString&, const QString&) override {
        return files.isEmpty() ? QString() : files.takeFirst();
    }
};

double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double residentMb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    return 0;
}

// Nearest rank: the 99th percentile of 100 samples is the second largest, not the largest.
double percentile(Samples v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const auto rank = size_t(std::ceil(p / 100 * double(v.size())));
    return v[std::clamp<size_t>(rank, 1, v.size()) - 1];
}
double median(const Samples& v) {
    return percentile(v, 50);
}
double worst(const Samples& v) {
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}
double least(const Samples& v) {
    return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
}

void runFor(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(qint64(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

// The module simulator in a process of its own, as the program meets it, so that its processor
// time is not counted as the program's.
struct SimulatorProcess {
    QProcess process;
    QString device;
    SimulatorProcess() {
        process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/dgh-sim"),
                      {QStringLiteral("--seed"), QStringLiteral("4")});
        if (!process.waitForReadyRead(5000))
            qFatal("the simulator did not start");
        device = QString::fromLocal8Bit(process.readLine()).trimmed();
    }
    ~SimulatorProcess() {
        process.write("quit\n");
        process.waitForFinished(2000);
    }
};

// The whole program, built as main() builds it, on the simulator at port 1.
struct Program {
    QTemporaryDir dir;
    SettingsLocation settings{dir.filePath(QStringLiteral("bench.ini"))};
    SimulatorProcess simulator;
    MeasurementState state;
    CommPort port{settings};
    SteadyClock clock;
    CountingDialogs dialogs;
    CommandLink link{port, clock, dialogs};
    Acquisition acquisition{state, link, dialogs, clock};
    LogSession logSession{state, dialogs};
    MqttPublisher publisher{dialogs};
    ReadingFeed feed{state, acquisition, publisher};
    CalibrationStore store{settings};
    CalibrationHistory history{settings};
    CalibrationServices calibration{store, history, acquisition, clock};
    PublishingServices publishing{publisher, feed, settings};
    std::unique_ptr<MainWindow> window;

    Program() {
        settings.setText(settingskeys::kPortsSection, QStringLiteral("1"), simulator.device);
    }
    void start() {
        window = std::make_unique<MainWindow>(state, port, acquisition, logSession, calibration,
                                              publishing, dialogs, QCoreApplication::applicationDirPath());
        window->startUp();
        window->resize(1000, 690);
        window->show();
        while (!window->windowHandle() || !window->windowHandle()->isExposed())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    template <typename T> T* find(const char* name) {
        return window->findChild<T*>(QLatin1String(name));
    }
    void allGroupsOn(int ratePosition) {
        for (const char* name : {"cwbFlow", "cwbPh", "cwbTherm"})
            find<TwoStateButton>(name)->setValue(true);
        find<QComboBox>("cmbUpdate")->setCurrentIndex(ratePosition);
        find<QAbstractButton>("Command2")->click();
    }
    void plotting(bool on) { find<TwoStateButton>("cwPlot")->setValue(on); }
    // Logging at 0.1 s to a file, through the "Logger" dialog as an operator would.
    QString startLogging() {
        const QString path = dir.filePath(QStringLiteral("bench-log.txt"));
        dialogs.files = {path};
        window->findChild<QAction*>(QStringLiteral("mnuLogSetup"))->trigger();
        LogSetupDialog* d = window->logSetupDialog();
        d->findChild<QAbstractButton*>(QStringLiteral("optDatafile_1"))->click();
        d->findChild<QAbstractButton*>(QStringLiteral("optAppend_1"))->click();
        d->findChild<QAbstractButton*>(QStringLiteral("cmdSelect"))->click();
        d->findChild<QComboBox*>(QStringLiteral("cmbInterval"))->setCurrentIndex(10);
        d->findChild<QAbstractButton*>(QStringLiteral("cmdExit"))->click();
        return path;
    }
};

int dataRows(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return int(file.readAll().count("\"\r\n")) - 11; // 11 header lines end in a quote
}

// Gaps between the beats of a 5 ms timer, less the 5 ms: how long the event loop was held.
struct Heartbeat {
    QTimer timer;
    QElapsedTimer clock;
    qint64 last = 0;
    Samples stallsMs;
    Heartbeat() {
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const qint64 now = clock.nsecsElapsed();
            stallsMs.push_back(std::max(0.0, (now - last) / 1e6 - 5));
            last = now;
        });
        clock.start();
        timer.start(5);
    }
};

// Start and end times of every cycle, and the read timer's ticks.
struct CycleLog {
    QElapsedTimer clock;
    Samples starts, durations, ticks;
    qint64 startedAt = 0;
    explicit CycleLog(Acquisition& a) {
        clock.start();
        QObject::connect(&a, &Acquisition::cycleStarted, [this] {
            startedAt = clock.nsecsElapsed();
            starts.push_back(startedAt / 1e6);
        });
        QObject::connect(&a, &Acquisition::cycleFinished,
                         [this] { durations.push_back((clock.nsecsElapsed() - startedAt) / 1e6); });
        QObject::connect(&a.readTimer(), &WindowTimer::tick,
                         [this] { ticks.push_back(clock.nsecsElapsed() / 1e6); });
    }
    static Samples intervals(const Samples& times) {
        Samples out;
        for (size_t i = 1; i < times.size(); ++i)
            out.push_back(times[i] - times[i - 1]);
        return out;
    }
};

struct Row {
    QString what;
    Samples perRun;
    QString target;
    int decimals = 2;
    bool higherIsWorse = true;
};

// dgh-logger as a process of its own, on the simulator at the given device.
struct LoggerProcess {
    QTemporaryDir dir;
    QProcess process;
    QString log = dir.filePath(QStringLiteral("logger.csv"));
    LoggerProcess(const QString& device, const QString& rateMs, const QString& intervalS) {
        process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/dgh-logger"),
                      {QStringLiteral("--device"), device, QStringLiteral("--rate"), rateMs,
                       QStringLiteral("--interval"), intervalS, QStringLiteral("--log"), log,
                       QStringLiteral("--settings"), dir.filePath(QStringLiteral("s.ini"))});
        if (!process.waitForStarted())
            qFatal("dgh-logger did not start");
    }
    ~LoggerProcess() {
        process.terminate();
        process.waitForFinished(3000);
    }
    QByteArray proc(const char* file) const {
        QFile f(QStringLiteral("/proc/%1/%2").arg(process.processId()).arg(QLatin1String(file)));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // User and system time, in milliseconds.
    double cpuMs() const {
        const QList<QByteArray> fields = proc("stat").split(')').last().trimmed().split(' ');
        return (fields.value(11).toDouble() + fields.value(12).toDouble()) * 1000 /
               double(sysconf(_SC_CLK_TCK));
    }
    double residentMb() const {
        for (const QByteArray& line : proc("status").split('\n'))
            if (line.startsWith("VmRSS:"))
                return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
        return 0;
    }
};

template <typename RowFunction> void loggerRows(RowFunction& row, double seconds) {
    // Start-up: from the process's start to its first command on the line.
    Samples& firstCommand = row(QStringLiteral("dgh-logger: start-up to the first command (ms)"),
                                QStringLiteral("< 50"), 1);
    for (int r = 0; r < 5; ++r) {
        ModuleSimulator simulator(4);
        simulator.start();
        QElapsedTimer t;
        t.start();
        LoggerProcess logger(QString::fromStdString(simulator.devicePath()), "1000", "1");
        while (simulator.frames().empty() && t.elapsed() < 5000)
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        firstCommand.push_back(t.nsecsElapsed() / 1e6);
    }
    const auto cpuRow = [&](const char* rate, const char* interval, const QString& what,
                            const QString& target, Samples& rows, Samples* memory,
                            Samples* growth) {
        Samples& cpu = row(what, target, 2);
        SimulatorProcess simulator;
        LoggerProcess logger(simulator.device, rate, interval);
        runFor(3);
        const double rss = logger.residentMb();
        const double before = logger.cpuMs();
        const int rowsBefore = dataRows(logger.log);
        QElapsedTimer t;
        t.start();
        runFor(seconds);
        cpu.push_back((logger.cpuMs() - before) / t.elapsed() * 100);
        rows.push_back((dataRows(logger.log) - rowsBefore) / (t.elapsed() / 1000.0));
        if (memory) {
            memory->push_back(logger.residentMb());
            growth->push_back(logger.residentMb() - rss);
        }
    };
    Samples& memory = row(QStringLiteral("dgh-logger: resident memory (MB)"), "< 15", 1);
    Samples& growth = row(QStringLiteral("dgh-logger: resident memory growth over the run (MB)"),
                          "flat", 1);
    Samples& fastRows = row(QStringLiteral("dgh-logger: log rows per second at 0.1 s, groups at 100 ms"),
                            QStringLiteral(">= 9.9"), 2, false);
    cpuRow("100", "0.1", QStringLiteral("dgh-logger: processor, 100 ms + log 0.1 s (% of a core)"),
           QStringLiteral("< 1"), fastRows, &memory, &growth);
    Samples slowRows;
    cpuRow("1000", "1", QStringLiteral("dgh-logger: processor, 1000 ms + log 1 s (% of a core)"),
           QStringLiteral("< 0.3"), slowRows, nullptr, nullptr);
}

QString cell(double v, int decimals) {
    return QString::number(v, 'f', decimals);
}
} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    int runs = 3;
    double seconds = 5, logSeconds = 60, cpuSeconds = 60, loggerSeconds = 120;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        const double v = args[i + 1].toDouble();
        if (args[i] == QLatin1String("--runs"))
            runs = int(v);
        else if (args[i] == QLatin1String("--seconds"))
            seconds = v;
        else if (args[i] == QLatin1String("--log-seconds"))
            logSeconds = v;
        else if (args[i] == QLatin1String("--cpu-seconds"))
            cpuSeconds = v;
        else if (args[i] == QLatin1String("--logger-seconds"))
            loggerSeconds = v;
    }
    QTextStream out(stdout);
    std::deque<Row> rows; // references to its rows stay valid as it grows
    auto row = [&](const QString& what, const QString& target, int decimals = 2,
                   bool higherIsWorse = true) -> Samples& {
        rows.push_back({what, {}, target, decimals, higherIsWorse});
        return rows.back().perRun;
    };

    Samples& startUp = row(QStringLiteral("start-up to window shown (ms)"), QString(), 0);
    for (int r = 0; r < runs; ++r) {
        Program p;
        QElapsedTimer t;
        t.start();
        p.start();
        startUp.push_back(t.nsecsElapsed() / 1e6);
    }

    // Every group on at each rate: stalls, cycle times, period errors, processor time per cycle.
    const int periods[] = {1000, 500, 250, 200, 100};
    std::vector<std::pair<Samples*, Samples*>> stallRows;
    for (int position = 0; position < 5; ++position) {
        const QString at = QStringLiteral(" at %1 ms").arg(periods[position]);
        Samples& longest = row(QStringLiteral("event loop, longest stall") + at + " (ms)", "< 15");
        Samples& p99 =
            row(QStringLiteral("event loop, 99th percentile stall") + at + " (ms)", "< 3");
        Samples* cycle = position == 4 ? &row(QStringLiteral("six-module cycle, longest (ms)"),
                                              QStringLiteral("< 216 (floor 210)"))
                                       : nullptr;
        Samples* typicalCycle = position == 4
                                    ? &row(QStringLiteral("six-module cycle, median (ms)"),
                                           QStringLiteral("< 211 (floor 210)"))
                                    : nullptr;
        Samples* effective = position >= 3
                                 ? &row(QStringLiteral("cycle start to start") + at + " (ms)",
                                        QStringLiteral("cycle time, not timer"))
                                 : nullptr;
        Samples* cpuPerCycle = position == 4 ? &row(QStringLiteral("processor per cycle (ms)"),
                                                    QStringLiteral("< 1.5 (floor 0.37)"), 3)
                                             : nullptr;
        for (int r = 0; r < runs; ++r) {
            Program p;
            p.start();
            p.allGroupsOn(position);
            // Past the first two cycles, which load fonts and glyphs once per run.
            runFor(2 * periods[position] / 1000.0 + 0.5);
            // Processor time first, without the heartbeat, whose 200 wake-ups a second would
            // count as the program's; then the stalls.
            CycleLog cycles(p.acquisition);
            const double cpuBefore = cpuMs();
            runFor(seconds);
            const double cpu = cpuMs() - cpuBefore;
            const size_t cycleCount = cycles.durations.size();
            Heartbeat beat;
            runFor(seconds);
            longest.push_back(worst(beat.stallsMs));
            p99.push_back(percentile(beat.stallsMs, 99));
            if (cycle) {
                cycle->push_back(worst(cycles.durations));
                typicalCycle->push_back(median(cycles.durations));
            }
            if (effective)
                effective->push_back(median(CycleLog::intervals(cycles.starts)));
            if (cpuPerCycle)
                cpuPerCycle->push_back(cpu / double(std::max<size_t>(1, cycleCount)));
            if (p.dialogs.messages)
                qWarning("%d failure messages at %d ms", p.dialogs.messages, periods[position]);
        }
    }

    // The read timer's period over many ticks, with the flow module alone and with every group.
    for (const auto& [position, ticks, allGroups] :
         {std::tuple{0, 60, false}, {2, 120, false}, {0, 30, true}}) {
        const int period = periods[position];
        const QString at = QStringLiteral(" at %1 ms%2")
                               .arg(period)
                               .arg(allGroups ? QStringLiteral(", every group")
                                              : QStringLiteral(", flow only"));
        Samples& mean = row(QStringLiteral("read timer, mean period") + at + " (ms)",
                            QStringLiteral("%1 +- 0.1").arg(period), 3);
        Samples& p99 =
            row(QStringLiteral("read timer, 99th percentile period") + at + " (ms)", "", 3);
        Program p;
        p.start();
        if (allGroups) {
            p.allGroupsOn(position);
        } else {
            p.find<TwoStateButton>("cwbFlow")->setValue(true);
            p.find<QComboBox>("cmbUpdate")->setCurrentIndex(position);
            p.find<QAbstractButton>("Command2")->click();
        }
        runFor(period / 1000.0 + 0.1);
        CycleLog cycles(p.acquisition);
        runFor(ticks * period / 1000.0);
        // From first to last tick: a schedule that drifts shows here, a late wake-up does not.
        mean.push_back((cycles.ticks.back() - cycles.ticks.front()) /
                       double(cycles.ticks.size() - 1));
        p99.push_back(percentile(CycleLog::intervals(cycles.ticks), 99));
    }

    // Transactions on their own: the reply handed on 35 ms after the command.
    Samples& transaction = row(QStringLiteral("transaction (ms)"), QStringLiteral("35 to 36"), 2);
    Samples& overheadP99 =
        row(QStringLiteral("transaction overhead above 35 ms, 99th percentile (ms)"), "< 1", 3);
    Samples& overhead = row(QStringLiteral("transaction overhead above 35 ms (ms)"), "< 1", 3);
    for (int r = 0; r < runs; ++r) {
        Program p;
        if (p.port.open() != CommPort::OpenError::None)
            qFatal("cannot open the simulator's port");
        Samples times;
        QElapsedTimer t;
        for (int i = 0; i < 300; ++i) {
            bool done = false;
            t.start();
            p.link.transact(QStringLiteral("6"), [&](const QString&) {
                times.push_back(t.nsecsElapsed() / 1e6);
                done = true;
            });
            while (!done)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        transaction.push_back(median(times));
        overheadP99.push_back(percentile(times, 99) - 35);
        overhead.push_back(worst(times) - 35);
    }

    // The machine's own floor for the overhead: a thread that only sleeps 35 ms, as the
    // transaction thread does, wakes this late.
    Samples& sleepLate =
        row(QStringLiteral("bare 35 ms sleep on this machine, median lateness (ms)"),
            QStringLiteral("reference"), 3);
    Samples& sleepWorst =
        row(QStringLiteral("bare 35 ms sleep on this machine, worst lateness (ms)"),
            QStringLiteral("reference"), 3);
    for (int r = 0; r < runs; ++r)
        std::thread([&] {
            LineRunner::keepWakeUpsOnTime();
            Samples late;
            for (int i = 0; i < 300; ++i) {
                const auto due = std::chrono::steady_clock::now() + std::chrono::milliseconds(35);
                std::this_thread::sleep_until(due);
                late.push_back(std::chrono::duration<double, std::milli>(
                                   std::chrono::steady_clock::now() - due)
                                   .count());
            }
            sleepLate.push_back(median(late));
            sleepWorst.push_back(worst(late));
        }).join();

    // Logging at 0.1 s with every group at 100 ms and plotting on.
    Samples& logRate = row(QStringLiteral("log rows per second at 0.1 s, groups at 100 ms"),
                           QStringLiteral(">= 9.9"), 2, false);
    Samples& plotRate =
        row(QStringLiteral("plot points per minute"), QStringLiteral("60"), 1, false);
    Samples& cpuLogging = row(QStringLiteral("processor, 100 ms + plot + log 0.1 s (% of a core)"),
                              QStringLiteral("< 1.5"), 2);
    {
        Program p;
        p.start();
        p.allGroupsOn(4);
        p.plotting(true);
        auto* chart = p.find<StripChart>("CWGraph1");
        const QString path = p.startLogging();
        QElapsedTimer t;
        t.start();
        const size_t pointsBefore = chart->points(1).size();
        const double cpuBefore = cpuMs();
        runFor(logSeconds);
        const double wall = t.nsecsElapsed() / 1e9;
        logRate.push_back(dataRows(path) / wall);
        plotRate.push_back(double(chart->points(1).size() - pointsBefore) / wall * 60);
        cpuLogging.push_back((cpuMs() - cpuBefore) / (wall * 1000) * 100);
    }

    // Processor time while polling every group at 1000 ms with plotting on.
    Samples& cpuIdle =
        row(QStringLiteral("processor, 1000 ms + plot (% of a core)"), QStringLiteral("< 0.4"), 2);
    {
        Program p;
        p.start();
        p.allGroupsOn(0);
        p.plotting(true);
        runFor(1.5);
        const double cpuBefore = cpuMs();
        QElapsedTimer t;
        t.start();
        runFor(cpuSeconds);
        cpuIdle.push_back((cpuMs() - cpuBefore) / t.elapsed() * 100);
    }

    // Resident memory once the chart history is full, and after as much again.
    Samples& memoryFull = row(QStringLiteral("resident memory, chart history full (MB)"), "", 1);
    Samples& memoryGrowth =
        row(QStringLiteral("resident memory growth over 10 more histories (MB)"), "flat", 1);
    {
        Program p;
        p.start();
        auto* chart = p.find<StripChart>("CWGraph1");
        double x = 0.5;
        auto fill = [&](int points) {
            for (int i = 0; i < points; ++i, x += 1.0 / 86400) {
                chart->appendPoint(1, x, 7);
                chart->appendPoint(2, x, 7);
                if (i % 100 == 0)
                    QCoreApplication::processEvents();
            }
        };
        fill(StripChart::kHistory);
        const double full = residentMb();
        fill(10 * StripChart::kHistory);
        memoryFull.push_back(full);
        memoryGrowth.push_back(residentMb() - full);
    }

    loggerRows(row, loggerSeconds);

    out << "| measure | median | worst | target |\n|---|---:|---:|---|\n";
    for (const Row& r : rows) {
        const double w = r.higherIsWorse ? worst(r.perRun) : least(r.perRun);
        out << "| " << r.what << " | " << cell(median(r.perRun), r.decimals) << " | "
            << cell(w, r.decimals) << " | " << r.target << " |\n";
    }
    out << "\n"
        << runs << " runs of " << seconds << " s per rate; logging " << logSeconds
        << " s; processor " << cpuSeconds << " s.\n";
    return 0;
}
