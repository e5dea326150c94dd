#include "SealCheck.h"

#include "RecordSeal.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QRegularExpression>
#include <QSet>

namespace {
// A seal file larger than this is no seal (a year of seals a second is about 3 GB: a seal per
// second of a year is 31 million lines, far more than any one record is written for).
constexpr qint64 kLargestSeal = qint64(4) << 30;
// Longer lines are read in parts, each a row of its own, alike for the record and its digests.
constexpr qint64 kLongestRow = 1 << 20;
// The writer seals before a line's row digests pass 64 KB.
constexpr qint64 kLongestSealLine = 80 << 10;
// A year of an anchor a second.
constexpr qint64 kLargestAnchors = qint64(16) << 30;

struct Chain {
    qint64 bytes = 0, lines = 0; // before the chain
    QByteArray follows;          // "-" or the head it follows
    QByteArray head;             // its first head
    int line = 0;                // in the seal file
};
struct Seal {
    qint64 lines = 0, bytes = 0;
    QByteArray time, head;
    int line = 0;
};

// The lines of a seal file, read in large blocks: QIODevice::readLine takes as long for a seal
// file as the hash for its record.
class SealLines {
public:
    explicit SealLines(QFile& file) : m_file(file) {}
    void seek(qint64 offset) {
        m_file.seek(offset);
        m_block.clear();
        m_at = 0;
        m_offset = offset;
    }
    qint64 offset() const { return m_offset; }
    // The next line with its end; one longer than kLongestSealLine comes in parts. Empty at the
    // end.
    QByteArray next() {
        for (;;) {
            const qsizetype end = m_block.indexOf('\n', m_at);
            if (end >= 0 || m_block.size() - m_at >= kLongestSealLine || !fill()) {
                const qsizetype size = std::min<qsizetype>(
                    end >= 0 ? end + 1 - m_at : m_block.size() - m_at, kLongestSealLine);
                const QByteArray line = m_block.mid(m_at, size);
                m_at += size;
                m_offset += size;
                return line;
            }
        }
    }

private:
    bool fill() {
        const QByteArray more = m_file.read(4 << 20);
        if (more.isEmpty())
            return false;
        m_block = m_block.mid(m_at) + more;
        m_at = 0;
        return true;
    }

    QFile& m_file;
    QByteArray m_block;
    qsizetype m_at = 0;
    qint64 m_offset = 0;
};

SealVerdict broken(const QString& text) {
    return {false, text};
}

QString rows(qint64 from, qint64 to) {
    return from == to ? QStringLiteral("row %1").arg(from)
                      : QStringLiteral("rows %1 to %2").arg(from).arg(to);
}

// The seal of a record; a record rotated to "run.csv.1" has its seal rotated beside it, to
// "run.csv.seal.1".
QString sealOf(const QString& recordPath) {
    const QString own = RecordSeal::sealPath(recordPath);
    static const QRegularExpression rotated(QStringLiteral("^(.*)\\.(\\d+)$"));
    const auto m = rotated.match(recordPath);
    if (QFileInfo::exists(own) || !m.hasMatch())
        return own;
    const QString beside = RecordSeal::sealPath(m.captured(1)) + u'.' + m.captured(2);
    return QFileInfo::exists(beside) ? beside : own;
}
// The first row where the record differs from a seal's row digests, read from `from` (where the
// seal's rows begin, row `firstRow`), and how; empty where every sealed row is there unchanged
// (the record was cut after them).
QString firstDifference(QFile& record, qint64 from, qint64 firstRow, const QByteArray& digests,
                        const QString& when) {
    const qsizetype sealed = digests.size() / 8;
    auto digest = [&](qsizetype i) { return digests.mid(i * 8, 8); };
    QList<QByteArray> found; // the record's own, a row beyond the sealed ones
    record.seek(from);
    while (found.size() <= sealed && !record.atEnd())
        found.append(RecordSeal::rowDigest(
            QCryptographicHash::hash(record.readLine(kLongestRow), QCryptographicHash::Sha256)));
    qsizetype i = 0;
    while (i < sealed && i < found.size() && found[i] == digest(i))
        ++i;
    if (i == sealed || i == found.size())
        return {};
    const qint64 row = firstRow + i;
    const auto at = [&](const QString& what) {
        return QStringLiteral("differs at row %1 (sealed at %2): %3").arg(row).arg(when, what);
    };
    // Which change leaves the rest of the sealed rows in place; where rows are alike (two rows
    // in one second) more than one may fit, and the likelier is said.
    const auto aligned = [&](qsizetype f, qsizetype d) {
        for (; f < found.size() && d < sealed; ++f, ++d)
            if (found[f] != digest(d))
                return false;
        return true;
    };
    // A copy of the row before, put in: the rows after it fit either way.
    if (i > 0 && found[i] == digest(i - 1) && aligned(i + 1, i))
        return at(QStringLiteral("a row was inserted"));
    if (aligned(i + 1, i + 1))
        return at(QStringLiteral("the row was changed"));
    if (i + 1 < found.size() && i + 1 < sealed && found[i] == digest(i + 1) &&
        found[i + 1] == digest(i) && aligned(i + 2, i + 2))
        return at(QStringLiteral("rows %1 and %2 were swapped").arg(row).arg(row + 1));
    if (aligned(i + 1, i))
        return at(QStringLiteral("a row was inserted"));
    if (aligned(i, i + 1))
        return at(QStringLiteral("the row was removed"));
    return at(QStringLiteral("it was changed from this row on"));
}
// The record's name as the anchors give it, without a rotation's ".1".
QString anchoredName(const QString& recordPath) {
    static const QRegularExpression rotated(QStringLiteral("\\.\\d+$"));
    return QFileInfo(recordPath).fileName().remove(rotated);
}

struct AnchorCheck {
    int naming = 0, agreeing = 0;
    QString latest;  // the time of the latest agreeing anchor
    QString problem; // where one does not agree
};

// The anchors of the record against its seals: each anchor of one of its chains must name one
// of its heads; a record whose chains no anchor names had its seal file made anew.
AnchorCheck againstAnchors(const QString& recordPath, const QList<SealAnchor>& anchors,
                           const QSet<QByteArray>& chains,
                           const QHash<QByteArray, qint64>& sealedBytesOf, qint64 sealedBytes,
                           qint64 sealedLines, const QString& sealedAt) {
    AnchorCheck check;
    const QString name = anchoredName(recordPath);
    const auto at = [](const SealAnchor& a) {
        return a.rows >= 0 ? QStringLiteral("row %1").arg(a.rows)
                           : QStringLiteral("byte %1").arg(a.bytes);
    };
    for (const SealAnchor& a : anchors) {
        if (QFileInfo(a.file).fileName() != name)
            continue;
        ++check.naming;
        if (!chains.contains(a.chain))
            continue;
        if (sealedBytesOf.value(a.head, -1) == a.bytes) {
            ++check.agreeing;
            check.latest = std::max(check.latest, QString::fromLatin1(a.time));
            continue;
        }
        check.problem =
            a.bytes > sealedBytes
                ? QStringLiteral("cut: the anchor of %1 says it was sealed up to %2, but its "
                                 "seals end at row %3 at %4: rows and seals were removed")
                      .arg(QString::fromLatin1(a.time), at(a))
                      .arg(sealedLines)
                      .arg(sealedAt)
                : QStringLiteral("differs from the anchor of %1 (sealed up to %2): the seal "
                                 "file was made anew")
                      .arg(QString::fromLatin1(a.time), at(a));
        return check;
    }
    if (check.naming > 0 && check.agreeing == 0)
        check.problem = QStringLiteral("none of the %1 anchors naming it names its seals: the "
                                       "seal file was made anew")
                            .arg(check.naming);
    return check;
}
} // namespace

SealVerdict checkSeal(const QString& recordPath, const QList<SealAnchor>* anchors) {
    QFile seals(sealOf(recordPath));
    QFile record(recordPath);
    if (!QFileInfo(record.fileName()).isFile() || !record.open(QIODevice::ReadOnly))
        return broken(QStringLiteral("the record cannot be read"));
    if (!QFileInfo::exists(seals.fileName()))
        return broken(QStringLiteral("it has no seal file %1").arg(seals.fileName()));
    if (!QFileInfo(seals.fileName()).isFile() ||
        QFileInfo(seals.fileName()).size() > kLargestSeal || !seals.open(QIODevice::ReadOnly))
        return broken(QStringLiteral("its seal file cannot be read"));

    qint64 at = 0, lines = 0; // read and counted of the record so far
    QByteArray lastHead;      // of the chain so far
    qint64 sealedLines = 0;
    QByteArray sealedAt;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    bool anyChain = false;
    QString unsealedStart;
    QSet<QByteArray> chains;                 // of the record as it is
    QHash<QByteArray, qint64> sealedBytesOf; // by head
    qint64 sealedBytes = 0;
    // Reads the record on to `bytes`, hashing and counting; false where it ends before.
    // One block read into again and again: a fresh one per seal would cost a mapping each.
    QByteArray buffer(4 << 20, Qt::Uninitialized);
    auto readTo = [&](qint64 bytes) {
        while (at < bytes) {
            const qint64 got =
                record.read(buffer.data(), std::min<qint64>(bytes - at, buffer.size()));
            if (got <= 0)
                return false;
            const QByteArrayView block(buffer.constData(), got);
            hash.addData(block);
            lines += block.count('\n');
            at += got;
        }
        return true;
    };
    // The record as it is began with the last chain from byte 0; the seals above that one are
    // of a file before (overwritten, or rotated away).
    qint64 freshAt = 0;
    int freshLine = 1;
    SealLines sealLines(seals);
    for (int number = 1;; ++number) {
        const qint64 offset = sealLines.offset();
        const QByteArray line = sealLines.next();
        if (line.isEmpty())
            break;
        if (!line.startsWith("chain,"))
            continue;
        const QList<QByteArray> f = line.trimmed().split(',');
        if (f.size() == 5 && f[2] == "0") {
            freshAt = offset;
            freshLine = number;
        }
    }
    sealLines.seek(freshAt);
    for (int number = freshLine;; ++number) {
        const QByteArray line = sealLines.next();
        if (line.isEmpty())
            break;
        const QByteArray text = line.trimmed();
        const QList<QByteArray> f = text.split(',');
        bool a = false, b = false;
        if (f.size() == 5 && f[0] == "chain") {
            const qint64 bytes = f[2].toLongLong(&a);
            const qint64 before = f[3] == "-" ? -1 : f[3].toLongLong(&b);
            if (!a || (before >= 0 && !b) || (f[4] != "-" && f[4].size() != 64))
                return broken(QStringLiteral("its seal file is not a seal (line %1)").arg(number));
            if (anyChain && f[4] != lastHead)
                return broken(QStringLiteral("its seal does not chain at line %1").arg(number));
            const bool unsealed = !anyChain && bytes > 0;
            // Bytes between the last seal and a chain that follows it were written without a
            // seal: the last second before a crash, or rows added by hand while it was closed.
            const bool between = anyChain && bytes > at;
            const qint64 betweenFrom = lines + 1;
            // The record up to where this chain begins, as counted by it.
            hash.reset();
            if (!readTo(bytes))
                return broken(QStringLiteral("cut: the file ends at row %1, before the seal at "
                                             "line %2 begins")
                                  .arg(lines)
                                  .arg(number));
            if (before >= 0 && lines != before)
                return broken(QStringLiteral("differs before row %1: rows were added or removed")
                                  .arg(before + 1));
            if (unsealed)
                unsealedStart =
                    QStringLiteral("; %1 before sealing began are not sealed").arg(rows(1, lines));
            if (between)
                unsealedStart += QStringLiteral("; %1 between two sealed runs are not sealed (the "
                                                "last of a run that ended without its seal, or "
                                                "added while the file was closed)")
                                     .arg(rows(betweenFrom, std::max(betweenFrom, lines)));
            lastHead = QCryptographicHash::hash(text, QCryptographicHash::Sha256).toHex();
            chains.insert(lastHead);
            hash.reset();
            hash.addData(lastHead);
            anyChain = true;
            continue;
        }
        if ((f.size() != 5 && f.size() != 6) || f[0] != "seal" || f[4].size() != 64 || !anyChain)
            return broken(QStringLiteral("its seal file is not a seal (line %1)").arg(number));
        // Where the writer did not count lines ("-"), the check's own count stands.
        const qint64 sealBytes = f[2].toLongLong(&b);
        const qint64 written = f[1] == "-" ? -1 : f[1].toLongLong(&a);
        if ((written >= 0 && !a) || !b || sealBytes < at)
            return broken(QStringLiteral("its seal file is not a seal (line %1)").arg(number));
        const qint64 firstRow = lines + 1;
        const qint64 from = at;
        const bool reached = readTo(sealBytes);
        const qint64 sealLines = written >= 0 ? written : lines;
        const QString when = QString::fromLatin1(f[3]);
        if (reached && hash.result().toHex() == f[4] && lines == sealLines) {
            lastHead = f[4];
            hash.reset();
            hash.addData(lastHead);
            sealedLines = sealLines;
            sealedAt = f[3];
            sealedBytes = sealBytes;
            sealedBytesOf.insert(lastHead, sealBytes);
            continue;
        }
        const QString located =
            f.size() == 6 ? firstDifference(record, from, firstRow, f[5], when) : QString();
        if (!located.isEmpty())
            return broken(located);
        if (!reached)
            return broken(QStringLiteral("cut (or rows removed): sealed up to %1 at %2, but the "
                                         "file ends at row %3")
                              .arg(written >= 0 ? QStringLiteral("row %1").arg(written)
                                                : QStringLiteral("byte %1").arg(sealBytes),
                                   when)
                              .arg(lines));
        return broken(QStringLiteral("differs in %1 (sealed at %2): a row was changed, "
                                     "added, removed or moved")
                          .arg(rows(firstRow, std::max(firstRow, sealLines)), when));
    }
    if (!anyChain)
        return broken(QStringLiteral("its seal file holds no seal"));
    // What was written after the last seal (the last second of a live record) is counted.
    for (qint64 got; (got = record.read(buffer.data(), buffer.size())) > 0;)
        lines += QByteArrayView(buffer.constData(), got).count('\n');
    QString anchored;
    if (anchors) {
        const auto [naming, agreeing, latest, problem] =
            againstAnchors(recordPath, *anchors, chains, sealedBytesOf, sealedBytes, sealedLines,
                           QString::fromLatin1(sealedAt));
        if (!problem.isEmpty())
            return broken(problem);
        anchored = naming == 0 ? QStringLiteral("; no anchor names it")
                               : QStringLiteral("; agrees with %1 of %2 anchors naming it, the "
                                                "latest of %3")
                                     .arg(agreeing)
                                     .arg(naming)
                                     .arg(latest);
    } else {
        // Cut together with its seals, or sealed anew, a record looks intact to its seal alone.
        anchored = QStringLiteral("; not checked against anchors");
    }
    return {true, QStringLiteral("intact: %1 rows, sealed up to row %2 at %3%4%5")
                      .arg(lines)
                      .arg(sealedLines)
                      .arg(QString::fromLatin1(sealedAt), unsealedStart, anchored)};
}

QList<SealAnchor> readAnchors(const QString& path, QString* why) {
    QFile file(path);
    const QFileInfo info(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        *why = QStringLiteral("the anchors %1 cannot be read").arg(path);
        return {};
    }
    QList<SealAnchor> anchors;
    while (!file.atEnd() && file.pos() < kLargestAnchors) {
        const QByteArray line = file.readLine(kLongestSealLine);
        const qsizetype brace = line.indexOf('{');
        if (brace < 0)
            continue;
        const QJsonObject o = QJsonDocument::fromJson(line.mid(brace).trimmed()).object();
        SealAnchor a{o.value(u"file").toString(),
                     o.value(u"chain").toString().toLatin1(),
                     o.value(u"rows").isDouble() ? qint64(o.value(u"rows").toDouble()) : -1,
                     qint64(o.value(u"bytes").toDouble(-1)),
                     o.value(u"head").toString().toLatin1(),
                     o.value(u"time").toString().toLatin1()};
        if (!a.file.isEmpty() && a.chain.size() == 64 && a.head.size() == 64 && a.bytes >= 0)
            anchors.append(a);
    }
    return anchors;
}
