#include "fileio/divefileformat.h"

#include "fileio/divelinesio.h"

#include <QCoreApplication>
#include <QFile>

namespace {

// The first meaningful byte at or after pos: blanks and a UTF-8 byte-order mark skipped.
qsizetype skipBlanks(const QByteArray& text, qsizetype pos)
{
    if (pos == 0 && text.startsWith("\xEF\xBB\xBF"))
        pos = 3;
    while (pos < text.size()
        && (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\r' || text[pos] == '\n'))
        ++pos;
    return pos;
}

// The name of the XML document's first element (its local part), lower-cased; empty when the
// text does not look like XML. Declarations, comments and a DOCTYPE before it are skipped.
QByteArray xmlRootName(const QByteArray& text)
{
    qsizetype pos = skipBlanks(text, 0);
    while (pos < text.size() && text[pos] == '<') {
        if (text.mid(pos, 4) == "<!--") {
            const qsizetype end = text.indexOf("-->", pos + 4);
            if (end < 0)
                return QByteArray();
            pos = skipBlanks(text, end + 3);
            continue;
        }
        if (text.mid(pos, 2) == "<?" || text.mid(pos, 2) == "<!") {
            const qsizetype end = text.indexOf('>', pos);
            if (end < 0)
                return QByteArray();
            pos = skipBlanks(text, end + 1);
            continue;
        }
        qsizetype end = pos + 1;
        while (end < text.size() && text[end] != ' ' && text[end] != '>' && text[end] != '/'
            && text[end] != '\t' && text[end] != '\r' && text[end] != '\n')
            ++end;
        QByteArray name = text.mid(pos + 1, end - pos - 1);
        const qsizetype colon = name.lastIndexOf(':');
        return (colon >= 0 ? name.mid(colon + 1) : name).toLower();
    }
    return QByteArray();
}

DiveOrigin xmlFormat(const QByteArray& head)
{
    const QByteArray root = xmlRootName(head);
    if (root == "divelog")
        return DiveOriginSubsurface;
    if (root == "dives" && head.contains("subsurface"))
        return DiveOriginSubsurface;
    if (root == "uddf")
        return DiveOriginUddf;
    if (root == "suunto" || root == "sml")
        return DiveOriginSuunto;
    if (root == "profile" && head.toLower().contains("udcf"))
        return DiveOriginUdcf;
    return DiveOriginNone;
}

DiveOrigin textFormat(const QByteArray& head)
{
    const qsizetype start = skipBlanks(head, 0);
    if (start >= head.size())
        return DiveOriginNone;
    if (head[start] == '<')
        return xmlFormat(head);
    if (head[start] == '{')
        return head.contains("\"DeviceLog\"") ? DiveOriginSuunto : DiveOriginNone;
    const QByteArray firstLine = head.mid(start, head.indexOf('\n', start) - start);
    if (head.mid(start).startsWith("/*") || head.mid(start).startsWith("//")
        || firstLine.contains("dive number") || firstLine.startsWith("Time (s),")
        || firstLine.startsWith("Nom de l'ordinateur") || firstLine.count('\t') >= 19)
        return DiveOriginCsv;
    return DiveOriginNone;
}

} // namespace

DiveOrigin sniffDiveFormat(const QByteArray& head, const QString& path)
{
    // FIT: the header length first (12 or 14), ".FIT" at bytes 8 to 11.
    if (head.size() >= 12 && quint8(head[0]) >= 12 && head.mid(8, 4) == ".FIT")
        return DiveOriginFit;
    const DiveOrigin byContent = textFormat(head);
    if (byContent != DiveOriginNone)
        return byContent;
    const QString extension = extensionOf(path);
    if (extension == QLatin1String(".fit"))
        return DiveOriginFit;
    if (extension == QLatin1String(".ssrf"))
        return DiveOriginSubsurface;
    if (extension == QLatin1String(".udcf"))
        return DiveOriginUdcf;
    if (extension == QLatin1String(".sml") || extension == QLatin1String(".json"))
        return DiveOriginSuunto;
    return fileTypeOf(path);
}

DiveOrigin diveFormatOfFile(const QString& path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return fileTypeOf(path);
    return sniffDiveFormat(file.read(4096), path);
}

QString diveFormatName(DiveOrigin format)
{
    switch (format) {
    case DiveOriginCsv:
        return QStringLiteral("csv");
    case DiveOriginUddf:
        return QStringLiteral("uddf");
    case DiveOriginBinary:
        return QStringLiteral("divebin");
    case DiveOriginSubsurface:
        return QStringLiteral("subsurface");
    case DiveOriginSuunto:
        return QStringLiteral("suunto");
    case DiveOriginUdcf:
        return QStringLiteral("udcf");
    case DiveOriginFit:
        return QStringLiteral("fit");
    default:
        return QString();
    }
}

QString readableFormatsText()
{
    return QCoreApplication::translate("DiveLinesIO",
        "UDDF, Subsurface XML, CSV (this program's, Subsurface, Seabear, Sensus Ultra or mapped "
        "columns), Suunto Dive Manager XML, Suunto app JSON, UDCF, Garmin FIT and .divebin");
}

QStringList readableFilePatterns()
{
    return { QStringLiteral("*.uddf"), QStringLiteral("*.xml"), QStringLiteral("*.ssrf"),
        QStringLiteral("*.csv"), QStringLiteral("*.CSV"), QStringLiteral("*.udcf"),
        QStringLiteral("*.fit"), QStringLiteral("*.json"), QStringLiteral("*.sml"),
        QStringLiteral("*.divebin") };
}

bool readFileBytes(const QString& path, qint64 maxBytes, QByteArray& data, QString& error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QCoreApplication::translate("DiveLinesIO", "Cannot open %1: %2")
                    .arg(path, file.errorString());
        return false;
    }
    // One byte past the limit tells "too large" from "exactly the limit", also on pipes.
    data = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        error = QCoreApplication::translate("DiveLinesIO", "Cannot read %1: %2")
                    .arg(path, file.errorString());
        return false;
    }
    if (data.size() > maxBytes) {
        error = QCoreApplication::translate("DiveLinesIO", "%1 is too large for a dive file.")
                    .arg(path);
        return false;
    }
    return true;
}
