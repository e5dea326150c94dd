#include "CommandLink.h"

#include "MonotonicClock.h"
#include "Notices.h"
#include "SerialLine.h"

#include <algorithm>
#include <cmath>

using namespace std::chrono;

CommandLink::CommandLink(SerialLine& line, MonotonicClock& clock, const Notices& notices)
    : m_line(line), m_clock(clock), m_notices(notices) {
    if (!line.usableFromAnyThread())
        return;
    // The run's end reaches this thread as one event: one wake-up of the window for the run.
    auto finished = [this](std::vector<LineRunner::Reply> replies) {
        QMetaObject::invokeMethod(
            this,
            [this, replies = std::move(replies)]() mutable { takeReplies(std::move(replies)); },
            Qt::QueuedConnection);
    };
    m_runner = std::make_unique<LineRunner>(line, milliseconds(qint64(std::trunc(replyWaitMs))),
                                            &CommandLink::receiveReply, finished);
}

CommandLink::~CommandLink() = default;

void CommandLink::SendCommand(const QString& command) {
    if (m_line.portOpen()) {
        m_line.output(command.toLatin1());
        return;
    }
    m_notices.raise({.source = QStringLiteral("line"),
                     .severity = Notice::Severity::Failure,
                     .text = QStringLiteral("Port Not open"),
                     .title = QStringLiteral("Port Failure")});
}

QString CommandLink::receiveReply(SerialLine& line) {
    if (!line.portOpen())
        return QString();
    // Seven-bit characters, collected as bytes and made text once.
    QByteArray collected;
    collected.reserve(16);
    bool started = false;
    // A line at 19200 baud brings about 70 characters in the wait; a device that never stops
    // sending must not hold the program in the drain for ever.
    int budget = kReceiveBufferSize;
    while (budget-- > 0 && line.inBufferCount() >= 1) {
        // Only the low 7 bits count: a start character may arrive with its top bit set.
        const char c = char(uchar(line.input()) & 0x7f);
        if (c == '?' || c == '*') {
            collected.truncate(0);
            collected += c;
            started = true;
        } else if (started) {
            collected += c;
        }
    }
    if (collected.endsWith('\r'))
        return QString::fromLatin1(collected.chopped(1));
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

bool CommandLink::lineAway() const {
    return m_line.deviceAway();
}

void CommandLink::transact(const QString& address, ReplyHandler handler) {
    if (lineAway())
        return handler(QString());
    // With a runner the command goes out when its run starts, or went out ahead of the ask.
    if (!m_runner || !m_line.portOpen())
        SendCommand(QString::fromLatin1(LineRunner::command(address)));
    if (!m_line.portOpen()) {
        handler(QString());
        return;
    }
    m_waiting = true;
    m_discarded = false;
    ++m_transaction;
    m_handler = std::move(handler);
    if (m_runner) {
        m_awaited = address;
        return deliverOrRun();
    }
    // The 35 ms count from just after the command was handed to the port.
    WaitMs(replyWaitMs, [this] { handOn(ReceiveReply()); });
}

void CommandLink::discardWaitingReply(std::function<void()> instead) {
    if (!m_waiting)
        return;
    m_discarded = true;
    m_handler = [instead = std::move(instead)](const QString&) { instead(); };
}

void CommandLink::planCycle(std::vector<PlannedRead> reads) {
    m_plan = std::move(reads);
    m_replies.clear();
    ++m_cycle;
}

void CommandLink::setGroupOn(Group group, bool on) {
    if (m_runner)
        m_runner->setGroupOn(group, on);
}

void CommandLink::takeReplies(std::vector<LineRunner::Reply> replies) {
    m_running = false;
    if (m_runCycle == m_cycle)
        m_replies.insert(m_replies.end(), replies.begin(), replies.end());
    if (m_waiting)
        deliverOrRun(m_runTransaction == m_transaction);
}

void CommandLink::deliverOrRun(bool runForItEnded) {
    // Replies come in the cycle's order; those before the awaited one were skipped by the cycle
    // since (a group switched off after its read).
    while (!m_replies.empty() && m_replies.front().address != m_awaited)
        m_replies.pop_front();
    if (!m_replies.empty()) {
        const QString reply = m_replies.front().text;
        m_replies.pop_front();
        return handOn(reply);
    }
    if (m_running)
        return;
    // Discarded, or its own run came back without it: the port was closed or changed during its
    // wait, or it was read and dropped. Nothing more goes out for it.
    if (m_discarded || runForItEnded)
        return handOn(QString());
    // A read of the plan runs on through the rest of it; any other read runs alone.
    std::vector<PlannedRead> reads;
    const auto planned = std::find_if(m_plan.begin(), m_plan.end(), [this](const PlannedRead& r) {
        return r.address == m_awaited;
    });
    if (planned == m_plan.end())
        reads.push_back({m_awaited, std::nullopt});
    else
        reads.assign(planned, m_plan.end());
    m_running = true;
    m_runCycle = m_cycle;
    m_runTransaction = m_transaction;
    m_runner->run(std::move(reads), LineRunner::send(m_line, m_awaited));
}

void CommandLink::handOn(const QString& reply) {
    // A reply that never came may be a device that has just gone: a pseudo-terminal's or an
    // adapter's hang-up shows a moment after its end closed. One more look at the device first,
    // so the silence is not blamed on the module.
    if (reply == QLatin1String("TIMEOUT") && m_line.usableFromAnyThread())
        return m_clock.callAfter(kHangUpShows, this, [this, reply] {
            m_line.checkDevice();
            handOnNow(lineAway() ? QString() : reply);
        });
    handOnNow(reply);
}

void CommandLink::handOnNow(const QString& reply) {
    m_waiting = false;
    ReplyHandler handler = std::exchange(m_handler, nullptr);
    handler(reply);
}
