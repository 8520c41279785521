#include "logbook/logbookdatabase.h"

#include "dive/diveprofile.h"
#include "logbook/divedetails.h"
#include "logbook/divelookups.h"
#include "logbook/diveplaces.h"
#include "logbook/logbookfilecheck.h"
#include "logbook/samedive.h"
#include "logbook/sqlitestatement.h"
#include "logbook/statementcache.h"
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
// storeDive inserts a dive's samples kSamplesPerInsert rows a statement (one statement a sample
// spent more in its own overhead than in the insert), the rest one by one, straight on SQLite.
constexpr int kSamplesPerInsert = 32;
const char* const sampleColumns[] = { "diveid", "pointid", "time", "depth", "temperature", "OTU",
    "CNS", "decoCeiling", "gradientFactor", "alertFlag", "tissues", "gasindex" };
constexpr int kSampleColumns = int(std::size(sampleColumns));

QString insertSamplesSql(int rows)
{
    QStringList columns;
    for (const char* column : sampleColumns)
        columns << QLatin1String(column);
    const QString tuple = QLatin1Char('(')
        + QStringList(kSampleColumns, QStringLiteral("?")).join(QStringLiteral(", "))
        + QLatin1Char(')');
    return QStringLiteral("INSERT INTO profiles (%1) VALUES %2")
        .arg(columns.join(QStringLiteral(", ")),
            QStringList(rows, tuple).join(QStringLiteral(", ")));
}

// Binds one sample as row row of the statement.
void bindSample(SqliteStatement& q, int row, qint64 diveId, qsizetype index, const DiveSample& s)
{
    const int first = row * kSampleColumns + 1;
    q.bind(first, diveId);
    q.bind(first + 1, qint64(index));
    q.bind(first + 2, s.time);
    q.bind(first + 3, s.depth);
    q.bind(first + 4, s.temperature);
    q.bind(first + 5, s.otu);
    q.bind(first + 6, s.cns);
    q.bind(first + 7, s.decoCeiling);
    q.bind(first + 8, s.gradientFactor);
    q.bind(first + 9, qint64(s.alertFlags));
    // The sample outlives the statement's run: its bytes need no copy.
    q.bindBlob(first + 10, s.tissues, int(sizeof s.tissues));
    // Stored counted from 1 with 0 for unknown, as downloads have always written it.
    q.bind(first + 11, s.gasIndex >= 0 ? qint64(s.gasIndex) + 1 : 0);
}

const char maxIdSql[] = "SELECT MAX(diveid) FROM dives";
const char selectDiveSql[]
    = "SELECT diveid, name, computer, datetime, serial, period, alerts, firmwareversion, "
      "divemode, gfslow, gfshigh, waterdensity, psurf FROM dives WHERE diveid=:diveid";
const char selectGasesSql[] = "select gasid, o2, he from gases where diveid=:diveid ORDER BY gasid";
const char selectSamplesSql[]
    = "select time, depth, temperature, OTU, CNS, decoCeiling, gradientFactor, alertFlag, "
      "tissues, gasindex from profiles where diveid=? ORDER BY pointid";

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
        , findDive(db)
        , maxId(db)
        , selectDive(db)
        , selectGases(db)
        , cache(db)
    { }
    QSqlQuery insertDive;
    QSqlQuery insertGas;
    QSqlQuery findDive;
    QSqlQuery maxId;
    QSqlQuery selectDive;
    QSqlQuery selectGases;
    StatementCache cache; // the details' and lookups' statements of each stored dive
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

int LogbookDatabase::readTables(QSet<QString>& tables)
{
    QSqlQuery q(m_db);
    // Reading the schema proves the file is a readable database before anything is written.
    if (!q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table'"))) {
        fail(tr("The file is not a readable logbook database: %1").arg(q.lastError().text()));
        return NotOpen;
    }
    while (q.next())
        tables.insert(q.value(0).toString().toLower());
    q.finish();
    // SQLite table names ignore case, so compare them the same way.
    if (tables.isEmpty())
        return Success;
    bool ok = true;
    bool known
        = tables.contains(QStringLiteral("dives")) && tables.contains(QStringLiteral("profiles"));
    if (known)
        known = hasColumns(columnsOf(m_db, QStringLiteral("dives"), ok), baseDivesColumns)
            && hasColumns(columnsOf(m_db, QStringLiteral("profiles"), ok), baseProfilesColumns);
    if (known && tables.contains(QStringLiteral("gases")))
        known = hasColumns(columnsOf(m_db, QStringLiteral("gases"), ok), baseGasesColumns);
    if (!ok) {
        fail(tr("The file is not a readable logbook database: %1").arg(m_db.lastError().text()));
        return NotOpen;
    }
    if (!known) {
        fail(tr("The file is an SQLite database but not a dive logbook."));
        return NotOpen;
    }
    return Success;
}

int LogbookDatabase::prepareSchema()
{
    QSet<QString> tables;
    const int readable = readTables(tables);
    if (readable != Success)
        return readable;
    const bool fresh = tables.isEmpty();
    QSqlQuery q(m_db);

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
    };
    for (const auto& [query, sql] : all) {
        query->setForwardOnly(true);
        if (!query->prepare(QLatin1String(sql)))
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
    QSqlQuery* q = m_statements->cache.prepared(
        QStringLiteral("SELECT time, depth FROM profiles WHERE diveid=:diveid ORDER BY pointid"),
        m_lastError);
    if (!q)
        return false;
    q->bindValue(QStringLiteral(":diveid"), diveId);
    if (!q->exec())
        return fail(q->lastError().text());
    qsizetype i = 0;
    const qsizetype count = profile.samples.size();
    bool differ = false;
    while (!differ && q->next()) {
        // Stored REAL values read back bit for bit, so equality is exact.
        differ = i >= count || realValue(q->value(0)) != profile.samples.at(i).time
            || realValue(q->value(1)) != profile.samples.at(i).depth;
        ++i;
    }
    q->finish();
    same = !differ && i == count;
    return true;
}

// Id of a stored dive of the same computer starting within a minute, or -1.
qint64 LogbookDatabase::sameStart(const DiveProfile& profile)
{
    const DiveIdentity identity = DiveIdentity::of(profile);
    QString error;
    QSqlQuery* q = m_statements->cache.prepared(QLatin1String(DiveLookups::sameStartSql), error);
    if (!q)
        return -1;
    q->bindValue(QStringLiteral(":from"), qint64(profile.dateTime) - kSameStartS);
    q->bindValue(QStringLiteral(":to"), qint64(profile.dateTime) + kSameStartS);
    qint64 found = -1;
    if (!q->exec())
        return -1;
    while (found < 0 && q->next()) {
        const DiveIdentity stored { q->value(1).toString(), q->value(2).toString(),
            q->value(3).toLongLong() };
        if (sameDive(identity, stored, false))
            found = q->value(0).toLongLong();
    }
    q->finish();
    return found;
}

int LogbookDatabase::findSameDive(const DiveProfile& profile)
{
    if (!isOpen())
        return -1;
    // The same computer and a start within a minute. Dives that name no computer (CSV files)
    // have no identity to compare.
    const bool identified = !profile.serial.isEmpty() || !profile.computer.isEmpty();
    if (identified && profile.dateTime != 0) {
        const qint64 id = sameStart(profile);
        if (id >= 0)
            return int(id);
    }
    if (profile.samples.isEmpty())
        return -1;
    // The same samples: the largest time and depth come from the dive's summary in its details
    // (an index seek); only dives matching both, whose start and computer allow them to be this
    // dive, are compared sample by sample. Seeking the profiles of every stored dive made a
    // large import quadratic.
    double maxTime = profile.samples.constFirst().time;
    double maxDepth = profile.samples.constFirst().depth;
    for (const DiveSample& s : profile.samples) {
        maxTime = std::max(maxTime, s.time);
        maxDepth = std::max(maxDepth, s.depth);
    }
    QString error;
    QSqlQuery* q = m_statements->cache.prepared(QLatin1String(DiveLookups::sameSummarySql), error);
    if (!q)
        return -1;
    q->bindValue(QStringLiteral(":time"), maxTime);
    q->bindValue(QStringLiteral(":depth"), maxDepth);
    if (!q->exec())
        return -1;
    const DiveIdentity identity = DiveIdentity::of(profile);
    QList<qint64> candidates;
    while (q->next()) {
        const DiveIdentity stored { q->value(1).toString(), q->value(2).toString(),
            q->value(3).toLongLong() };
        if (sameDive(identity, stored, true))
            candidates << q->value(0).toLongLong();
    }
    q->finish();
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

// The dive's row in dives and its gases.
bool LogbookDatabase::insertDiveRows(qint64 id, const DiveProfile& profile, QString& error)
{
    const auto failed = [&error](const QSqlQuery& q) {
        error = q.lastError().text();
        return false;
    };
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
        return failed(dive);

    QSqlQuery& gas = m_statements->insertGas;
    for (qsizetype i = 0; i < profile.gases.size(); ++i) {
        const DiveGas& g = profile.gases.at(i);
        gas.bindValue(QStringLiteral(":diveid"), id);
        gas.bindValue(QStringLiteral(":gasid"), qint64(i + 1));
        gas.bindValue(QStringLiteral(":o2"), g.o2);
        gas.bindValue(QStringLiteral(":he"), g.he);
        if (!gas.exec())
            return failed(gas);
    }
    return true;
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

    QString error;
    if (!insertDiveRows(id, profile, error) || !storeSamples(id, profile.samples, error)
        || !DiveDetailsStore::storeNew(m_statements->cache, id, profile, error))
        return rollback(error, StatementFailed);

    if (m_importing ? !savepoint.exec(QStringLiteral("RELEASE store_dive")) : !m_db.commit())
        return rollback(
            m_importing ? savepoint.lastError().text() : m_db.lastError().text(), StatementFailed);
    if (storedId)
        *storedId = int(id);
    return Success;
}

bool LogbookDatabase::storeSamples(qint64 id, const QList<DiveSample>& samples, QString& error)
{
    static const QString manySql = insertSamplesSql(kSamplesPerInsert);
    static const QString oneSql = insertSamplesSql(1);
    SqliteStatement* many = m_statements->cache.direct(manySql, error);
    SqliteStatement* one = m_statements->cache.direct(oneSql, error);
    if (!many || !one)
        return false;
    qsizetype next = 0;
    for (; next + kSamplesPerInsert <= samples.size(); next += kSamplesPerInsert) {
        for (int row = 0; row < kSamplesPerInsert; ++row)
            bindSample(*many, row, id, next + row, samples.at(next + row));
        if (!many->run(error))
            return false;
    }
    for (; next < samples.size(); ++next) {
        bindSample(*one, 0, id, next, samples.at(next));
        if (!one->run(error))
            return false;
    }
    return true;
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
    // Each dive's savepoint keeps the pages it changes in a sub-journal, a temporary file
    // written a page at a time (1.5 million writes for 2,000 dives); in memory it costs a few
    // pages per dive, dropped as the dive is released.
    QSqlQuery(m_db).exec(QStringLiteral("PRAGMA temp_store=MEMORY"));
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
    QSqlQuery(m_db).exec(QStringLiteral("PRAGMA temp_store=DEFAULT"));
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

// The stored values as loadDive reads them, straight from SQLite when they have their column's
// type (every row this program writes), through the QVariant rules otherwise.
double storedReal(const SqliteStatement& q, int column)
{
    return q.isNumber(column) ? q.real(column) : realValue(q.value(column));
}

qint64 storedInteger(const SqliteStatement& q, int column, qint64 low, qint64 high)
{
    if (!q.isInteger(column))
        return integerInRange(q.value(column), low, high, 0);
    const qint64 v = q.integer(column);
    return v < low || v > high ? 0 : v;
}

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

} // namespace

bool LogbookDatabase::loadSamples(
    qint64 diveId, qint64 gasCount, QList<DiveSample>& samples, QString& error)
{
    SqliteStatement* q = m_statements->cache.direct(QLatin1String(selectSamplesSql), error);
    if (!q)
        return false;
    q->reset();
    q->bind(1, diveId);
    while (q->next()) {
        DiveSample s;
        s.time = storedReal(*q, 0);
        s.depth = storedReal(*q, 1);
        s.temperature = storedReal(*q, 2);
        s.otu = storedReal(*q, 3);
        s.cns = storedReal(*q, 4);
        s.decoCeiling = storedReal(*q, 5);
        s.gradientFactor = storedReal(*q, 6);
        s.alertFlags = quint8(storedInteger(*q, 7, 0, 255));
        // Copy what the blob holds, at most 16 bytes; the rest stays zero.
        const QByteArray other = q->isBlob(8) ? QByteArray() : q->value(8).toByteArray();
        const QByteArrayView tissues = q->isBlob(8) ? q->blob(8) : other;
        if (!tissues.isEmpty())
            std::memcpy(s.tissues, tissues.data(),
                size_t(qMin<qsizetype>(tissues.size(), sizeof s.tissues)));
        // Stored counted from 1 (0 unknown); an index past the dive's gases is unknown too,
        // so that no reader indexes outside the gas list.
        s.gasIndex = qint32(storedInteger(*q, 9, 1, gasCount) - 1);
        samples.append(s);
    }
    error = q->error();
    q->reset();
    return error.isEmpty();
}

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

    QString error;
    if (!loadSamples(diveId, loaded.gases.size(), loaded.samples, error))
        return fail(error);
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
