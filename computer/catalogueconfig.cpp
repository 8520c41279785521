#include "computer/catalogueconfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace {

const QString kRepositoryPath = QStringLiteral("/repos/Brenmor-Systems/Veltra_Repository/contents");
// A credentials file is two short lines; anything bigger is not one.
constexpr qint64 kMaxCredentialsFileBytes = 4096;

bool plainText(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
    }
    return true;
}

bool isLoopbackHttp(const QUrl& url)
{
    return url.scheme() == QLatin1String("http") && url.host() == QLatin1String("127.0.0.1");
}

} // namespace

bool CatalogueConfig::isComplete() const
{
    return problem().isEmpty();
}

QString CatalogueConfig::problem() const
{
    if (!apiBase.isValid() || apiBase.host().isEmpty() || !urlAllowed(apiBase))
        return QStringLiteral("no catalogue host");
    // A colon would end the account early in the Basic scheme.
    if (account.isEmpty() || account.contains(QLatin1Char(':')) || !plainText(account))
        return QStringLiteral("no valid account");
    if (token.isEmpty() || !plainText(token))
        return QStringLiteral("no valid token");
    return {};
}

QUrl CatalogueConfig::catalogueUrl(bool toc) const
{
    QUrl url = apiBase;
    url.setPath(kRepositoryPath + (toc ? QStringLiteral("/toc-private.json") : QString()));
    return url;
}

bool CatalogueConfig::urlAllowed(const QUrl& url) const
{
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty())
        return false;
    if (url.scheme() == QLatin1String("https"))
        return true;
    return allowLoopbackHttp && isLoopbackHttp(url);
}

bool CatalogueConfig::credentialsAllowedFor(const QUrl& url) const
{
    if (!isComplete() || !urlAllowed(url))
        return false;
    const int defaultPort = url.scheme() == QLatin1String("https") ? 443 : 80;
    return url.scheme() == apiBase.scheme()
        && url.host().compare(apiBase.host(), Qt::CaseInsensitive) == 0
        && url.port(defaultPort) == apiBase.port(defaultPort);
}

QByteArray CatalogueConfig::authorization() const
{
    return "Basic " + (account + QLatin1Char(':') + token).toUtf8().toBase64();
}

QUrl CatalogueConfig::parseHost(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return {};
    QUrl url = trimmed.contains(QLatin1String("://"))
        ? QUrl(trimmed, QUrl::StrictMode)
        : QUrl(QStringLiteral("https://") + trimmed, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty()
        || (url.path() != QString() && url.path() != QLatin1String("/")) || url.hasQuery()
        || url.hasFragment())
        return {};
    url.setPath(QString());
    return url;
}

CatalogueConfig CatalogueConfig::load(const QString& appDataDir, QString* warning)
{
    CatalogueConfig config;
    auto warn = [warning](const QString& text) {
        if (warning)
            *warning = text;
    };
    const QDir dir(appDataDir);

    const QString optionsPath = dir.filePath(QStringLiteral("options.ini"));
    if (QFileInfo::exists(optionsPath)) {
        const QSettings options(optionsPath, QSettings::IniFormat);
        const QString host = options.value(QLatin1String(kHostKey)).toString();
        config.apiBase = parseHost(host);
        if (!host.isEmpty() && (!config.apiBase.isValid() || !config.urlAllowed(config.apiBase))) {
            config.apiBase = QUrl();
            warn(QCoreApplication::translate(
                "CatalogueConfig", "The catalogue host \"%1\" is not an https host")
                     .arg(host));
        }
    }

    config.account = qEnvironmentVariable(kAccountVariable);
    config.token = qEnvironmentVariable(kTokenVariable);
    if (!config.account.isEmpty() || !config.token.isEmpty())
        return config;

    const QString path = dir.filePath(QLatin1String(kCredentialsFile));
    const QFileInfo info(path);
    if (!info.exists())
        return config;
#ifdef Q_OS_UNIX
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther
        | QFile::WriteOther | QFile::ExeGroup | QFile::ExeOther;
    if (QFile::permissions(path) & others) {
        warn(QCoreApplication::translate(
            "CatalogueConfig", "%1 is readable by other users; it is ignored")
                 .arg(path));
        return config;
    }
#endif
    if (!info.isFile() || info.size() > kMaxCredentialsFileBytes) {
        warn(QCoreApplication::translate("CatalogueConfig", "%1 is not a credentials file")
                 .arg(path));
        return config;
    }
    const QSettings credentials(path, QSettings::IniFormat);
    config.account = credentials.value(QStringLiteral("catalogue/account")).toString();
    config.token = credentials.value(QStringLiteral("catalogue/token")).toString();
    return config;
}
