#pragma once

#include <QByteArray>
#include <QString>

class BoundedWorker;

// Appends one line to a record file, whole or not at all, in bounded time: a line torn earlier
// (a power cut) stays on a line of its own, and a new file starts with the heading. False when
// it could not be written (no permission, disk full, no answer in time).
bool appendWholeLine(BoundedWorker& worker, const QString& path, const QByteArray& line,
                     const QByteArray& heading);
