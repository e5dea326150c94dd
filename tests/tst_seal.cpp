// The seal beside a record: each attack on a small sealed record gets its verdict and its rows;
// appending and a fresh start continue the chain; the log writer seals what it writes.
#include "RecordSeal.h"
#include "SealCheck.h"
#include "WholeLineFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestSeal : public QObject {
    Q_OBJECT
private slots:
    void init();
    void attacksGetTheirVerdictAndRows();
    void appendingAndBeginningAfreshKeepTheChain();

private:
    // A record of `rows` lines, sealed after every third line.
    void sealed(const QString& path, int rows, int from = 1, bool fresh = true);
    QByteArray line(int n) const {
        return "\"12:00:" + QByteArray::number(10 + n % 50) + "\",7." + QByteArray::number(n) +
               "\r\n";
    }
    QByteArray read(const QString& path);
    void write(const QString& path, const QByteArray& bytes);
    QString copy(const QString& name);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_record;
};

void TestSeal::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_record = m_dir->filePath(QStringLiteral("run.csv"));
    sealed(m_record, 12);
}

void TestSeal::sealed(const QString& path, int rows, int from, bool fresh) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | (fresh ? QIODevice::Truncate : QIODevice::Append)));
    RecordSeal seal(path);
    QString why;
    QVERIFY(seal.begin(file.size(), fresh, &why));
    for (int n = from; n < from + rows; ++n) {
        const QByteArray l = line(n);
        file.write(l);
        seal.add(l);
        if (n % 3 == 0)
            QVERIFY(seal.seal(true, &why));
    }
    QVERIFY(seal.seal(true, &why));
    // Told away from the disk, as the journal and the broker have it.
    QFile anchors(m_dir->filePath(QStringLiteral("anchors.txt")));
    QVERIFY(anchors.open(QIODevice::Append));
    anchors.write("Dec 09 dgh-logger[7]: Seal anchor " + seal.anchor().json() + "\n" +
                  "dgh/lab-1/seal " + seal.anchor().json() + "\n");
}

QByteArray TestSeal::read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestSeal::write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// The record and its seal under another name, to attack.
QString TestSeal::copy(const QString& name) {
    const QString path = m_dir->filePath(name);
    write(path, read(m_record));
    write(RecordSeal::sealPath(path), read(RecordSeal::sealPath(m_record)));
    return path;
}

void TestSeal::attacksGetTheirVerdictAndRows() {
    // The time of the last seal line, its fourth field.
    const QByteArray lastTime =
        read(RecordSeal::sealPath(m_record)).trimmed().split('\n').last().split(',').at(3);
    QCOMPARE(checkSeal(m_record).text, QStringLiteral("intact: 12 rows, sealed up to row 12 at ") +
                                           QString::fromLatin1(lastTime) +
                                           QStringLiteral("; not checked against anchors"));
    QVERIFY(checkSeal(m_record).intact);
    // Rotated together, as logrotate names them: run.csv.1 with run.csv.seal.1.
    const QString rotated = m_record + QStringLiteral(".1");
    write(rotated, read(m_record));
    write(RecordSeal::sealPath(m_record) + QStringLiteral(".1"),
          read(RecordSeal::sealPath(m_record)));
    QVERIFY(checkSeal(rotated).intact);
    auto rowsOf = [&](const QString& path) { return read(path).split('\n'); };
    auto join = [](QList<QByteArray> rows) { return rows.join('\n'); };
    struct Attack {
        const char* name;
        std::function<void(const QString&)> harm;
        QString verdict;
        const char* how = "";
    };
    const QList<Attack> attacks = {
        {"digit", [&](const QString& p) { write(p, read(p).replace("7.7", "7.8")); },
         QStringLiteral("differs at row 7 (sealed at"), "the row was changed"},
        {"inserted",
         [&](const QString& p) {
             auto r = rowsOf(p);
             r.insert(4, "\"12:00:14\",7.45\r");
             write(p, join(r));
         },
         QStringLiteral("differs at row 5 (sealed at"), "a row was inserted"},
        {"deleted",
         [&](const QString& p) {
             auto r = rowsOf(p);
             r.removeAt(4);
             write(p, join(r));
         },
         QStringLiteral("differs at row 5 (sealed at"), "the row was removed"},
        {"swapped",
         [&](const QString& p) {
             auto r = rowsOf(p);
             r.swapItemsAt(1, 2);
             write(p, join(r));
         },
         QStringLiteral("differs at row 2 (sealed at"), "rows 2 and 3 were swapped"},
        {"cut",
         [&](const QString& p) {
             auto r = rowsOf(p);
             write(p, join(r.mid(0, 10)) + '\n');
         },
         QStringLiteral("cut (or rows removed): sealed up to row 12 at")},
        {"garbage seal", [&](const QString& p) { write(RecordSeal::sealPath(p), "seal,x\n"); },
         QStringLiteral("its seal file is not a seal (line 1)")},
        {"no seal", [&](const QString& p) { QFile::remove(RecordSeal::sealPath(p)); },
         QStringLiteral("it has no seal file")},
    };
    for (const Attack& a : attacks) {
        const QString path = copy(QLatin1String(a.name) + QStringLiteral(".csv"));
        a.harm(path);
        const SealVerdict v = checkSeal(path);
        QVERIFY2(!v.intact && v.text.startsWith(a.verdict), qPrintable(v.text));
        QVERIFY2(v.text.endsWith(QLatin1String(a.how)), qPrintable(v.text));
    }
    // Cutting the last rows together with their seals, or sealing an edited file anew, is not
    // seen from the disk alone, only against the anchors.
    QString why;
    const QList<SealAnchor> anchors =
        readAnchors(m_dir->filePath(QStringLiteral("anchors.txt")), &why);
    QCOMPARE(anchors.size(), 2);
    QVERIFY(checkSeal(m_record, &anchors)
                .text.endsWith(QStringLiteral("; agrees with 2 of 2 anchors naming it, the latest "
                                              "of ") +
                               QString::fromLatin1(lastTime)));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("both")));
    const QString both = copy(QStringLiteral("both/run.csv"));
    write(both, join(rowsOf(both).mid(0, 9)) + '\n');
    auto seals = rowsOf(RecordSeal::sealPath(both));
    write(RecordSeal::sealPath(both), join(seals.mid(0, 4)) + '\n');
    QVERIFY(checkSeal(both).text.startsWith(QStringLiteral("intact: 9 rows, sealed up to row 9")));
    QVERIFY2(checkSeal(both, &anchors)
                 .text.startsWith(QStringLiteral("cut: the anchor of %1 says it was sealed up to "
                                                 "row 12, but its seals end at row 9")
                                      .arg(QString::fromLatin1(lastTime))),
             qPrintable(checkSeal(both, &anchors).text));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("anew")));
    const QString anew = m_dir->filePath(QStringLiteral("anew/run.csv"));
    const QByteArray edited = read(m_record).replace("7.7", "7.8");
    {
        QFile file(anew);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(edited);
        RecordSeal seal(anew);
        QVERIFY(seal.begin(0, true, &why));
        seal.add(edited);
        QVERIFY(seal.seal(true, &why));
    }
    QVERIFY(checkSeal(anew).intact);
    QCOMPARE(checkSeal(anew, &anchors).text,
             QStringLiteral("none of the 2 anchors naming it names its seals: the seal file was "
                            "made anew"));
    // Rows alike, as two rows written in one second: the plainest change is named.
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("alike")));
    const QString alike = m_dir->filePath(QStringLiteral("alike/run.csv"));
    {
        QFile file(alike);
        QVERIFY(file.open(QIODevice::WriteOnly));
        RecordSeal seal(alike);
        QVERIFY(seal.begin(0, true, &why));
        for (int n : {1, 1, 2, 2, 3, 3}) {
            file.write(line(n));
            seal.add(line(n));
        }
        QVERIFY(seal.seal(true, &why));
    }
    const QByteArray pairs = read(alike);
    write(alike, QByteArray(pairs).replace(line(2) + line(2), line(2) + line(4)));
    QVERIFY2(checkSeal(alike).text.contains(QStringLiteral("row 4 ")) &&
                 checkSeal(alike).text.endsWith(QStringLiteral("the row was changed")),
             qPrintable(checkSeal(alike).text));
    write(alike, QByteArray(pairs).replace(line(2) + line(3), line(2) + line(2) + line(3)));
    QVERIFY2(checkSeal(alike).text.endsWith(QStringLiteral("a row was inserted")),
             qPrintable(checkSeal(alike).text));
    // Anchors that cannot be read are said; lines that hold none are passed over.
    QVERIFY(readAnchors(m_dir->path(), &why).isEmpty() && why.contains(m_dir->path()));
}

void TestSeal::appendingAndBeginningAfreshKeepTheChain() {
    // Appended: a chain line that follows the last head and counts the rows on.
    const QByteArray head =
        read(RecordSeal::sealPath(m_record)).trimmed().split('\n').last().split(',').at(4);
    sealed(m_record, 6, 13, false);
    QCOMPARE(read(RecordSeal::sealPath(m_record)).count("chain,"), 2);
    QVERIFY(read(RecordSeal::sealPath(m_record)).contains(",12," + head + '\n'));
    QVERIFY(checkSeal(m_record).text.startsWith(
        QStringLiteral("intact: 18 rows, sealed up to row 18")));
    // Appended after rows nobody sealed: a chain that follows the last seal, from there.
    QFile file(m_record);
    QVERIFY(file.open(QIODevice::Append));
    file.write(line(19));
    file.close();
    sealed(m_record, 2, 20, false);
    QCOMPARE(read(RecordSeal::sealPath(m_record)).count("chain,"), 3);
    QVERIFY(checkSeal(m_record).text.startsWith(
        QStringLiteral("intact: 21 rows, sealed up to row 21")));
    QVERIFY2(checkSeal(m_record).text.contains(
                 QStringLiteral("; row 19 between two sealed runs are not sealed")),
             qPrintable(checkSeal(m_record).text));
    // A log from before sealing, appended to: its old rows are not counted at the opening (it
    // may be large) and are said to be unsealed.
    const QString old = m_dir->filePath(QStringLiteral("old.csv"));
    write(old, line(1) + line(2) + line(3) + line(4) + line(5));
    sealed(old, 3, 6, false);
    QVERIFY(read(RecordSeal::sealPath(old)).contains("seal,-,"));
    QCOMPARE(checkSeal(old).text.section(u';', 1, 1).trimmed(),
             QStringLiteral("rows 1 to 5 before sealing began are not sealed"));
    QVERIFY(checkSeal(old).text.startsWith(QStringLiteral("intact: 8 rows, sealed up to row 8")));
    // Begun afresh (overwritten, or new after a rotation): a chain from byte 0 that names the
    // last head of the file before; only it counts for the record as it is.
    const QByteArray lastHead =
        read(RecordSeal::sealPath(m_record)).trimmed().split('\n').last().split(',').at(4);
    sealed(m_record, 4, 1, true);
    QVERIFY(read(RecordSeal::sealPath(m_record)).contains(",0,0," + lastHead + '\n'));
    QVERIFY(
        checkSeal(m_record).text.startsWith(QStringLiteral("intact: 4 rows, sealed up to row 4")));
    // A long last seal line (a burst of rows) is read whole when the record is appended to.
    const QString burst = m_dir->filePath(QStringLiteral("burst.csv"));
    {
        QFile file(burst);
        QVERIFY(file.open(QIODevice::WriteOnly));
        RecordSeal seal(burst);
        QString why;
        QVERIFY(seal.begin(0, true, &why));
        for (int n = 1; n <= 2000; ++n) {
            file.write(line(n));
            seal.add(line(n));
        }
        QVERIFY(seal.seal(true, &why));
    }
    sealed(burst, 1, 2001, false);
    QVERIFY(read(RecordSeal::sealPath(burst)).contains(",2000,"));
    QVERIFY(checkSeal(burst).text.startsWith(
        QStringLiteral("intact: 2001 rows, sealed up to row 2001")));
    // The records written a line at a time (alarms, calibrations, the audit trail) are sealed
    // at each line, a torn line's end included.
    const QString alarms = m_dir->filePath(QStringLiteral("alarms.csv"));
    for (const QByteArray& l : {QByteArray("a,1\n"), QByteArray("b,2\n")})
        QVERIFY(wholeLineAppend(alarms, l, "Heading\n")());
    write(alarms, read(alarms) + "torn");
    QVERIFY(wholeLineAppend(alarms, "c,3\n", "Heading\n")());
    QVERIFY(
        checkSeal(alarms).text.startsWith(QStringLiteral("intact: 5 rows, sealed up to row 5")));
    write(alarms, read(alarms).replace("b,2", "b,3"));
    QVERIFY(checkSeal(alarms).text.startsWith(QStringLiteral("differs at row 3 ")));
}

QTEST_GUILESS_MAIN(TestSeal)
#include "tst_seal.moc"
