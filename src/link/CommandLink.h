#pragma once

#include <QString>

class SerialLine;
class MonotonicClock;
class OperatorDialogs;

// Request/response layer to the DGH modules: one command out ("$", address digit, "RD", carriage
// return), a fixed wait, then whatever reply is in the receive buffer.
class CommandLink {
public:
    static constexpr float replyWaitMs = 35;
    static constexpr int kMaxDrain = 1024; // characters, the size of the receive buffer

    CommandLink(SerialLine& line, MonotonicClock& clock, OperatorDialogs& dialogs);

    // Writes the command if the port is open; otherwise shows "Port Not open".
    void SendCommand(const QString& command);
    // The reply from its start character ("*" or "?") up to, not including, the carriage return;
    // "TIMEOUT" when no complete reply came; empty text when the port is closed.
    QString ReceiveReply();
    // Waits the whole milliseconds of ms without handling window messages. Sleeps most of the
    // wait so the processor stays free; only the last millisecond spins.
    void WaitMs(float ms);

    // One transaction for the module at the address digit.
    QString readData(const QString& address);

private:
    SerialLine& m_line;
    MonotonicClock& m_clock;
    OperatorDialogs& m_dialogs;
};
