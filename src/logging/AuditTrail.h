#pragma once

#include "SealedLines.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

class Notices;
class SettingsLocation;

// One change that shapes a record: who made it, with which program, from what to what, and why.
struct AuditEntry {
    QDateTime when;
    QString user;    // the operating system's account
    QString program; // "dgh-gui 1.4.0"
    QString what;    // "Calibration of probe 1"
    QString from;    // the old value, "-" where there was none
    QString to;
    QString reason;
};

// "audit.csv": a whole line for each change that shapes a record (a calibration saved, alarm
// limits, publishing settings, logging started and stopped, the port, the update rate, the
// program started and stopped), only ever appended and sealed beside it. ISO times with their
// offset and full-stop numbers, whatever the region. Passwords are never handed to it.
// Lines are written in order without holding the caller; one that cannot be written is told.
class AuditTrail : public QObject {
    Q_OBJECT
public:
    AuditTrail(const QString& folder, const Notices& notices);
    // Waits, within the file timeout, for the lines recorded so far to be written.
    void flush() { m_lines.flush(); }

    static constexpr const char* kFileName = "audit.csv";
    void setFolder(const QString& folder);
    const QString& path() const { return m_path; }
    // Records a change now, by this program and the user running it.
    void record(const QString& what, const QString& from, const QString& to,
                const QString& reason = {});

    // [Audit] RequireReason: a calibration is saved only with a reason. Off unless set; a value
    // that is neither on nor off requires one, since it was set to say something.
    static bool reasonRequired(const SettingsLocation& settings);

    static QByteArray lineOf(const AuditEntry& entry);
    // The whole lines of a trail between two times (inclusive); lines that are not entries are
    // counted in *unreadable.
    static QList<AuditEntry> read(const QString& path, const QDateTime& from, const QDateTime& to,
                                  int* unreadable = nullptr);

signals:
    // A line is in the trail under this seal, to be told away from the disk.
    void sealed(const SealAnchor& anchor);

private:
    QString m_path;
    QString m_program;
    QString m_user;
    SealedLines m_lines;
};
