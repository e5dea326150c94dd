#pragma once

#include "RowWalker.h"

#include <QFile>
#include <QList>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QIODevice;

// One header block of a log and the rows after it (an appended run, a reopen after rotation).
struct RunBlock {
    qint64 titleOffset = -1; // -1: rows before any header
    qint64 titleLine = 0;
    QDate date;
    QStringList header{}; // the header's quoted lines after the title, without quotes (Latin-1)
    qint64 rows = 0;
    qint64 firstMs = 0;
    qint64 lastMs = 0;
    qint64 intervalMs = 0; // the usual spacing of its rows
    qint64 rowsOffset = 0; // its first row's first byte: the header lies before

    // The text after "name: " in the header ("Probe 1 Offset" gives "2,5777"); empty if none.
    QString field(QStringView name) const;
};

// What reading the file found besides rows.
struct RunReadNotes {
    qint64 unreadableLines = 0;
    QList<qint64> firstUnreadable; // the first few of their line numbers
    qint64 tornLine = 0;           // an incomplete last line's number (a row being written)
    qint64 undatedRows = 0;        // rows before any header, shown on the file's date
    qint64 gaps = 0;               // breaks longer than three intervals
    qint64 longestGapMs = 0;
    bool changed = false; // the file became shorter while it was read
    int cancelledAt = -1; // the percentage read when reading was cancelled

    // One note for a person: what was left out and why; empty when nothing was.
    QString text() const;
};

// Count, extremes, mean and standard deviation, first and last of one quantity over a range.
struct QuantityStatistics {
    qint64 count = 0;
    double minimum = 0, maximum = 0, mean = 0, deviation = 0, first = 0, last = 0;
};

// A recorded log, read once into a small index (per block of about a hundred rows: where they
// are, their times and each quantity's extremes and sums) and read again from the file, block
// by block, wherever single rows are needed. It never holds a copy of every row.
class RecordedRun {
public:
    static constexpr int kQuantities = 10;
    using Values = std::array<double, kQuantities>; // by Readout; NaN for none
    struct Point {
        qint64 ms;
        Values values;
    };
    // Per quantity, the points to draw: per pixel column its minimum and maximum (or single
    // rows when zoomed in), NaN where the trace breaks (a gap, a new header block).
    using Traces = std::array<std::vector<QPointF>, kQuantities>;

    // Opens a regular file; false, with *why, for a folder, a FIFO, a device or no permission.
    bool open(const QString& path, QString* why);
    const QString& path() const { return m_path; }
    qint64 fileSize() const { return m_size; }

    // Reads the whole file; progress(fraction read) returning false cancels, keeping what was
    // read. Any one thread, before the queries. False when cancelled.
    bool index(const std::function<bool(double)>& progress = {});

    const std::vector<RunBlock>& blocks() const { return m_blocks; }
    const RunReadNotes& notes() const { return m_notes; }
    qint64 rows() const { return m_rows; }
    bool empty() const { return m_rows == 0; }
    qint64 firstMs() const { return m_firstMs; }
    qint64 lastMs() const { return m_lastMs; }
    // Which quantities any row holds a value of.
    std::array<bool, kQuantities> present() const;

    // The traces between two times for a chart this many pixel columns wide.
    Traces traces(qint64 fromMs, qint64 toMs, int columns) const;
    // Statistics of every quantity over the rows between two times.
    std::array<QuantityStatistics, kQuantities> statistics(qint64 fromMs, qint64 toMs) const;
    // How many rows lie between two times, and the first and last of their times.
    struct Span {
        qint64 rows = 0;
        qint64 firstMs = 0;
        qint64 lastMs = 0;
    };
    Span span(qint64 fromMs, qint64 toMs) const;
    // The breaks longer than three intervals: where each began and how long it was.
    const std::vector<std::pair<qint64, qint64>>& gaps() const { return m_gaps; }
    // The last row at or before a time (within its header block), if any.
    std::optional<Point> rowAt(qint64 ms) const;
    // Rows spread evenly over the file, for a picture before the index is done: read at a few
    // places, dated from the header and times found on the way.
    std::vector<Point> preview(int count) const;
    // The rows between two times as the log writes them, each block's under its own header.
    bool copyRows(qint64 fromMs, qint64 toMs, QIODevice& out, QString* why) const;

private:
    struct Chunk {
        qint64 offset = 0; // first byte of its first row
        qint64 end = 0;    // after its last row
        qint64 minMs = 0, maxMs = 0;
        RowWalker::State start;
        bool breakBefore = false;
        int rows = 0;
        std::array<double, kQuantities> low, high;
        std::array<quint16, kQuantities> count;
        std::array<double, kQuantities> sum, sumSquares;
    };
    friend class RunIndexer;

    // Calls visit for each row of chunks [first, last) read again from the file; false if the
    // file cannot be read there any more.
    bool walkChunks(size_t first, size_t last,
                    const std::function<void(const RowWalker::RowAt&, const Chunk&)>& visit) const;

    QString m_path;
    mutable QFile m_file;
    qint64 m_size = 0;
    QDate m_fileDate;
    std::vector<RunBlock> m_blocks;
    std::vector<Chunk> m_chunks;
    std::vector<std::pair<qint64, qint64>> m_gaps;
    RunReadNotes m_notes;
    qint64 m_rows = 0;
    qint64 m_firstMs = 0;
    qint64 m_lastMs = 0;
};
