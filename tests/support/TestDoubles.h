#pragma once

#include "InstrumentPanel.h"
#include "MonotonicClock.h"
#include "SerialLine.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <deque>
#include <functional>

// A line in memory: what the program writes is recorded, and each command is answered from a
// queue of prepared receive-buffer contents.
class InMemoryLine : public SerialLine {
public:
    bool open = true;
    QList<QByteArray> written;
    std::deque<QByteArray> replies; // the buffer after each command
    QByteArray buffer;

    bool portOpen() const override { return open; }
    void output(const QByteArray& text) override {
        written.append(text);
        if (!replies.empty()) {
            buffer += replies.front();
            replies.pop_front();
        }
    }
    bool endless = false; // a device that never stops sending "x"

    int inBufferCount() override { return endless ? 1 : int(buffer.size()); }
    char input() override {
        if (endless)
            return 'x';
        const char c = buffer.at(0);
        buffer.remove(0, 1);
        return c;
    }
};

// A clock that only moves when slept on, or by a small step each time it is read (a spin).
class FakeClock : public MonotonicClock {
public:
    std::chrono::nanoseconds time{std::chrono::seconds(1000)};
    std::chrono::nanoseconds readStep{std::chrono::microseconds(50)};
    std::chrono::nanoseconds slept{};
    int reads = 0;

    std::chrono::nanoseconds now() override {
        ++reads;
        time += readStep;
        return time;
    }
    void sleepFor(std::chrono::nanoseconds d) override {
        slept += d;
        time += d;
    }
};

// Records what the channel routines show; switching a group off records the group.
class RecordingPanel : public InstrumentPanel {
public:
    QMap<Readout, QString> readouts;
    QMap<Slide, double> slides;
    QList<Group> switchedOff;
    QStringList order; // "readout:<n>" and "slide:<n>" in the order shown
    std::function<void(Group)> onSwitchOff;

    void showReadout(Readout r, const QString& text) override {
        readouts[r] = text;
        order.append(QStringLiteral("readout:%1").arg(int(r)));
    }
    void showSlide(Slide s, double value) override {
        slides[s] = value;
        order.append(QStringLiteral("slide:%1").arg(int(s)));
    }
    void switchGroupOff(Group g) override {
        switchedOff.append(g);
        if (onSwitchOff)
            onSwitchOff(g);
    }
};
