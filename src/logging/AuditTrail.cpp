#include "AuditTrail.h"

#include "CsvFields.h"
#include "IsoTime.h"
#include "LogRows.h"
#include "ProgramVersion.h"
#include "QuotedText.h"
#include "SettingsLocation.h"
#include "SystemUser.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
constexpr char kHeading[] = "Time,User,Program,What,From,To,Reason\n";
constexpr int kFields = 7;
// A reason or a value is kept on one line and within reason.
constexpr int kLongestField = 2000;
// Longer lines are no entries; a trail is read no further than this.
constexpr qint64 kLongestLine = 16 * 1024;
constexpr qint64 kLargestTrail = qint64(256) << 20;

QString field(const QString& text) {
    return csvQuoted(quotedText(text, kLongestField));
}
} // namespace

AuditTrail::AuditTrail(const QString& folder, const Notices& notices)
    : m_program(QFileInfo(QCoreApplication::applicationFilePath()).fileName() + u' ' +
                QLatin1String(kProgramVersion)),
      m_user(systemUserName()), m_lines(notices, QStringLiteral("audit"),
                                        QStringLiteral("The audit trail %1 cannot be written.")) {
    connect(&m_lines, &SealedLines::sealed, this, &AuditTrail::sealed);
    setFolder(folder);
}

void AuditTrail::setFolder(const QString& folder) {
    m_path = QDir(folder).filePath(QLatin1String(kFileName));
}

bool AuditTrail::reasonRequired(const SettingsLocation& settings) {
    const QString value =
        settings.text(QStringLiteral("Audit"), QStringLiteral("RequireReason"), QString())
            .trimmed()
            .toLower();
    return !QStringList{QString(), QStringLiteral("false"), QStringLiteral("0"),
                        QStringLiteral("no"), QStringLiteral("off")}
                .contains(value);
}

QByteArray AuditTrail::lineOf(const AuditEntry& e) {
    return isoTime(e.when) + ',' +
           QStringList{field(e.user), field(e.program), field(e.what),
                       field(e.from), field(e.to),      field(e.reason)}
               .join(u',')
               .toUtf8() +
           '\n';
}

void AuditTrail::record(const QString& what, const QString& from, const QString& to,
                        const QString& reason) {
    const QByteArray line =
        lineOf({QDateTime::currentDateTime(), m_user, m_program, what, from, to, reason});
    m_lines.append(m_path, line, kHeading);
}

QList<AuditEntry> AuditTrail::read(const QString& path, const QDateTime& from, const QDateTime& to,
                                   int* unreadable) {
    QList<AuditEntry> entries;
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return entries;
    int bad = 0;
    while (!file.atEnd() && file.pos() < kLargestTrail) {
        const QByteArray line = file.readLine(kLongestLine);
        if (!line.endsWith('\n')) {
            if (file.atEnd())
                break; // a torn last line
            // Too long to be an entry: passed over to its end.
            ++bad;
            while (!file.atEnd() && !file.readLine(kLongestLine).endsWith('\n')) {
            }
            continue;
        }
        const QStringList f = csvFields(QString::fromUtf8(line.chopped(1)).remove(u'\r'));
        qint64 ms = 0;
        if (f.size() != kFields || !logrows::parseIsoTime(f[0].toLatin1(), &ms)) {
            bad += f.value(0) != QLatin1String("Time");
            continue;
        }
        const QDateTime when = QDateTime::fromMSecsSinceEpoch(ms);
        if (when >= from && when <= to)
            entries.append({when, f[1], f[2], f[3], f[4], f[5], f[6]});
    }
    if (unreadable)
        *unreadable = bad;
    return entries;
}
