#include "computer/firmwarecatalogue.h"

#include "link/firmwareprogram.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

namespace {

// File systems allow 255 bytes per name; keep well inside that.
constexpr int kMaxLocalNameChars = 180;

bool isBase64Character(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+'
        || c == '/' || c == '=';
}

QString sanitized(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool keep = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9')
            || u == '.' || u == '_' || u == '-';
        out.append(keep ? c : QLatin1Char('_'));
    }
    return out;
}

} // namespace

QString catalogueStatusText(CatalogueStatus status)
{
    switch (status) {
    case CatalogueStatus::Ok:
        return QCoreApplication::translate("FirmwareCatalogue", "No Error");
    case CatalogueStatus::Empty:
        return QCoreApplication::translate("FirmwareCatalogue", "The reply is empty");
    case CatalogueStatus::TooLarge:
        return QCoreApplication::translate("FirmwareCatalogue", "The reply is larger than %1 bytes")
            .arg(kMaxCatalogueBytes);
    case CatalogueStatus::NotJson:
        return QCoreApplication::translate(
            "FirmwareCatalogue", "The reply is not a firmware catalogue");
    case CatalogueStatus::NoContent:
        return QCoreApplication::translate("FirmwareCatalogue", "The catalogue has no content");
    case CatalogueStatus::BadBase64:
        return QCoreApplication::translate(
            "FirmwareCatalogue", "The catalogue content is not valid Base64");
    case CatalogueStatus::TooManyEntries:
        return QCoreApplication::translate(
            "FirmwareCatalogue", "The catalogue has more than %1 entries")
            .arg(kMaxCatalogueEntries);
    }
    return QCoreApplication::translate("FirmwareCatalogue", "Unknown error");
}

QColor catalogueColor(const QString& text)
{
    if (text.size() != 7 || text.at(0) != QLatin1Char('#'))
        return QColor(Qt::white);
    // Only six hexadecimal digits make a colour (toUInt alone would take a sign or "0x").
    for (int i = 1; i < 7; ++i) {
        const char16_t u = text.at(i).unicode();
        if (!((u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F')))
            return QColor(Qt::white);
    }
    const uint rgb = QStringView(text).mid(1).toUInt(nullptr, 16);
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF, 255);
}

QString catalogueDateText(const QString& dateTime)
{
    QString out = dateTime;
    out.replace(QLatin1Char('T'), QLatin1Char('_'));
    out.replace(QLatin1Char('Z'), QLatin1Char('_'));
    out.replace(QLatin1Char(':'), QLatin1Char('-'));
    return out;
}

FirmwareEntry makeFirmwareEntry(const QString& file, const QString& version,
    const QString& description, const QString& color, const QString& dateTime)
{
    FirmwareEntry e;
    e.fileName = file;
    e.description = description;
    e.color = catalogueColor(color);
    e.dateText = catalogueDateText(dateTime);
    // The parts come from the number rather than from character positions, so a version
    // written without its "0x" or leading zero still reads right.
    bool ok = false;
    const qulonglong word = version.trimmed().toULongLong(&ok, 16);
    if (ok && word <= 0xFFFFFFFFull && !version.trimmed().startsWith(QLatin1Char('-'))
        && !version.trimmed().startsWith(QLatin1Char('+'))) {
        e.versionWord = static_cast<quint32>(word);
        e.major = int(e.versionWord >> 24);
        e.minor = int((e.versionWord >> 16) & 0xFF);
        e.patch = int((e.versionWord >> 8) & 0xFF);
        e.letter = quint16(e.versionWord & 0xFF);
    }
    e.version = versionWordText(e.versionWord);
    if (e.versionWord == 0)
        e.letter = '0';
    return e;
}

CatalogueStatus parseCatalogue(const QByteArray& reply, QList<FirmwareEntry>* entries)
{
    if (reply.isEmpty())
        return CatalogueStatus::Empty;
    if (reply.size() > kMaxCatalogueBytes)
        return CatalogueStatus::TooLarge;
    QJsonParseError error;
    const QJsonDocument outer = QJsonDocument::fromJson(reply, &error);
    if (error.error != QJsonParseError::NoError || !outer.isObject())
        return CatalogueStatus::NotJson;
    const QJsonValue content = outer.object().value(QLatin1String("content"));
    if (!content.isString())
        return CatalogueStatus::NoContent;

    // Line breaks and anything else outside the alphabet are skipped.
    QByteArray base64;
    for (const char c : content.toString().toLatin1()) {
        if (isBase64Character(c))
            base64.append(c);
    }
    const QByteArray::FromBase64Result decoded
        = QByteArray::fromBase64Encoding(base64, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return CatalogueStatus::BadBase64;
    const QJsonDocument inner = QJsonDocument::fromJson(decoded.decoded, &error);
    if (error.error != QJsonParseError::NoError || !inner.isArray())
        return CatalogueStatus::NotJson;
    const QJsonArray array = inner.array();
    if (array.size() > kMaxCatalogueEntries)
        return CatalogueStatus::TooManyEntries;

    QList<FirmwareEntry> parsed;
    for (const QJsonValue& value : array) {
        if (!value.isObject())
            continue;
        const QJsonObject o = value.toObject();
        auto text = [&o](const char* key) { return o.value(QLatin1String(key)).toString(); };
        parsed.append(makeFirmwareEntry(
            text("File"), text("Version"), text("Description"), text("Color"), text("DateTime")));
    }
    *entries = std::move(parsed);
    return CatalogueStatus::Ok;
}

CatalogueStatus applyRepositoryListing(const QByteArray& reply, QList<FirmwareEntry>* entries,
    const std::function<bool(const QUrl&)>& urlAllowed, int* matched)
{
    if (reply.isEmpty())
        return CatalogueStatus::Empty;
    if (reply.size() > kMaxCatalogueBytes)
        return CatalogueStatus::TooLarge;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(reply, &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray())
        return CatalogueStatus::NotJson;

    QList<FirmwareEntry> result = *entries;
    int count = 0;
    for (const QJsonValue& value : doc.array()) {
        const QJsonObject o = value.toObject();
        const QString name = o.value(QLatin1String("name")).toString();
        const int dot = name.lastIndexOf(QLatin1Char('.'));
        if (dot < 0 || QStringView(name).mid(dot + 1) != QLatin1String("bin"))
            continue;
        const QUrl url(o.value(QLatin1String("download_url")).toString(), QUrl::StrictMode);
        if (!urlAllowed || !urlAllowed(url))
            continue;
        for (FirmwareEntry& entry : result) {
            if (entry.fileName == name) {
                if (entry.downloadUrl.isEmpty())
                    ++count;
                entry.downloadUrl = url.toString();
                break;
            }
        }
    }
    *entries = std::move(result);
    if (matched)
        *matched = count;
    return CatalogueStatus::Ok;
}

QString localFirmwareName(const FirmwareEntry& entry)
{
    QString base = sanitized(
        entry.fileName + QLatin1Char('-') + entry.dateText + QLatin1Char('-') + entry.version);
    base.truncate(kMaxLocalNameChars);
    // No hidden files, and nothing that reads as "." or "..".
    for (int i = 0; i < base.size() && base.at(i) == QLatin1Char('.'); ++i)
        base[i] = QLatin1Char('_');
    return base + QStringLiteral(".bin");
}

QString firmwareNameOfFile(const QString& fileName)
{
    if (fileName.endsWith(QLatin1String(".bin"), Qt::CaseInsensitive))
        return fileName.left(fileName.size() - 4);
    return fileName;
}
