// What evaluating the alarms costs a cycle: every limit set, every quantity read, as a cycle with
// every group on hands them to the monitor.
#include "AlarmMonitor.h"
#include "BenchSupport.h"

void alarmRows(const RowAdder& row) {
    SteadyClock clock;
    AlarmMonitor monitor(clock);
    AlarmLimits limits;
    for (Quantity q : kQuantities) {
        limits.of(q).low = 1;
        limits.of(q).high = 100;
    }
    monitor.setLimits(limits);
    constexpr int kCycles = 100000;
    const double before = cpuMs();
    for (int i = 0; i < kCycles; ++i) {
        for (Group g :
             {Group::Flow, Group::Ph, Group::Ph, Group::Therm, Group::Therm, Group::Therm})
            monitor.groupRead(g);
        for (Quantity q : kQuantities)
            monitor.valueRead(q, 50 + i % 7);
        monitor.checkSilence({true, true, true});
    }
    row(QStringLiteral("alarms: evaluation per cycle, every limit set (ms)"),
        QStringLiteral("< 0.05"), 4)
        .push_back((cpuMs() - before) / kCycles);
}
