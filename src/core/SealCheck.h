#pragma once

#include <QString>

// What a record's seal says of it: intact up to its last seal, or where it first differs.
struct SealVerdict {
    bool intact = false;
    QString text; // "intact: 1200 rows, sealed up to row 1200 at 2026-12-08T23:59:59.900+01:00"
};

// Checks a record against the seal file beside it ("<record>.seal"), reading both once, at the
// speed of the disk. Rows are the record's lines.
SealVerdict checkSeal(const QString& recordPath);
