#include "computer/filedownloader.h"

#include "computer/firmwarecatalogue.h"
#include "link/firmwareprogram.h"

#include <QNetworkRequest>
#include <QtDebug>

FileDownloader::FileDownloader(const CatalogueConfig& config, QObject* parent)
    : QObject(parent)
    , m_config(config)
{
    connect(&m_manager, &QNetworkAccessManager::finished, this, &FileDownloader::fileDownloaded);
}

FileDownloader::~FileDownloader()
{
    m_manager.disconnect(this);
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

qint64 FileDownloader::maxBytes(DownloadKind kind)
{
    return kind == FirmwareFile ? kMaxFirmwareBytes : kMaxCatalogueBytes;
}

int FileDownloader::startDownload(const QUrl& url, DownloadKind kind)
{
    if (m_reply) {
        m_errorText = tr("Another download is running");
        return QNetworkReply::OperationCanceledError;
    }
    if (!m_config.urlAllowed(url)) {
        m_errorText = tr("Address refused: %1").arg(url.toDisplayString());
        return kRefused;
    }
    m_kind = kind;
    m_data.clear();
    m_errorText.clear();
    m_httpStatus = 0;
    m_succeeded = false;
    m_tooLarge = false;

    QNetworkRequest request(url);
    request.setTransferTimeout(m_config.transferTimeoutMs);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("VeltraDesktop"));
    m_sentCredentials = m_config.credentialsAllowedFor(url);
    if (m_sentCredentials) {
        request.setRawHeader("Authorization", m_config.authorization());
        // A redirect elsewhere would carry the credentials along.
        request.setAttribute(
            QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    } else {
        request.setAttribute(
            QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    }
    m_reply = m_manager.get(request);
    connect(m_reply, &QNetworkReply::downloadProgress, this, &FileDownloader::checkSize);
    return m_reply->error();
}

void FileDownloader::checkSize(qint64 received, qint64 total)
{
    const qint64 limit = maxBytes(m_kind);
    if (!m_reply || m_tooLarge || (received <= limit && total <= limit))
        return;
    m_tooLarge = true;
    m_reply->abort();
}

void FileDownloader::fileDownloaded(QNetworkReply* pReply)
{
    if (!pReply || pReply != m_reply)
        return;
    m_reply = nullptr;
    pReply->deleteLater();

    m_httpStatus = pReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QString reason
        = pReply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString().trimmed();
    const qint64 limit = maxBytes(m_kind);

    if (m_tooLarge) {
        m_errorText = tr("The reply is larger than %1 bytes").arg(limit);
    } else if (pReply->error() != QNetworkReply::NoError) {
        if (m_httpStatus != 0 && m_httpStatus != 200)
            m_errorText = tr("HTTP %1 %2").arg(m_httpStatus).arg(reason).trimmed();
        else if (pReply->error() == QNetworkReply::OperationCanceledError)
            m_errorText = tr("No reply within %1 s").arg(m_config.transferTimeoutMs / 1000.0);
        else if (pReply->error() == QNetworkReply::RemoteHostClosedError
            && pReply->header(QNetworkRequest::ContentLengthHeader).isValid())
            // The server closed before the announced body was complete.
            m_errorText
                = tr("Truncated reply: %1 of %2 bytes")
                      .arg(pReply->readAll().size())
                      .arg(pReply->header(QNetworkRequest::ContentLengthHeader).toLongLong());
        else
            m_errorText = pReply->errorString();
    } else if (m_httpStatus != 200) {
        m_errorText = tr("HTTP %1 %2").arg(m_httpStatus).arg(reason).trimmed();
    } else {
        const QByteArray data = pReply->readAll();
        bool lengthKnown = false;
        const qint64 announced
            = pReply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&lengthKnown);
        if (lengthKnown && announced != data.size())
            m_errorText = tr("Truncated reply: %1 of %2 bytes").arg(data.size()).arg(announced);
        else if (data.isEmpty())
            m_errorText = tr("Empty reply");
        else if (data.size() > limit)
            m_errorText = tr("The reply is larger than %1 bytes").arg(limit);
        else
            m_data = data;
    }
    m_succeeded = m_errorText.isEmpty();
    emit downloaded();
}
