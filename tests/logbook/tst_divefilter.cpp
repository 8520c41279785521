#include "dive/diveprofile.h"
#include "logbook/logbookdatabase.h"

#include <QTemporaryDir>
#include <QtTest>

#include <ctime>

Q_DECLARE_METATYPE(DiveFilter)

namespace {

// Seconds since 1970 of a UTC date and time.
qint64 utc(int year, int month, int day, int hour, int minute)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute), Qt::UTC).toSecsSinceEpoch();
}

DiveProfile dive(const char* name, qint64 dateTime)
{
    DiveProfile d;
    d.name = QString::fromLatin1(name);
    d.serial = QStringLiteral("S1");
    d.computer = QStringLiteral("Veltra");
    d.dateTime = dateTime;
    for (int i = 0; i < 3; ++i) {
        DiveSample s;
        s.time = i * 60.0;
        s.depth = i == 1 ? 12.0 : 0.0;
        d.samples.append(s);
    }
    d.gases.append(DiveGas());
    return d;
}

DiveFilter days(QDate from, QDate to)
{
    DiveFilter f;
    f.byDate = true;
    f.from = from.startOfDay();
    f.hasTo = true;
    f.to = to.startOfDay();
    return f;
}

} // namespace

// The window filters in local time; these dives sit around the 2026 clock changes of Paris
// (29 March 02:00 CET -> 03:00 CEST, 25 October 03:00 CEST -> 02:00 CET).
class TestDiveFilter : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void localDays_data();
    void localDays();

private:
    QTemporaryDir m_dir;
};

void TestDiveFilter::initTestCase()
{
    QVERIFY(m_dir.isValid());
    LogbookDatabase& db = LogbookDatabase::instance();
    QCOMPARE(db.openOrCreate(m_dir.filePath(QStringLiteral("log.db"))), 0);
    // Local times worked by hand from the offsets: CET = UTC+1, CEST = UTC+2.
    const DiveProfile dives[] = {
        dive("autumn 23:30", utc(2026, 10, 25, 22, 30)), // 25 Oct 23:30 CET
        dive("autumn next 00:30", utc(2026, 10, 25, 23, 30)), // 26 Oct 00:30 CET
        dive("spring 23:30", utc(2026, 3, 29, 21, 30)), // 29 Mar 23:30 CEST
        dive("spring next 00:30", utc(2026, 3, 29, 22, 30)), // 30 Mar 00:30 CEST
        dive("summer 09:00", utc(2026, 7, 1, 7, 0)), // 1 Jul 09:00 CEST
        dive("winter 09:00", utc(2026, 12, 1, 8, 0)), // 1 Dec 09:00 CET
    };
    for (const DiveProfile& d : dives)
        QCOMPARE(db.storeDive(d), 0);
}

void TestDiveFilter::localDays_data()
{
    QTest::addColumn<DiveFilter>("filter");
    QTest::addColumn<QStringList>("expected");
    const QDate autumn(2026, 10, 25);
    const QDate spring(2026, 3, 29);
    QTest::newRow("25-hour day keeps its last hour")
        << days(autumn, autumn) << QStringList { "autumn 23:30" };
    QTest::newRow("day after the 25-hour day")
        << days(autumn.addDays(1), autumn.addDays(1)) << QStringList { "autumn next 00:30" };
    QTest::newRow("23-hour day stops at its midnight")
        << days(spring, spring) << QStringList { "spring 23:30" };
    QTest::newRow("day after the 23-hour day")
        << days(spring.addDays(1), spring.addDays(1)) << QStringList { "spring next 00:30" };

    DiveFilter morning = days(QDate(2026, 1, 1), QDate(2026, 12, 31));
    morning.byTime = true;
    morning.fromTime = QTime(8, 30).msecsSinceStartOfDay();
    morning.toTime = QTime(9, 30).msecsSinceStartOfDay();
    QTest::newRow("local hour in summer and winter")
        << morning << QStringList { "summer 09:00", "winter 09:00" };
}

void TestDiveFilter::localDays()
{
    QFETCH(DiveFilter, filter);
    QFETCH(QStringList, expected);
    QList<DiveListEntry> entries;
    int computers = 0;
    QVERIFY(LogbookDatabase::instance().listDives(filter, entries, computers));
    QStringList found;
    for (const DiveListEntry& e : entries)
        found << e.name;
    found.sort();
    expected.sort();
    QCOMPARE(found, expected);
}

int main(int argc, char* argv[])
{
    // Before anything reads the clock: the days must be those of a zone with summer time.
    qputenv("TZ", "Europe/Paris");
    tzset();
    QCoreApplication app(argc, argv);
    TestDiveFilter test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_divefilter.moc"
