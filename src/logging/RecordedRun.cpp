#include "RecordedRun.h"

#include <QFileInfo>
#include <QIODevice>
#include <QLocale>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {
constexpr int kChunkRows = 128;
// Above this many rows per pixel column a trace is drawn from the blocks' extremes, below it
// from the rows themselves.
constexpr qint64 kRowsPerColumn = 64;
constexpr qint64 kReadBytes = 4 << 20;
constexpr int kNamedLines = 5;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::array<double, RecordedRun::kQuantities> filled(double v) {
    std::array<double, RecordedRun::kQuantities> a;
    a.fill(v);
    return a;
}
} // namespace

QString RunBlock::field(QStringView name) const {
    for (const QString& line : header)
        if (line.startsWith(name) && line.mid(name.size()).startsWith(QLatin1String(": ")))
            return line.mid(name.size() + 2);
    return {};
}

QString RunReadNotes::text() const {
    QStringList parts;
    if (unreadableLines > 0) {
        QStringList numbers;
        for (qint64 line : firstUnreadable)
            numbers << QString::number(line);
        if (unreadableLines > firstUnreadable.size())
            numbers << QStringLiteral("...");
        parts << (unreadableLines == 1
                      ? QStringLiteral("1 line could not be read and was left out: line %1.")
                      : QStringLiteral("%1 lines could not be read and were left out: lines %2.")
                            .arg(unreadableLines))
                     .arg(numbers.join(QStringLiteral(", ")));
    }
    if (tornLine > 0)
        parts << QStringLiteral("The last line (line %1) is incomplete and was left out.")
                     .arg(tornLine);
    if (undatedRows > 0)
        parts << QStringLiteral("%1 rows before the first header carry no date; they are shown on "
                                "the file's date.")
                     .arg(undatedRows);
    if (changed)
        parts << QStringLiteral("The file became shorter while it was read; what could be read "
                                "is shown.");
    if (cancelledAt >= 0)
        parts << QStringLiteral("Reading was cancelled at %1 %; only the rows before are shown.")
                     .arg(cancelledAt);
    return parts.join(u' ');
}

// Builds a run's blocks, chunks and notes from one walk through its file.
class RunIndexer {
public:
    explicit RunIndexer(RecordedRun& run) : m_run(run) {}

    RowWalker::Handler handler() {
        return {.title = [this](qint64 offset, qint64 line,
                                const QDate& date) { title(offset, line, date); },
                .headerLine =
                    [this](qint64, QByteArrayView line) {
                        RunBlock& b = m_run.m_blocks.back();
                        if (!m_run.m_blocks.empty() && b.rows == 0)
                            b.header << QString::fromLatin1(logrows::headerText(line));
                    },
                .row = [this](const RowWalker::RowAt& r) { row(r); },
                .unreadable =
                    [this](qint64 line) {
                        RunReadNotes& n = m_run.m_notes;
                        if (++n.unreadableLines <= kNamedLines)
                            n.firstUnreadable << line;
                    }};
    }

    void finish() {
        for (size_t i = 0; i < m_run.m_blocks.size(); ++i) {
            std::vector<qint64>& d = m_deltas[i];
            if (d.empty())
                continue;
            std::nth_element(d.begin(), d.begin() + qsizetype(d.size() / 2), d.end());
            m_run.m_blocks[i].intervalMs = d[d.size() / 2];
        }
    }

private:
    void title(qint64 offset, qint64 line, const QDate& date) {
        m_run.m_blocks.push_back({.titleOffset = offset, .titleLine = line, .date = date});
        m_deltas.emplace_back();
    }

    void row(const RowWalker::RowAt& r) {
        if (m_run.m_blocks.empty()) {
            m_run.m_blocks.push_back({.date = m_run.m_fileDate});
            m_deltas.emplace_back();
        }
        RunBlock& b = m_run.m_blocks.back();
        if (b.titleOffset < 0)
            ++m_run.m_notes.undatedRows;
        bool breaks = b.rows == 0;
        if (b.rows == 0) {
            b.firstMs = r.ms;
            b.rowsOffset = r.offset;
        } else if (r.startsSecond) {
            breaks = gap(r, r.ms - b.lastMs);
        }
        if (!breaks && b.rows > 0 && m_deltas.back().size() < 64)
            m_deltas.back().push_back(r.ms - b.lastMs);
        ++b.rows;
        b.lastMs = r.ms;
        add(r, breaks);
    }

    // A break: time going backwards, or a step over three usual intervals (more than the
    // second a time of day may be off when it is spread).
    bool gap(const RowWalker::RowAt& r, qint64 delta) {
        const qint64 usual = std::min(m_lastDeltas[0], m_lastDeltas[1]);
        const bool breaks =
            delta < 0 || (usual > 0 && delta > 3 * usual && (r.row.iso || delta > 1000));
        if (breaks && delta > 0) {
            ++m_run.m_notes.gaps;
            m_run.m_notes.longestGapMs = std::max(m_run.m_notes.longestGapMs, delta);
            m_run.m_gaps.emplace_back(r.ms - delta, delta);
        }
        if (!breaks) {
            m_lastDeltas[0] = m_lastDeltas[1];
            m_lastDeltas[1] = delta;
        }
        return breaks;
    }

    void add(const RowWalker::RowAt& r, bool breaks) {
        auto& chunks = m_run.m_chunks;
        if (chunks.empty() || (r.startsSecond && (breaks || chunks.back().rows >= kChunkRows ||
                                                  chunks.back().start.block != r.before.block))) {
            RecordedRun::Chunk c;
            c.offset = r.offset;
            c.minMs = c.maxMs = r.ms;
            c.start = r.before;
            c.breakBefore = breaks;
            c.low = filled(std::numeric_limits<double>::infinity());
            c.high = filled(-std::numeric_limits<double>::infinity());
            c.count.fill(0);
            c.sum.fill(0);
            c.sumSquares.fill(0);
            chunks.push_back(c);
            if (breaks)
                m_lastDeltas = {0, 0};
        }
        RecordedRun::Chunk& c = chunks.back();
        c.end = r.end;
        c.minMs = std::min(c.minMs, r.ms);
        c.maxMs = std::max(c.maxMs, r.ms);
        ++c.rows;
        for (int q = 0; q < RecordedRun::kQuantities; ++q) {
            const double v = r.row.values[q];
            if (!logrows::present(v))
                continue;
            c.low[q] = std::min(c.low[q], v);
            c.high[q] = std::max(c.high[q], v);
            ++c.count[q];
            c.sum[q] += v;
            c.sumSquares[q] += v * v;
        }
        if (m_run.m_rows++ == 0)
            m_run.m_firstMs = m_run.m_lastMs = r.ms;
        m_run.m_firstMs = std::min(m_run.m_firstMs, r.ms);
        m_run.m_lastMs = std::max(m_run.m_lastMs, r.ms);
    }

    RecordedRun& m_run;
    std::vector<std::vector<qint64>> m_deltas; // per block, its first row spacings
    std::array<qint64, 2> m_lastDeltas{0, 0};
};

bool RecordedRun::open(const QString& path, QString* why) {
    const QFileInfo info(path);
    m_path = path;
    if (!info.exists())
        *why = QStringLiteral("it does not exist");
    else if (info.isDir())
        *why = QStringLiteral("it is a folder");
    else if (!info.isFile())
        *why = QStringLiteral("it is not a regular file");
    else if (m_file.setFileName(path); !m_file.open(QIODevice::ReadOnly))
        *why = m_file.errorString();
    else {
        m_size = m_file.size();
        m_fileDate = info.lastModified().date();
        return true;
    }
    return false;
}

bool RecordedRun::index(const std::function<bool(double)>& progress) {
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return true;
    RunIndexer indexer(*this);
    const RowWalker::Handler handler = indexer.handler();
    RowWalker walker(RowWalker::State{.day = m_fileDate.toJulianDay()});
    QByteArray buffer;
    qint64 bufferAt = 0;
    bool skipping = false; // inside a line too long to hold
    for (bool end = false; !end;) {
        // As far as the file went when it was opened: a log still being written is read again
        // on Reload.
        const QByteArray more = file.read(std::min(kReadBytes, m_size - bufferAt - buffer.size()));
        end = more.isEmpty();
        buffer += more;
        if (skipping) {
            const qsizetype lineEnd = buffer.indexOf('\n');
            const qsizetype drop = lineEnd < 0 ? buffer.size() : lineEnd + 1;
            buffer.remove(0, drop);
            bufferAt += drop;
            skipping = lineEnd < 0 && !end;
            if (skipping)
                continue;
        }
        const qsizetype used = walker.walk(QByteArrayView(buffer), bufferAt, end, handler);
        buffer.remove(0, used);
        bufferAt += used;
        if (end && buffer.trimmed().size() > 0)
            m_notes.tornLine = walker.state().line + 1;
        if (!end && buffer.size() > RowWalker::kLongestLine && !buffer.contains('\n')) {
            walker.skipLine();
            RunReadNotes& n = m_notes;
            if (++n.unreadableLines <= kNamedLines)
                n.firstUnreadable << walker.state().line;
            bufferAt += buffer.size();
            buffer.clear();
            skipping = true;
        }
        const double read = m_size > 0 ? std::min(1.0, double(bufferAt) / m_size) : 1;
        if (progress && !progress(read)) {
            m_notes.cancelledAt = int(read * 100);
            indexer.finish();
            return false;
        }
    }
    m_notes.changed = bufferAt + buffer.size() != m_size;
    indexer.finish();
    return true;
}

std::array<bool, RecordedRun::kQuantities> RecordedRun::present() const {
    std::array<bool, kQuantities> any{};
    for (const Chunk& c : m_chunks)
        for (int q = 0; q < kQuantities; ++q)
            any[q] = any[q] || c.count[q] > 0;
    return any;
}

bool RecordedRun::walkChunks(
    size_t first, size_t last,
    const std::function<void(const RowWalker::RowAt&, const Chunk&)>& visit) const {
    // Neighbouring chunks are read together, a few megabytes at a time.
    while (first < last) {
        size_t upTo = first + 1;
        while (upTo < last && m_chunks[upTo].end - m_chunks[first].offset < kReadBytes)
            ++upTo;
        const qint64 from = m_chunks[first].offset;
        const qint64 length = m_chunks[upTo - 1].end - from;
        if (!m_file.seek(from))
            return false;
        const QByteArray bytes = m_file.read(length);
        if (bytes.size() != length)
            return false;
        for (size_t i = first; i < upTo; ++i) {
            const Chunk& c = m_chunks[i];
            RowWalker walker(c.start);
            walker.walk(QByteArrayView(bytes).sliced(c.offset - from, c.end - c.offset), c.offset,
                        true, {.row = [&](const RowWalker::RowAt& r) { visit(r, c); }});
        }
        first = upTo;
    }
    return true;
}

RecordedRun::Traces RecordedRun::traces(qint64 fromMs, qint64 toMs, int columns) const {
    columns = std::max(columns, 1);
    const double span = std::max<double>(toMs - fromMs, 1);
    auto columnOf = [&](qint64 ms) {
        return std::clamp(int(std::floor((ms - fromMs) * columns / span)), 0, columns - 1);
    };
    struct Column {
        std::array<double, kQuantities> low = filled(std::numeric_limits<double>::infinity());
        std::array<double, kQuantities> high = filled(-std::numeric_limits<double>::infinity());
        qint64 firstMs = std::numeric_limits<qint64>::max();
        qint64 lastMs = std::numeric_limits<qint64>::min();
        bool used = false;
        bool breakBefore = false;
    };
    std::vector<Column> cells(static_cast<size_t>(columns));
    std::vector<size_t> seen;
    qint64 rows = 0;
    for (size_t i = 0; i < m_chunks.size(); ++i)
        if (m_chunks[i].maxMs >= fromMs && m_chunks[i].minMs <= toMs) {
            seen.push_back(i);
            rows += m_chunks[i].rows;
        }
    const bool fromRows = rows <= kRowsPerColumn * columns;
    auto merge = [](Column& cell, int q, double low, double high) {
        cell.low[q] = std::min(cell.low[q], low);
        cell.high[q] = std::max(cell.high[q], high);
    };
    if (fromRows) {
        // Runs of neighbouring chunks, each read in one go.
        for (size_t k = 0; k < seen.size();) {
            size_t upTo = k + 1;
            while (upTo < seen.size() && seen[upTo] == seen[upTo - 1] + 1)
                ++upTo;
            walkChunks(seen[k], seen[upTo - 1] + 1, [&](const RowWalker::RowAt& r, const Chunk& c) {
                if (r.ms < fromMs || r.ms > toMs)
                    return;
                Column& cell = cells[size_t(columnOf(r.ms))];
                cell.used = true;
                cell.breakBefore = cell.breakBefore || (c.breakBefore && r.offset == c.offset);
                cell.firstMs = std::min(cell.firstMs, r.ms);
                cell.lastMs = std::max(cell.lastMs, r.ms);
                for (int q = 0; q < kQuantities; ++q)
                    if (logrows::present(r.row.values[q]))
                        merge(cell, q, r.row.values[q], r.row.values[q]);
            });
            k = upTo;
        }
    } else {
        for (size_t i : seen) {
            const Chunk& c = m_chunks[i];
            const int first = columnOf(c.minMs), last = columnOf(c.maxMs);
            cells[size_t(first)].breakBefore = cells[size_t(first)].breakBefore || c.breakBefore;
            for (int col = first; col <= last; ++col) {
                Column& cell = cells[size_t(col)];
                cell.used = true;
                const qint64 centre = fromMs + qint64((col + 0.5) * span / columns);
                cell.firstMs = cell.lastMs = centre;
                for (int q = 0; q < kQuantities; ++q)
                    if (c.count[q] > 0)
                        merge(cell, q, c.low[q], c.high[q]);
            }
        }
    }
    Traces traces;
    bool any = false;
    for (const Column& cell : cells) {
        if (!cell.used)
            continue;
        const double x = (cell.firstMs + cell.lastMs) / 2000.0;
        for (int q = 0; q < kQuantities; ++q) {
            std::vector<QPointF>& t = traces[q];
            if (cell.breakBefore && any)
                t.emplace_back(x, kNaN);
            if (cell.low[q] > cell.high[q])
                continue;
            t.emplace_back(x, cell.low[q]);
            if (cell.high[q] != cell.low[q])
                t.emplace_back(x, cell.high[q]);
        }
        any = true;
    }
    return traces;
}

std::array<QuantityStatistics, RecordedRun::kQuantities>
RecordedRun::statistics(qint64 fromMs, qint64 toMs) const {
    struct Sums {
        qint64 count = 0;
        double sum = 0, squares = 0, low = std::numeric_limits<double>::infinity(),
               high = -std::numeric_limits<double>::infinity(), first = kNaN, last = kNaN;
    };
    std::array<Sums, kQuantities> sums;
    std::vector<size_t> seen;
    for (size_t i = 0; i < m_chunks.size(); ++i)
        if (m_chunks[i].maxMs >= fromMs && m_chunks[i].minMs <= toMs)
            seen.push_back(i);
    auto addRow = [&](const logrows::Row& row) {
        for (int q = 0; q < kQuantities; ++q) {
            const double v = row.values[q];
            if (!logrows::present(v))
                continue;
            Sums& s = sums[q];
            ++s.count;
            s.sum += v;
            s.squares += v * v;
            s.low = std::min(s.low, v);
            s.high = std::max(s.high, v);
            if (std::isnan(s.first))
                s.first = v;
            s.last = v;
        }
    };
    for (size_t k = 0; k < seen.size(); ++k) {
        const Chunk& c = m_chunks[seen[k]];
        const bool whole = c.minMs >= fromMs && c.maxMs <= toMs;
        // The first and last chunks are read for the first and last values.
        if (whole && k > 0 && k + 1 < seen.size()) {
            for (int q = 0; q < kQuantities; ++q) {
                if (c.count[q] == 0)
                    continue;
                Sums& s = sums[q];
                s.count += c.count[q];
                s.sum += c.sum[q];
                s.squares += c.sumSquares[q];
                s.low = std::min(s.low, c.low[q]);
                s.high = std::max(s.high, c.high[q]);
            }
            continue;
        }
        walkChunks(seen[k], seen[k] + 1, [&](const RowWalker::RowAt& r, const Chunk&) {
            if (r.ms >= fromMs && r.ms <= toMs)
                addRow(r.row);
        });
    }
    // First and last values missing from the end chunks (a quantity not read there) stay NaN.
    std::array<QuantityStatistics, kQuantities> result;
    for (int q = 0; q < kQuantities; ++q) {
        const Sums& s = sums[q];
        if (s.count == 0)
            continue;
        const double mean = s.sum / s.count;
        const double variance =
            s.count > 1 ? std::max(0.0, (s.squares - s.count * mean * mean) / (s.count - 1)) : 0;
        result[q] = {s.count, s.low, s.high, mean, std::sqrt(variance), s.first, s.last};
    }
    return result;
}

RecordedRun::Span RecordedRun::span(qint64 fromMs, qint64 toMs) const {
    Span s;
    auto take = [&](qint64 rows, qint64 first, qint64 last) {
        s.firstMs = s.rows == 0 ? first : std::min(s.firstMs, first);
        s.lastMs = s.rows == 0 ? last : std::max(s.lastMs, last);
        s.rows += rows;
    };
    for (size_t i = 0; i < m_chunks.size(); ++i) {
        const Chunk& c = m_chunks[i];
        if (c.maxMs < fromMs || c.minMs > toMs)
            continue;
        if (c.minMs >= fromMs && c.maxMs <= toMs) {
            take(c.rows, c.minMs, c.maxMs);
            continue;
        }
        walkChunks(i, i + 1, [&](const RowWalker::RowAt& r, const Chunk&) {
            if (r.ms >= fromMs && r.ms <= toMs)
                take(1, r.ms, r.ms);
        });
    }
    return s;
}

std::optional<RecordedRun::Point> RecordedRun::rowAt(qint64 ms) const {
    // The chunk that began last at or before the time, in file order.
    std::optional<size_t> best;
    for (size_t i = 0; i < m_chunks.size(); ++i)
        if (m_chunks[i].minMs <= ms && (!best || m_chunks[i].minMs >= m_chunks[*best].minMs))
            best = i;
    if (!best)
        return std::nullopt;
    std::optional<Point> found;
    walkChunks(*best, *best + 1, [&](const RowWalker::RowAt& r, const Chunk&) {
        if (r.ms <= ms && (!found || r.ms >= found->ms))
            found = Point{r.ms, r.row.values};
    });
    return found;
}

bool RecordedRun::copyRows(qint64 fromMs, qint64 toMs, QIODevice& out, QString* why) const {
    int block = -2;
    bool written = true;
    for (size_t i = 0; i < m_chunks.size() && written; ++i) {
        const Chunk& c = m_chunks[i];
        if (c.maxMs < fromMs || c.minMs > toMs)
            continue;
        const bool read = walkChunks(i, i + 1, [&](const RowWalker::RowAt& r, const Chunk&) {
            if (r.ms < fromMs || r.ms > toMs || !written)
                return;
            if (c.start.block != block) {
                // Each block's rows under its own header, as the file has it.
                block = c.start.block;
                const RunBlock& b = m_blocks[size_t(std::max(block, 0))];
                if (b.titleOffset >= 0 && m_file.seek(b.titleOffset)) {
                    const QByteArray header = m_file.read(b.rowsOffset - b.titleOffset);
                    written = out.write("\r\n" + header) == header.size() + 2;
                }
            }
            written = written && out.write(r.text.data(), r.text.size()) == r.text.size();
        });
        if (!read) {
            *why = QStringLiteral("the log changed since it was opened");
            return false;
        }
    }
    if (!written)
        *why = out.errorString();
    return written;
}

std::vector<RecordedRun::Point> RecordedRun::preview(int count) const {
    std::vector<Point> points;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly) || m_size <= 0)
        return points;
    // Each place read is walked on from the state the last one left: a header found on the way
    // dates what follows, and a time of day going back is the next day.
    RowWalker::State state{.day = m_fileDate.toJulianDay()};
    constexpr qint64 kPlace = 16384;
    for (int k = 0; k < count; ++k) {
        const qint64 at = m_size * k / count;
        if (!file.seek(at))
            break;
        const QByteArray bytes = file.read(kPlace);
        // From the first whole line on (the file's first line is whole).
        const qsizetype start = at == 0 ? 0 : bytes.indexOf('\n') + 1;
        if (start <= 0 && at != 0)
            continue;
        RowWalker walker(state);
        bool taken = false;
        walker.walk(QByteArrayView(bytes).sliced(start), at + start, true,
                    {.row = [&](const RowWalker::RowAt& r) {
                        if (std::exchange(taken, true))
                            return;
                        points.push_back({r.ms, r.row.values});
                    }});
        state = walker.state();
    }
    return points;
}
