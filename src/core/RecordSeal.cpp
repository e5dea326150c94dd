#include "RecordSeal.h"

#include "IsoTime.h"

#include <QDateTime>
#include <QFile>

namespace {
// The last seal line of a seal file: lines, bytes and head; none when there is none.
struct LastSeal {
    qint64 lines = -1;
    qint64 bytes = -1;
    QByteArray head;
};

LastSeal lastSeal(const QString& path) {
    QFile file(path);
    LastSeal last;
    if (!file.open(QIODevice::ReadOnly) || !file.seek(std::max<qint64>(0, file.size() - 4096)))
        return last;
    const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
    const QList<QByteArray> f = lines.last().trimmed().split(',');
    bool lineCount = false, byteCount = false;
    if (f.size() == 5 && f[0] == "seal" && f[4].size() == 64) {
        last.lines = f[1].toLongLong(&lineCount);
        last.bytes = f[2].toLongLong(&byteCount);
        last.head = f[4];
    }
    return lineCount && byteCount ? last : LastSeal{};
}

// The line ends in the first `size` bytes of a file.
qint64 linesIn(const QString& path, qint64 size) {
    QFile file(path);
    qint64 count = 0;
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    while (size > 0) {
        const QByteArray block = file.read(std::min<qint64>(size, 4 << 20));
        if (block.isEmpty())
            break;
        count += block.count('\n');
        size -= block.size();
    }
    return count;
}
} // namespace

RecordSeal::RecordSeal(const QString& recordPath)
    : m_sealPath(sealPath(recordPath)), m_recordPath(recordPath) {}

bool RecordSeal::begin(qint64 size, bool fresh, QString* why, const QByteArray& follows) {
    m_since.reset();
    m_sinceSeal.invalidate();
    const LastSeal last = lastSeal(m_sealPath);
    if (!fresh && last.bytes == size) {
        // Appended to a record its seal covers whole: the same chain goes on.
        m_lines = last.lines;
        m_bytes = m_sealedBytes = size;
        m_head = last.head;
        m_since.addData(m_head);
        return true;
    }
    m_lines = fresh ? 0 : linesIn(m_recordPath, size);
    m_bytes = m_sealedBytes = fresh ? 0 : size;
    // A record begun afresh (overwritten, or new after a rotation) follows the last seal of the
    // file before; the seals of that file stay above it.
    const QByteArray before = follows.isEmpty() ? last.head : follows;
    const QByteArray chain = "chain," + isoTime(QDateTime::currentDateTime()) + ',' +
                             QByteArray::number(m_bytes) + ',' + QByteArray::number(m_lines) + ',' +
                             (before.isEmpty() ? QByteArray("-") : before);
    m_head = QCryptographicHash::hash(chain, QCryptographicHash::Sha256).toHex();
    m_since.addData(m_head);
    return appendLine(chain, why);
}

void RecordSeal::add(QByteArrayView bytes) {
    m_since.addData(bytes);
    m_bytes += bytes.size();
    m_lines += bytes.count('\n');
}

bool RecordSeal::seal(bool force, QString* why) {
    if (m_bytes == m_sealedBytes ||
        (!force && m_sinceSeal.isValid() && m_sinceSeal.elapsed() < 1000))
        return true;
    m_sinceSeal.start();
    m_head = m_since.result().toHex();
    m_since.reset();
    m_since.addData(m_head);
    m_sealedBytes = m_bytes;
    return appendLine("seal," + QByteArray::number(m_lines) + ',' + QByteArray::number(m_bytes) +
                          ',' + isoTime(QDateTime::currentDateTime()) + ',' + m_head,
                      why);
}

bool RecordSeal::appendLine(const QByteArray& line, QString* why) {
    QFile file(m_sealPath);
    const QByteArray whole = line + '\n';
    if (file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered) &&
        file.write(whole) == whole.size())
        return true;
    *why = file.errorString();
    return false;
}
