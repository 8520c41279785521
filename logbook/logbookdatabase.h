#pragma once

#include "dive/diveprofile.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <memory>

struct DiveDetails;
struct DiveSite;
struct DiveTrip;
struct DiveStatistics;

// One row of the dive list.
struct DiveListEntry
{
    int diveId = -1;
    QString name;
    QString serial;
    QDateTime dateTime; // start, from the stored seconds since 1970, in UTC (Qt::UTC)
    QString computer;
    double maxTime = 0; // s, largest sample time
    double maxDepth = 0; // m, largest sample depth
    int number = 0;
    QString site;
    QString location;
    QStringList buddies;
    int rating = 0;
    QStringList tags;
    bool hasTemperature = false;
    double minTemperature = 0; // degrees C, lowest sample temperature
    bool hasProfile = true; // false for a dive stored with its summary only
    int tripId = 0; // 0 in no trip
    QString trip;
    double sac = 0; // L/min at the surface, 0 unknown
    QString gases; // "O2/He" of each gas, comma separated
};
// Moved as plain bytes when a list grows or is reordered (its members all are).
Q_DECLARE_TYPEINFO(DiveListEntry, Q_RELOCATABLE_TYPE);

// The dive list's filter; all restrictions off by default.
struct DiveFilter
{
    bool byComputer = false;
    QStringList computers; // names to keep; an active filter with no name keeps no dive
    bool byDate = false;
    QDateTime from; // start of the first day
    bool hasTo = false;
    QDateTime to; // start of the last day
    bool byTime = false; // the hour of the day, on every day the dates keep
    int fromTime = -1; // ms since midnight, -1 not set (taken as 0)
    int toTime = -1; // ms since midnight, -1 not set (taken as 0)
    // Words typed in the search box; blank searches nothing.
    QString search;

    // Both ends included; a start later than the end spans midnight (a night dive from 22:00
    // to 02:00).
    bool acceptsTimeOfDay(const QTime& time) const;
    bool isActive() const { return byComputer || byDate; }
};

// The process-wide SQLite logbook: tables dives, profiles and gases in one file.
// Operations that write are all-or-nothing: a failure rolls back and leaves the file as it was.
class LogbookDatabase
{
public:
    // Outcome codes of openOrCreate and storeDive.
    enum Outcome : int {
        Success = 0,
        NotOpen
        = 1, // openOrCreate: the file cannot be opened as a logbook; others: no logbook open
        DuplicateDive = 2, // a dive with the same name and serial exists
        StatementFailed = 3, // an SQL statement failed; lastError() says which
    };

    static LogbookDatabase& instance();

    // Opens the logbook file, creating it or bringing an older file up to date. A file that
    // is not an SQLite database, is damaged, holds other tables or cannot be written is
    // refused with NotOpen and left exactly as it was.
    int openOrCreate(const QString& path);
    void close();
    bool isOpen() const;
    QString fileName() const;

    // Stores the dive with a newly allocated id (written to storedId when given).
    int storeDive(const DiveProfile& profile, int* storedId = nullptr);
    // Id of a stored dive that is this dive by sameDive (logbook/samedive.h), or -1 (also when
    // the lookup fails). File names play no part.
    int findSameDive(const DiveProfile& profile);
    // Stores a dive read from a file unless the logbook has it already. Returns Success (id
    // is the new dive's), DuplicateDive (id is the stored dive's) or a failure code, with
    // nothing stored. A different dive whose name and serial are taken is stored under its
    // name with " (2)", " (3)"... added; profile.name then holds the name stored.
    int importDive(DiveProfile& profile, int* id = nullptr);
    // What importDive returned for one dive: its outcome code, its id (new or the stored
    // dive's) and, for a failure, the reason.
    struct ImportOutcome
    {
        int code = StatementFailed;
        int id = -1;
        QString error;
    };
    // Imports the dives of one file in one write (one sync instead of one per dive), each dive
    // all or nothing as importDive does; names are updated to those stored. When the write
    // fails, none is stored: the dives it held are reported as failed, with their names back.
    QList<ImportOutcome> importDives(QList<DiveProfile>& dives);
    // Replaces profile with the stored dive; profile is untouched when false is returned.
    bool loadDive(int diveId, DiveProfile& profile);
    // Entries in display order (by serial, then computer) and the number of computer groups
    // (runs of equal serial). False when the query failed; entries are then empty.
    bool listDives(const DiveFilter& filter, QList<DiveListEntry>& entries, int& computerCount);
    // The orders visitDives can hand the dives in; ties go by id, in the same direction.
    // ById is the order the dives were stored in, which costs no sorting.
    enum class ListOrder { BySerial, NewestFirst, HighestNumber, DeepestFirst, LongestFirst, ById };
    // Hands each dive the filter keeps to visit, one at a time, without keeping them: what a
    // listing of many dives needs. visit may take the entry's values. False when the query
    // failed.
    bool visitDives(const DiveFilter& filter, ListOrder order,
        const std::function<void(DiveListEntry&)>& visit);
    // The statistics of the dives the filter keeps, computed by SQLite's aggregates without
    // listing the dives (implemented in logbooksqlstats.cpp). False when a query failed.
    bool statistics(const DiveFilter& filter, DiveStatistics& stats);
    QStringList listComputers();
    // Id of the first dive with that name and serial, or -1.
    int findDive(const QString& name, const QString& serial);
    // False when there is no such dive, another dive of the same serial has that name, or the
    // update failed.
    bool renameDive(int diveId, const QString& newName);
    // False when there is no such dive or a delete failed (nothing is then deleted).
    bool deleteDive(int diveId);

    // The diver's details (implemented in divedetails.cpp). updateDetails refuses, changing
    // nothing, an unknown dive or details that checkDetails refuses.
    bool loadDetails(int diveId, DiveDetails& details);
    bool updateDetails(int diveId, const DiveDetails& details);
    // Numbers every dive 1, 2, ... in date order.
    bool renumberDives();
    // Every dive's number by id (0 not numbered), and all of them put back at once (implemented
    // in divenumbers.cpp): what undoing a renumbering needs.
    bool diveNumbers(QHash<int, int>& numbers);
    bool setDiveNumbers(const QHash<int, int>& numbers);
    // Stores a dive again (undo of its delete) under preferredId when that id is free.
    int restoreDive(const DiveProfile& profile, int preferredId, int* storedId = nullptr);

    // Replaces the dive's cylinders (sizes, pressures) and updates its air use (tankstore.cpp).
    bool updateTanks(int diveId, const QList<DiveProfile::TankPressure>& tanks);

    // Sites and trips (sites.cpp, trips.cpp). Storing a site or trip with id -1 creates it
    // (the id is written back), with a free id given restores it under that id; otherwise it
    // updates it, and the dives of a site get its name and location. A name (and location)
    // that another site or trip has is refused: merge instead.
    bool listSites(QList<DiveSite>& sites);
    bool loadSite(int siteId, DiveSite& site);
    // Ids of the sites with that name, oldest first.
    QList<int> findSites(const QString& name);
    bool storeSite(DiveSite& site, bool create = false);
    // Removes the site; its dives keep their texts but link no site.
    bool deleteSite(int siteId);
    // The dives of gone link keep instead, and gone is removed.
    bool mergeSites(int keepId, int goneId);
    QList<int> diveIdsOfSite(int siteId);
    // The buddies or tags of every dive, each once, sorted: what the Summary completes from.
    enum class UsedList { Buddies, Tags };
    QStringList usedNames(UsedList list);
    bool linkDivesToSite(const QList<int>& diveIds, int siteId);
    bool listTrips(QList<DiveTrip>& trips);
    bool loadTrip(int tripId, DiveTrip& trip);
    int findTrip(const QString& name); // -1 when there is none
    bool storeTrip(DiveTrip& trip, bool create = false);
    // Removes the trip; its dives stay, in no trip.
    bool deleteTrip(int tripId);
    QList<int> diveIdsOfTrip(int tripId);
    // Puts the dives in the trip (0: in no trip).
    bool setDivesTrip(const QList<int>& diveIds, int tripId);
    // Of the given dives, those in no trip in date order, cut where two follow each other by
    // more than two days; runs of one dive are left out.
    QList<QList<int>> suggestTrips(const QList<int>& diveIds);

    QString lastError() const { return m_lastError; }

private:
    LogbookDatabase();
    ~LogbookDatabase();
    LogbookDatabase(const LogbookDatabase&) = delete;
    LogbookDatabase& operator=(const LogbookDatabase&) = delete;

    struct Statements;

    int prepareSchema();
    // The WHERE terms of a filter's computers, days and search, with their bound values; the
    // time of day is not among them.
    static void filterConditions(
        const DiveFilter& filter, QStringList& conditions, QVariantList& values);
    bool prepareStatements();
    bool findDiveId(const QString& name, const QString& serial, qint64& id);
    bool sameSamples(qint64 diveId, const DiveProfile& profile, bool& same);
    bool fail(const QString& text);
    // Runs step in one transaction: rolled back, with its error kept, when it fails.
    bool inTransaction(const std::function<bool(QString& error)>& step);
    bool beginImport();
    bool commitImport();
    void endImport();
    bool m_importing = false; // between beginImport and commitImport

    QSqlDatabase m_db;
    QString m_lastError;
    std::unique_ptr<Statements> m_statements;
    int m_requestedId = 0; // restoreDive's id for the next storeDive, 0 none
};
