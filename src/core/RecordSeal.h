#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QString>
#include <mutex>

// The seal kept beside a record (the log, the alarm record...): "<record>.seal", whose lines
// chain SHA-256 digests over the record's bytes as they are written, so that a changed, added,
// removed or cut row shows. The record's own bytes are untouched.
//
//   chain,<ISO time>,<bytes before>,<lines before>,<head this chain follows, or ->
//   seal,<lines>,<bytes>,<ISO time>,<head>,<row digests>
// Lines are "-" where a chain began after rows nobody counted (a log from before sealing).
//
// A chain's first head is the SHA-256 of its chain line; each seal's head is the SHA-256 of the
// head before it (hex) followed by the record's bytes since. Lines count the record's line ends.
// The row digests (8 hex digits of each line's SHA-256 since the seal before) only locate the
// first row that differs; the heads are the proof.
// A chain from byte 0 begins the record anew (overwritten, or a new file after a rotation): the
// lines above it sealed the file before.
// Every opening starts a chain line; an appended record's chain follows its last seal.

// A seal's head as told away from the disk (the journal, the broker), for the check against it.
struct SealAnchor {
    QString file;     // the record's absolute path
    QByteArray chain; // the head of the chain line the seal belongs to
    qint64 rows = -1; // -1: not counted
    qint64 bytes = 0;
    QByteArray head;
    QByteArray time; // ISO, when it was sealed

    bool operator==(const SealAnchor&) const = default;
    // {"file":...,"chain":...,"rows":...,"bytes":...,"head":...,"time":...}
    QByteArray json() const;
};

// Used on the thread that writes the record; only anchor() may be asked from another.
class RecordSeal {
public:
    explicit RecordSeal(const QString& recordPath);
    static QString sealPath(const QString& recordPath) {
        return recordPath + QStringLiteral(".seal");
    }

    // Starts sealing a record now `size` bytes long with a chain line: a fresh record's chain
    // is its own; an appended one's follows its last seal, and counts its rows on where that
    // covered it all. False, with *why, when the seal file cannot be written.
    // follows: the head of the file before, for a new file after a rotation.
    bool begin(qint64 size, bool fresh, QString* why, const QByteArray& follows = {});
    // Bytes just appended to the record.
    void add(QByteArrayView bytes);
    // A seal line for what was added, at most one a second unless forced; false, with *why,
    // when it cannot be written.
    bool seal(bool force, QString* why);
    // The latest head, for the chain of the next file after a rotation.
    const QByteArray& head() const { return m_head; }
    // The last seal line written, from any thread; an empty head before the first.
    SealAnchor anchor() const;
    const QString& recordPath() const { return m_recordPath; }
    // Why the last seal line could not be written; empty once one is again.
    const QString& failure() const { return m_failure; }
    qint64 bytes() const { return m_bytes; }
    // A row's digest in the seal line, from the SHA-256 of the line with its line end.
    static QByteArray rowDigest(QByteArrayView sha256);

private:
    bool appendLine(const QByteArray& line, QString* why);
    QByteArray linesText() const;

    QString m_sealPath;
    QString m_recordPath;
    QByteArray m_head;
    qint64 m_lines = 0; // -1: not counted
    QCryptographicHash m_since{QCryptographicHash::Sha256};
    QCryptographicHash m_row{QCryptographicHash::Sha256};
    QByteArray m_rowDigests;
    qint64 m_bytes = 0;
    qint64 m_sealedBytes = -1;
    QElapsedTimer m_sinceSeal;
    QString m_failure;
    QByteArray m_chain;
    mutable std::mutex m_anchorLock;
    SealAnchor m_anchor;
};
