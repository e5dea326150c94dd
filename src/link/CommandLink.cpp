#include "CommandLink.h"

#include "MonotonicClock.h"
#include "OperatorDialogs.h"
#include "SerialLine.h"

#include <chrono>
#include <cmath>
#include <thread>

using namespace std::chrono;

CommandLink::CommandLink(SerialLine& line, MonotonicClock& clock, OperatorDialogs& dialogs)
    : m_line(line), m_clock(clock), m_dialogs(dialogs) {}

void CommandLink::SendCommand(const QString& command) {
    if (m_line.portOpen()) {
        m_line.output(command.toLatin1());
        return;
    }
    m_dialogs.message(QStringLiteral("Port Not open"), QStringLiteral("Port Failure"));
}

QString CommandLink::ReceiveReply() {
    if (!m_line.portOpen())
        return QString();
    WaitMs(replyWaitMs);
    QString collected;
    bool started = false;
    // A line at 19200 baud brings about 70 characters in the wait; a device that never stops
    // sending must not hold the program in the drain for ever.
    int budget = kMaxDrain;
    while (budget-- > 0 && m_line.inBufferCount() >= 1) {
        // Only the low 7 bits count: a start character may arrive with its top bit set.
        const QChar c(uchar(m_line.input()) & 0x7f);
        if (c == '?' || c == '*') {
            collected = c;
            started = true;
        } else if (started) {
            collected += c;
        }
    }
    if (collected.endsWith('\r'))
        return collected.chopped(1);
    return QStringLiteral("TIMEOUT");
}

void CommandLink::WaitMs(float ms) {
    const nanoseconds wait = milliseconds(qint64(std::trunc(ms)));
    const nanoseconds start = m_clock.now();
    constexpr nanoseconds spinPart = milliseconds(1);
    for (;;) {
        const nanoseconds remaining = wait - (m_clock.now() - start);
        if (remaining <= nanoseconds::zero())
            return;
        if (remaining > spinPart)
            m_clock.sleepFor(remaining - spinPart);
        else
            std::this_thread::yield();
    }
}

QString CommandLink::readData(const QString& address) {
    SendCommand(QStringLiteral("$") + address + QStringLiteral("RD\r"));
    return ReceiveReply();
}
