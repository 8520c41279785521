#include "computer/computeractions.h"

#include "computer/formbluetoothconnect.h"
#include "fileio/divelinesio.h"
#include "link/downloadlogbook.h"
#include "link/importbluetooth.h"
#include "link/linklogfile.h"
#include "link/qtbletransport.h"
#include "link/tarskble.h"
#include "logbook/logbookdatabase.h"

#include <QEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>

using VeltraCommand::VeltraCommandIn;

namespace {
const QString kPowerOff = QStringLiteral("image: url(:/TestGraphics/icons/Veltra-power-off.png);");
const QString kBluetoothOn
    = QStringLiteral("image: url(:/TestGraphics/icons/Veltra-bluetooth-on.png);");
// In the palette's link colour, which a dark desktop makes light enough to read.
QString stateText(const QString& text)
{
    return QStringLiteral("<html><head/><body><p><span style=\"font-weight:700; "
                          "color:%1;\">%2</span></p></body></html>")
        .arg(QGuiApplication::palette().color(QPalette::Link).name(), text.toHtmlEscaped());
}
} // namespace

ComputerActions::ComputerActions(QWidget* window, QLabel* imgVeltra, Hooks hooks)
    : QObject(window)
    , m_window(window)
    , m_img(imgVeltra)
    , m_hooks(std::move(hooks))
    , m_form(new FormBluetoothConnect(window))
{
    if (!m_hooks.linkLogPath.isEmpty())
        m_linkLog = std::make_unique<LinkLogFile>(m_hooks.linkLogPath);
    if (m_img) {
        m_img->setContextMenuPolicy(Qt::CustomContextMenu);
        m_img->installEventFilter(this);
        connect(m_img, &QWidget::customContextMenuRequested, this,
            &ComputerActions::onImgVeltraContextualMenu);
        m_img->setText(stateText(tr("Computer Disconnected")));
    }
}

ComputerActions::~ComputerActions()
{
    disconnect(m_ownerConnection);
    disconnect(m_ownerErrorConnection);
}

TarskBle* ComputerActions::ensureLink()
{
    if (!bleLink) {
        auto log = [this](const QString& line) { logLine(line); };
        if (m_hooks.makeLink)
            m_hooks.makeLink(m_window, log);
        else
            new TarskBle(m_window, log, new QtBleTransport);
    }
    // The window listens to the link's disconnects and service errors once, whoever made it.
    if (bleLink && bleLink != m_hookedLink) {
        m_hookedLink = bleLink;
        connect(bleLink, &TarskBle::onDisconnectController, this,
            &ComputerActions::onDisconnectController);
        connect(bleLink, &TarskBle::onServiceError, this, &ComputerActions::onServiceError);
    }
    return bleLink;
}

int ComputerActions::connectTarskBle()
{
    TarskBle* link = ensureLink();
    if (!link) {
        warn(tr("Error"), tr("The Bluetooth link cannot be created"));
        return 0;
    }
    if (link->isReady())
        return 1;
    const int result = m_form->runConnection();
    if (result != 1)
        return result;
    showConnected();
    return 1;
}

void ComputerActions::showConnected()
{
    if (!m_img || !bleLink)
        return;
    m_img->setStyleSheet(kBluetoothOn);
    // The label's own text follows the state too, or it would go on saying "Disconnected".
    m_img->setText(stateText(tr("Computer Connected")));
    const ComputerInfo& info = bleLink->computerInfo();
    m_img->setToolTip(connectedToolTip(info.serialNumber, info.mode));
}

QString ComputerActions::connectedToolTip(const QString& serial, quint32 mode)
{
    const QString modeText = mode == 1 ? tr("Normal") : tr("Firmware");
    return QStringLiteral("<html><head/><body>"
                          "<p><span style=\"font-weight:700; color:#0055ff;\">%1</span></p>"
                          "<p><span style=\"color:#0055ff;\">%2</span></p>"
                          "<p><span style=\"color:#0055ff;\">%3</span></p>"
                          "</body></html>")
        .arg(tr("Computer Connected"), (tr("Serial ") + serial).toHtmlEscaped(),
            (tr("Mode ") + modeText).toHtmlEscaped());
}

TarskBle* ComputerActions::readyLink(bool needNormalMode)
{
    TarskBle* link = bleLink;
    if (!link) {
        warn(tr("Error"), tr("No computer connected"));
        return nullptr;
    }
    if (!link->isReady()) {
        warn(tr("Error"), tr("The computer is not connected"));
        return nullptr;
    }
    if (needNormalMode && link->computerInfo().mode != 1) {
        warn(tr("Warning"), tr("The computer is in Bootloader mode"));
        return nullptr;
    }
    return link;
}

void ComputerActions::onDownloadDives()
{
    if (!connectTarskBle())
        return;
    TarskBle* link = bleLink;
    if (!link || !link->isReady()) {
        warn(tr("Error"), tr("The computer is not connected"));
        return;
    }
    if (link->computerInfo().mode != 1) {
        if (m_hooks.openFirmwareManager)
            m_hooks.openFirmwareManager();
        else
            warn(tr("Warning"), tr("The computer is in Bootloader mode"));
        return;
    }
    QList<DiveProfile> dives;
    auto* dialog = new ImportBluetooth(m_window, link);
    m_download = dialog;
    LogbookDatabase& logbook = LogbookDatabase::instance();
    dialog->setStoredCheck(m_hooks.diveStored ? m_hooks.diveStored : logbookStoredCheck(logbook));
    const auto log = [this](const QString& line) { logLine(line); };
    dialog->setLog(log);
    // Each dive goes to the logbook as soon as it is verified, not when the dialog closes; a
    // failed write is said once, in the dialog, not in a box per dive.
    dialog->setStoreDive(
        m_hooks.storeDive ? m_hooks.storeDive : logbookStore(logbook, m_hooks.downloadStored, log));
    dialog->setReconnect([this] { return connectTarskBle() == 1; });
    dialog->setConfirmClose(
        [this](const QString& text) { return confirm(tr("Dives not stored"), text); });
    dialog->setExportDive([this](QWidget* parent, DiveProfile& dive) {
        const QString path
            = QFileDialog::getSaveFileName(parent, tr("Export dive %1").arg(dive.name), QString(),
                tr("UDDF files (*.uddf);;CSV files (*.csv)"));
        if (path.isEmpty())
            return;
        QString error;
        if (!exportDive(dive, path, &error))
            warn(tr("Error"), tr("Dive %1 not exported: %2").arg(dive.name, error));
    });
    const int imported = dialog->downloadDives(dives);
    const int stored = dialog->storedCount();
    m_download = nullptr;
    delete dialog;
    if (imported)
        emit divesStored(stored);
}

void ComputerActions::logLine(const QString& line)
{
    if (m_hooks.console)
        m_hooks.console(QStringLiteral("Log: ") + line);
    if (m_linkLog)
        m_linkLog->append(line);
}

void ComputerActions::saveLinkLog()
{
    if (!m_linkLog) {
        warn(tr("Save link log"), tr("No link log is kept."));
        return;
    }
    const QString path = m_hooks.askSavePath
        ? m_hooks.askSavePath(m_window)
        : QFileDialog::getSaveFileName(m_window, tr("Save link log"),
            QStringLiteral("veltra-link.log"), tr("Log files (*.log *.txt)"));
    if (path.isEmpty())
        return;
    QString error;
    if (!m_linkLog->saveTo(path, &error))
        warn(tr("Save link log"), tr("The link log was not saved: %1").arg(error));
}

void ComputerActions::onProgramName()
{
    if (!connectTarskBle())
        return;
    TarskBle* link = readyLink(true);
    if (!link)
        return;
    // One handler per use: an earlier request that never got its reply is dropped first, so a
    // reply opens one dialog and sends one SetOwner.
    disconnect(m_ownerConnection);
    disconnect(m_ownerErrorConnection);
    m_ownerConnection = connect(link, &TarskBle::onEndCommand, this, [this](VeltraCommandIn code) {
        if (code != VeltraCommand::GetOwner)
            return;
        disconnect(m_ownerConnection);
        disconnect(m_ownerErrorConnection);
        TarskBle* link = bleLink;
        if (!link)
            return;
        const QString current = link->computerInfo().ownerName;
        std::optional<QString> name;
        if (m_hooks.askOwner) {
            name = m_hooks.askOwner(m_window, current);
        } else {
            bool ok = false;
            const QString text = QInputDialog::getText(
                m_window, tr("Set owner"), tr("Owner name"), QLineEdit::Normal, current, &ok);
            if (ok)
                name = text;
        }
        if (!name || name->isEmpty())
            return;
        if (!link->isReady()) {
            warn(tr("Error"), tr("The computer is not connected"));
            return;
        }
        // The computer keeps at most kOwnerNameMaxBytes bytes: a longer name is refused, not
        // cut where the user cannot see it.
        if (name->toUtf8().size() > kOwnerNameMaxBytes) {
            warn(tr("Error"),
                tr("The owner name is too long: the computer keeps at most %1 bytes (%2 "
                   "given; letters with accents count 2).")
                    .arg(kOwnerNameMaxBytes)
                    .arg(name->toUtf8().size()));
            return;
        }
        if (!link->setOwnerName(*name))
            warn(tr("Error"), tr("The owner name was not sent to the computer"));
    });
    m_ownerErrorConnection = connect(link, &TarskBle::onExchangeError, this,
        [this](VeltraCommandIn, ExchangeError::ExchangeErrorIn error) {
            disconnect(m_ownerConnection);
            disconnect(m_ownerErrorConnection);
            warn(tr("Error"),
                tr("The owner name cannot be read: %1").arg(TarskBle::exchangeErrorText(error)));
        });
    link->startCommand(VeltraCommand::GetOwner);
}

void ComputerActions::onImgVeltraContextualMenu(const QPoint& pos)
{
    if (!bleLink || !bleLink->isConnected())
        return;
    QMenu menu(m_window);
    QAction* close = menu.addAction(tr("Close Connection"));
    QAction* reset = menu.addAction(tr("Reset Computer"));
    if (m_hooks.extendMenu)
        m_hooks.extendMenu(menu);
    const QPoint global = m_img ? m_img->mapToGlobal(pos) : pos;
    QAction* chosen = menu.exec(global);
    if (chosen == close)
        closeConnection();
    else if (chosen == reset)
        resetComputer();
}

void ComputerActions::closeConnection()
{
    if (!confirm(tr("Disconnect Computer"), tr("Disconnect the computer?")))
        return;
    if (bleLink && bleLink->isConnected())
        bleLink->controllerDisConnect();
}

void ComputerActions::resetComputer()
{
    if (!confirm(tr("Reset Computer"),
            tr("Reset restarts the dive computer and ends the connection. What the computer "
               "itself clears depends on its firmware (see its manual): download new dives "
               "first. Dives already in the logbook are not touched.\n\nReset the computer "
               "now?")))
        return;
    if (bleLink && bleLink->isReady())
        bleLink->startCommand(VeltraCommand::ResetComputer);
}

bool ComputerActions::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_img && event->type() == QEvent::MouseButtonDblClick) {
        if (confirm(tr("Disconnect Computer"), tr("Disconnect the computer?")) && bleLink
            && bleLink->isConnected())
            bleLink->controllerDisConnect();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void ComputerActions::onDisconnectController()
{
    if (m_img) {
        m_img->setStyleSheet(kPowerOff);
        m_img->setText(stateText(tr("Computer Disconnected")));
        m_img->setToolTip(tr("Computer Disconnected"));
    }
    if (m_hooks.disconnected)
        m_hooks.disconnected();
}

void ComputerActions::onServiceError(QLowEnergyService::ServiceError pError)
{
    if (m_hooks.console)
        m_hooks.console(tr("Service Error: ") + TarskBle::serviceErrorText(pError));
}

void ComputerActions::warn(const QString& title, const QString& text)
{
    if (m_hooks.warn)
        m_hooks.warn(title, text);
    else
        QMessageBox::warning(m_window, title, text);
}

bool ComputerActions::confirm(const QString& title, const QString& text)
{
    if (m_hooks.confirm)
        return m_hooks.confirm(title, text);
    // No is the default: Enter must not reset or disconnect anything.
    return QMessageBox::question(
               m_window, title, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}
