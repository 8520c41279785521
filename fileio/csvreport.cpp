#include "fileio/csvreport.h"

#include "dive/diveprofile.h"
#include "fileio/csvfile.h"
#include "fileio/divelinesio.h"
#include "fileio/wholefilereader.h"

#include <QCoreApplication>
#include <QRegularExpression>

using namespace filevalues;

namespace {

// The report's fields: ';'-separated, text in double quotes where it holds one.
QList<QByteArray> fieldsOf(const QByteArray& line)
{
    QList<QByteArray> fields;
    QByteArray field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            field += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ';' && !quoted) {
            fields << field;
            field.clear();
        } else {
            field += c;
        }
    }
    fields << field;
    return fields;
}

// Either decimal mark: the report separates fields with ';', so ',' is always a decimal mark.
std::optional<double> numberOf(QByteArray text)
{
    return leadingNumber(text.replace(',', '.'));
}

bool readSummary(const QList<QByteArray>& f, DiveProfile& dive)
{
    if (f.size() < 16)
        return false;
    dive.computer = QString::fromUtf8(f.at(0));
    dive.name = QString::fromUtf8(f.at(1));
    static const QRegularExpression date(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2}) (\\d{2}):(\\d{2}):(\\d{2})$"));
    const QRegularExpressionMatch m = date.match(QString::fromLatin1(f.at(3)));
    if (m.hasMatch())
        dive.dateTime
            = localDateTime(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    dive.serial = QString::fromUtf8(f.at(4));
    dive.diveMode = f.at(5) == "PLB OC" ? 0 : 1;
    static const QRegularExpression gf(QStringLiteral("^GFlow(\\d+)_GFhigh(\\d+)$"));
    const QRegularExpressionMatch g = gf.match(QString::fromLatin1(f.at(7)));
    if (g.hasMatch() && g.captured(1).toInt() >= 1 && g.captured(1).toInt() <= 100
        && g.captured(2).toInt() >= 1 && g.captured(2).toInt() <= 100) {
        dive.gfLow = quint8(g.captured(1).toInt());
        dive.gfHigh = quint8(g.captured(2).toInt());
    }
    dive.freshWater = f.at(8) == "Fresh" ? 1 : 0;
    const double surface = numberOf(f.at(9)).value_or(0.0);
    if (surface > 0.5 && surface < 1.1)
        dive.surfacePressure = surface;
    dive.firmwareVersion = QString::fromUtf8(f.at(16 < f.size() ? 16 : 15));
    return true;
}

} // namespace

namespace CsvReport {

void parse(const QByteArray& data, DiveFileContent& content)
{
    QByteArray text = data;
    if (text.startsWith("\xEF\xBB\xBF"))
        text.remove(0, 3);
    text.replace("\r\n", "\n");
    const QList<QByteArray> lines = text.split('\n');
    DiveProfile dive;
    if (lines.size() < 3 || !lines.at(0).startsWith("Nom de l'ordinateur")
        || !readSummary(fieldsOf(lines.at(1)), dive)) {
        content.error = QCoreApplication::translate("CsvReport", "not a complete dive report");
        return;
    }
    int skipped = 0;
    for (qsizetype i = 3; i < lines.size(); ++i) {
        if (lines.at(i).trimmed().isEmpty())
            continue;
        const QList<QByteArray> f = fieldsOf(lines.at(i));
        const std::optional<double> time = numberOf(f.value(1));
        const std::optional<double> depth = numberOf(f.value(2));
        if (f.size() < 7 || !time || !depth) {
            ++skipped;
            continue;
        }
        DiveSample s;
        s.time = *time;
        s.depth = *depth;
        s.decoCeiling = numberOf(f.at(3)).value_or(0.0);
        s.temperature = numberOf(f.at(4)).value_or(0.0);
        s.batteryVoltage = quint16(std::clamp(numberOf(f.at(5)).value_or(0.0), 0.0, 65535.0));
        DiveGas gas;
        if (CsvFile::gasFromName(QString::fromUtf8(f.at(6)), gas)) {
            qsizetype index = 0;
            while (index < dive.gases.size() && dive.gases.at(index).name != gas.name)
                ++index;
            if (index == dive.gases.size())
                dive.gases << gas;
            s.gasIndex = qint32(index);
        }
        dive.samples << s;
    }
    sortByTime(dive.samples);
    if (skipped > 0)
        content.warnings << QCoreApplication::translate(
            "CsvFile", "%n sample line(s) skipped: a field held no number.", nullptr, skipped);
    content.dives << dive;
}

} // namespace CsvReport
