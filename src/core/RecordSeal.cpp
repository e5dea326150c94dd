#include "RecordSeal.h"

#include "IsoTime.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
// Enough of a seal file's end to hold its last line: a line's row digests stay under 64 KB.
constexpr qint64 kTail = 96 * 1024;

// The last seal line of a seal file: lines (-1 where it did not count them), bytes and head;
// none when there is none.
struct LastSeal {
    qint64 lines = -1;
    qint64 bytes = -1;
    QByteArray head;
};

LastSeal lastSeal(const QString& path) {
    QFile file(path);
    LastSeal last;
    if (!file.open(QIODevice::ReadOnly) || !file.seek(std::max<qint64>(0, file.size() - kTail)))
        return last;
    const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
    const QList<QByteArray> f = lines.last().trimmed().split(',');
    bool byteCount = false;
    if ((f.size() == 5 || f.size() == 6) && f[0] == "seal" && f[4].size() == 64) {
        last.lines = f[1] == "-" ? -1 : f[1].toLongLong();
        last.bytes = f[2].toLongLong(&byteCount);
        last.head = f[4];
    }
    return byteCount ? last : LastSeal{};
}

} // namespace

RecordSeal::RecordSeal(const QString& recordPath)
    : m_sealPath(sealPath(recordPath)), m_recordPath(recordPath) {}

bool RecordSeal::begin(qint64 size, bool fresh, QString* why, const QByteArray& follows) {
    m_since.reset();
    m_row.reset();
    m_rowDigests.clear();
    m_sinceSeal.invalidate();
    const LastSeal last = lastSeal(m_sealPath);
    const bool continued = !fresh && last.bytes == size;
    // Counting the lines of a large log would hold its opening: where the seal does not cover
    // the record whole, they are left uncounted and the check counts them itself.
    m_lines = fresh ? 0 : continued ? last.lines : -1;
    m_bytes = m_sealedBytes = fresh ? 0 : size;
    // A record begun afresh (overwritten, or new after a rotation) follows the last seal of the
    // file before; the seals of that file stay above it.
    const QByteArray before = follows.isEmpty() ? last.head : follows;
    const QByteArray chain = "chain," + isoTime(QDateTime::currentDateTime()) + ',' +
                             QByteArray::number(m_bytes) + ',' + linesText() + ',' +
                             (before.isEmpty() ? QByteArray("-") : before);
    m_head = m_chain = QCryptographicHash::hash(chain, QCryptographicHash::Sha256).toHex();
    m_since.addData(m_head);
    return appendLine(chain, why);
}

void RecordSeal::add(QByteArrayView bytes) {
    m_since.addData(bytes);
    m_bytes += bytes.size();
    for (qsizetype end; (end = bytes.indexOf('\n')) >= 0; bytes = bytes.sliced(end + 1)) {
        m_row.addData(bytes.first(end + 1));
        m_rowDigests += rowDigest(m_row.result());
        m_row.reset();
        if (m_lines >= 0)
            ++m_lines;
    }
    m_row.addData(bytes);
}

QByteArray RecordSeal::rowDigest(QByteArrayView sha256) {
    return sha256.first(4).toByteArray().toHex();
}

bool RecordSeal::seal(bool force, QString* why) {
    // A record moved away (rotated) is sealed no more at its old path, where its successor's
    // seal begins.
    if (force && !QFileInfo::exists(m_recordPath))
        return true;
    // A burst of rows is sealed before its row digests make a seal line long.
    if (m_bytes == m_sealedBytes || (!force && m_sinceSeal.isValid() &&
                                     m_sinceSeal.elapsed() < 1000 && m_rowDigests.size() < 65536))
        return true;
    m_sinceSeal.start();
    m_head = m_since.result().toHex();
    m_since.reset();
    m_since.addData(m_head);
    m_sealedBytes = m_bytes;
    const QByteArray time = isoTime(QDateTime::currentDateTime());
    if (!appendLine("seal," + linesText() + ',' + QByteArray::number(m_bytes) + ',' + time + ',' +
                        m_head + ',' + std::exchange(m_rowDigests, {}),
                    why))
        return false;
    const std::lock_guard lock(m_anchorLock);
    m_anchor = {m_recordPath, m_chain, m_lines, m_bytes, m_head, time};
    return true;
}

SealAnchor RecordSeal::anchor() const {
    const std::lock_guard lock(m_anchorLock);
    return m_anchor;
}

QByteArray SealAnchor::json() const {
    return QJsonDocument(QJsonObject{{"file", QFileInfo(file).absoluteFilePath()},
                                     {"chain", QString::fromLatin1(chain)},
                                     {"rows", rows < 0 ? QJsonValue() : QJsonValue(rows)},
                                     {"bytes", bytes},
                                     {"head", QString::fromLatin1(head)},
                                     {"time", QString::fromLatin1(time)}})
        .toJson(QJsonDocument::Compact);
}

QByteArray RecordSeal::linesText() const {
    return m_lines < 0 ? QByteArray("-") : QByteArray::number(m_lines);
}

bool RecordSeal::appendLine(const QByteArray& line, QString* why) {
    QFile file(m_sealPath);
    const QByteArray whole = line + '\n';
    if (file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered) &&
        file.write(whole) == whole.size()) {
        m_failure.clear();
        return true;
    }
    m_failure = file.errorString();
    *why = m_failure;
    return false;
}
