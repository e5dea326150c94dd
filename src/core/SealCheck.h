#pragma once

#include "RecordSeal.h"

#include <QList>
#include <QString>

// What a record's seal says of it: intact up to its last seal, or where it first differs.
struct SealVerdict {
    bool intact = false;
    QString text; // "intact: 1200 rows, sealed up to row 1200 at 2026-12-08T23:59:59.900+01:00"
};

// Checks a record against the seal file beside it ("<record>.seal"), reading both once, at the
// speed of the disk, and, where given, against the anchors told away from the disk. Rows are the
// record's lines.
SealVerdict checkSeal(const QString& recordPath, const QList<SealAnchor>* anchors = nullptr);

// The anchors in a file of the journal's or the broker's lines: every line holding an anchor's
// JSON ("Seal anchor {...}", "dgh/lab-1/seal {...}"); other lines are passed over. Empty, with
// *why, when the file cannot be read.
QList<SealAnchor> readAnchors(const QString& path, QString* why);
