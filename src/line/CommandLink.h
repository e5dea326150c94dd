#pragma once

#include "LineRunner.h"

#include <QObject>
#include <QString>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>

class SerialLine;
class MonotonicClock;
class Notices;

// Request/response layer to the DGH modules: one command out ("$", address digit, "RD", carriage
// return), a fixed wait, then whatever reply is in the receive buffer. The wait does not hold the
// thread: the reply is handed on from the event loop, one transaction at a time. On a line usable
// from any thread the transactions run on a thread of their own, which goes on through the
// cycle's planned reads while they succeed; their replies wait here until the cycle asks.
class CommandLink : public QObject {
    Q_OBJECT
public:
    using ReplyHandler = std::function<void(const QString& reply)>;
    static constexpr float replyWaitMs = 35;

    CommandLink(SerialLine& line, MonotonicClock& clock, const Notices& notices);
    ~CommandLink() override;

    // Writes the command if the port is open; otherwise shows "Port Not open".
    void SendCommand(const QString& command);
    // Drains the receive buffer: the reply from its start character ("*" or "?") up to, not
    // including, the carriage return; "TIMEOUT" when no complete reply came; empty text when the
    // port is closed.
    QString ReceiveReply() { return receiveReply(m_line); }
    static QString receiveReply(SerialLine& line);
    // Calls then once the whole milliseconds of ms have passed; the event loop runs meanwhile.
    void WaitMs(float ms, std::function<void()> then);

    // One transaction for the module at the address digit: the command now, the reply 35 ms
    // later. With the port closed the handler gets empty text at once, after "Port Not open"
    // (without it while the line is away).
    void transact(const QString& address, ReplyHandler handler);
    bool waiting() const { return m_waiting; }
    // The port's device went away and is waited for: its loss was reported once, and nothing
    // goes to the line or is said of it until it is back.
    bool lineAway() const;
    // The reply being waited for is still drained when it is due, so that it cannot mix with the
    // next one, but goes to instead rather than to its handler.
    void discardWaitingReply(std::function<void()> instead);

    // The reads of the cycle now starting, in order (none: the cycle ended). A transaction for
    // one of them may run on through the ones after it, each while its group is on.
    void planCycle(std::vector<PlannedRead> reads);
    void setGroupOn(Group group, bool on);

private:
    void takeReplies(std::vector<LineRunner::Reply> replies);
    // Hands the awaited reply on if it came, or starts a run for it once none is under way.
    void deliverOrRun(bool runForItEnded = false);
    void handOn(const QString& reply);
    void handOnNow(const QString& reply);
    static constexpr std::chrono::milliseconds kHangUpShows{30};

    SerialLine& m_line;
    MonotonicClock& m_clock;
    const Notices& m_notices;
    bool m_waiting = false;
    ReplyHandler m_handler;
    bool m_discarded = false;
    // With a runner: the awaited address, the cycle's plan, and replies the cycle has yet to ask
    // for. A run's replies that arrive in a later cycle are stale and dropped.
    std::unique_ptr<LineRunner> m_runner;
    QString m_awaited;
    std::vector<PlannedRead> m_plan;
    quint64 m_cycle = 0;
    quint64 m_transaction = 0; // counts the transactions asked for
    quint64 m_runCycle = 0;    // the cycle and the transaction of the run under way or last run
    quint64 m_runTransaction = 0;
    bool m_running = false;
    std::deque<LineRunner::Reply> m_replies;
};
