#pragma once

#include "Readouts.h"

#include <QString>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class SerialLine;

// One module read of a run: the address digit, and the group whose switch decides whether the
// run goes on to it (none for a read on its own).
struct PlannedRead {
    QString address;
    std::optional<Group> group;
};

// A thread of its own that runs transactions back to back on a line usable from any thread:
// the command, a sleep to the moment its reply is due, the drain, and on to the next read while
// the replies are numbers and their groups stay on. The window's thread is woken once for a whole
// run rather than once per reply, and a sleeping thread wakes on time however busy the window is.
class LineRunner {
public:
    struct Reply {
        QString address;
        QString text;
    };
    // The drain of the receive buffer, as the command link reads a reply.
    using Drain = std::function<QString(SerialLine&)>;
    // Called on the runner's thread when a run ends, with the replies it kept, in order.
    using Finished = std::function<void(std::vector<Reply>)>;

    // When a command was handed to the line, and on which opening of it.
    struct Sent {
        std::chrono::steady_clock::time_point at;
        quint64 opening = 0;
    };

    LineRunner(SerialLine& line, std::chrono::milliseconds replyWait, Drain drain,
               Finished finished);
    // Waits for the read under way, if any, to end.
    ~LineRunner();

    // Whether the run may go on to a read of this group; the first read of a run is made anyway,
    // since the cycle asked for it.
    void setGroupOn(Group group, bool on) { m_groupOn[size_t(group)] = on; }
    // Goes on with a run whose first command the caller has just handed to the line, so that
    // the thread's wake-up falls within that command's wait. Only one run at a time: the caller
    // waits for Finished before the next.
    void run(std::vector<PlannedRead> reads, Sent first);
    // "$", the address digit, "RD", carriage return.
    static QByteArray command(const QString& address);
    // Hands a read's command to the line. Its reply's 35 ms count from this moment.
    static Sent send(SerialLine& line, const QString& address);
    // Lets the kernel wake the calling thread's sleeps on time, as the runner's own are.
    static void keepWakeUpsOnTime();

private:
    void serve();
    std::vector<Reply> runReads(const std::vector<PlannedRead>& reads, Sent first);
    bool groupOn(const PlannedRead& read) const {
        return !read.group || m_groupOn[size_t(*read.group)];
    }

    SerialLine& m_line;
    const std::chrono::milliseconds m_replyWait;
    Drain m_drain;
    Finished m_finished;
    std::array<std::atomic<bool>, 3> m_groupOn{};
    std::atomic<bool> m_quit = false;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<PlannedRead> m_reads; // the run asked for, not yet taken by the thread
    Sent m_first;
    std::thread m_thread; // last: it starts once everything it uses is there
};
