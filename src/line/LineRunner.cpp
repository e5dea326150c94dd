#include "LineRunner.h"

#include "ReplyValue.h"
#include "SerialLine.h"

#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

using namespace std::chrono;

LineRunner::LineRunner(SerialLine& line, milliseconds replyWait, Drain drain, Finished finished)
    : m_line(line), m_replyWait(replyWait), m_drain(std::move(drain)),
      m_finished(std::move(finished)), m_thread([this] { serve(); }) {}

QByteArray LineRunner::command(const QString& address) {
    return QByteArrayLiteral("$") + address.toLatin1() + QByteArrayLiteral("RD\r");
}

LineRunner::Sent LineRunner::send(SerialLine& line, const QString& address) {
    const Sent sent{steady_clock::now(), line.openCount()};
    line.output(command(address));
    return sent;
}

void LineRunner::keepWakeUpsOnTime() {
#ifdef Q_OS_LINUX
    // The kernel may otherwise let a sleep run up to 50 microseconds past its due time.
    prctl(PR_SET_TIMERSLACK, 1UL);
#endif
}

LineRunner::~LineRunner() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void LineRunner::run(std::vector<PlannedRead> reads, Sent first) {
    {
        std::lock_guard lock(m_mutex);
        m_reads = std::move(reads);
        m_first = first;
    }
    m_wake.notify_one();
}

void LineRunner::serve() {
    keepWakeUpsOnTime();
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_quit || !m_reads.empty(); });
        if (m_quit)
            return;
        const std::vector<PlannedRead> reads = std::exchange(m_reads, {});
        const Sent first = m_first;
        lock.unlock();
        m_finished(runReads(reads, first));
        lock.lock();
    }
}

std::vector<LineRunner::Reply> LineRunner::runReads(const std::vector<PlannedRead>& reads,
                                                    Sent sent) {
    std::vector<Reply> replies;
    for (size_t i = 0; i < reads.size() && !m_quit; ++i) {
        const PlannedRead& read = reads[i];
        const bool onAtSend = groupOn(read);
        if (i > 0) {
            // A group is tested when the run reaches it; the cycle decides again from there.
            if (!onAtSend || !m_line.portOpen())
                break;
            sent = send(m_line, read.address);
        }
        std::this_thread::sleep_until(sent.at + m_replyWait);
        // A port closed during the wait, even if opened again since, reads as a closed port.
        const QString text = m_line.openCount() == sent.opening ? m_drain(m_line) : QString();
        // Switched off during the wait: drained, dropped, and the rest waits for the cycle.
        if (onAtSend && !groupOn(read))
            break;
        replies.push_back({read.address, text});
        if (parseReplyValue(text).kind != ReplyValue::Kind::Number)
            break;
    }
    return replies;
}
