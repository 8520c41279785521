#include "cli/logbookdetailscommand.h"

#include "cli/clioptions.h"
#include "cli/cliunits.h"
#include "cli/replayjson.h"
#include "dive/airuse.h"
#include "dive/diveprofile.h"
#include "dive/formattime.h"
#include "logbook/divedetails.h"
#include "logbook/diveplaces.h"
#include "logbook/logbookdatabase.h"
#include "logbook/logbookstats.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <QMap>
#include <QSet>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <optional>

namespace cli {

static QDateTime parseDay(const QString& text)
{
    QDate day = QDate::fromString(text, Qt::ISODate);
    if (!day.isValid())
        day = QDate::fromString(text, QStringLiteral("dd/MM/yyyy"));
    return day.isValid() ? QDateTime(day, QTime(0, 0)) : QDateTime();
}

bool diveIdsByDate(LogbookDatabase& db, const DiveFilter& filter, QList<int>& ids, QTextStream& err)
{
    QList<DiveListEntry> entries;
    int computers = 0;
    if (!db.listDives(filter, entries, computers)) {
        err << QStringLiteral("listing failed: %1\n").arg(db.lastError());
        return false;
    }
    std::stable_sort(entries.begin(), entries.end(),
        [](const DiveListEntry& a, const DiveListEntry& b) { return a.dateTime < b.dateTime; });
    for (const DiveListEntry& e : entries)
        ids << e.diveId;
    return true;
}

bool loadDives(
    LogbookDatabase& db, const QList<int>& ids, QList<DiveProfile>& dives, QTextStream& err)
{
    for (const int id : ids) {
        DiveProfile dive;
        if (!db.loadDive(id, dive)) {
            err << QStringLiteral("no dive %1 in the logbook\n").arg(id);
            return false;
        }
        dives << std::move(dive);
    }
    return true;
}

bool readFilter(const Options& o, DiveFilter& filter, QTextStream& err)
{
    const QStringList computers = o.all("--computer");
    if (!computers.isEmpty()) {
        filter.byComputer = true;
        filter.computers = computers;
    }
    if (o.values.contains("--from") || o.values.contains("--to")) {
        filter.from = parseDay(o.values.contains("--from") ? o.value("--from") : "1970-01-01");
        if (!filter.from.isValid()) {
            err << "--from takes a date such as 2026-06-30\n";
            return false;
        }
        filter.byDate = true;
        if (o.values.contains("--to")) {
            filter.to = parseDay(o.value("--to"));
            if (!filter.to.isValid()) {
                err << "--to takes a date such as 2026-06-30\n";
                return false;
            }
            filter.hasTo = true;
        }
    }
    return true;
}

namespace {

// An integer option, or nothing when the text is not a whole number.
std::optional<int> wholeNumber(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

// A repeated option gives the whole list; an empty value alone clears it.
QStringList listOption(const Options& o, const QString& name)
{
    QStringList list = o.all(name);
    list.removeAll(QString());
    return list;
}

// JSON text of a string, escaped as JSON requires.
void appendJsonString(QString& out, const QString& text)
{
    out += QLatin1Char('"');
    // Most texts need no escape: one append.
    const bool plain = std::none_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.unicode() < 0x20 || c == QLatin1Char('"') || c == QLatin1Char('\\');
    });
    if (plain) {
        out += text;
        out += QLatin1Char('"');
        return;
    }
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"':
            out += QLatin1String("\\\"");
            break;
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += QLatin1Char('"');
}

void appendJsonList(QString& out, const QStringList& list)
{
    out += QLatin1Char('[');
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (i > 0)
            out += QLatin1String(", ");
        appendJsonString(out, list[i]);
    }
    out += QLatin1Char(']');
}

QString number(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

// Local time (seconds since 1970 on the local clock) as "2026-06-30T14:05:09", padded by hand:
// the formatter is slow for 10,000 rows.
void appendLocalTime(QString& out, qint64 localSeconds)
{
    const qint64 day
        = localSeconds >= 0 ? localSeconds / 86400 : -((-localSeconds + 86399) / 86400);
    const int second = int(localSeconds - day * 86400);
    int year = 0;
    int month = 0;
    int dayOfMonth = 0;
    QDate::fromJulianDay(day + 2440588).getDate(&year, &month, &dayOfMonth); // 1970-01-01
    const auto two = [&out](int v) {
        out += QLatin1Char(char('0' + v / 10));
        out += QLatin1Char(char('0' + v % 10));
    };
    if (year >= 0 && year < 10000) {
        two(year / 100);
        two(year % 100);
    } else {
        out += QString::number(year);
    }
    out += QLatin1Char('-');
    two(month);
    out += QLatin1Char('-');
    two(dayOfMonth);
    out += QLatin1Char('T');
    two(second / 3600);
    out += QLatin1Char(':');
    two(second / 60 % 60);
    out += QLatin1Char(':');
    two(second % 60);
}

// One dive of the list as a JSON object on one line.
void appendEntryJson(QString& out, const DiveListEntry& e, const LocalClock& clock)
{
    out += QLatin1String("    {\"id\": ");
    out += QString::number(e.diveId);
    out += QLatin1String(", \"number\": ");
    out += QString::number(e.number);
    out += QLatin1String(", \"name\": ");
    appendJsonString(out, e.name);
    out += QLatin1String(", \"computer\": ");
    appendJsonString(out, e.computer);
    out += QLatin1String(", \"serial\": ");
    appendJsonString(out, e.serial);
    out += QLatin1String(", \"start\": \"");
    appendLocalTime(out, clock.localSeconds(e.dateTime.toSecsSinceEpoch()));
    out += QLatin1String("\", \"duration\": ");
    out += number(e.maxTime);
    out += QLatin1String(", \"maxDepth\": ");
    out += number(e.maxDepth);
    out += QLatin1String(", \"site\": ");
    appendJsonString(out, e.site);
    out += QLatin1String(", \"location\": ");
    appendJsonString(out, e.location);
    out += QLatin1String(", \"buddies\": ");
    appendJsonList(out, e.buddies);
    out += QLatin1String(", \"rating\": ");
    out += QString::number(e.rating);
    out += QLatin1String(", \"tags\": ");
    appendJsonList(out, e.tags);
    out += QLatin1Char('}');
}

// --units, checked when the logbook command began: the text outputs follow it, JSON stays SI.
DisplayUnits unitsOf(const Options& o)
{
    DisplayUnits units;
    unitsNamed(o.value("--units"), units);
    return units;
}

void printEntry(
    const DiveListEntry& e, const LocalClock& clock, const DisplayUnits& units, QTextStream& out)
{
    out << QStringLiteral("  %1  %2  %3  %4  %5  %6  %7\n")
               .arg(e.diveId, 5)
               .arg(e.number > 0 ? QString::number(e.number) : QStringLiteral("-"), 5)
               .arg(e.name, -12)
               .arg(clock.toLocal(e.dateTime.toSecsSinceEpoch()).toString("dd/MM/yyyy hh:mm:ss"))
               .arg(formatTime(int(std::lround(e.maxTime))), 8)
               .arg(depthText(e.maxDepth, units))
               .arg(e.site);
}

// Streams the dives straight from the query to the output: 10,000 dives are never all held in
// memory, as objects or as one JSON document.
int listOrSearch(const Options& o, bool search, QTextStream& out, QTextStream& err)
{
    DiveFilter filter;
    if (!readFilter(o, filter, err))
        return ExitUsage;
    if (search) {
        if (o.positional.size() < 2) {
            err << "usage: veltra-cli logbook [--db PATH] search WORDS... [--json]\n";
            return ExitUsage;
        }
        filter.search = o.positional.mid(1).join(QLatin1Char(' '));
    }
    using Order = LogbookDatabase::ListOrder;
    const QMap<QString, Order> orders
        = { { "date", Order::NewestFirst }, { "number", Order::HighestNumber },
              { "depth", Order::DeepestFirst }, { "duration", Order::LongestFirst } };
    const QString sort = o.values.contains("--sort") ? o.value("--sort") : QStringLiteral("date");
    if (!orders.contains(sort)) {
        err << "--sort takes date, number, depth or duration\n";
        return ExitUsage;
    }
    const bool json = o.has("--json");
    const DisplayUnits units = unitsOf(o);
    const LocalClock clock;
    QSet<QString> serials;
    QString chunk;
    int count = 0;
    if (json)
        out << "{\n  \"dives\": [";
    LogbookDatabase& db = LogbookDatabase::instance();
    const bool done = db.visitDives(filter, orders.value(sort), [&](const DiveListEntry& e) {
        serials.insert(e.serial);
        if (json) {
            chunk += count == 0 ? QLatin1String("\n") : QLatin1String(",\n");
            appendEntryJson(chunk, e, clock);
            if (chunk.size() > 65536) {
                out << chunk;
                chunk.clear();
            }
        } else {
            printEntry(e, clock, units, out);
        }
        ++count;
    });
    if (!done) {
        if (json)
            out << chunk << "\n  ]\n}\n";
        err << QStringLiteral("listing failed: %1\n").arg(db.lastError());
        return ExitFailed;
    }
    if (json) {
        out << chunk << (count > 0 ? "\n  ],\n" : "],\n")
            << QStringLiteral("  \"computers\": %1\n}\n").arg(serials.size());
        return ExitOk;
    }
    out << QStringLiteral("%1 Computers/%2 Dives\n").arg(serials.size()).arg(count);
    return ExitOk;
}

// The dive id argument; a text that is no id names no dive either.
std::optional<int> diveIdArgument(const Options& o, QTextStream& err)
{
    const std::optional<int> id = wholeNumber(o.positional[1]);
    if (!id || *id <= 0) {
        err << QStringLiteral("no dive %1 in the logbook\n").arg(o.positional[1]);
        return std::nullopt;
    }
    return id;
}

// The dive goes to the site of that name where there is one (the oldest of several), otherwise
// to a new site at the dive's location.
void pickSite(const QString& name, DiveDetails& details)
{
    LogbookDatabase& db = LogbookDatabase::instance();
    const QList<int> ids = db.findSites(name);
    DiveSite site;
    details.site = name;
    if (ids.isEmpty() || !db.loadSite(ids.first(), site))
        return;
    details.location = site.location;
    details.country = site.country;
    details.position = site.position;
}

int edit(const Options& o, QTextStream& out, QTextStream& err)
{
    if (o.positional.size() != 2) {
        err << "usage: veltra-cli logbook [--db PATH] edit ID [--number N] [--site TEXT] "
               "[--location TEXT] [--trip NAME] [--buddy TEXT]... [--notes TEXT] [--rating 0-5] "
               "[--tag TEXT]...\n";
        return ExitUsage;
    }
    LogbookDatabase& db = LogbookDatabase::instance();
    const std::optional<int> id = diveIdArgument(o, err);
    DiveDetails details;
    if (!id)
        return ExitFailed;
    if (!db.loadDetails(*id, details)) {
        err << db.lastError() << '\n';
        return ExitFailed;
    }
    if (o.values.contains("--number")) {
        const std::optional<int> number = wholeNumber(o.value("--number"));
        if (!number || *number < 0) {
            err << QStringLiteral("--number takes a whole number of 0 or more, not \"%1\"\n")
                       .arg(o.value("--number"));
            return ExitFailed;
        }
        details.number = *number;
    }
    if (o.values.contains("--rating")) {
        const std::optional<int> rating = wholeNumber(o.value("--rating"));
        if (!rating || *rating < 0 || *rating > 5) {
            err << QStringLiteral("--rating takes 0 to 5, not \"%1\"\n").arg(o.value("--rating"));
            return ExitFailed;
        }
        details.rating = *rating;
    }
    if (o.values.contains("--site"))
        pickSite(o.value("--site"), details);
    if (o.values.contains("--location"))
        details.location = o.value("--location");
    if (o.values.contains("--trip"))
        details.trip = o.value("--trip");
    if (o.values.contains("--notes"))
        details.notes = o.value("--notes");
    if (o.values.contains("--buddy"))
        details.buddies = listOption(o, "--buddy");
    if (o.values.contains("--tag"))
        details.tags = listOption(o, "--tag");
    if (!db.updateDetails(*id, details)) {
        err << QStringLiteral("dive %1 not changed: %2\n").arg(*id).arg(db.lastError());
        return ExitFailed;
    }
    out << QStringLiteral("dive %1 updated\n").arg(*id);
    return ExitOk;
}

int show(const Options& o, QTextStream& out, QTextStream& err)
{
    if (o.positional.size() != 2) {
        err << "usage: veltra-cli logbook [--db PATH] show ID [--json [--replay [--gf "
               "LOW/HIGH]]]\n";
        return ExitUsage;
    }
    const std::optional<int> id = diveIdArgument(o, err);
    DiveProfile dive;
    if (!id)
        return ExitFailed;
    if (!LogbookDatabase::instance().loadDive(*id, dive)) {
        err << LogbookDatabase::instance().lastError() << '\n';
        return ExitFailed;
    }
    QJsonObject info = diveInfoJson(dive);
    info["id"] = *id;
    info["number"] = dive.number;
    info["site"] = dive.site;
    info["location"] = dive.location;
    info["country"] = dive.country;
    info["position"] = dive.position
        ? QJsonValue(QJsonObject {
            { "latitude", dive.position->latitude }, { "longitude", dive.position->longitude } })
        : QJsonValue();
    info["trip"] = dive.trip.isEmpty() ? QJsonValue() : QJsonValue(dive.trip);
    const double sac = surfaceAirConsumption(dive);
    info["sac"] = sac > 0 ? QJsonValue(sac) : QJsonValue();
    info["buddies"] = QJsonArray::fromStringList(dive.buddies);
    info["notes"] = dive.notes;
    info["rating"] = dive.rating;
    info["tags"] = QJsonArray::fromStringList(dive.tags);
    QJsonArray tanks;
    for (const DiveProfile::TankPressure& t : dive.tanks)
        tanks.append(QJsonObject { { "gasIndex", t.gasIndex }, { "startBar", t.startBar },
            { "endBar", t.endBar }, { "sizeL", t.sizeL }, { "workingBar", t.workingBar } });
    info["tanks"] = tanks;
    int gfLow = 0;
    int gfHigh = 0;
    if (!replayFactors(o, dive, gfLow, gfHigh, err))
        return ExitUsage;
    if (o.has("--replay") && o.has("--json"))
        info["replay"] = replayJson(dive, gfLow, gfHigh);
    if (o.has("--json")) {
        printJson(out, info);
        return ExitOk;
    }
    const DisplayUnits units = unitsOf(o);
    out << "Dive:         " << *id << '\n'
        << "Number:       " << (dive.number > 0 ? QString::number(dive.number) : "-") << '\n'
        << "Name:         " << dive.name << '\n'
        << "Start:        " << info["start"].toString() << '\n'
        << "Computer:     " << dive.computer << ' ' << dive.serial << '\n'
        << "Duration:     " << formatTime(int(std::lround(dive.duration))) << '\n'
        << "Max depth:    " << quantityText(Quantity::Depth, dive.maxDepth, units, 1) << '\n'
        << "Mean depth:   " << quantityText(Quantity::Depth, dive.meanDepth, units, 1) << '\n'
        << "Site:         " << dive.site << '\n'
        << "Location:     " << dive.location << '\n'
        << "Country:      " << dive.country << '\n'
        << "Position:     "
        << (dive.position ? QStringLiteral("%1,%2")
                                .arg(dive.position->latitude, 0, 'f', 6)
                                .arg(dive.position->longitude, 0, 'f', 6)
                          : QString())
        << '\n'
        << "Trip:         " << dive.trip << '\n'
        << "Air use:      "
        << (sac > 0 ? quantityText(Quantity::BreathingRate, sac, units, 1) : QString()) << '\n'
        << "Buddies:      " << dive.buddies.join(", ") << '\n'
        << "Rating:       " << dive.rating << '\n'
        << "Tags:         " << dive.tags.join(", ") << '\n'
        << "Notes:        " << dive.notes << '\n';
    return ExitOk;
}

QJsonObject totalsJson(const DiveTotals& t)
{
    const auto id = [](int value) { return value > 0 ? QJsonValue(value) : QJsonValue(); };
    return QJsonObject { { "dives", t.dives }, { "totalSeconds", t.totalSeconds },
        { "maxDepth", t.maxDepth }, { "deepestId", id(t.deepestId) },
        { "longestId", id(t.longestId) }, { "longestSeconds", t.longestSeconds },
        { "meanMaxDepth", t.meanMaxDepth } };
}

void printTotals(
    const QString& title, const DiveTotals& t, const DisplayUnits& units, QTextStream& out)
{
    out << QStringLiteral("%1  %2 dives  %3  deepest %4 (dive %5)  longest %6 (dive %7)  mean "
                          "max depth %8\n")
               .arg(title, -8)
               .arg(t.dives, 5)
               .arg(formatTime(int(std::lround(t.totalSeconds))), 10)
               .arg(quantityText(Quantity::Depth, t.maxDepth, units, 1))
               .arg(t.deepestId)
               .arg(formatTime(int(std::lround(t.longestSeconds))))
               .arg(t.longestId)
               .arg(quantityText(Quantity::Depth, t.meanMaxDepth, units, 1));
}

int stats(const Options& o, QTextStream& out, QTextStream& err)
{
    const QString by = o.value("--by");
    if (o.positional.size() != 1 || (o.values.contains("--by") && by != "year" && by != "month")) {
        err << "usage: veltra-cli logbook [--db PATH] stats [--json] [--by year|month]\n";
        return ExitUsage;
    }
    DiveFilter filter;
    if (!readFilter(o, filter, err))
        return ExitUsage;
    LogbookDatabase& db = LogbookDatabase::instance();
    DiveStatistics s;
    if (!db.statistics(filter, s)) {
        err << QStringLiteral("statistics failed: %1\n").arg(db.lastError());
        return ExitFailed;
    }
    const QList<DivePeriodTotals> periods
        = by == "year" ? s.years : (by == "month" ? s.months : QList<DivePeriodTotals>());
    if (o.has("--json")) {
        QJsonObject json = totalsJson(s.totals);
        if (!by.isEmpty()) {
            QJsonArray rows;
            for (const DivePeriodTotals& p : periods) {
                QJsonObject row = totalsJson(p.totals);
                row["period"] = p.period;
                rows.append(row);
            }
            json["by"] = by;
            json["periods"] = rows;
        }
        printJson(out, json);
        return ExitOk;
    }
    const DisplayUnits units = unitsOf(o);
    printTotals(QStringLiteral("All"), s.totals, units, out);
    for (const DivePeriodTotals& p : periods)
        printTotals(p.period, p.totals, units, out);
    return ExitOk;
}

} // namespace

QStringList logbookDetailsOptions()
{
    return { "--gf", "--number", "--site", "--location", "--buddy", "--notes", "--rating", "--tag",
        "--by", "--sort" };
}

QString logbookDetailsUsage()
{
    return QStringLiteral(
        "  logbook [--db PATH] list [--json] [--sort date|number|depth|duration] [--computer "
        "NAME]... [--from DATE] [--to DATE]\n"
        "  logbook [--db PATH] edit ID [--number N] [--site NAME] [--location TEXT] [--trip NAME] "
        "[--buddy TEXT]... [--notes TEXT] [--rating 0-5] [--tag TEXT]...\n"
        "  logbook [--db PATH] show ID [--json [--replay [--gf LOW/HIGH]]]\n"
        "                                          a stored dive's details and summary; --replay\n"
        "                                          adds the dive replayed at these factors\n"
        "  logbook [--db PATH] search WORDS... [--json]\n"
        "  logbook [--db PATH] stats [--json] [--by year|month]\n");
}

bool runLogbookDetails(
    const QString& sub, const Options& o, QTextStream& out, QTextStream& err, int& status)
{
    if (sub == "list" || sub == "search")
        status = listOrSearch(o, sub == "search", out, err);
    else if (sub == "edit")
        status = edit(o, out, err);
    else if (sub == "show")
        status = show(o, out, err);
    else if (sub == "stats")
        status = stats(o, out, err);
    else
        return false;
    return true;
}

} // namespace cli
