#pragma once

#include <QObject>
#include <QString>
#include <functional>

class SerialLine;
class MonotonicClock;
class OperatorDialogs;

// Request/response layer to the DGH modules: one command out ("$", address digit, "RD", carriage
// return), a fixed wait, then whatever reply is in the receive buffer. The wait does not hold the
// thread: the reply is handed on from the event loop, one transaction at a time.
class CommandLink : public QObject {
    Q_OBJECT
public:
    using ReplyHandler = std::function<void(const QString& reply)>;
    static constexpr float replyWaitMs = 35;
    static constexpr int kMaxDrain = 1024; // characters, the size of the receive buffer

    CommandLink(SerialLine& line, MonotonicClock& clock, OperatorDialogs& dialogs);

    // Writes the command if the port is open; otherwise shows "Port Not open".
    void SendCommand(const QString& command);
    // Drains the receive buffer: the reply from its start character ("*" or "?") up to, not
    // including, the carriage return; "TIMEOUT" when no complete reply came; empty text when the
    // port is closed.
    QString ReceiveReply();
    // Calls then once the whole milliseconds of ms have passed; the event loop runs meanwhile.
    void WaitMs(float ms, std::function<void()> then);

    // One transaction for the module at the address digit: the command now, the reply 35 ms
    // later. With the port closed the handler gets empty text at once, after "Port Not open".
    void transact(const QString& address, ReplyHandler handler);
    bool waiting() const { return m_waiting; }
    // The reply being waited for is still drained when it is due, so that it cannot mix with the
    // next one, but goes to instead rather than to its handler.
    void discardWaitingReply(std::function<void()> instead);

private:
    SerialLine& m_line;
    MonotonicClock& m_clock;
    OperatorDialogs& m_dialogs;
    bool m_waiting = false;
    ReplyHandler m_handler;
};
