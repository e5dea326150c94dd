#include "FileDigest.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

QByteArray fileSha256(const QString& path, QString* why) {
    QFile file(path);
    if (!QFileInfo(path).isFile()) {
        *why = QStringLiteral("it is not a regular file");
        return {};
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *why = file.errorString();
        return {};
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file)) {
        *why = file.errorString();
        return {};
    }
    return hash.result().toHex();
}
