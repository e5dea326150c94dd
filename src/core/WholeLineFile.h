#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

struct SealAnchor;

// The operation that appends one line to a record file, whole or not at all, for a
// BoundedWorker: a line torn earlier (a power cut) stays on a line of its own, and a new file
// starts with the heading; the seal beside it (RecordSeal) covers the line. False when it could not
// be written (no permission, disk full).
// anchor, where given, receives the seal line written, to be told away from the disk.
std::function<bool()> wholeLineAppend(const QString& path, const QByteArray& line,
                                      const QByteArray& heading,
                                      std::shared_ptr<SealAnchor> anchor = nullptr);
