#include "dive/formattime.h"

#include <QTest>

#include <limits>

class TestFormatTime : public QObject
{
    Q_OBJECT

private slots:
    void clockText()
    {
        // 24 h does not wrap to 0; negative shows zero.
        for (auto [seconds, expected] : { std::pair { 0, "00:00" }, { 3599, "59:59" },
                 { 3600, "01:00:00" }, { 3725, "01:02:05" }, { 86400, "24:00:00" },
                 { 360000, "100:00:00" }, { -5, "00:00" } })
            QCOMPARE(formatTime(seconds), QString(expected));
    }

    void dateText()
    {
        for (auto [startTime, expected] : {
                 std::pair { qint64(0), "01/01/1970 00:00" },
                 // 1700000000 s = 19675 days + 80000 s; day 19675 is 2023-11-14; 80000 s =
                 // 22:13:20.
                 { 1700000000, "14/11/2023 22:13" }, { -60, "31/12/1969 23:59" },
                 // 253402300800 s is 10000-01-01: a five-digit year still fits the 20-character
                 // text.
                 { 253402300800, "01/01/10000 00:00" },
                 { std::numeric_limits<qint64>::max(), "error" }, // beyond any calendar year
             })
            QCOMPARE(diveDateText(startTime), QString(expected));
    }

    void startText()
    {
        // CLDR short dates: fr "dd/MM/y", en_US "M/d/yy", de "dd.MM.yy"; the year always in four
        // digits, the time always 24-hour hh:mm, so the list, the filter and the Summary agree.
        const QDateTime start(QDate(2026, 3, 5), QTime(7, 4, 59));
        for (auto [locale, expected] : { std::pair { "fr_FR", "05/03/2026 07:04" },
                 { "en_US", "3/5/2026 07:04" }, { "de_DE", "05.03.2026 07:04" } })
            QCOMPARE(diveStartText(start, QLocale(QString(locale))), QString(expected));
    }

    void durationText()
    {
        // The clock layout itself is clockText's; here only the difference and its edges.
        const qint64 min = std::numeric_limits<qint64>::min();
        const qint64 max = std::numeric_limits<qint64>::max();
        for (auto [start, end, expected] : {
                 std::tuple { qint64(100), qint64(225), "02:05" },
                 { 500, 100, "00:00" }, // end before start
                 { 500, 500, "00:00" },
                 // Garbage header times: the difference overflows 64 bits; it is capped at
                 // 9223372036854775807 s = 2562047788015215 h + 1807 s.
                 { min, max, "2562047788015215:30:07" },
             })
            QCOMPARE(diveDurationText(start, end), QString(expected));
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
