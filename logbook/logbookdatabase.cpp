#include "logbook/logbookdatabase.h"

#include "dive/diveprofile.h"
#include "logbook/divedetails.h"
#include "logbook/divelookups.h"
#include "logbook/diveplaces.h"
#include "logbook/logbookfilecheck.h"
#include "logbook/samedive.h"
#include "logbook/storedvalues.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

using namespace StoredValues;

// The tables exactly as every version of the program creates them; the profiles statement
// carries a TAB before alertFlag, which stays so that the stored schema text is unchanged.
const char createDives[]
    = "CREATE TABLE dives (diveid INTEGER, name TEXT, computer TEXT, datetime INTEGER, serial "
      "TEXT, divemode INTEGER, gfslow INTEGER, gfshigh INTEGER, waterdensity INTEGER, psurf "
      "INTEGER, period INTEGER, alerts INTEGER, PRIMARY KEY(diveid))";
const char createProfiles[]
    = "CREATE TABLE profiles (diveid INTEGER, pointid INTEGER, time REAL, depth REAL, temperature "
      "REAL, OTU REAL, CNS REAL, decoCeiling REAL, gradientFactor REAL,\talertFlag INTEGER, "
      "tissues BLOB, gasindex INTEGER, PRIMARY KEY(diveid, pointid))";
const char createGases[] = "CREATE TABLE gases (diveid INTEGER, gasid INTEGER, o2 INTEGER, he "
                           "INTEGER, PRIMARY KEY(diveid, gasid))";

// Columns added over the versions, in the order they are ensured.
struct AddedColumn
{
    const char* table;
    const char* column;
    const char* type;
};
const AddedColumn addedColumns[] = {
    { "dives", "period", "INTEGER" },
    { "dives", "alerts", "INTEGER" },
    { "dives", "computertype", "INTEGER" },
    { "dives", "firmwareversion", "TEXT" },
    { "profiles", "alertFlag", "INTEGER" },
    { "profiles", "tissues", "BLOB" },
    { "profiles", "gasindex", "INTEGER" },
};

// Columns every logbook has had from the start; a file lacking them is not a logbook.
const char* const baseDivesColumns[] = { "diveid", "name", "computer", "datetime", "serial",
    "divemode", "gfslow", "gfshigh", "waterdensity", "psurf" };
const char* const baseProfilesColumns[] = { "diveid", "pointid", "time", "depth", "temperature",
    "otu", "cns", "decoceiling", "gradientfactor" };
const char* const baseGasesColumns[] = { "diveid", "gasid", "o2", "he" };

// The list reads the largest time and depth of each dive with a seek in these indexes
// instead of reading every sample.
const char createTimeIndex[]
    = "CREATE INDEX IF NOT EXISTS profiles_diveid_time ON profiles(diveid, time)";
const char createDepthIndex[]
    = "CREATE INDEX IF NOT EXISTS profiles_diveid_depth ON profiles(diveid, depth)";

const char insertDiveSql[]
    = "INSERT INTO dives (diveid, name, computer, datetime, serial, period, alerts, divemode, "
      "gfslow, gfshigh, waterdensity, psurf, computertype, firmwareversion) VALUES (:diveid, "
      ":name, :computer, :datetime, :serial, :period, :alerts, :divemode, :gfslow, :gfshigh, "
      ":waterdensity, :psurf, :computertype, :firmwareversion)";
const char insertGasSql[]
    = "INSERT INTO gases (diveid, gasid, o2, he) VALUES (:diveid, :gasid, :o2, :he)";
// storeDive binds a dive's samples kSamplesPerInsert rows a statement (one statement a sample
// spent more in its own overhead than in the insert), the rest one by one. Binds go by name:
// Qt formats a name for every bind by position.
constexpr int kSamplesPerInsert = 32;
const char* const sampleColumns[] = { "diveid", "pointid", "time", "depth", "temperature", "OTU",
    "CNS", "decoCeiling", "gradientFactor", "alertFlag", "tissues", "gasindex" };
constexpr int kSampleColumns = int(std::size(sampleColumns));

// The placeholder of a column in row row of a statement, ":c<column>r<row>".
const QString& samplePlaceholder(int row, int column)
{
    static const QList<QString> names = [] {
        QList<QString> all;
        for (int r = 0; r < kSamplesPerInsert; ++r) {
            for (int c = 0; c < kSampleColumns; ++c)
                all << QStringLiteral(":c%1r%2").arg(c).arg(r);
        }
        return all;
    }();
    return names.at(row * kSampleColumns + column);
}

QString insertSamplesSql(int rows)
{
    QStringList columns;
    for (const char* column : sampleColumns)
        columns << QLatin1String(column);
    QStringList tuples;
    for (int r = 0; r < rows; ++r) {
        QStringList values;
        for (int c = 0; c < kSampleColumns; ++c)
            values << samplePlaceholder(r, c);
        tuples << QLatin1Char('(') + values.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    return QStringLiteral("INSERT INTO profiles (%1) VALUES %2")
        .arg(columns.join(QStringLiteral(", ")), tuples.join(QStringLiteral(", ")));
}

// Binds one sample as row row of the statement.
void bindSample(QSqlQuery& q, int row, qint64 diveId, qsizetype index, const DiveSample& s)
{
    const auto bind = [&q, row](int column, const QVariant& value) {
        q.bindValue(samplePlaceholder(row, column), value);
    };
    bind(0, diveId);
    bind(1, qint64(index));
    bind(2, s.time);
    bind(3, s.depth);
    bind(4, s.temperature);
    bind(5, s.otu);
    bind(6, s.cns);
    bind(7, s.decoCeiling);
    bind(8, s.gradientFactor);
    bind(9, int(s.alertFlags));
    // The sample outlives the statement's run: its bytes need no copy.
    bind(10, QByteArray::fromRawData(reinterpret_cast<const char*>(s.tissues), sizeof s.tissues));
    // Stored counted from 1 with 0 for unknown, as downloads have always written it.
    bind(11, s.gasIndex >= 0 ? qint64(s.gasIndex) + 1 : 0);
}

const char maxIdSql[] = "SELECT MAX(diveid) FROM dives";
const char selectDiveSql[]
    = "SELECT diveid, name, computer, datetime, serial, period, alerts, firmwareversion, "
      "divemode, gfslow, gfshigh, waterdensity, psurf FROM dives WHERE diveid=:diveid";
const char selectGasesSql[] = "select gasid, o2, he from gases where diveid=:diveid ORDER BY gasid";
const char selectSamplesSql[]
    = "select time, depth, temperature, OTU, CNS, decoCeiling, gradientFactor, alertFlag, "
      "tissues, gasindex from profiles where diveid=:diveid ORDER BY pointid";

QSet<QString> columnsOf(QSqlDatabase& db, const QString& table, bool& ok)
{
    QSet<QString> columns;
    QSqlQuery q(db);
    ok = q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(table));
    while (ok && q.next())
        columns.insert(q.value(1).toString().toLower());
    return columns;
}

template <size_t N> bool hasColumns(const QSet<QString>& columns, const char* const (&names)[N])
{
    for (const char* name : names) {
        if (!columns.contains(QLatin1String(name)))
            return false;
    }
    return true;
}

} // namespace

struct LogbookDatabase::Statements
{
    explicit Statements(const QSqlDatabase& db)
        : insertDive(db)
        , insertGas(db)
        , insertSample(db)
        , insertSamples(db)
        , findDive(db)
        , maxId(db)
        , selectDive(db)
        , selectGases(db)
        , selectSamples(db)
    { }
    QSqlQuery insertDive;
    QSqlQuery insertGas;
    QSqlQuery insertSample;
    QSqlQuery insertSamples; // kSamplesPerInsert rows
    QSqlQuery findDive;
    QSqlQuery maxId;
    QSqlQuery selectDive;
    QSqlQuery selectGases;
    QSqlQuery selectSamples;
};

LogbookDatabase::LogbookDatabase() = default;

LogbookDatabase::~LogbookDatabase()
{
    close();
}

LogbookDatabase& LogbookDatabase::instance()
{
    // Never destroyed: the connection lives until the process ends.
    static LogbookDatabase* database = new LogbookDatabase;
    return *database;
}

bool LogbookDatabase::fail(const QString& text)
{
    m_lastError = text;
    return false;
}

void LogbookDatabase::close()
{
    m_importing = false;
    m_statements.reset();
    if (m_db.isValid() && m_db.isOpen())
        m_db.close();
}

bool LogbookDatabase::isOpen() const
{
    return m_db.isValid() && m_db.isOpen() && m_statements;
}

QString LogbookDatabase::fileName() const
{
    return isOpen() ? m_db.databaseName() : QString();
}

int LogbookDatabase::openOrCreate(const QString& path)
{
    close();
    m_lastError.clear();

    const LogbookFileStatus status = checkLogbookFile(path);
    if (status != LogbookFileStatus::Missing && status != LogbookFileStatus::Empty
        && status != LogbookFileStatus::Valid) {
        fail(logbookFileStatusText(status));
        return NotOpen;
    }

    const QString connection = QLatin1String(QSqlDatabase::defaultConnection);
    m_db = QSqlDatabase::contains(connection) ? QSqlDatabase::database(connection, false)
                                              : QSqlDatabase::addDatabase("QSQLITE");
    if (!m_db.isValid()) {
        fail(tr("The SQLite database driver is not available."));
        return NotOpen;
    }
    m_db.setDatabaseName(path);
    if (!m_db.open()) {
        fail(m_db.lastError().text());
        return NotOpen;
    }
    const int result = prepareSchema();
    if (result != Success) {
        const QString error = m_lastError;
        close();
        m_lastError = error;
        return result;
    }
    if (!prepareStatements()) {
        const QString error = m_lastError;
        close();
        m_lastError = error;
        return StatementFailed;
    }
    return Success;
}

// Kept whole on purpose: the upgrade's steps read in the order they run, each depending on the
// tables the step before left, which split functions would hide.
int LogbookDatabase::prepareSchema()
{
    QSqlQuery q(m_db);
    // Reading the schema proves the file is a readable database before anything is written.
    if (!q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table'"))) {
        fail(tr("The file is not a readable logbook database: %1").arg(q.lastError().text()));
        return NotOpen;
    }
    QSet<QString> tables;
    while (q.next())
        tables.insert(q.value(0).toString().toLower());
    q.finish();

    // SQLite table names ignore case, so compare them the same way.
    const bool fresh = tables.isEmpty();
    if (!fresh) {
        bool ok = true;
        bool known = tables.contains(QStringLiteral("dives"))
            && tables.contains(QStringLiteral("profiles"));
        if (known)
            known = hasColumns(columnsOf(m_db, QStringLiteral("dives"), ok), baseDivesColumns)
                && hasColumns(columnsOf(m_db, QStringLiteral("profiles"), ok), baseProfilesColumns);
        if (known && tables.contains(QStringLiteral("gases")))
            known = hasColumns(columnsOf(m_db, QStringLiteral("gases"), ok), baseGasesColumns);
        if (!ok) {
            fail(
                tr("The file is not a readable logbook database: %1").arg(m_db.lastError().text()));
            return NotOpen;
        }
        if (!known) {
            fail(tr("The file is an SQLite database but not a dive logbook."));
            return NotOpen;
        }
    }

    // One write transaction for the whole upgrade: it fails at once on a read-only or locked
    // file, and a failing step leaves the file as it was.
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        fail(tr("The logbook database cannot be written: %1").arg(q.lastError().text()));
        return NotOpen;
    }
    // SQLite opens a file it may not write read-only and only fails at the first write:
    // rewriting the user version (unchanged) is that write, before any upgrade step.
    bool read = q.exec(QStringLiteral("PRAGMA user_version")) && q.next();
    const qint64 userVersion = read ? q.value(0).toLongLong() : 0;
    q.finish();
    if (!read || !q.exec(QStringLiteral("PRAGMA user_version = %1").arg(userVersion))) {
        fail(tr("The logbook database cannot be written: %1").arg(q.lastError().text()));
        QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
        return NotOpen;
    }
    const auto rollback = [this](const QSqlQuery& failed) {
        const QString error = failed.lastError().text();
        fail(error.isEmpty() ? tr("The logbook database could not be brought up to date.") : error);
        QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
        return StatementFailed;
    };

    bool changed = false;
    if (fresh) {
        if (!q.exec(QLatin1String(createDives)) || !q.exec(QLatin1String(createProfiles)))
            return rollback(q);
        changed = true;
    }
    if (!tables.contains(QStringLiteral("gases"))) {
        if (!q.exec(QLatin1String(createGases)))
            return rollback(q);
        changed = true;
    }
    for (const AddedColumn& added : addedColumns) {
        bool ok = true;
        const QSet<QString> columns = columnsOf(m_db, QLatin1String(added.table), ok);
        if (!ok)
            return rollback(q);
        if (columns.contains(QString::fromLatin1(added.column).toLower()))
            continue;
        if (!q.exec(QStringLiteral("ALTER TABLE %1 ADD %2 %3")
                        .arg(QLatin1String(added.table), QLatin1String(added.column),
                            QLatin1String(added.type))))
            return rollback(q);
        changed = true;
    }
    if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type='index' AND name "
                               "IN ('profiles_diveid_time', 'profiles_diveid_depth')"))
        || !q.next())
        return rollback(q);
    const bool indexed = q.value(0).toInt() == 2;
    q.finish();
    if (!indexed) {
        if (!q.exec(QLatin1String(createTimeIndex)) || !q.exec(QLatin1String(createDepthIndex)))
            return rollback(q);
        changed = true;
    }
    QString detailsError;
    if (!DiveDetailsStore::ensureSchema(m_db, changed, detailsError)
        || !DiveLookups::ensureIndexes(m_db, changed, detailsError)) {
        fail(tr("The logbook could not be given its details tables: %1").arg(detailsError));
        QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
        return StatementFailed;
    }
    // A file that needed nothing is left byte for byte as it was.
    if (!q.exec(changed ? QStringLiteral("COMMIT") : QStringLiteral("ROLLBACK")))
        return rollback(q);
    return Success;
}

bool LogbookDatabase::prepareStatements()
{
    auto statements = std::make_unique<Statements>(m_db);
    const std::pair<QSqlQuery*, const char*> all[] = {
        { &statements->insertDive, insertDiveSql },
        { &statements->insertGas, insertGasSql },
        { &statements->findDive, DiveLookups::nameTakenSql },
        { &statements->maxId, maxIdSql },
        { &statements->selectDive, selectDiveSql },
        { &statements->selectGases, selectGasesSql },
        { &statements->selectSamples, selectSamplesSql },
    };
    for (const auto& [query, sql] : all) {
        query->setForwardOnly(true);
        if (!query->prepare(QLatin1String(sql)))
            return fail(query->lastError().text());
    }
    for (const auto& [query, rows] : { std::pair { &statements->insertSample, 1 },
             std::pair { &statements->insertSamples, kSamplesPerInsert } }) {
        query->setForwardOnly(true);
        if (!query->prepare(insertSamplesSql(rows)))
            return fail(query->lastError().text());
    }
    m_statements = std::move(statements);
    return true;
}

bool LogbookDatabase::findDiveId(const QString& name, const QString& serial, qint64& id)
{
    id = -1;
    QSqlQuery& q = m_statements->findDive;
    q.bindValue(QStringLiteral(":name"), textValue(name));
    q.bindValue(QStringLiteral(":serial"), textValue(serial));
    if (!q.exec())
        return fail(q.lastError().text());
    if (q.next())
        id = q.value(0).toLongLong();
    q.finish();
    return true;
}

int LogbookDatabase::findDive(const QString& name, const QString& serial)
{
    if (!isOpen())
        return -1;
    qint64 id = -1;
    if (!findDiveId(name, serial, id) || id < 0 || id > std::numeric_limits<int>::max())
        return -1;
    return int(id);
}

bool LogbookDatabase::sameSamples(qint64 diveId, const DiveProfile& profile, bool& same)
{
    same = false;
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral(
            "SELECT time, depth FROM profiles WHERE diveid=:diveid ORDER BY pointid")))
        return fail(q.lastError().text());
    q.bindValue(QStringLiteral(":diveid"), diveId);
    if (!q.exec())
        return fail(q.lastError().text());
    qsizetype i = 0;
    const qsizetype count = profile.samples.size();
    while (q.next()) {
        // Stored REAL values read back bit for bit, so equality is exact.
        if (i >= count || realValue(q.value(0)) != profile.samples.at(i).time
            || realValue(q.value(1)) != profile.samples.at(i).depth)
            return true;
        ++i;
    }
    same = i == count;
    return true;
}

int LogbookDatabase::findSameDive(const DiveProfile& profile)
{
    if (!isOpen())
        return -1;
    const DiveIdentity identity = DiveIdentity::of(profile);
    // The same computer and a start within a minute. Dives that name no computer (CSV files)
    // have no identity to compare.
    const bool identified = !profile.serial.isEmpty() || !profile.computer.isEmpty();
    if (identified && profile.dateTime != 0) {
        QSqlQuery q(m_db);
        q.setForwardOnly(true);
        if (!q.prepare(QLatin1String(DiveLookups::sameStartSql)))
            return -1;
        q.bindValue(QStringLiteral(":from"), qint64(profile.dateTime) - kSameStartS);
        q.bindValue(QStringLiteral(":to"), qint64(profile.dateTime) + kSameStartS);
        if (!q.exec())
            return -1;
        while (q.next()) {
            const DiveIdentity stored { q.value(1).toString(), q.value(2).toString(),
                q.value(3).toLongLong() };
            if (sameDive(identity, stored, false))
                return int(q.value(0).toLongLong());
        }
    }
    if (profile.samples.isEmpty())
        return -1;
    // The same samples: the largest time and depth come from the dive's summary in its details
    // (an index seek); only dives matching both, whose start and computer allow them to be this
    // dive, are compared sample by sample. Seeking the
    // profiles of every stored dive made a large import quadratic.
    double maxTime = profile.samples.constFirst().time;
    double maxDepth = profile.samples.constFirst().depth;
    for (const DiveSample& s : profile.samples) {
        maxTime = std::max(maxTime, s.time);
        maxDepth = std::max(maxDepth, s.depth);
    }
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.prepare(QLatin1String(DiveLookups::sameSummarySql)))
        return -1;
    q.bindValue(QStringLiteral(":time"), maxTime);
    q.bindValue(QStringLiteral(":depth"), maxDepth);
    if (!q.exec())
        return -1;
    QList<qint64> candidates;
    while (q.next()) {
        const DiveIdentity stored { q.value(1).toString(), q.value(2).toString(),
            q.value(3).toLongLong() };
        if (sameDive(identity, stored, true))
            candidates << q.value(0).toLongLong();
    }
    q.finish();
    for (const qint64 id : candidates) {
        bool same = false;
        if (sameSamples(id, profile, same) && same)
            return int(id);
    }
    return -1;
}

int LogbookDatabase::importDive(DiveProfile& profile, int* id)
{
    if (!isOpen()) {
        fail(tr("No logbook database is open."));
        return NotOpen;
    }
    const int existing = findSameDive(profile);
    if (existing >= 0) {
        if (id)
            *id = existing;
        m_lastError = tr("The dive is already in the logbook as dive %1.").arg(existing);
        return DuplicateDive;
    }
    const QString base = profile.name;
    QString name = base;
    for (int n = 2; findDive(name, profile.serial) >= 0; ++n)
        name = QStringLiteral("%1 (%2)").arg(base).arg(n);
    profile.name = name;
    const int outcome = storeDive(profile, id);
    if (outcome != Success)
        profile.name = base;
    return outcome;
}

int LogbookDatabase::storeDive(const DiveProfile& profile, int* storedId)
{
    if (!isOpen()) {
        fail(tr("No logbook database is open."));
        return NotOpen;
    }
    // The duplicate check and the id allocation belong to the transaction too, so that
    // nothing can slip in between them and the inserts. In an import batch the dive is a
    // savepoint instead: a failed dive is undone without the others.
    QSqlQuery savepoint(m_db);
    const bool begun
        = m_importing ? savepoint.exec(QStringLiteral("SAVEPOINT store_dive")) : m_db.transaction();
    if (!begun) {
        fail(m_importing ? savepoint.lastError().text() : m_db.lastError().text());
        return StatementFailed;
    }
    const auto rollback = [this, &savepoint](const QString& error, int code) {
        if (m_importing) {
            savepoint.exec(QStringLiteral("ROLLBACK TO store_dive"));
            savepoint.exec(QStringLiteral("RELEASE store_dive"));
        } else {
            m_db.rollback();
        }
        m_lastError = error;
        return code;
    };

    qint64 existing = -1;
    if (!findDiveId(profile.name, profile.serial, existing))
        return rollback(m_lastError, StatementFailed);
    if (existing >= 0)
        return rollback(tr("A dive with the same name and serial already exists."), DuplicateDive);

    QSqlQuery& maxId = m_statements->maxId;
    if (!maxId.exec())
        return rollback(maxId.lastError().text(), StatementFailed);
    qint64 highest = 0;
    if (maxId.next() && !maxId.value(0).isNull())
        highest = maxId.value(0).toLongLong();
    maxId.finish();
    // Dive ids travel as 32-bit integers through the program.
    if (highest >= std::numeric_limits<int>::max())
        return rollback(tr("No free dive id is left in the logbook."), StatementFailed);
    const qint64 id = m_requestedId > 0 ? m_requestedId : (highest < 1 ? 1 : highest + 1);

    QSqlQuery& dive = m_statements->insertDive;
    dive.bindValue(QStringLiteral(":diveid"), id);
    dive.bindValue(QStringLiteral(":name"), textValue(profile.name));
    dive.bindValue(QStringLiteral(":computer"), textValue(profile.computer));
    dive.bindValue(QStringLiteral(":datetime"), qint64(profile.dateTime));
    dive.bindValue(QStringLiteral(":serial"), textValue(profile.serial));
    dive.bindValue(QStringLiteral(":period"), int(profile.period));
    dive.bindValue(QStringLiteral(":alerts"), qint64(profile.alerts));
    dive.bindValue(QStringLiteral(":divemode"), qint64(profile.diveMode));
    dive.bindValue(QStringLiteral(":gfslow"), int(profile.gfLow));
    dive.bindValue(QStringLiteral(":gfshigh"), int(profile.gfHigh));
    dive.bindValue(QStringLiteral(":waterdensity"), qint64(profile.freshWater));
    dive.bindValue(QStringLiteral(":psurf"), millibar(profile.surfacePressure));
    dive.bindValue(QStringLiteral(":computertype"), qint64(profile.computerType));
    dive.bindValue(QStringLiteral(":firmwareversion"), textValue(profile.firmwareVersion));
    if (!dive.exec())
        return rollback(dive.lastError().text(), StatementFailed);

    QSqlQuery& gas = m_statements->insertGas;
    for (qsizetype i = 0; i < profile.gases.size(); ++i) {
        const DiveGas& g = profile.gases.at(i);
        gas.bindValue(QStringLiteral(":diveid"), id);
        gas.bindValue(QStringLiteral(":gasid"), qint64(i + 1));
        gas.bindValue(QStringLiteral(":o2"), g.o2);
        gas.bindValue(QStringLiteral(":he"), g.he);
        if (!gas.exec())
            return rollback(gas.lastError().text(), StatementFailed);
    }

    const QList<DiveSample>& samples = profile.samples;
    qsizetype next = 0;
    QSqlQuery& many = m_statements->insertSamples;
    for (; next + kSamplesPerInsert <= samples.size(); next += kSamplesPerInsert) {
        for (int row = 0; row < kSamplesPerInsert; ++row)
            bindSample(many, row, id, next + row, samples.at(next + row));
        if (!many.exec())
            return rollback(many.lastError().text(), StatementFailed);
    }
    QSqlQuery& one = m_statements->insertSample;
    for (; next < samples.size(); ++next) {
        bindSample(one, 0, id, next, samples.at(next));
        if (!one.exec())
            return rollback(one.lastError().text(), StatementFailed);
    }
    QString detailsError;
    if (!DiveDetailsStore::storeNew(m_db, id, profile, detailsError))
        return rollback(detailsError, StatementFailed);

    if (m_importing ? !savepoint.exec(QStringLiteral("RELEASE store_dive")) : !m_db.commit())
        return rollback(
            m_importing ? savepoint.lastError().text() : m_db.lastError().text(), StatementFailed);
    if (storedId)
        *storedId = int(id);
    return Success;
}

QList<LogbookDatabase::ImportOutcome> LogbookDatabase::importDives(QList<DiveProfile>& dives)
{
    const bool batch = beginImport();
    QList<ImportOutcome> outcomes;
    QStringList names;
    for (DiveProfile& dive : dives) {
        names << dive.name;
        ImportOutcome outcome;
        outcome.code = importDive(dive, &outcome.id);
        if (outcome.code != Success && outcome.code != DuplicateDive)
            outcome.error = m_lastError;
        outcomes << outcome;
    }
    if (batch && !commitImport()) {
        for (qsizetype i = 0; i < dives.size(); ++i) {
            if (outcomes.at(i).code == Success) {
                outcomes[i] = { StatementFailed, -1, m_lastError };
                dives[i].name = names.at(i);
            }
        }
    }
    return outcomes;
}

bool LogbookDatabase::beginImport()
{
    if (!isOpen())
        return fail(tr("No logbook database is open."));
    // SQLite writes dirty pages out when its cache is full, each time syncing the journal
    // first; a bounded larger cache keeps a large file's pages until the commit.
    QSqlQuery(m_db).exec(QStringLiteral("PRAGMA cache_size=-65536"));
    m_importing = m_db.transaction();
    if (m_importing)
        return true;
    const QString error = m_db.lastError().text();
    endImport();
    return fail(error);
}

void LogbookDatabase::endImport()
{
    m_importing = false;
    QSqlQuery(m_db).exec(QStringLiteral("PRAGMA cache_size=-2000"));
}

bool LogbookDatabase::commitImport()
{
    const bool committed = m_db.commit();
    const QString error = m_db.lastError().text();
    if (!committed)
        m_db.rollback();
    endImport();
    return committed || fail(error);
}

namespace {

// The dives table's columns 1 to 12 of a stored dive, checked as they are read.
void readDiveRow(const QSqlQuery& dive, DiveProfile& loaded)
{
    loaded.name = dive.value(1).toString();
    loaded.computer = dive.value(2).toString();
    qint64 dateTime = 0;
    if (readInteger(dive.value(3), dateTime))
        loaded.dateTime = dateTime;
    loaded.serial = dive.value(4).toString();
    const qint64 period = integerInRange(dive.value(5), 0, 255, 0);
    loaded.setPeriod(quint8(period == 0 ? 5 : period));
    loaded.setAlerts(quint32(integerInRange(dive.value(6), 0, 0xffffffffLL, 0)), 0);
    loaded.firmwareVersion = dive.value(7).toString();
    const DiveProfile defaults;
    loaded.diveMode = quint32(integerInRange(dive.value(8), 0, 0xffffffffLL, defaults.diveMode));
    loaded.gfLow = quint8(integerInRange(dive.value(9), 1, 100, defaults.gfLow));
    loaded.gfHigh = quint8(integerInRange(dive.value(10), 1, 100, defaults.gfHigh));
    loaded.freshWater = quint32(integerInRange(dive.value(11), 0, 1, defaults.freshWater));
    const qint64 psurf = integerInRange(dive.value(12), 500, 1100, -1);
    loaded.surfacePressure = psurf < 0 ? defaults.surfacePressure : double(psurf) / 1000.0;
}

// One profiles row; a gas index past the dive's gasCount gases reads as unknown.
DiveSample sampleOfRow(const QSqlQuery& samples, qint64 gasCount)
{
    DiveSample s;
    s.time = realValue(samples.value(0));
    s.depth = realValue(samples.value(1));
    s.temperature = realValue(samples.value(2));
    s.otu = realValue(samples.value(3));
    s.cns = realValue(samples.value(4));
    s.decoCeiling = realValue(samples.value(5));
    s.gradientFactor = realValue(samples.value(6));
    s.alertFlags = quint8(integerInRange(samples.value(7), 0, 255, 0));
    // Copy what the blob holds, at most 16 bytes; the rest stays zero.
    const QByteArray tissues = samples.value(8).toByteArray();
    std::memcpy(
        s.tissues, tissues.constData(), size_t(qMin<qsizetype>(tissues.size(), sizeof s.tissues)));
    // Stored counted from 1 (0 unknown); an index past the dive's gases is unknown too,
    // so that no reader indexes outside the gas list.
    const qint64 stored = integerInRange(samples.value(9), 1, gasCount, 0);
    s.gasIndex = qint32(stored - 1);
    return s;
}

} // namespace

bool LogbookDatabase::loadDive(int diveId, DiveProfile& profile)
{
    if (!isOpen())
        return fail(tr("No logbook database is open."));

    QSqlQuery& dive = m_statements->selectDive;
    dive.bindValue(QStringLiteral(":diveid"), diveId);
    if (!dive.exec())
        return fail(dive.lastError().text());
    if (!dive.next()) {
        dive.finish();
        return fail(tr("There is no dive %1 in the logbook.").arg(diveId));
    }

    // A fresh profile: nothing of the dive shown before may leak into this one.
    DiveProfile loaded;
    readDiveRow(dive, loaded);
    dive.finish();

    QSqlQuery& gases = m_statements->selectGases;
    gases.bindValue(QStringLiteral(":diveid"), diveId);
    if (!gases.exec())
        return fail(gases.lastError().text());
    while (gases.next()) {
        DiveGas gas;
        gas.id = gases.value(0).toString();
        gas.o2 = int(integerInRange(gases.value(1), 0, 100, 0));
        gas.he = int(integerInRange(gases.value(2), 0, 100, 0));
        DiveProfile::gasName(gas);
        loaded.gases.append(gas);
    }
    gases.finish();

    QSqlQuery& samples = m_statements->selectSamples;
    samples.bindValue(QStringLiteral(":diveid"), diveId);
    if (!samples.exec())
        return fail(samples.lastError().text());
    const qint64 gasCount = loaded.gases.size();
    while (samples.next()) {
        loaded.samples.append(sampleOfRow(samples, gasCount));
    }
    if (samples.lastError().isValid())
        return fail(samples.lastError().text());
    samples.finish();
    QString detailsError;
    if (!DiveDetailsStore::load(m_db, diveId, loaded, detailsError))
        return fail(detailsError);

    // A dive without samples keeps the summary stored with it.
    if (!loaded.samples.isEmpty())
        loaded.computeStatistics();
    loaded.computeSpeeds(false);
    profile = std::move(loaded);
    return true;
}

bool DiveFilter::acceptsTimeOfDay(const QTime& time) const
{
    const int t = time.msecsSinceStartOfDay();
    const int from = std::max(fromTime, 0);
    const int to = std::max(toTime, 0);
    return from <= to ? t >= from && t <= to : t >= from || t <= to;
}
