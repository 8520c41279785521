#include "computer/firmwaremgt.h"

#include "computer/filedownloader.h"
#include "computer/firmwareverify.h"
#include "link/firmwareprogram.h"
#include "link/tarskble.h"
#include "ui_firmwaremgt.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QTime>
#include <QtDebug>

using VeltraCommand::VeltraCommandIn;

namespace {

// Dark catalogue colours get light text so every line stays readable.
QColor textColourFor(const QColor& background)
{
    const int luma
        = (299 * background.red() + 587 * background.green() + 114 * background.blue()) / 1000;
    return luma < 128 ? QColor(Qt::white) : QColor(Qt::black);
}

bool isProgramCode(VeltraCommandIn code)
{
    return code == VeltraCommand::BeginProgram || code == VeltraCommand::Program
        || code == VeltraCommand::EndProgram;
}

// What went wrong with an installation under way and what to do, in plain words.
QString installationAdvice(ExchangeError::ExchangeErrorIn error)
{
    switch (error) {
    case ExchangeError::Timeout:
        return QCoreApplication::translate("FirmwareMgt",
            "The computer stopped answering. Keep it close and switched on, then install the "
            "firmware again.");
    case ExchangeError::InvalidCrc:
    case ExchangeError::InvalidFrame:
    case ExchangeError::InvalidReply:
        return QCoreApplication::translate("FirmwareMgt",
            "What the computer sent arrived damaged. Keep it close, then install the firmware "
            "again.");
    case ExchangeError::NotReady:
        return QCoreApplication::translate("FirmwareMgt",
            "The computer is no longer connected. Connect it again in firmware mode and install "
            "the firmware again.");
    case ExchangeError::Busy:
        return QCoreApplication::translate("FirmwareMgt",
            "The computer was busy with another request. Wait a moment and install the firmware "
            "again.");
    case ExchangeError::BeginProgramError:
    case ExchangeError::ProgramError:
    case ExchangeError::EndProgramError:
        break;
    }
    return QCoreApplication::translate("FirmwareMgt",
        "The computer refused the firmware. Restart it in firmware mode and install again; if it "
        "refuses again, download the firmware again.");
}

} // namespace

bool readFirmwareFile(const QString& path, QByteArray* image, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    const qint64 size = file.size();
    if (size <= 0) {
        *error = firmwareStatusText(FirmwareStatus::EmptyImage);
        return false;
    }
    if (size > kMaxFirmwareBytes) {
        *error = firmwareStatusText(FirmwareStatus::ImageTooLarge);
        return false;
    }
    const QByteArray bytes = file.read(kMaxFirmwareBytes + 1);
    if (bytes.size() != size) {
        *error = QObject::tr("The file could not be read whole");
        return false;
    }
    *image = bytes;
    return true;
}

FirmwareMgt::FirmwareMgt(QWidget* parent, const QString& appDataDir, const CatalogueConfig& config,
    TarskBle* link, Hooks hooks)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::FirmwareMgtClass>())
    , m_appDataDir(appDataDir)
    , m_firmwareFolder(QDir(appDataDir).filePath(QStringLiteral("Firmwares")))
    , m_config(config)
    , m_link(link)
    , m_hooks(std::move(hooks))
    , m_downloader(new FileDownloader(config, this))
{
    m_ui->setupUi(this);
    m_ui->progressBar->setVisible(false);
    m_ui->progressBar->setRange(0, 100);
    m_ui->tbFirmwares->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_ui->tbFirmwares->horizontalHeader()->setStretchLastSection(true);
    connect(m_ui->pushButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_downloader, &FileDownloader::downloaded, this, &FirmwareMgt::fileDownloaded);

    hookLink(this->link());
}

void FirmwareMgt::hookLink(TarskBle* l)
{
    // The link's programming signals reach the manager while it lives, once per link.
    if (!l || l == m_hookedLink)
        return;
    if (m_hookedLink)
        m_hookedLink->disconnect(this);
    m_hookedLink = l;
    connect(l, &TarskBle::onUploadFirmwareProgress, this, &FirmwareMgt::onUploadFirmwareProgress);
    connect(l, &TarskBle::onEndCommand, this, &FirmwareMgt::onEndCommand);
    connect(l, &TarskBle::onExchangeError, this, &FirmwareMgt::onExchangeError);
    connect(l, &TarskBle::onDisconnectController, this, &FirmwareMgt::onDisconnectController);
}

FirmwareMgt::~FirmwareMgt() = default;

int FirmwareMgt::openManager(QWidget* parent, const QString& appDataDir)
{
    QString warning;
    const CatalogueConfig config = CatalogueConfig::load(appDataDir, &warning);
    auto* manager = new FirmwareMgt(parent, appDataDir, config);
    manager->fetchCatalogue();
    // A configuration that could not be read is the user's to fix: say so where they look.
    if (!warning.isEmpty())
        manager->m_ui->lbInfo->setText(manager->m_ui->lbInfo->text() + QLatin1Char('\n') + warning);
    const int result = manager->exec();
    delete manager;
    return result;
}

TarskBle* FirmwareMgt::link() const
{
    return m_link ? m_link.data() : bleLink;
}

QString FirmwareMgt::info() const
{
    return m_ui->lbInfo->text();
}

QPushButton* FirmwareMgt::downloadButton(int row) const
{
    QWidget* cell = m_ui->tbFirmwares->cellWidget(row, 3);
    return cell ? cell->findChild<QPushButton*>() : nullptr;
}

void FirmwareMgt::critical(const QString& title, const QString& text)
{
    if (m_hooks.critical)
        m_hooks.critical(title, text);
    else
        QMessageBox::critical(this, title, text);
}

bool FirmwareMgt::question(const QString& title, const QString& text)
{
    if (m_hooks.question)
        return m_hooks.question(title, text);
    return QMessageBox::question(this, title, text, QMessageBox::Yes | QMessageBox::No)
        == QMessageBox::Yes;
}

// ---- Catalogue -------------------------------------------------------------------------------

void FirmwareMgt::fetchCatalogue()
{
    if (!m_config.isComplete()) {
        m_ui->lbInfo->setText(tr("Firmware catalogue not configured"));
        m_ui->lbInfo->setToolTip(
            tr("Set %1 in options.ini and the account and token in %2 and %3 or in %4")
                .arg(QLatin1String(CatalogueConfig::kHostKey),
                    QLatin1String(CatalogueConfig::kAccountVariable),
                    QLatin1String(CatalogueConfig::kTokenVariable),
                    QLatin1String(CatalogueConfig::kCredentialsFile)));
        return;
    }
    m_ui->lbInfo->setText(tr("Reading the firmware catalogue..."));
    startRequest(m_config.catalogueUrl(true), FileDownloader::TocFile);
}

void FirmwareMgt::startRequest(const QUrl& url, int kind)
{
    const int code
        = m_downloader->startDownload(url, static_cast<FileDownloader::DownloadKind>(kind));
    if (code == 0)
        return;
    if (kind == FileDownloader::FirmwareFile)
        m_downloadIndex = -1;
    downloadError(tr("Error %1: %2").arg(code).arg(m_downloader->errorText()));
}

void FirmwareMgt::downloadError(const QString& reason)
{
    m_ui->lbInfo->setText(tr("Download Error: %1").arg(reason));
    critical(tr("Download Error"), reason);
}

void FirmwareMgt::fileDownloaded()
{
    switch (m_downloader->kind()) {
    case FileDownloader::TocFile:
        tocDownloaded();
        break;
    case FileDownloader::RepositoryListing:
        listingDownloaded();
        break;
    case FileDownloader::FirmwareFile:
        firmwareDownloaded();
        break;
    default:
        break;
    }
}

void FirmwareMgt::tocDownloaded()
{
    if (!m_downloader->succeeded()) {
        downloadError(m_downloader->errorText());
        return;
    }
    QList<FirmwareEntry> entries;
    const CatalogueStatus status = parseCatalogue(m_downloader->downloadedData(), &entries);
    if (status != CatalogueStatus::Ok) {
        downloadError(catalogueStatusText(status));
        return;
    }
    m_entries = entries;
    startRequest(m_config.catalogueUrl(false), FileDownloader::RepositoryListing);
}

void FirmwareMgt::listingDownloaded()
{
    if (!m_downloader->succeeded()) {
        // The catalogue is still worth showing: its entries cannot be downloaded.
        fillFirmwareTable(true);
        downloadError(m_downloader->errorText());
        return;
    }
    const CatalogueStatus status = applyRepositoryListing(m_downloader->downloadedData(),
        &m_entries, [this](const QUrl& url) { return m_config.urlAllowed(url); });
    fillFirmwareTable(true);
    if (status != CatalogueStatus::Ok) {
        downloadError(catalogueStatusText(status));
        return;
    }
    m_ui->lbInfo->setText(tr("%1 Firmwares Available").arg(m_entries.size()));
}

void FirmwareMgt::fillFirmwareTable(bool resizeColumns)
{
    QTableWidget* table = m_ui->tbFirmwares;
    table->clearContents();
    table->setRowCount(int(m_entries.size()));
    for (int row = 0; row < m_entries.size(); ++row) {
        const FirmwareEntry& e = m_entries.at(row);
        const QStringList texts { e.fileName, e.version, e.dateText };
        for (int column = 0; column < texts.size(); ++column) {
            auto* item = new QTableWidgetItem(texts.at(column));
            item->setBackground(e.color);
            item->setForeground(textColourFor(e.color));
            table->setItem(row, column, item);
        }
        auto* cell = new QWidget;
        auto* layout = new QHBoxLayout(cell);
        layout->setContentsMargins(4, 0, 0, 0);
        layout->setSpacing(0);
        auto* label = new QLabel(e.description);
        // Remote text is shown as text, never as markup.
        label->setTextFormat(Qt::PlainText);
        layout->addWidget(label);
        auto* button = new QPushButton;
        button->setMaximumWidth(30);
        button->setIcon(QIcon(QStringLiteral(":/TestGraphics/icons/download.png")));
        button->setProperty("id", row);
        if (e.downloadUrl.isEmpty()) {
            button->setEnabled(false);
            button->setToolTip(tr("Not available in the repository"));
        } else {
            button->setToolTip(tr("Download Firmware"));
        }
        connect(button, &QPushButton::clicked, this, [this, row] { downloadFirmware(row); });
        layout->addWidget(button);
        table->setCellWidget(row, 3, cell);
    }
    if (resizeColumns)
        table->resizeColumnsToContents();
}

void FirmwareMgt::downloadFirmware(int id)
{
    // One download at a time; the first click holds until its installation offer is answered.
    if (m_downloadIndex != -1 || m_installing || id < 0 || id >= m_entries.size())
        return;
    const FirmwareEntry& entry = m_entries.at(id);
    if (entry.downloadUrl.isEmpty())
        return;
    m_downloadIndex = id;
    m_ui->lbInfo->setText(tr("Downloading %1...").arg(entry.fileName));
    startRequest(QUrl(entry.downloadUrl), FileDownloader::FirmwareFile);
}

void FirmwareMgt::firmwareDownloaded()
{
    const int index = m_downloadIndex;
    if (index < 0 || index >= m_entries.size())
        return;
    if (!m_downloader->succeeded()) {
        m_downloadIndex = -1;
        downloadError(m_downloader->errorText());
        return;
    }
    QDir folder(m_firmwareFolder);
    if (!folder.exists() && !QDir().mkpath(m_firmwareFolder)) {
        m_downloadIndex = -1;
        critical(tr("Error"), tr("The folder %1 cannot be created").arg(m_firmwareFolder));
        return;
    }
    const QString path = folder.filePath(localFirmwareName(m_entries.at(index)));
    QSaveFile file(path);
    const QByteArray& data = m_downloader->downloadedData();
    // flush() before commit(): commit() misses a failure while flushing its buffer.
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.flush()
        || !file.commit()) {
        m_downloadIndex = -1;
        critical(tr("Error"),
            tr("The firmware cannot be written to %1: %2")
                .arg(QDir::toNativeSeparators(path), file.errorString()));
        return;
    }
    m_ui->lbInfo->setText(tr("%1 downloaded").arg(m_entries.at(index).fileName));
    offerInstallation(index);
}

void FirmwareMgt::on_btOpenFolder_clicked()
{
    if (!QDir().mkpath(m_firmwareFolder)) {
        critical(tr("Error"), tr("The folder %1 cannot be created").arg(m_firmwareFolder));
        return;
    }
    const QUrl url = QUrl::fromLocalFile(m_firmwareFolder);
    const bool opened = m_hooks.openUrl ? m_hooks.openUrl(url) : QDesktopServices::openUrl(url);
    if (!opened)
        critical(tr("Error"),
            tr("The folder %1 cannot be opened").arg(QDir::toNativeSeparators(m_firmwareFolder)));
}

// ---- Installation ----------------------------------------------------------------------------

TarskBle* FirmwareMgt::readyLink()
{
    TarskBle* l = link();
    if (!l) {
        critical(tr("Error"), firmwareStatusText(FirmwareStatus::NotConnected));
        return nullptr;
    }
    const FirmwareStatus status = l->firmwareReadiness();
    if (status != FirmwareStatus::Ok) {
        l->log(QStringLiteral("Firmware manager: ") + QLatin1String(firmwareStatusName(status)));
        critical(tr("Error"), firmwareStatusText(status));
        return nullptr;
    }
    return l;
}

void FirmwareMgt::on_btFirmwareFromDisk_clicked()
{
    if (m_installing || !readyLink())
        return;
    const QString path = m_hooks.openFirmwareFile
        ? m_hooks.openFirmwareFile(this)
        : QFileDialog::getOpenFileName(
            this, tr("Open Firmware"), m_firmwareFolder, tr("Firmware Files (*.bin)"));
    if (path.isEmpty())
        return;
    FirmwareEntry entry;
    entry.fileName = QFileInfo(path).fileName();
    QString error;
    if (!readFirmwareFile(path, &entry.image, &error)) {
        critical(tr("Error"),
            tr("The firmware file cannot be read. Check the file or download it again.")
                + QStringLiteral("\n") + error);
        return;
    }
    // The image carries no header of its own: what the computer will be told comes from the
    // file name, so it is checked and shown before anything is written.
    FirmwareIdentity identity;
    const QString name = firmwareNameOfFile(entry.fileName);
    FirmwareStatus status = parseFirmwareName(name, &identity);
    if (status == FirmwareStatus::Ok)
        status = checkFirmwareFileName(name, link() ? link()->foundDevice().name() : QString());
    if (status != FirmwareStatus::Ok) {
        if (link())
            link()->log(QStringLiteral("Firmware file %1 refused: %2")
                            .arg(entry.fileName, QLatin1String(firmwareStatusName(status))));
        critical(tr("Error"), firmwareStatusText(status));
        return;
    }
    if (!question(tr("Confirmation"),
            tr("Install %1 version %2 (%3 bytes) from %4?\nOnly the file's name can be checked, "
               "not what it holds: install only firmware from the computer's maker.\nKeep the "
               "computer close and switched on until the installation ends.")
                .arg(QString::fromUtf8(identity.name), identity.versionText)
                .arg(entry.image.size())
                .arg(entry.fileName)))
        return;
    install(entry.image, firmwareNameOfFile(entry.fileName));
}

void FirmwareMgt::offerInstallation(int entry)
{
    if (m_uploadIndex != -1 || entry < 0 || entry >= m_entries.size())
        return;
    m_uploadIndex = entry;
    FirmwareEntry& e = m_entries[entry];
    auto release = [this] {
        m_downloadIndex = -1;
        m_uploadIndex = -1;
    };

    // Show what the computer will be told, which comes from the file name.
    FirmwareIdentity identity;
    const FirmwareStatus status = parseFirmwareName(firmwareNameOfFile(e.fileName), &identity);
    if (status != FirmwareStatus::Ok) {
        release();
        critical(tr("Error"), firmwareStatusText(status));
        return;
    }
    QString text = tr("Upload firmware ") + identity.versionText + QStringLiteral("?");
    if (identity.versionText != e.version)
        text += QStringLiteral("\n") + tr("(the catalogue lists version %1)").arg(e.version);
    if (!question(tr("Confirmation"), text)) {
        release();
        return;
    }
    QString error;
    const QString path = QDir(m_firmwareFolder).filePath(localFirmwareName(e));
    if (!readFirmwareFile(path, &e.image, &error)) {
        release();
        critical(tr("Error"),
            tr("The firmware file cannot be read. Check the file or download it again.")
                + QStringLiteral("\n") + error);
        return;
    }
    if (!install(e.image, firmwareNameOfFile(e.fileName)))
        release();
}

bool FirmwareMgt::install(const QByteArray& image, const QString& name)
{
    TarskBle* l = readyLink();
    if (!l)
        return false;
    hookLink(l);
    FirmwareStatus status = FirmwareStatus::Ok;
    const int total = l->setFirmware(image, name, &status);
    if (total < 0) {
        critical(tr("Error"), firmwareStatusText(status));
        return false;
    }
    m_totalBytes = total;
    m_expectedVersion = l->programmer().identity().versionText;
    m_ui->progressBar->setValue(0);
    m_ui->progressBar->setVisible(true);
    m_ui->lbInfo->setText(tr("Number of bytes sent: %1/%2").arg(0).arg(m_totalBytes));
    setBusy(true);
    return true;
}

void FirmwareMgt::setBusy(bool busy)
{
    m_installing = busy;
    m_ui->btFirmwareFromDisk->setEnabled(!busy);
    m_ui->pushButton->setEnabled(!busy);
    for (int row = 0; row < m_ui->tbFirmwares->rowCount(); ++row) {
        if (QPushButton* button = downloadButton(row))
            button->setEnabled(!busy && !m_entries.value(row).downloadUrl.isEmpty());
    }
}

void FirmwareMgt::onUploadFirmwareProgress(int pNbBytesSent, int pPercentageDone)
{
    if (!m_installing)
        return;
    if (pNbBytesSent == 0 && pPercentageDone == 100) {
        m_ui->progressBar->setValue(0);
        m_ui->lbInfo->setText(tr("Nb sent: 0/0"));
        return;
    }
    m_ui->progressBar->setValue(qBound(0, pPercentageDone, 100));
    m_ui->lbInfo->setText(tr("Number of bytes sent: %1/%2").arg(pNbBytesSent).arg(m_totalBytes));
}

void FirmwareMgt::onEndCommand(VeltraCommandIn pCommand)
{
    if (!m_installing || m_verifier)
        return;
    if (pCommand == VeltraCommand::EndProgram) {
        m_ui->lbInfo->setText(tr("Image sent, finishing the installation..."));
        return;
    }
    if (pCommand != VeltraCommand::ProgramFinished || !link())
        return;
    // Taken by the computer: it restarts with the new firmware, whose version is read back.
    m_ui->lbInfo->setText(tr("Reading the new version..."));
    m_verifier = new FirmwareVerifier(link(), m_expectedVersion, this);
    connect(
        m_verifier, &FirmwareVerifier::finished, this, [this](bool ok, const QString& reported) {
            m_verifier->deleteLater();
            m_verifier = nullptr;
            if (!ok) {
                installationFailed(reported.isEmpty()
                        ? tr("the new version could not be read; connect the computer again "
                             "and check its version")
                        : tr("the computer reports version %1").arg(reported));
                return;
            }
            const qint64 elapsed = link() ? link()->programElapsedMs() : 0;
            const QTime took = QTime(0, 0).addMSecs(int(qMin<qint64>(elapsed, 86399999)));
            m_ui->lbInfo->setText(
                tr("Installation successful in %1").arg(took.toString(QStringLiteral("hh:mm:ss")))
                + tr(", version %1").arg(reported));
            setBusy(false);
        });
    m_verifier->start();
}

void FirmwareMgt::onExchangeError(VeltraCommandIn pCommand, ExchangeError::ExchangeErrorIn pError)
{
    if (!m_installing || !isProgramCode(pCommand))
        return;
    if (TarskBle* l = link())
        l->log(
            QStringLiteral("Firmware installation failed: ") + TarskBle::exchangeErrorText(pError));
    installationFailed(installationAdvice(pError));
}

void FirmwareMgt::onDisconnectController()
{
    if (m_installing && !m_verifier)
        installationFailed(tr("The computer disconnected. Connect it again in firmware mode and "
                              "install the firmware again."));
}

void FirmwareMgt::installationFailed(const QString& reason)
{
    m_ui->lbInfo->setText(tr("Installation failed: %1").arg(reason));
    setBusy(false);
    // The same firmware may be tried again.
    m_downloadIndex = -1;
    m_uploadIndex = -1;
}

void FirmwareMgt::reject()
{
    // Closing mid-installation would hide its outcome; the link ends it one way or the other.
    if (m_installing)
        return;
    QDialog::reject();
}
