#include "WholeLineFile.h"

#include "RecordSeal.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <sys/file.h>
#endif

std::function<bool()> wholeLineAppend(const QString& path, const QByteArray& line,
                                      const QByteArray& heading,
                                      std::shared_ptr<SealAnchor> anchor) {
    return [path, line, heading, anchor] {
        QFile file(path);
        if (!file.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered))
            return false;
#ifdef Q_OS_UNIX
        // Rigs sharing a folder share its records: one line and its seal at a time, so that
        // the seals follow the lines in order. Released with the file.
        ::flock(file.handle(), LOCK_EX);
#endif
        const qint64 size = file.size();
        QByteArray text = line;
        if (size == 0)
            text.prepend(heading);
        else if (file.seek(size - 1) && file.read(1) != "\n")
            text.prepend('\n');
        if (file.write(text) == text.size()) {
            // Sealed line by line: such records take a line now and then. A seal that cannot
            // be written leaves the line written, and the check says the record is unsealed.
            RecordSeal seal(path);
            QString why;
            if (seal.begin(size, size == 0, &why)) {
                seal.add(text);
                if (seal.seal(true, &why) && anchor)
                    *anchor = seal.anchor();
            }
            return true;
        }
        file.resize(size); // no half line: take back what part of it was written
        return false;
    };
}
