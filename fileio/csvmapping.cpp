#include "fileio/csvmapping.h"

#include "dive/diveprofile.h"
#include "fileio/csvfile.h"
#include "fileio/csvreport.h"
#include "fileio/divefileformat.h"
#include "fileio/wholefilereader.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>

#include <cmath>

using namespace filevalues;

namespace {

using Row = QList<QByteArray>;

// Splits the text into rows of fields: fields in double quotes may hold the separator, quotes
// doubled and line breaks. Blank lines are kept as empty rows (the Seabear table needs them).
QList<Row> splitRecords(const QByteArray& text, char separator)
{
    QList<Row> rows;
    Row row;
    QByteArray field;
    bool quoted = false;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < n && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"' && field.trimmed().isEmpty()) {
            field.clear();
            quoted = true;
        } else if (c == separator) {
            row << field;
            field.clear();
        } else if (c == '\n') {
            if (!row.isEmpty() || !field.isEmpty())
                row << field;
            rows << row;
            row.clear();
            field.clear();
        } else if (c != '\r') {
            field += c;
        }
    }
    if (!row.isEmpty() || !field.isEmpty())
        rows << (row << field);
    return rows;
}

bool isBlank(const Row& row)
{
    return row.isEmpty() || (row.size() == 1 && row.constFirst().trimmed().isEmpty());
}

// A log that keeps running at the surface after the dive: one surface row is kept.
void trimSurfaceTail(QList<DiveSample>& samples)
{
    qsizetype end = samples.size();
    while (end >= 2 && samples.at(end - 1).depth <= 0 && samples.at(end - 2).depth <= 0)
        --end;
    samples.resize(end);
}

char guessSeparator(const QByteArray& line)
{
    const qsizetype tabs = line.count('\t');
    const qsizetype semicolons = line.count(';');
    const qsizetype commas = line.count(',');
    if (tabs >= semicolons && tabs >= commas && tabs > 0)
        return '\t';
    return semicolons >= commas && semicolons > 0 ? ';' : ',';
}

// A number written with the table's decimal mark, a unit after it allowed ("15,5 M").
std::optional<double> cellNumber(QByteArray cell, char decimalMark)
{
    cell = cell.trimmed();
    if (decimalMark != '.')
        cell.replace(decimalMark, '.');
    return leadingNumber(cell);
}

std::optional<double> cellTime(const QByteArray& cell, const CsvColumnMapping& m)
{
    if (m.timeUnit == CsvColumnMapping::TimeUnit::MinutesSeconds || cell.contains(':'))
        return minutesSeconds(cell);
    const std::optional<double> value = cellNumber(cell, m.decimalMark);
    if (value && m.timeUnit == CsvColumnMapping::TimeUnit::Minutes)
        return *value * 60;
    return value;
}

// What the lines above the table say: "//2012.10.01 06:49:48", "Log interval: 5 s",
// "DIVE NR: 3", "GAS TABLE: 21/0;...", "Surface pressure: 0.971 bar".
struct Metadata
{
    qint64 dateTime = 0;
    double intervalS = 0;
    int number = 0;
    double surfaceBar = 0;
    QList<DiveGas> gases;
};

void readMetadataLine(const QByteArray& raw, Metadata& meta)
{
    QByteArray line = raw.trimmed();
    while (line.startsWith('/') || line.startsWith('*'))
        line.remove(0, 1);
    line = line.trimmed();
    static const QRegularExpression date(
        QStringLiteral("^(\\d{4})[.-](\\d{1,2})[.-](\\d{1,2}) (\\d{1,2}):(\\d{2}):(\\d{2})$"));
    const QRegularExpressionMatch m = date.match(QString::fromLatin1(line));
    if (m.hasMatch()) {
        meta.dateTime
            = localDateTime(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
        return;
    }
    const qsizetype colon = line.indexOf(':');
    if (colon < 0)
        return;
    const QByteArray label = line.left(colon).trimmed().toLower();
    const QByteArray value = line.mid(colon + 1).trimmed();
    if (label == "log interval")
        meta.intervalS = leadingNumber(value).value_or(0.0);
    else if (label == "dive nr")
        meta.number = std::max(0, wholeNumber(leadingNumber(value).value_or(0.0)));
    else if (label == "surface pressure")
        meta.surfaceBar = leadingNumber(value).value_or(0.0);
    else if (label == "gas table") {
        for (const QByteArray& slot : value.split(';')) {
            const QList<QByteArray> parts = slot.split('/');
            DiveGas gas;
            gas.o2 = wholeNumber(leadingNumber(parts.value(0)).value_or(0.0));
            gas.he = wholeNumber(leadingNumber(parts.value(1)).value_or(0.0));
            if (gas.o2 > 0 && gas.o2 <= 100 && gas.he >= 0 && gas.he <= 100 - gas.o2) {
                DiveProfile::gasName(gas);
                meta.gases << gas;
            }
        }
    }
}

// The column a field is in, 0-based; -1 when the table has none.
struct Columns
{
    int at[CsvColumnMapping::FieldCount];
};

// Units written in a header ("(ft)", "[F]", "(psi)") override the mapping's.
void unitsFromHeader(const Row& header, const Columns& cols, CsvColumnMapping& m)
{
    const auto headerOf = [&](CsvColumnMapping::Field f) {
        return cols.at[f] >= 0 && cols.at[f] < header.size() ? header.at(cols.at[f]).toLower()
                                                             : QByteArray();
    };
    if (headerOf(CsvColumnMapping::Depth).contains("ft"))
        m.feet = true;
    const QByteArray t = headerOf(CsvColumnMapping::Temperature);
    if (t.contains("(f)") || t.contains("[f]"))
        m.fahrenheit = true;
    if (headerOf(CsvColumnMapping::Pressure).contains("psi"))
        m.psi = true;
}

// Where the table's header is (-1 for none) and each field's column.
int locateColumns(const QList<Row>& rows, CsvColumnMapping& m, Columns& cols)
{
    for (int f = 0; f < CsvColumnMapping::FieldCount; ++f)
        cols.at[f] = m.columns[f] - 1;
    if (m.names[CsvColumnMapping::Depth].isEmpty())
        return -1;
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const Row& row = rows.at(r);
        if (row.isEmpty() || row.constFirst().startsWith("//") || row.constFirst().startsWith("/*"))
            continue;
        QList<QByteArray> lower;
        for (const QByteArray& cell : row)
            lower << cell.trimmed().toLower();
        if (!lower.contains(m.names[CsvColumnMapping::Depth].toLower()))
            continue;
        for (int f = 0; f < CsvColumnMapping::FieldCount; ++f) {
            if (!m.names[f].isEmpty())
                cols.at[f] = int(lower.indexOf(m.names[f].toLower()));
        }
        return int(r);
    }
    return -1;
}

struct Building
{
    DiveProfile dive;
    QByteArray key;
};

// The start of a Subsurface profile row's dive ("2021-11-29", "06:31:23").
qint64 rowDateTime(const QByteArray& date, const QByteArray& clock)
{
    const QList<QByteArray> d = date.trimmed().split('-');
    const QList<QByteArray> t = clock.trimmed().split(':');
    if (d.size() != 3 || t.size() < 2)
        return 0;
    return localDateTime(
        d[0].toInt(), d[1].toInt(), d[2].toInt(), t[0].toInt(), t[1].toInt(), t.value(2).toInt());
}

void readSampleRows(const QList<Row>& rows, qsizetype first, const CsvColumnMapping& m,
    const Columns& cols, const Metadata& meta, DiveFileContent& content)
{
    QList<Building> dives;
    int skipped = 0;
    double temperature = std::nan("");
    double pressure = 0;
    double ppo2 = 0;
    qsizetype rowIndex = 0;
    const auto cell = [&](const Row& row, CsvColumnMapping::Field f) {
        return cols.at[f] >= 0 && cols.at[f] < row.size() ? row.at(cols.at[f]) : QByteArray();
    };
    for (qsizetype r = first; r < rows.size(); ++r) {
        const Row& row = rows.at(r);
        if (isBlank(row))
            continue;
        const std::optional<double> depth
            = cellNumber(cell(row, CsvColumnMapping::Depth), m.decimalMark);
        const std::optional<double> time = cols.at[CsvColumnMapping::Time] >= 0
            ? cellTime(cell(row, CsvColumnMapping::Time), m)
            : std::optional<double>(
                double(rowIndex) * (m.intervalS > 0 ? m.intervalS : meta.intervalS));
        if (!depth || !time || *depth < 0 || *time < 0) {
            // Titles and labels above the table are no skipped samples.
            if (!dives.isEmpty())
                ++skipped;
            continue;
        }
        const QByteArray key = cell(row, CsvColumnMapping::DiveNumber) + '|'
            + cell(row, CsvColumnMapping::Date) + '|' + cell(row, CsvColumnMapping::Clock);
        if (dives.isEmpty() || dives.constLast().key != key) {
            Building b;
            b.key = key;
            b.dive.number = wholeNumber(
                cellNumber(cell(row, CsvColumnMapping::DiveNumber), '.').value_or(meta.number));
            b.dive.dateTime = cols.at[CsvColumnMapping::Date] >= 0
                ? rowDateTime(cell(row, CsvColumnMapping::Date), cell(row, CsvColumnMapping::Clock))
                : meta.dateTime;
            b.dive.gases = meta.gases;
            if (meta.surfaceBar > 0.5 && meta.surfaceBar < 1.1)
                b.dive.surfacePressure = meta.surfaceBar;
            dives << b;
            temperature = std::nan("");
            pressure = ppo2 = 0;
        }
        ++rowIndex;
        DiveSample s;
        s.time = *time;
        s.depth = m.feet ? *depth * 0.3048 : *depth;
        if (const std::optional<double> t
            = cellNumber(cell(row, CsvColumnMapping::Temperature), m.decimalMark))
            temperature = m.fahrenheit ? (*t - 32) * 5 / 9 : *t;
        if (const std::optional<double> p
            = cellNumber(cell(row, CsvColumnMapping::Pressure), m.decimalMark))
            pressure = m.psi ? *p * 0.0689476 : *p;
        if (const std::optional<double> o
            = cellNumber(cell(row, CsvColumnMapping::PpO2), m.decimalMark))
            ppo2 = *o;
        s.temperature = std::isnan(temperature) ? 0.0 : temperature;
        s.tankPressureBar = tankBar(pressure);
        s.setpointMbar = quint16(std::clamp(ppo2 * 1000, 0.0, 65535.0));
        s.gasIndex = dives.constLast().dive.gases.isEmpty() ? -1 : 0;
        dives.last().dive.samples << s;
    }
    for (Building& b : dives) {
        if (b.dive.number > 0)
            b.dive.name
                = QCoreApplication::translate("SubsurfaceXml", "Dive %1").arg(b.dive.number);
        // Rows of one dive are meant in time order; a table that jumps back is sorted.
        std::stable_sort(b.dive.samples.begin(), b.dive.samples.end(),
            [](const DiveSample& a, const DiveSample& c) { return a.time < c.time; });
        trimSurfaceTail(b.dive.samples);
        content.dives << std::move(b.dive);
    }
    if (skipped > 0)
        content.warnings << QCoreApplication::translate(
            "CsvFile", "%n sample line(s) skipped: a field held no number.", nullptr, skipped);
}

// Subsurface's dive list: one dive per row, found by the header's column titles.
void readDiveList(const QList<Row>& rows, DiveFileContent& content)
{
    if (rows.isEmpty())
        return;
    QList<QByteArray> titles;
    for (const QByteArray& t : rows.constFirst())
        titles << t.trimmed().toLower();
    const auto column = [&](const char* prefix) {
        for (qsizetype i = 0; i < titles.size(); ++i) {
            if (titles.at(i).startsWith(prefix))
                return int(i);
        }
        return -1;
    };
    const int number = column("dive number"), date = column("date"), clock = column("time"),
              duration = column("duration"), maxDepth = column("maxdepth"),
              meanDepth = column("avgdepth"), mode = column("mode"), water = column("watertemp"),
              location = column("location"), gps = column("gps"), buddy = column("buddy"),
              rating = column("rating"), notes = column("notes"), tags = column("tags"),
              size = column("cylinder size (1)"), start = column("startpressure (1)"),
              end = column("endpressure (1)"), o2 = column("o2 (1)"), he = column("he (1)");
    for (qsizetype r = 1; r < rows.size(); ++r) {
        const Row& row = rows.at(r);
        const auto text
            = [&](int c) { return c >= 0 && c < row.size() ? row.at(c).trimmed() : QByteArray(); };
        const auto value = [&](int c) { return leadingNumber(text(c)); };
        if (row.size() < 3 || text(date).isEmpty())
            continue;
        DiveProfile d;
        d.number = std::max(0, wholeNumber(value(number).value_or(0.0)));
        d.dateTime = rowDateTime(text(date), text(clock));
        d.duration = minutesSeconds(text(duration)).value_or(0.0);
        d.maxDepth = value(maxDepth).value_or(0.0);
        d.meanDepth = value(meanDepth).value_or(0.0);
        d.diveMode = text(mode).toUpper() == "CCR" ? 1 : 0;
        d.minTemperature = d.maxTemperature = value(water).value_or(0.0);
        d.site = QString::fromUtf8(text(location));
        double lat = 0;
        double lon = 0;
        if (geoPosition(text(gps), lat, lon))
            d.position = GeoPosition { lat, lon };
        for (const QString& b :
            QString::fromUtf8(text(buddy)).split(QLatin1Char(','), Qt::SkipEmptyParts))
            d.buddies << b.trimmed();
        d.rating = std::clamp(wholeNumber(value(rating).value_or(0.0)), 0, 5);
        d.notes = QString::fromUtf8(text(notes));
        for (const QString& t :
            QString::fromUtf8(text(tags)).split(QLatin1Char(','), Qt::SkipEmptyParts))
            d.tags << t.trimmed();
        if (value(o2) || value(size)) {
            DiveGas gas;
            gas.o2 = value(o2) ? gasPercent(*value(o2)) : 21;
            gas.he = std::min(gasPercent(value(he).value_or(0.0)), 100 - gas.o2);
            DiveProfile::gasName(gas);
            d.gases << gas;
            d.tanks << DiveProfile::TankPressure { 0, value(start).value_or(0.0),
                value(end).value_or(0.0), value(size).value_or(0.0), 0 };
        }
        if (d.number > 0)
            d.name = QCoreApplication::translate("SubsurfaceXml", "Dive %1").arg(d.number);
        content.dives << d;
    }
}

} // namespace

QStringList csvPresetNames()
{
    return { QStringLiteral("subsurface-profile"), QStringLiteral("subsurface-divelist"),
        QStringLiteral("seabear"), QStringLiteral("sensus-ultra") };
}

bool csvPreset(const QString& name, CsvColumnMapping& mapping)
{
    CsvColumnMapping m;
    m.preset = name;
    if (name == QLatin1String("subsurface-profile")) {
        // "dive number","date","time","sample time (min)","sample depth (m)",
        // "sample temperature (C)","sample pressure (bar)","sample heartrate"
        m.separator = ',';
        m.columns[CsvColumnMapping::DiveNumber] = 1;
        m.columns[CsvColumnMapping::Date] = 2;
        m.columns[CsvColumnMapping::Clock] = 3;
        m.columns[CsvColumnMapping::Time] = 4;
        m.columns[CsvColumnMapping::Depth] = 5;
        m.columns[CsvColumnMapping::Temperature] = 6;
        m.columns[CsvColumnMapping::Pressure] = 7;
        m.timeUnit = CsvColumnMapping::TimeUnit::MinutesSeconds;
    } else if (name == QLatin1String("subsurface-divelist")) {
        m.separator = ',';
        m.diveList = true;
    } else if (name == QLatin1String("seabear")) {
        // No time column: rows are "Log interval" apart; the columns depend on the mode.
        m.separator = ';';
        m.names[CsvColumnMapping::Depth] = "Depth";
        m.names[CsvColumnMapping::Temperature] = "Temperature";
        m.dataAfterBlankLine = true;
    } else if (name == QLatin1String("sensus-ultra")) {
        // ReefNet's export: elapsed seconds in column 10, depth in metres in column 11.
        m.separator = ',';
        m.columns[CsvColumnMapping::Time] = 10;
        m.columns[CsvColumnMapping::Depth] = 11;
    } else {
        return false;
    }
    mapping = m;
    return true;
}

bool parseCsvColumns(const QString& text, CsvColumnMapping& mapping, QString& error)
{
    static const char* const fieldNames[]
        = { "time", "depth", "temperature", "pressure", "ppo2", "number", "date", "clock" };
    CsvColumnMapping m;
    m.preset = QStringLiteral("columns");
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString key = part.section(QLatin1Char('='), 0, 0).trimmed().toLower();
        const QString value = part.section(QLatin1Char('='), 1).trimmed().toLower();
        bool isNumber = false;
        const int column = value.toInt(&isNumber);
        int field = -1;
        for (int f = 0; f < CsvColumnMapping::FieldCount; ++f) {
            if (key == QLatin1String(fieldNames[f]) || (key == QLatin1String("temp") && f == 2))
                field = f;
        }
        if (field >= 0 && isNumber && column > 0 && column <= 1000)
            m.columns[field] = column;
        else if (key == QLatin1String("separator")
            && (value == "tab" || value == "semicolon" || value == "comma"))
            m.separator = value == "tab" ? '\t' : value == "semicolon" ? ';' : ',';
        else if (key == QLatin1String("decimal") && (value == "comma" || value == "dot"))
            m.decimalMark = value == "comma" ? ',' : '.';
        else if (key == QLatin1String("time-unit")
            && (value == "s" || value == "min" || value == "m:ss"))
            m.timeUnit = value == "s" ? CsvColumnMapping::TimeUnit::Seconds
                : value == "min"      ? CsvColumnMapping::TimeUnit::Minutes
                                      : CsvColumnMapping::TimeUnit::MinutesSeconds;
        else if (key == QLatin1String("depth-unit") && (value == "m" || value == "ft"))
            m.feet = value == "ft";
        else if (key == QLatin1String("temperature-unit") && (value == "c" || value == "f"))
            m.fahrenheit = value == "f";
        else if (key == QLatin1String("pressure-unit") && (value == "bar" || value == "psi"))
            m.psi = value == "psi";
        else if (key == QLatin1String("interval") && value.toDouble() > 0)
            m.intervalS = value.toDouble();
        else {
            error = QCoreApplication::translate(
                "CsvMapping", "cannot read \"%1\" in the column mapping")
                        .arg(part);
            return false;
        }
    }
    if (m.columns[CsvColumnMapping::Depth] == 0) {
        error = QCoreApplication::translate("CsvMapping", "the column mapping needs depth=COLUMN");
        return false;
    }
    mapping = m;
    return true;
}

bool detectCsvPreset(const QByteArray& head, CsvColumnMapping& mapping)
{
    const QByteArray firstLine = head.left(head.indexOf('\n')).trimmed();
    if (head.startsWith("/* SEABEAR") || head.contains("//SEABEAR"))
        return csvPreset(QStringLiteral("seabear"), mapping);
    if (firstLine.startsWith("\"dive number\",\"date\",\"time\",\"sample time"))
        return csvPreset(QStringLiteral("subsurface-profile"), mapping);
    if (firstLine.startsWith("dive number,date,time,duration"))
        return csvPreset(QStringLiteral("subsurface-divelist"), mapping);
    return false;
}

void parseMappedCsv(
    const QByteArray& data, const CsvColumnMapping& mapping, DiveFileContent& content)
{
    CsvColumnMapping m = mapping;
    QByteArray text = data;
    if (text.startsWith("\xEF\xBB\xBF"))
        text.remove(0, 3);
    if (m.separator == 0) {
        // The first line with several fields decides.
        for (const QByteArray& line : text.left(64 * 1024).split('\n')) {
            if (line.count('\t') + line.count(';') + line.count(',') > 0) {
                m.separator = guessSeparator(line);
                break;
            }
        }
        if (m.separator == 0)
            m.separator = ',';
    }
    const QList<Row> rows = splitRecords(text, m.separator);
    if (m.diveList) {
        readDiveList(rows, content);
        return;
    }
    Metadata meta;
    for (const QByteArray& line : text.left(64 * 1024).split('\n')) {
        if (line.startsWith("//") || line.startsWith("/*") || line.startsWith(" *"))
            readMetadataLine(line, meta);
    }
    Columns cols;
    const int header = locateColumns(rows, m, cols);
    if (cols.at[CsvColumnMapping::Depth] < 0) {
        content.error = QCoreApplication::translate("CsvMapping", "the table has no depth column");
        return;
    }
    if (cols.at[CsvColumnMapping::Time] < 0 && m.intervalS <= 0 && meta.intervalS <= 0) {
        content.error = QCoreApplication::translate(
            "CsvMapping", "the table has no time column and no sample interval");
        return;
    }
    qsizetype first = header + 1;
    if (header >= 0)
        unitsFromHeader(rows.at(header), cols, m);
    else if (!rows.isEmpty())
        unitsFromHeader(rows.constFirst(), cols, m);
    if (m.dataAfterBlankLine) {
        while (first < rows.size() && !isBlank(rows.at(first)))
            ++first;
    }
    readSampleRows(rows, first, m, cols, meta, content);
    if (content.dives.isEmpty())
        content.error = QCoreApplication::translate(
            "CsvMapping", "no row of the table holds a depth and a time");
}

bool CsvMappedReader::readDives(
    const QString& path, QList<DiveProfile>& dives, QList<RefusedDive>& refused)
{
    setErrorString(QString());
    m_warnings.clear();
    QByteArray data;
    QString error;
    if (!readFileBytes(path, CsvFile::MaxFileBytes, data, error)) {
        setErrorString(error);
        return false;
    }
    DiveFileContent content;
    parseMappedCsv(data, m_mapping, content);
    if (content.ok() && content.dives.isEmpty())
        content.error
            = QCoreApplication::translate("CsvMapping", "no row of the table holds a dive");
    if (!content.ok()) {
        setErrorString(fileNameOf(path) + QStringLiteral(": ") + content.error);
        return false;
    }
    for (DiveProfile& dive : content.dives) {
        if (dive.name.isEmpty())
            dive.name = fileNameWithoutExtension(path);
    }
    dives = std::move(content.dives);
    refused.clear();
    m_warnings = content.warnings;
    return true;
}

bool CsvMappedReader::read(const QString& path, DiveProfile& dive)
{
    return readFirstDive(path, dive);
}

bool CsvMappedReader::write(const QString&, DiveProfile&)
{
    setErrorString(
        QCoreApplication::translate("CsvMapping", "a column mapping is for reading only"));
    return false;
}

std::unique_ptr<DiveLinesIO> makeCsvReader(const QString& path)
{
    QFile file(path);
    const QByteArray head = file.open(QIODevice::ReadOnly) ? file.read(4096) : QByteArray();
    CsvColumnMapping mapping;
    if (detectCsvPreset(head, mapping))
        return std::make_unique<CsvMappedReader>(mapping);
    if (head.startsWith("Nom de l'ordinateur")
        || head.startsWith("\xEF\xBB\xBFNom de l'ordinateur"))
        return std::make_unique<WholeFileReader>(DiveOriginCsv, &CsvReport::parse);
    return std::make_unique<CsvFile>();
}
