#pragma once

#include <QByteArray>

// The port's receive buffer, in characters; the command link drains at most this for a reply.
inline constexpr int kReceiveBufferSize = 1024;

// The port operations the command link needs: open state, write, waiting count, take one
// character. The real port and an in-memory line for parsing tests both provide them.
// Unless usableFromAnyThread() says so, they are called on the thread that made the line.
class SerialLine {
public:
    virtual ~SerialLine() = default;
    virtual bool portOpen() const = 0;
    // Hands the text to the port and returns without waiting for it to leave.
    virtual void output(const QByteArray& text) = 0;
    // Characters waiting, including those the operating system received and has not handed over.
    virtual int inBufferCount() = 0;
    // Takes one waiting character; only called while inBufferCount() is at least 1.
    virtual char input() = 0;
    // Every operation above may be called from another thread, meanwhile the line is opened,
    // closed and watched on its own.
    virtual bool usableFromAnyThread() const { return false; }
    // How many times the line has been opened: a reply awaited across a change of it belongs to
    // no open port.
    virtual quint64 openCount() const { return 0; }
    // The device went away under the open port (an adapter pulled out) and is waited for: the
    // port is closed, but not by the operator.
    virtual bool deviceAway() const { return false; }
    // Looks whether the device is still there (its name, a read), after a reply that never came.
    virtual void checkDevice() {}
};
