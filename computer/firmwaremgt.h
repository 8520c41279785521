#pragma once

#include "computer/catalogueconfig.h"
#include "computer/firmwarecatalogue.h"
#include "link/linkenums.h"

#include <QDialog>
#include <QPointer>

#include <functional>
#include <memory>

namespace Ui {
class FirmwareMgtClass;
}
class FileDownloader;
class QPushButton;
class FirmwareVerifier;
class TarskBle;

// The firmware manager: lists the maker's published firmwares, downloads one into the
// "Firmwares" folder of the application data folder and installs it, or installs an image
// chosen on disk, into a computer in its firmware mode, with progress and duration.
class FirmwareMgt : public QDialog
{
    Q_OBJECT
public:
    // Outside services; each has a plain default so the manager stands alone.
    struct Hooks
    {
        // Error box. Default: QMessageBox::critical.
        std::function<void(const QString& title, const QString& text)> critical;
        // Yes/No question; true for Yes. Default: QMessageBox::question.
        std::function<bool(const QString& title, const QString& text)> question;
        // The image file to install; empty when cancelled. Default: QFileDialog.
        std::function<QString(QWidget* parent)> openFirmwareFile;
        // Opens a local folder. Default: QDesktopServices::openUrl.
        std::function<bool(const QUrl& url)> openUrl;
    };

    // `link` defaults to the process-wide link at the moment it is needed.
    FirmwareMgt(QWidget* parent, const QString& appDataDir, const CatalogueConfig& config,
        TarskBle* link = nullptr, Hooks hooks = {});
    ~FirmwareMgt() override;

    // What the main window calls ("Download dives" with a computer in firmware mode, and the
    // hidden test button): reads the catalogue configuration of `appDataDir`, shows the manager
    // modally and deletes it afterwards.
    static int openManager(QWidget* parent, const QString& appDataDir);

    // Fetches the catalogue (done by openManager; the tests call it themselves). Without a
    // complete configuration it says "Firmware catalogue not configured".
    void fetchCatalogue();

    QString firmwareFolder() const { return m_firmwareFolder; }
    const QList<FirmwareEntry>& entries() const { return m_entries; }
    int downloadIndex() const { return m_downloadIndex; }
    int uploadIndex() const { return m_uploadIndex; }
    int totalBytes() const { return m_totalBytes; }
    bool isInstalling() const { return m_installing; }
    QString info() const;
    FileDownloader* downloader() const { return m_downloader; }
    // The download button of a table row (null for a row out of range).
    QPushButton* downloadButton(int row) const;

public slots:
    void fileDownloaded();
    void downloadFirmware(int id);
    void on_btOpenFolder_clicked();
    void on_btFirmwareFromDisk_clicked();
    void onUploadFirmwareProgress(int pNbBytesSent, int pPercentageDone);
    void onEndCommand(VeltraCommand::VeltraCommandIn pCommand);
    void onExchangeError(
        VeltraCommand::VeltraCommandIn pCommand, ExchangeError::ExchangeErrorIn pError);
    void onDisconnectController();
    // Asks whether to install entry `entry` (after its download) and installs it on Yes.
    void offerInstallation(int entry);
    // Ignored while an installation runs, so its outcome stays on screen.
    void reject() override;

private:
    TarskBle* link() const;
    void hookLink(TarskBle* link);
    // The link ready for an installation, or null after telling the user why not.
    TarskBle* readyLink();
    void tocDownloaded();
    void listingDownloaded();
    void firmwareDownloaded();
    void fillFirmwareTable(bool resizeColumns);
    void downloadError(const QString& reason);
    bool install(const QByteArray& image, const QString& name);
    void installationFailed(const QString& reason);
    void setBusy(bool busy);
    void critical(const QString& title, const QString& text);
    bool question(const QString& title, const QString& text);
    void startRequest(const QUrl& url, int kind);

    std::unique_ptr<Ui::FirmwareMgtClass> m_ui;
    QString m_appDataDir;
    QString m_firmwareFolder;
    CatalogueConfig m_config;
    QPointer<TarskBle> m_link;
    QPointer<TarskBle> m_hookedLink;
    Hooks m_hooks;
    FileDownloader* m_downloader;
    QList<FirmwareEntry> m_entries;
    int m_downloadIndex = -1;
    int m_uploadIndex = -1;
    int m_totalBytes = 0;
    bool m_installing = false;
    QString m_expectedVersion; // of the image being installed
    FirmwareVerifier* m_verifier = nullptr;
};

// Reads a firmware image from disk, refusing an empty, oversized or unreadable file. On failure
// `image` is untouched and `error` says why.
bool readFirmwareFile(const QString& path, QByteArray* image, QString* error);
