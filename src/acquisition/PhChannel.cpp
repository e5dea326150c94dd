#include "Channels.h"
#include "CommandLink.h"
#include "InstrumentPanel.h"
#include "MeasurementState.h"
#include "MonotonicClock.h"
#include "Notices.h"
#include "PhConversion.h"
#include "RegionalText.h"
#include "ReplyValue.h"

#include <QLocale>
#include <cmath>
#include <limits>

namespace {
using namespace ph;
const QString kSource = QStringLiteral("acquisition");
constexpr int kPhDecimals = 4;

struct Probe {
    double& mV;
    double& volts;
    double& offset;
    double& slope;
    qint16 selector;
    double& ph;
    Readout mVReadout;
    Readout phReadout;
};
} // namespace

Channels::Channels(MeasurementState& state, CommandLink& link, InstrumentPanel& panel,
                   const Notices& notices, MonotonicClock& clock, Attendance attendance)
    : m_state(state), m_link(link), m_panel(panel), m_notices(notices), m_clock(clock),
      m_flowCreditedUntil(clock.now()), m_attendance(attendance) {}

void Channels::readNumber(const QString& address, const QString& failure, Group group,
                          NumberHandler handler) {
    m_link.transact(address, [this, address, failure, group, handler](const QString& text) {
        const ReplyValue reply = parseReplyValue(text);
        if (reply.kind != ReplyValue::Kind::Invalid) {
            noteAnswer(address);
            return handler(reply.kind == ReplyValue::Kind::Number, reply.value);
        }
        if (m_link.lineAway())
            return handler(false, 0); // the device went away: said once, by the port
        reportFailure(
            address, failure, group, [this, group] { m_panel.switchGroupOff(group); },
            [handler](bool) { handler(false, 0); });
    });
}

void Channels::reportFailure(const QString& address, const QString& text, Group group,
                             std::function<void()> afterOk, std::function<void(bool shown)> then) {
    using namespace std::chrono;
    if (m_attendance == Attendance::Unattended) {
        if (m_failedReads[address]++ == 0)
            m_notices.raise(
                {.source = kSource, .severity = Notice::Severity::Failure, .text = text});
        return then(false);
    }
    // While the module's box waits for the operator, its further failures add no box; the
    // cycles go on meanwhile, so the alarms see the silence and the other groups.
    if (m_boxOpen.count(address))
        return then(false);
    auto show = [this, address, text, group, afterOk, then](bool delayed) {
        m_delayingFailure = false;
        if (delayed && (!groupFlag(m_state, group) || m_link.lineAway()))
            return then(false);
        m_boxOpen.insert(address);
        m_notices.raise({.source = kSource,
                         .severity = Notice::Severity::Failure,
                         .text = text,
                         .answered = [this, address, afterOk] {
                             m_boxOpen.erase(address);
                             m_failureBoxClosed[address] = m_clock.now();
                             if (afterOk)
                                 afterOk();
                         }});
        then(true);
    };
    const auto closed = m_failureBoxClosed.find(address);
    const nanoseconds wait = closed == m_failureBoxClosed.end()
                                 ? nanoseconds::zero()
                                 : closed->second + seconds(1) - m_clock.now();
    if (wait <= nanoseconds::zero())
        return show(false);
    m_delayingFailure = true;
    m_clock.callAfter(wait, &m_link, [show] { show(true); });
}

void Channels::noteAnswer(const QString& address) {
    const auto failed = m_failedReads.find(address);
    if (failed == m_failedReads.end() || failed->second == 0)
        return;
    m_notices.raise(
        {.source = kSource,
         .text = QStringLiteral("Module %1 answers again after %2 failed reads.")
                     .arg(address, QLocale().toString(std::exchange(failed->second, 0)))});
}

void Channels::ReadPhProbe(const QString& address, Done done) {
    readNumber(address, QStringLiteral("NO VALID RETURN FROM pH MODULE"), Group::Ph,
               [this, address, done](bool isNumber, double reading) {
                   if (isNumber)
                       showPh(address, reading);
                   if (done)
                       done();
               });
}

void Channels::showPh(const QString& address, double reading) {
    MeasurementState& s = m_state;
    Probe probe1{s.probe1mV,       s.probe1Volts, s.offset1,         s.slope1,
                 s.probe1ThermSel, s.ph1,         Readout::Probe1mV, Readout::Probe1pH};
    Probe probe2{s.probe2mV,       s.probe2Volts, s.offset2,         s.slope2,
                 s.probe2ThermSel, s.ph2,         Readout::Probe2mV, Readout::Probe2pH};
    Probe* probe = address == QLatin1String("6")   ? &probe1
                   : address == QLatin1String("7") ? &probe2
                                                   : nullptr;
    if (!probe)
        return;

    probe->mV = reading;
    probe->volts = probe->mV / kMillivoltsPerVolt;
    m_panel.showReadout(probe->mVReadout, probe->mV);
    s.compTemp = compensationTemperature(s, probe->selector);
    // Three successive divisions, in this order, as the calibration was worked out.
    const double ph = ((probe->volts - probe->offset) / kNernstFactor / probe->slope /
                       (s.compTemp + kCelsiusToKelvin)) +
                      kNeutralPh;
    if (!std::isfinite(ph)) {
        m_panel.showReadout(probe->phReadout, std::numeric_limits<double>::quiet_NaN());
        return;
    }
    probe->ph = regional::roundHalfEven(ph, kPhDecimals);
    m_panel.showReadout(probe->phReadout, probe->ph);
}
