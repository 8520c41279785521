#pragma once

#include "computer/catalogueconfig.h"

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QObject>

// Fetches the catalogue, the repository listing and firmware images, one request at a time.
// A reply counts only when it finished without a network error, with HTTP status 200, with all
// the bytes it announced and with a size that fits what was asked for; anything else leaves
// `downloadedData()` empty and says why in `errorText()`. The credentials go only to the
// configured API host.
class FileDownloader : public QObject
{
    Q_OBJECT
public:
    enum DownloadKind {
        None = -1,
        TocFile = 0,
        RepositoryListing = 1,
        FirmwareFile = 2,
    };
    Q_ENUM(DownloadKind)

    // What startDownload returns when it refuses a URL, besides QNetworkReply's own codes.
    static constexpr int kRefused = QNetworkReply::ProtocolUnknownError;

    explicit FileDownloader(const CatalogueConfig& config, QObject* parent = nullptr);
    ~FileDownloader() override;

    // Starts a GET; returns 0 while the reply runs, or a non-zero code when nothing was started
    // (errorText() says why). `downloaded()` follows every started request exactly once.
    int startDownload(const QUrl& url, DownloadKind kind);

    DownloadKind kind() const { return m_kind; }
    bool isBusy() const { return m_reply != nullptr; }
    // The outcome of the last finished request.
    bool succeeded() const { return m_succeeded; }
    const QByteArray& downloadedData() const { return m_data; }
    QString errorText() const { return m_errorText; }
    int httpStatus() const { return m_httpStatus; }
    // Whether the last request carried the credentials.
    bool sentCredentials() const { return m_sentCredentials; }

    // The largest reply accepted for each kind.
    static qint64 maxBytes(DownloadKind kind);

signals:
    void downloaded();

public slots:
    void fileDownloaded(QNetworkReply* pReply);

private:
    void checkSize(qint64 received, qint64 total);

    CatalogueConfig m_config;
    QNetworkAccessManager m_manager;
    QNetworkReply* m_reply = nullptr;
    DownloadKind m_kind = None;
    QByteArray m_data;
    QString m_errorText;
    int m_httpStatus = 0;
    bool m_succeeded = false;
    bool m_tooLarge = false;
    bool m_sentCredentials = false;
};
