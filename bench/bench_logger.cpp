// dgh-logger as a process of its own against the simulator: start-up, memory, processor, rows.
#include "BenchSupport.h"

namespace {
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

} // namespace

void loggerRows(const RowAdder& row, double seconds) {
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
    Samples& growth =
        row(QStringLiteral("dgh-logger: resident memory growth over the run (MB)"), "flat", 1);
    Samples& fastRows =
        row(QStringLiteral("dgh-logger: log rows per second at 0.1 s, groups at 100 ms"),
            QStringLiteral(">= 9.9"), 2, false);
    cpuRow("100", "0.1", QStringLiteral("dgh-logger: processor, 100 ms + log 0.1 s (% of a core)"),
           QStringLiteral("< 1"), fastRows, &memory, &growth);
    Samples slowRows;
    cpuRow("1000", "1", QStringLiteral("dgh-logger: processor, 1000 ms + log 1 s (% of a core)"),
           QStringLiteral("< 0.3"), slowRows, nullptr, nullptr);
}
