// Measures the program as main() builds it against the module simulator on a pseudo-terminal,
// headless: event-loop stalls during acquisition, logging and plotting rates, transaction and
// cycle times, the read timer's period error, processor time, memory and start-up. Prints a
// Markdown table of medians and worst cases over several runs. Never part of the tests.
//
//   bench_acquisition [--runs N] [--seconds S] [--log-seconds S] [--cpu-seconds S]
//                     [--logger-seconds S] [--publish-seconds S] [--only publishing]
// The logger rows run dgh-logger itself, a process of its own, and read its processor time and
// memory from /proc.
#include "BenchSupport.h"

void loggerRows(const RowAdder& row, double seconds);
void publishingRows(const RowAdder& row, double seconds);
void alarmRows(const RowAdder& row);

namespace {
struct Row {
    QString what;
    Samples perRun;
    QString target;
    int decimals = 2;
    bool higherIsWorse = true;
};

// dgh-logger as a process of its own, on the simulator at the given device.
QString cell(double v, int decimals) {
    return QString::number(v, 'f', decimals);
}
} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    int runs = 3;
    double seconds = 5, logSeconds = 60, cpuSeconds = 60, loggerSeconds = 120, publishSeconds = 30;
    QString only; // "publishing": only its rows, for trying a change to the publisher
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--only"))
            only = args[i + 1];
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
        else if (args[i] == QLatin1String("--publish-seconds"))
            publishSeconds = v;
    }
    QTextStream out(stdout);
    std::deque<Row> rows; // references to its rows stay valid as it grows
    auto row = [&](const QString& what, const QString& target, int decimals = 2,
                   bool higherIsWorse = true) -> Samples& {
        rows.push_back({what, {}, target, decimals, higherIsWorse});
        return rows.back().perRun;
    };

    const auto printTable = [&] {
        out << "| measure | median | worst | target |\n|---|---:|---:|---|\n";
        for (const Row& r : rows) {
            const double w = r.higherIsWorse ? worst(r.perRun) : least(r.perRun);
            out << "| " << r.what << " | " << cell(median(r.perRun), r.decimals) << " | "
                << cell(w, r.decimals) << " | " << r.target << " |\n";
        }
    };
    const RowAdder adder{row};
    if (only == QLatin1String("publishing")) {
        publishingRows(adder, publishSeconds);
        printTable();
        return 0;
    }

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
        const QString at =
            QStringLiteral(" at %1 ms%2")
                .arg(period)
                .arg(allGroups ? QStringLiteral(", every group") : QStringLiteral(", flow only"));
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

    loggerRows(adder, loggerSeconds);
    publishingRows(adder, publishSeconds);
    alarmRows(adder);

    printTable();
    out << "\n"
        << runs << " runs of " << seconds << " s per rate; logging " << logSeconds
        << " s; processor " << cpuSeconds << " s.\n";
    return 0;
}
