#pragma once

#include "CommandLink.h"
#include "InstrumentPanel.h"
#include "MonotonicClock.h"
#include "RegionalText.h"
#include "SerialLine.h"

#include <QByteArray>
#include <QEventLoop>
#include <QList>
#include <QMap>
#include <QString>
#include <cmath>
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

// A clock that moves only when a wait is asked of it, and then calls back at once: a whole
// transaction, wait included, completes inside the call that started it.
class FakeClock : public MonotonicClock {
public:
    std::chrono::nanoseconds time{std::chrono::seconds(1000)};
    std::chrono::nanoseconds waited{};
    int waits = 0;
    std::function<void()> beforeCallback; // runs "during" the wait

    std::chrono::nanoseconds now() override { return time; }
    void callAfter(std::chrono::nanoseconds delay, const QObject*,
                   std::function<void()> callback) override {
        ++waits;
        waited += delay;
        time += delay;
        if (beforeCallback)
            beforeCallback();
        callback();
    }
};

// One transaction on a real line, waited for in a local event loop.
inline QString transactNow(CommandLink& link, const QString& address) {
    QString reply;
    bool done = false;
    QEventLoop loop;
    link.transact(address, [&](const QString& r) {
        reply = r;
        done = true;
        loop.quit();
    });
    if (!done)
        loop.exec();
    return reply;
}

// Records what the channel routines show, as the window's readouts would show it; switching a
// group off records the group.
class RecordingPanel : public InstrumentPanel {
public:
    QMap<Readout, QString> readouts;
    QMap<Slide, double> slides;
    QList<Group> switchedOff;
    QStringList order; // "readout:<n>" and "slide:<n>" in the order shown
    std::function<void(Group)> onSwitchOff;

    void showReadout(Readout r, double value) override {
        readouts[r] = std::isnan(value) ? QStringLiteral("---") : regional::numberText(value);
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
