#pragma once

#include <QString>
#include <QUrl>

// Where the firmware catalogue lives and how to sign in to it. Nothing of it is built into the
// program: the host comes from "options.ini" in the application data folder
//   [firmware]
//   catalogueHost=api.example.com          (or https://api.example.com:8443)
// and the credentials from the environment (VELTRA_CATALOGUE_ACCOUNT, VELTRA_CATALOGUE_TOKEN)
// or, when those are unset, from "catalogue-credentials.ini" in the same folder
//   [catalogue]
//   account=...
//   token=...
// which must be readable by its owner only.
struct CatalogueConfig
{
    static constexpr const char* kHostKey = "firmware/catalogueHost";
    static constexpr const char* kAccountVariable = "VELTRA_CATALOGUE_ACCOUNT";
    static constexpr const char* kTokenVariable = "VELTRA_CATALOGUE_TOKEN";
    static constexpr const char* kCredentialsFile = "catalogue-credentials.ini";
    static constexpr int kDefaultTransferTimeoutMs = 30000;

    // scheme://host[:port] of the code host's API; invalid when not configured.
    QUrl apiBase;
    QString account;
    QString token;
    // Plain http to 127.0.0.1 is accepted (credentials included) only when this is set; only the
    // tests set it, nothing reads it from a file.
    bool allowLoopbackHttp = false;
    // A transfer that stalls this long fails.
    int transferTimeoutMs = kDefaultTransferTimeoutMs;

    bool isComplete() const;
    // What is missing, for the user; empty when complete.
    QString problem() const;

    // The repository-contents endpoint, with "/toc-private.json" when `toc` is true.
    QUrl catalogueUrl(bool toc) const;
    // Whether a URL may be fetched at all: https, or http to 127.0.0.1 in the tests.
    bool urlAllowed(const QUrl& url) const;
    // Whether the credentials may go with a request to this URL: only to the API host itself.
    bool credentialsAllowedFor(const QUrl& url) const;
    // The "Authorization" header value: "Basic " + Base64(account ":" token).
    QByteArray authorization() const;

    // Reads the host from the options file and the credentials from the environment or the
    // credentials file of `appDataDir`. Problems (a credentials file others can read, a bad host)
    // leave the fields empty and are described in `warning` when given.
    static CatalogueConfig load(const QString& appDataDir, QString* warning = nullptr);
    // "api.example.com", "api.example.com:8443" or "https://api.example.com[:port]".
    static QUrl parseHost(const QString& text);
};
