#include "logbook/logbookfilecheck.h"

#include <QTest>

namespace {

// A database header as SQLite writes it: page size, format bytes, change counter, page count.
QByteArray header(int pageSize, quint32 pageCount, quint32 changeCounter, quint32 validFor)
{
    QByteArray h(100, '\0');
    h.replace(0, 16, QByteArray("SQLite format 3\0", 16));
    h[16] = char((pageSize >> 8) & 0xff);
    h[17] = char(pageSize & 0xff);
    h[18] = 1;
    h[19] = 1;
    h[21] = 64;
    h[22] = 32;
    h[23] = 32;
    const auto put = [&h](int offset, quint32 v) {
        for (int i = 0; i < 4; ++i)
            h[offset + i] = char((v >> (24 - 8 * i)) & 0xff);
    };
    put(24, changeCounter);
    put(28, pageCount);
    put(92, validFor);
    return h;
}

} // namespace

class TestLogbookFileCheck : public QObject
{
    Q_OBJECT

private slots:
    void header_data();
    void header();
};

void TestLogbookFileCheck::header_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("fileSize");
    QTest::addColumn<int>("expected");
    const QByteArray good = ::header(4096, 3, 7, 7);
    QTest::newRow("whole file") << good << qint64(3 * 4096) << int(LogbookFileStatus::Valid);
    QTest::newRow("longer than the header says")
        << good << qint64(4 * 4096) << int(LogbookFileStatus::Valid);
    QTest::newRow("empty file") << QByteArray() << qint64(0) << int(LogbookFileStatus::Empty);
    QTest::newRow("99 bytes") << good.left(99) << qint64(99) << int(LogbookFileStatus::TooShort);
    QTest::newRow("one page missing")
        << good << qint64(2 * 4096) << int(LogbookFileStatus::Truncated);
    QTest::newRow("cut inside a page")
        << good << qint64(3 * 4096 - 1) << int(LogbookFileStatus::Truncated);
    QTest::newRow("stale page count is ignored")
        << ::header(4096, 9, 8, 7) << qint64(3 * 4096) << int(LogbookFileStatus::Valid);
    QTest::newRow("page size 65536 written as 1")
        << ::header(1, 2, 1, 1) << qint64(2 * 65536) << int(LogbookFileStatus::Valid);
    QTest::newRow("page size not a power of two")
        << ::header(3000, 1, 1, 1) << qint64(3000) << int(LogbookFileStatus::BadHeader);
    QTest::newRow("page size 256")
        << ::header(256, 1, 1, 1) << qint64(256) << int(LogbookFileStatus::BadHeader);
    QByteArray fractions = good;
    fractions[21] = 63;
    QTest::newRow("wrong payload fraction")
        << fractions << qint64(3 * 4096) << int(LogbookFileStatus::BadHeader);
    QByteArray future = good;
    future[19] = 3;
    QTest::newRow("newer read version")
        << future << qint64(3 * 4096) << int(LogbookFileStatus::UnsupportedVersion);
    QByteArray signature = good;
    signature[14] = '4';
    QTest::newRow("other signature")
        << signature << qint64(3 * 4096) << int(LogbookFileStatus::NotSqlite);
    QTest::newRow("text") << QByteArray(100, 'a') << qint64(100)
                          << int(LogbookFileStatus::NotSqlite);
    QTest::newRow("header shorter than the file says")
        << good.left(50) << qint64(3 * 4096) << int(LogbookFileStatus::TooShort);
}

void TestLogbookFileCheck::header()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, fileSize);
    QFETCH(int, expected);
    const LogbookFileStatus status = checkSqliteHeader(bytes, fileSize);
    QCOMPARE(int(status), expected);
    const bool usable = status == LogbookFileStatus::Valid || status == LogbookFileStatus::Empty;
    QCOMPARE(logbookFileStatusText(status).isEmpty(), usable);
}

QTEST_GUILESS_MAIN(TestLogbookFileCheck)
#include "tst_logbookfilecheck.moc"
