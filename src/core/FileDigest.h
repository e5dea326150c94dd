#pragma once

#include <QByteArray>
#include <QString>

// The SHA-256 of a file's bytes in lower-case hex, read a few megabytes at a time; empty, with
// *why, when it cannot be read.
QByteArray fileSha256(const QString& path, QString* why);
