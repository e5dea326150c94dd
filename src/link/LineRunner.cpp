#include "LineRunner.h"

#include "ReplyValue.h"
#include "SerialLine.h"

#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

using namespace std::chrono;

namespace {
constexpr milliseconds kReplyWait(35); // whole milliseconds, counted from the command's hand-over
}

LineRunner::LineRunner(SerialLine& line, Drain drain, Finished finished)
    : m_line(line), m_drain(std::move(drain)), m_finished(std::move(finished)),
      m_thread([this] { serve(); }) {}

LineRunner::~LineRunner() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void LineRunner::run(std::vector<PlannedRead> reads) {
    {
        std::lock_guard lock(m_mutex);
        m_reads = std::move(reads);
    }
    m_wake.notify_one();
}

void LineRunner::serve() {
#ifdef Q_OS_LINUX
    // The kernel may otherwise let a sleep run up to 50 microseconds past the reply's due time.
    prctl(PR_SET_TIMERSLACK, 1UL);
#endif
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_quit || !m_reads.empty(); });
        if (m_quit)
            return;
        const std::vector<PlannedRead> reads = std::exchange(m_reads, {});
        lock.unlock();
        m_finished(runReads(reads));
        lock.lock();
    }
}

std::vector<LineRunner::Reply> LineRunner::runReads(const std::vector<PlannedRead>& reads) {
    std::vector<Reply> replies;
    for (size_t i = 0; i < reads.size() && !m_quit; ++i) {
        const PlannedRead& read = reads[i];
        const bool onAtSend = groupOn(read);
        // A group is tested when the run reaches it; the cycle decides again from there.
        if ((i > 0 && !onAtSend) || !m_line.portOpen())
            break;
        const quint64 opening = m_line.openCount();
        m_line.output(QByteArrayLiteral("$") + read.address.toLatin1() + QByteArrayLiteral("RD\r"));
        std::this_thread::sleep_until(steady_clock::now() + kReplyWait);
        // A port closed during the wait, even if opened again since, reads as a closed port.
        const QString text = m_line.openCount() == opening ? m_drain(m_line) : QString();
        // Switched off during the wait: drained, dropped, and the rest waits for the cycle.
        if (onAtSend && !groupOn(read))
            break;
        replies.push_back({read.address, text});
        if (parseReplyValue(text).kind != ReplyValue::Kind::Number)
            break;
    }
    return replies;
}
