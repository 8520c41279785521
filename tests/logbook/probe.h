#pragma once

#include "dive/divesample.h"
#include "logbook/logbookdatabase.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariant>
#include <QtTest>

// A second, independent connection to a logbook file, to look at or tamper with it the way
// another program (or an older version) would.
class Probe
{
public:
    explicit Probe(const QString& path)
    {
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("probe"));
        m_db.setDatabaseName(path);
        m_ok = m_db.open();
    }
    ~Probe()
    {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("probe"));
    }
    bool ok() const { return m_ok; }
    bool exec(const QString& sql)
    {
        QSqlQuery q(m_db);
        if (q.exec(sql))
            return true;
        qWarning() << sql << q.lastError().text();
        return false;
    }
    QVariant value(const QString& sql)
    {
        QSqlQuery q(m_db);
        if (!q.exec(sql) || !q.next())
            return QVariant(QMetaType::fromType<QString>()); // distinguishable from NULL
        return q.value(0);
    }
    QList<QVariantList> rows(const QString& sql)
    {
        QList<QVariantList> result;
        QSqlQuery q(m_db);
        if (!q.exec(sql))
            qWarning() << sql << q.lastError().text();
        while (q.next()) {
            QVariantList row;
            for (int i = 0; i < q.record().count(); ++i)
                row << q.value(i);
            result << row;
        }
        return result;
    }
    // The tables of older versions: the first had dives and profiles only; the second added
    // the dives' period and alerts, the samples' alert flags and the gases.
    bool createOldTables(bool second)
    {
        return exec(QStringLiteral("CREATE TABLE dives (diveid INTEGER, name TEXT, computer TEXT, "
                                   "datetime INTEGER, serial TEXT, divemode INTEGER, gfslow "
                                   "INTEGER, gfshigh INTEGER, waterdensity INTEGER, psurf "
                                   "INTEGER%1, PRIMARY KEY(diveid))")
                        .arg(second ? ", period INTEGER, alerts INTEGER" : ""))
            && exec(QStringLiteral("CREATE TABLE profiles (diveid INTEGER, pointid INTEGER, time "
                                   "REAL, depth REAL, temperature REAL, OTU REAL, CNS REAL, "
                                   "decoCeiling REAL, gradientFactor REAL%1, PRIMARY KEY(diveid, "
                                   "pointid))")
                        .arg(second ? ", alertFlag INTEGER" : ""))
            && (!second
                || exec("CREATE TABLE gases (diveid INTEGER, gasid INTEGER, o2 INTEGER, he "
                        "INTEGER, PRIMARY KEY(diveid, gasid))"));
    }
    QStringList columns(const QString& table)
    {
        QStringList names;
        for (const QVariantList& row : rows(QStringLiteral("PRAGMA table_info(%1)").arg(table)))
            names << row.value(1).toString();
        return names;
    }

private:
    QSqlDatabase m_db;
    bool m_ok = false;
};

inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Every field of every sample, as stored and read back.
inline void compareSamples(const QList<DiveSample>& got, const QList<DiveSample>& expected)
{
    const auto fields = [](const DiveSample& s) {
        return QVariantList { s.time, s.depth, s.temperature, s.otu, s.cns, s.decoCeiling,
            s.gradientFactor, s.alertFlags, s.gasIndex,
            QByteArray(reinterpret_cast<const char*>(s.tissues), 16) };
    };
    QCOMPARE(got.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        QVERIFY2(fields(got.at(i)) == fields(expected.at(i)), qPrintable(QString::number(i)));
}

// The names of listed dives, in list order.
inline QStringList names(const QList<DiveListEntry>& entries)
{
    QStringList list;
    for (const DiveListEntry& e : entries)
        list << e.name;
    return list;
}
