#include "RowWalker.h"

#include <QDateTime>

using logrows::LineKind;

qint64 RowWalker::localMs(qint64 day, int second) {
    if (day != m_cachedDay) {
        // Most days have one offset from UTC all day; a day with a clock change is looked up
        // row by row.
        const QDate date = QDate::fromJulianDay(day);
        m_cachedDay = day;
        m_cachedMidnight = QDateTime(date, QTime(0, 0)).toMSecsSinceEpoch();
        m_cachedEvenDay =
            QDateTime(date, QTime(23, 59, 59)).toMSecsSinceEpoch() - m_cachedMidnight == 86399000;
    }
    if (m_cachedEvenDay)
        return m_cachedMidnight + qint64(second) * 1000;
    return QDateTime(QDate::fromJulianDay(day), QTime(0, 0).addSecs(second)).toMSecsSinceEpoch();
}

qsizetype RowWalker::walk(QByteArrayView bytes, qint64 at, bool final, const Handler& handler) {
    const qsizetype size = bytes.size();
    qsizetype pos = 0;
    while (pos < size) {
        const qsizetype lineEnd = bytes.indexOf('\n', pos);
        if (lineEnd < 0)
            return pos;
        logrows::Row row;
        QDate date;
        const LineKind kind = logrows::classify(bytes.sliced(pos, lineEnd - pos), &row, &date);
        if (kind != LineKind::Row) {
            ++m_state.line;
            if (kind == LineKind::Title) {
                ++m_state.block;
                m_state.day = date.toJulianDay();
                m_state.lastSecond = -1;
                if (handler.title)
                    handler.title(at + pos, m_state.line, date);
            } else if (kind == LineKind::HeaderLine && handler.headerLine) {
                QByteArrayView line = bytes.sliced(pos, lineEnd - pos);
                handler.headerLine(at + pos, line.endsWith('\r') ? line.chopped(1) : line);
            } else if (kind == LineKind::Unreadable && handler.unreadable) {
                handler.unreadable(m_state.line);
            }
            pos = lineEnd + 1;
            continue;
        }
        if (!final && size - pos < 2 * kSecondBytes)
            return pos;
        const State before = m_state;
        // The rows written in the same second as this one.
        m_rows.assign(1, row);
        m_spans.assign(1, {pos, lineEnd + 1});
        qsizetype next = lineEnd + 1;
        while (qsizetype(m_rows.size()) < kLongestSecond && next - pos < kSecondBytes) {
            const qsizetype end = bytes.indexOf('\n', next);
            const QByteArrayView line = bytes.sliced(next, std::max<qsizetype>(end - next, 0));
            logrows::Row same;
            if (end < 0 || line.size() < row.timeText.size() + 2 ||
                line.sliced(1, row.timeText.size()) != row.timeText ||
                logrows::classify(line, &same, &date) != LineKind::Row ||
                same.timeText != row.timeText)
                break;
            m_rows.push_back(same);
            m_spans.push_back({next, end + 1});
            next = end + 1;
        }
        qint64 base = row.isoMs;
        if (!row.iso) {
            if (m_state.lastSecond >= 0 && row.secondOfDay < m_state.lastSecond - 3 * 3600)
                ++m_state.day;
            m_state.lastSecond = row.secondOfDay;
            base = localMs(m_state.day, row.secondOfDay);
        }
        const qint64 count = qint64(m_rows.size());
        for (qint64 k = 0; k < count; ++k) {
            ++m_state.line;
            handler.row({at + m_spans[k].first, at + m_spans[k].second, base + k * 1000 / count,
                         k == 0, before, m_rows[k],
                         bytes.sliced(m_spans[k].first, m_spans[k].second - m_spans[k].first)});
        }
        pos = next;
    }
    return pos;
}
