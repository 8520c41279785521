#include "dive/formattime.h"

#include <QTest>

#include <limits>

class TestFormatTime : public QObject
{
    Q_OBJECT

private slots:
    void clockText_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero") << 0 << "00:00";
        QTest::newRow("last second before an hour") << 3599 << "59:59";
        QTest::newRow("one hour") << 3600 << "01:00:00";
        QTest::newRow("1 h 2 min 5 s") << 3725 << "01:02:05";
        QTest::newRow("24 h does not wrap to 0") << 86400 << "24:00:00";
        QTest::newRow("three-digit hours") << 360000 << "100:00:00";
        QTest::newRow("negative shows zero") << -5 << "00:00";
    }

    void clockText()
    {
        QFETCH(int, seconds);
        QFETCH(QString, expected);
        QCOMPARE(formatTime(seconds), expected);
    }

    void dateText_data()
    {
        QTest::addColumn<qint64>("startTime");
        QTest::addColumn<QString>("expected");
        QTest::newRow("epoch") << qint64(0) << "01/01/1970 00:00";
        // 1700000000 s = 19675 days + 80000 s; day 19675 is 2023-11-14; 80000 s = 22:13:20.
        QTest::newRow("2023-11-14 22:13:20") << qint64(1700000000) << "14/11/2023 22:13";
        QTest::newRow("before the epoch") << qint64(-60) << "31/12/1969 23:59";
        // 253402300800 s is 10000-01-01: a five-digit year still fits the 20-character text.
        QTest::newRow("year 10000") << qint64(253402300800) << "01/01/10000 00:00";
        QTest::newRow("beyond any calendar year") << std::numeric_limits<qint64>::max() << "error";
    }

    void dateText()
    {
        QFETCH(qint64, startTime);
        QFETCH(QString, expected);
        QCOMPARE(diveDateText(startTime), expected);
    }

    void durationText_data()
    {
        QTest::addColumn<qint64>("start");
        QTest::addColumn<qint64>("end");
        QTest::addColumn<QString>("expected");
        // The clock layout itself is clockText's; here only the difference and its edges.
        QTest::newRow("125 s") << qint64(100) << qint64(225) << "02:05";
        QTest::newRow("end before start") << qint64(500) << qint64(100) << "00:00";
        QTest::newRow("equal times") << qint64(500) << qint64(500) << "00:00";
        // The difference overflows 64 bits; it is capped at 9223372036854775807 s
        // = 2562047788015215 h + 1807 s = 2562047788015215 h 30 min 7 s.
        QTest::newRow("garbage header times")
            << std::numeric_limits<qint64>::min() << std::numeric_limits<qint64>::max()
            << "2562047788015215:30:07";
    }

    void durationText()
    {
        QFETCH(qint64, start);
        QFETCH(qint64, end);
        QFETCH(QString, expected);
        QCOMPARE(diveDurationText(start, end), expected);
    }

    void maxDepth()
    {
        QCOMPARE(diveMaxDepthM(425), 42.5);
        QCOMPARE(diveMaxDepthM(1), 0.1);
        QCOMPARE(diveMaxDepthM(0), 0.0);
        QCOMPARE(diveMaxDepthM(-3), 0.0);
    }

    void bytePacking()
    {
        QByteArray bytes("x");
        appendUInt16(bytes, 0x1234);
        appendUInt32(bytes, 0xA1B2C3D4u);
        QCOMPARE(bytes, QByteArray("x\x34\x12\xD4\xC3\xB2\xA1", 7));
    }
};

QTEST_GUILESS_MAIN(TestFormatTime)
#include "tst_formattime.moc"
