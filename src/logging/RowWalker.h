#pragma once

#include "LogRows.h"

#include <QByteArrayView>
#include <QDate>
#include <functional>
#include <vector>

// Walks the lines of a log in file order and gives each row its date-time: the block's header
// date and the times of day after it (a time more than three hours back is the next day), or
// the row's own ISO date-time. Rows that share a written second are spread evenly over it in
// their order. Walking again from a saved state gives the same times.
class RowWalker {
public:
    struct State {
        int block = -1;      // the header block the rows belong to; -1 before any header
        qint64 day = 0;      // Julian day of the block's current date (before any header:
                             // the day rows without a header are shown on)
        int lastSecond = -1; // time of day of the last row, seconds; -1 none yet
        qint64 line = 0;     // lines walked so far
    };
    struct RowAt {
        qint64 offset;       // first byte of the row's line in the file
        qint64 end;          // first byte after its line end
        qint64 ms;           // its date-time, milliseconds since the epoch
        bool startsSecond;   // the first of the rows that share its written second
        const State& before; // the walk's state before that second's rows
        const logrows::Row& row;
        QByteArrayView text; // the whole line with its line end
    };
    struct Handler {
        std::function<void(qint64 offset, qint64 line, const QDate& date)> title{};
        std::function<void(qint64 offset, QByteArrayView line)> headerLine{};
        std::function<void(const RowAt& row)> row{};
        std::function<void(qint64 line)> unreadable{};
    };

    RowWalker() = default;
    explicit RowWalker(State state) : m_state(state) {}
    const State& state() const { return m_state; }
    // A line left out unread (too long to hold) still counts.
    void skipLine() { ++m_state.line; }
    // Walks the whole lines of bytes (which start at file offset `at`) and returns how many
    // bytes it used. Unless final, it stops early where rows sharing a second might go on
    // beyond the bytes given, so the caller passes the rest again with more after it.
    qsizetype walk(QByteArrayView bytes, qint64 at, bool final, const Handler& handler);

    // Lines longer than this are unreadable without being held whole.
    static constexpr qsizetype kLongestLine = 1 << 20;
    // Rows that share a second: at most this many, within this many bytes of the first; the
    // walk keeps twice that room after a second's first row.
    static constexpr qsizetype kLongestSecond = 256;
    static constexpr qsizetype kSecondBytes = 1 << 16;

private:
    qint64 localMs(qint64 day, int second);

    State m_state;
    std::vector<logrows::Row> m_rows;
    std::vector<std::pair<qint64, qint64>> m_spans;
    qint64 m_cachedDay = -1;
    qint64 m_cachedMidnight = 0;
    bool m_cachedEvenDay = false;
};
