#include "fileio/csvfile.h"

#include "dive/diveprofile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstring>

namespace {

std::atomic<int> csvMode { 0 };

constexpr int SampleFieldCount = 20;

QString tr(const char* text)
{
    return QCoreApplication::translate("CsvFile", text);
}

// A decimal number at the start of [begin, end) in the C convention: leading blanks and a '+'
// are allowed, parsing stops at the first character that cannot continue the number. False
// when there is no number or it is not finite (out of range, "inf", "nan").
bool parseNumber(const char* begin, const char* end, double& value)
{
    while (begin < end && (*begin == ' ' || *begin == '\v' || *begin == '\f' || *begin == '\r'))
        ++begin;
    if (begin < end && *begin == '+' && begin + 1 < end && begin[1] != '-')
        ++begin;
    double parsed = 0;
    const std::from_chars_result result = std::from_chars(begin, end, parsed);
    if (result.ec != std::errc() || !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

// The standard stream's default formatting: general notation, 6 significant digits.
void appendNumber(QByteArray& out, double value, char decimalMark)
{
    char buffer[64];
    const std::to_chars_result result
        = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    const qsizetype start = out.size();
    out.append(buffer, result.ptr - buffer);
    if (decimalMark != '.') {
        for (qsizetype i = start; i < out.size(); ++i) {
            if (out[i] == '.')
                out[i] = decimalMark;
        }
    }
}

// A text value of the report; quoted when it would otherwise break the line or the columns.
void appendText(QByteArray& out, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    if (!bytes.contains(';') && !bytes.contains('"') && !bytes.contains('\n')
        && !bytes.contains('\r')) {
        out.append(bytes);
        return;
    }
    out.append('"');
    for (char c : bytes) {
        if (c == '"')
            out.append('"');
        out.append(c);
    }
    out.append('"');
}

QByteArray alertText(quint32 word)
{
    QByteArray text;
    if (word & (quint32(3) << DiveProfile::AlertShiftCeiling))
        text += "RA";
    if (word & (quint32(3) << DiveProfile::AlertShiftRapidAscent))
        text += "RR";
    if (word & (quint32(3) << DiveProfile::AlertShiftYoyo))
        text += "Yoyo";
    if (word & (quint32(3) << DiveProfile::AlertShiftDives24h))
        text += "24H";
    return text.isEmpty() ? QByteArray("Aucune") : text;
}

QByteArray durationText(double durationS)
{
    const long long s
        = std::isfinite(durationS) && durationS > 0 ? static_cast<long long>(durationS) : 0;
    const long long h = s / 3600;
    const long long m = (s - 3600 * h) / 60;
    const long long r = s % 60;
    char buffer[48];
    if (h > 0)
        std::snprintf(buffer, sizeof buffer, "%02lld:%02lld:%02lld", h, m, r);
    else
        std::snprintf(buffer, sizeof buffer, "%02lld:%02lld", m, r);
    return QByteArray(buffer);
}

QByteArray localDateText(qint64 dateTime)
{
    const QDateTime local = QDateTime::fromSecsSinceEpoch(dateTime, Qt::LocalTime);
    if (!local.isValid())
        return QByteArray("error");
    const QDate date = local.date();
    const QTime time = local.time();
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%d-%02d-%02d %02d:%02d:%02d", date.year(), date.month(),
        date.day(), time.hour(), time.minute(), time.second());
    return QByteArray(buffer);
}

// The gas column of the profile layout: the display name, or "MixO2/HE" where the display
// name would not tell the fractions (hypoxic nitrox).
QString profileGasText(DiveGas gas)
{
    const QString name = DiveProfile::gasName(gas);
    if (name == QLatin1String("Invalid"))
        return QStringLiteral("Mix%1/%2").arg(gas.o2).arg(gas.he);
    return name;
}

// The gas a profile gas text names; false for text that names none.
bool gasFromText(const QString& text, DiveGas& gas)
{
    static const QRegularExpression pattern(
        QStringLiteral("^(?:(Air)|(Oxy)|Nx(\\d{1,3})|(?:Tx|Triox|Hx|Mix)(\\d{1,3})/(\\d{1,3}))$"));
    const QRegularExpressionMatch m = pattern.match(text.trimmed());
    if (!m.hasMatch())
        return false;
    gas = DiveGas();
    if (m.hasCaptured(2))
        gas.o2 = 100;
    else if (m.hasCaptured(3))
        gas.o2 = m.captured(3).toInt();
    else if (m.hasCaptured(4)) {
        gas.o2 = m.captured(4).toInt();
        gas.he = m.captured(5).toInt();
    }
    if (gas.o2 > 100 || gas.he > 100 - gas.o2)
        return false;
    DiveProfile::gasName(gas);
    return true;
}

} // namespace

bool CsvFile::gasFromName(const QString& text, DiveGas& gas)
{
    return gasFromText(text, gas);
}

const char* CsvFile::profileHeader()
{
    return "Time (s),Depth (m),Temperature (C),Ceiling (m),CNS (%),Gas";
}

QByteArray CsvFile::profileDocument(const DiveProfile& dive)
{
    QByteArray out;
    out.reserve(64 + dive.samples.size() * 48);
    out.append(profileHeader());
    out.append('\n');
    QList<QByteArray> gasTexts;
    for (const DiveGas& gas : dive.gases)
        gasTexts << profileGasText(gas).toUtf8();
    for (const DiveSample& s : dive.samples) {
        for (double value : { s.time, s.depth, s.temperature, s.decoCeiling, s.cns }) {
            appendNumber(out, std::isfinite(value) ? value : 0.0, '.');
            out.append(',');
        }
        if (s.gasIndex >= 0 && s.gasIndex < gasTexts.size())
            out.append(gasTexts.at(s.gasIndex));
        out.append('\n');
    }
    return out;
}

bool CsvFile::parseProfile(
    const QByteArray& data, QList<DiveSample>& samples, QList<DiveGas>& gases, ParseStats* stats)
{
    QByteArray text = data;
    if (text.startsWith("\xEF\xBB\xBF")) // a byte-order mark some spreadsheets add
        text.remove(0, 3);
    const qsizetype firstEnd = text.indexOf('\n');
    const QByteArray header = text.left(firstEnd < 0 ? text.size() : firstEnd).trimmed();
    if (header != profileHeader())
        return false;
    ParseStats counts;
    QList<DiveSample> rows;
    QList<DiveGas> named;
    const QList<QByteArray> lines
        = firstEnd < 0 ? QList<QByteArray>() : text.mid(firstEnd + 1).split('\n');
    for (const QByteArray& rawLine : lines) {
        const QByteArray line = rawLine.trimmed();
        if (line.isEmpty()) {
            ++counts.otherLines;
            continue;
        }
        const QList<QByteArray> fields = line.split(',');
        double values[5];
        bool ok = fields.size() == 6;
        for (int k = 0; k < 5 && ok; ++k)
            ok = parseNumber(fields.at(k).constData(),
                fields.at(k).constData() + fields.at(k).size(), values[k]);
        if (!ok) {
            ++counts.skippedLines;
            continue;
        }
        DiveSample s;
        s.time = values[0];
        s.depth = values[1];
        s.temperature = values[2];
        s.decoCeiling = values[3];
        s.cns = values[4];
        DiveGas gas;
        if (gasFromText(QString::fromUtf8(fields.at(5)), gas)) {
            qsizetype index = 0;
            while (index < named.size() && named.at(index).name != gas.name)
                ++index;
            if (index == named.size())
                named.append(gas);
            s.gasIndex = qint32(index);
        }
        rows.append(s);
        ++counts.sampleLines;
    }
    samples = std::move(rows);
    gases = std::move(named);
    if (stats)
        *stats = counts;
    return true;
}

QStringList CsvFile::warnings() const
{
    if (m_stats.skippedLines == 0)
        return QStringList();
    return { QCoreApplication::translate("CsvFile",
        "%n sample line(s) skipped: a field held no number.", nullptr, m_stats.skippedLines) };
}

void CsvFile::setMode(int mode)
{
    csvMode.store(mode);
}

int CsvFile::mode()
{
    return csvMode.load();
}

QList<DiveSample> CsvFile::parseSamples(const QByteArray& data, ParseStats* stats)
{
    ParseStats counts;
    QList<DiveSample> samples;
    // One sample per line at most: size the list once.
    samples.reserve(std::count(data.cbegin(), data.cend(), '\n') + 1);

    const char* p = data.constData();
    const char* const end = p + data.size();
    const char* fieldBegin[SampleFieldCount];
    const char* fieldEnd[SampleFieldCount];

    while (p < end) {
        const char* newline = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
        const char* lineEnd = newline ? newline : end;
        const char* const next = newline ? newline + 1 : end;
        // Files written on Windows end their lines with "\r\n".
        if (lineEnd > p && lineEnd[-1] == '\r')
            --lineEnd;

        // Split at TABs; one TAB at the very end of the line closes the last field and does
        // not open an empty one.
        int fields = 0;
        const char* field = p;
        while (field < lineEnd && fields <= SampleFieldCount) {
            const char* tab
                = static_cast<const char*>(std::memchr(field, '\t', size_t(lineEnd - field)));
            const char* fieldStop = tab ? tab : lineEnd;
            if (fields < SampleFieldCount) {
                fieldBegin[fields] = field;
                fieldEnd[fields] = fieldStop;
            }
            ++fields;
            if (!tab)
                break;
            field = tab + 1;
            if (field == lineEnd)
                break;
            if (fields == SampleFieldCount) {
                // A 21st field begins: the line has too many.
                ++fields;
                break;
            }
        }
        // "\t" alone and a line starting with TAB still have a first (empty) field.
        if (fields == 0 && lineEnd > p)
            fields = 1;

        if (fields == SampleFieldCount) {
            DiveSample s;
            static constexpr int used[] = { 0, 1, 15, 16, 17, 18, 19 };
            double values[7];
            bool ok = true;
            for (int k = 0; k < 7 && ok; ++k)
                ok = parseNumber(fieldBegin[used[k]], fieldEnd[used[k]], values[k]);
            if (ok) {
                s.time = values[0];
                s.depth = values[1];
                s.temperature = values[2];
                s.otu = values[3];
                s.cns = values[4];
                s.decoCeiling = values[5];
                s.gradientFactor = values[6];
                samples.append(s);
                ++counts.sampleLines;
            } else {
                ++counts.skippedLines;
            }
        } else {
            ++counts.otherLines;
        }
        p = next;
    }
    if (stats)
        *stats = counts;
    return samples;
}

bool CsvFile::read(const QString& path, DiveProfile& dive)
{
    m_stats = ParseStats();
    setErrorString(QString());

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setErrorString(tr("Cannot open %1: %2").arg(path, file.errorString()));
        return false;
    }
    if (!file.isSequential() && file.size() > MaxFileBytes) {
        setErrorString(tr("%1 is too large for a dive file.").arg(path));
        return false;
    }
    QByteArray data;
    if (!file.isSequential()) {
        // One read of the known size; no growing buffer.
        data = file.readAll();
    } else {
        for (;;) {
            const QByteArray chunk = file.read(1 << 20);
            if (chunk.isEmpty())
                break;
            data.append(chunk);
            if (data.size() > MaxFileBytes)
                break;
        }
    }
    if (data.size() > MaxFileBytes) {
        setErrorString(tr("%1 is too large for a dive file.").arg(path));
        return false;
    }
    if (file.error() != QFileDevice::NoError) {
        setErrorString(tr("Cannot read %1: %2").arg(path, file.errorString()));
        return false;
    }

    ParseStats stats;
    QList<DiveSample> samples;
    QList<DiveGas> gases;
    const bool profileLayout = parseProfile(data, samples, gases, &stats);
    if (!profileLayout)
        samples = parseSamples(data, &stats);
    m_stats = stats;
    if (samples.isEmpty()) {
        setErrorString(tr("%1 holds no dive sample line (20 tab-separated numbers).").arg(path));
        return false;
    }
    if (profileLayout) {
        dive.samples = std::move(samples);
        dive.gases = std::move(gases);
    } else if (dive.samples.isEmpty()) {
        dive.samples = std::move(samples);
    } else {
        dive.samples.append(samples);
    }
    dive.name = fileNameWithoutExtension(path);
    return true;
}

bool CsvFile::writeReport(QIODevice& device, const DiveProfile& dive, int mode)
{
    // ';' separates fields in every mode so a decimal ',' or '.' is never mistaken for one.
    const char sep = ';';
    const char mark = mode == 1 ? ',' : '.';
    QByteArray out;
    out.reserve(256 + dive.samples.size() * 96);

    // UTF-8: the degree sign is C2 B0 and the accented e is C3 A9.
    static const char* const titles[] = { "Nom de l'ordinateur",
        "N\xC2\xB0 de plong\xC3\xA9"
        "e",
        "Type", "Date",
        "N\xC2\xB0 de s\xC3\xA9"
        "rie",
        "Mode", "Gaz", "Gfs", "Type d'eau", "Patm", "Alertes", "PMax", "DTP", "PMoy", "Tmin",
        "Tmax", "Version Fw", "OTU" };
    for (const char* title : titles) {
        out.append(title);
        out.append(sep);
    }
    out.append('\n');

    auto field = [&](const QByteArray& bytes) {
        out.append(bytes);
        out.append(sep);
    };
    auto number = [&](double value) {
        appendNumber(out, value, mark);
        out.append(sep);
    };
    auto text = [&](const QString& value) {
        appendText(out, value);
        out.append(sep);
    };

    text(dive.computer);
    text(dive.name);
    field("QRD-M");
    field(localDateText(dive.dateTime));
    text(dive.serial);
    field(dive.diveMode == 0 ? "PLB OC" : "PLB");
    field("Gaz?");
    field("GFlow" + QByteArray::number(dive.gfLow) + "_GFhigh" + QByteArray::number(dive.gfHigh));
    field(dive.freshWater != 0 ? "Fresh" : "Salt");
    number(dive.surfacePressure);
    field(alertText(dive.alerts));
    number(dive.maxDepth);
    field(durationText(dive.duration));
    number(dive.meanDepth);
    number(dive.minTemperature);
    number(dive.maxTemperature);
    text(dive.firmwareVersion);
    field("0");
    out.append('\n');

    // The degree sign of this title is the single byte B0, as existing reports have it.
    out.append("N\xB0 de point;Dive Time(s);Depth(m);Deco Ceiling(m);Ambient Temp. (C);"
               "Tension de la batterie;Gaz;Alerte de type CNC;Pression bloc;Alerte pression;"
               "GF Low;GF High;PpO2\n");

    const qsizetype gasCount = dive.gases.size();
    qsizetype position = 0;
    for (const DiveSample& s : dive.samples) {
        out.append(QByteArray::number(position++));
        out.append(sep);
        number(s.time);
        number(s.depth);
        number(s.decoCeiling);
        number(s.temperature);
        field(QByteArray::number(s.batteryVoltage));
        if (s.gasIndex >= 0 && s.gasIndex < gasCount)
            text(dive.gases.at(s.gasIndex).name);
        else
            field("Inconnu");
        out.append("AlertCNC;?bar;AlertPression;GFLow;GFHigh;PpO2\n");
    }

    return device.write(out) == out.size();
}

bool CsvFile::write(const QString& path, DiveProfile& dive)
{
    setErrorString(QString());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        setErrorString(tr("Cannot create %1: %2").arg(path, file.errorString()));
        return false;
    }
    const QByteArray profile = m_layout == Layout::Profile ? profileDocument(dive) : QByteArray();
    const bool written = m_layout == Layout::Profile ? file.write(profile) == profile.size()
                                                     : writeReport(file, dive, mode());
    // commit() misses a failure while it flushes the buffered bytes and would put the short
    // file in place of the old one: flush first and check it.
    if (!written || !file.flush()) {
        setErrorString(tr("Cannot write %1: %2").arg(path, file.errorString()));
        file.cancelWriting();
        return false;
    }
    // The data reaches the disk only here; a full disk shows up now.
    if (!file.commit()) {
        setErrorString(tr("Cannot write %1: %2").arg(path, file.errorString()));
        return false;
    }
    return true;
}
