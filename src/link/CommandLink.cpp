#include "CommandLink.h"

#include "MonotonicClock.h"
#include "OperatorDialogs.h"
#include "SerialLine.h"

#include <cmath>

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

void CommandLink::WaitMs(float ms, std::function<void()> then) {
    const milliseconds wait(qint64(std::trunc(ms)));
    if (wait <= 0ms) {
        then();
        return;
    }
    m_clock.callAfter(wait, this, std::move(then));
}

void CommandLink::transact(const QString& address, ReplyHandler handler) {
    SendCommand(QStringLiteral("$") + address + QStringLiteral("RD\r"));
    if (!m_line.portOpen()) {
        handler(QString());
        return;
    }
    m_waiting = true;
    m_handler = std::move(handler);
    // The 35 ms count from just after the command was handed to the port.
    WaitMs(replyWaitMs, [this] {
        m_waiting = false;
        const QString reply = ReceiveReply();
        ReplyHandler handler = std::exchange(m_handler, nullptr);
        handler(reply);
    });
}

void CommandLink::discardWaitingReply(std::function<void()> instead) {
    if (!m_waiting)
        return;
    m_handler = [instead = std::move(instead)](const QString&) { instead(); };
}
