// Times one module transaction and one full six-module read cycle against the module simulator
// on a pseudo-terminal, and the processor time a transaction costs. Prints medians.
//
//   bench_link [transactions] [cycles]
#include "Channels.h"
#include "CommPort.h"
#include "CommandLink.h"
#include "InstrumentPanel.h"
#include "MeasurementState.h"
#include "ModuleSimulator.h"
#include "MonotonicClock.h"
#include "OperatorDialogs.h"
#include "SettingsKeys.h"
#include "SettingsLocation.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {
struct SilentPanel : InstrumentPanel {
    void showReadout(Readout, const QString&) override {}
    void showSlide(Slide, double) override {}
    void switchGroupOff(Group) override {}
};
struct CountingDialogs : OperatorDialogs {
    int messages = 0;
    void message(const QString&, const QString&) override { ++messages; }
    QString inputText(const QString&, const QString&, const QString&) override { return {}; }
    QString chooseLogFile(const QString&, const QString&) override { return {}; }
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

template <typename F> std::vector<double> timeRuns(int runs, F&& body) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        body();
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    return ms;
}
} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int transactions = argc > 1 ? std::atoi(argv[1]) : 200;
    const int cycles = argc > 2 ? std::atoi(argv[2]) : 50;

    ModuleSimulator simulator(1);
    if (!simulator.start()) {
        std::fprintf(stderr, "no pseudo-terminal\n");
        return 1;
    }
    QTemporaryDir dir;
    const SettingsLocation settings(dir.filePath(QStringLiteral("bench.ini")));
    settings.setText(settingskeys::kPortsSection, QStringLiteral("1"),
                     QString::fromStdString(simulator.devicePath()));
    CommPort port(settings);
    if (port.open() != CommPort::OpenError::None) {
        std::fprintf(stderr, "cannot open %s\n", simulator.devicePath().c_str());
        return 1;
    }
    SteadyClock clock;
    CountingDialogs dialogs;
    CommandLink link(port, clock, dialogs);
    MeasurementState state;
    state.offset1 = state.offset2 = 2.5777;
    state.slope1 = state.slope2 = 4.5427;
    SilentPanel panel;
    Channels channels(state, link, panel, dialogs);

    int bad = 0;
    const double cpuBefore = cpuMs();
    const std::vector<double> one = timeRuns(transactions, [&] {
        if (!link.readData(QStringLiteral("6")).startsWith('*'))
            ++bad;
    });
    const double cpuPerTransaction = (cpuMs() - cpuBefore) / transactions;
    const std::vector<double> full = timeRuns(cycles, [&] {
        channels.ReadFlow(1.0);
        channels.ReadPhProbe(QStringLiteral("6"));
        channels.ReadPhProbe(QStringLiteral("7"));
        channels.ReadThermistors();
    });

    std::printf("one transaction:        median %.2f ms, min %.2f ms, max %.2f ms (%d runs)\n",
                median(one), *std::min_element(one.begin(), one.end()),
                *std::max_element(one.begin(), one.end()), transactions);
    std::printf("processor time:         %.3f ms per transaction\n", cpuPerTransaction);
    std::printf("six-module read cycle:  median %.2f ms, min %.2f ms, max %.2f ms (%d runs)\n",
                median(full), *std::min_element(full.begin(), full.end()),
                *std::max_element(full.begin(), full.end()), cycles);
    std::printf("failed replies: %d, messages: %d\n", bad, dialogs.messages);
    return bad == 0 && dialogs.messages == 0 ? 0 : 1;
}
