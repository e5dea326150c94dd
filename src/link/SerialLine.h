#pragma once

#include <QByteArray>

// The port operations the command link needs: open state, write, waiting count, take one
// character. The real port and an in-memory line for parsing tests both provide them.
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
};
