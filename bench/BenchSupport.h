#pragma once

// What the benchmark's parts share: samples and their statistics, the whole program as main()
// builds it on a simulator of its own, and the meters of the event loop and the cycles.
#include "Acquisition.h"
#include "AlarmMonitor.h"
#include "AlarmSettings.h"
#include "CalibrationHistory.h"
#include "CalibrationStore.h"
#include "CommPort.h"
#include "CommandLink.h"
#include "Instrument.h"
#include "LineRunner.h"
#include "LogSession.h"
#include "LogSetupDialog.h"
#include "MainWindow.h"
#include "MeasurementState.h"
#include "ModuleSimulator.h"
#include "MonotonicClock.h"
#include "MqttPublisher.h"
#include "OperatorDialogs.h"
#include "ReadingFeed.h"
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
#include <functional>
#include <memory>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <vector>

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

inline double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

inline double residentMb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    return 0;
}

// Nearest rank: the 99th percentile of 100 samples is the second largest, not the largest.
inline double percentile(Samples v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const auto rank = size_t(std::ceil(p / 100 * double(v.size())));
    return v[std::clamp<size_t>(rank, 1, v.size()) - 1];
}
inline double median(const Samples& v) {
    return percentile(v, 50);
}
inline double worst(const Samples& v) {
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}
inline double least(const Samples& v) {
    return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
}

inline void runFor(double seconds) {
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
    SteadyClock clock;
    CountingDialogs dialogs;
    Instrument instrument{settings, clock};
    CommPort& port = instrument.port;
    CommandLink& link = instrument.link;
    Acquisition& acquisition = instrument.acquisition;
    MqttPublisher& publisher = instrument.publisher;
    std::unique_ptr<MainWindow> window;

    Program() {
        settings.setText(settingskeys::kPortsSection, QStringLiteral("1"), simulator.device);
    }
    void start() {
        window = std::make_unique<MainWindow>(instrument, dialogs,
                                              QCoreApplication::applicationDirPath());
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

inline int dataRows(const QString& path) {
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

// Adds a row to the table and gives its samples.
struct RowAdder {
    std::function<Samples&(const QString&, const QString&, int, bool)> add;
    Samples& operator()(const QString& what, const QString& target, int decimals = 2,
                        bool higherIsWorse = true) const {
        return add(what, target, decimals, higherIsWorse);
    }
};
