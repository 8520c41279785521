#include "computer/formbluetoothconnect.h"

#include "dive/units.h"
#include "link/tarskble.h"
#include "ui_formbluetoothconnect.h"

#include <QBluetoothDeviceDiscoveryAgent>
#include <QLocale>
#include <QTimer>

using VeltraCommand::VeltraCommandIn;

FormBluetoothConnect::FormBluetoothConnect(QWidget* parent, TarskBle* link)
    : QDialog(parent, Qt::FramelessWindowHint)
    , m_ui(std::make_unique<Ui::FormBluetoothConnectClass>())
    , m_fixedLink(link)
{
    m_ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    m_ui->btRetry->hide();
    m_ui->runBar->hide();
    connect(m_ui->btRetry, &QPushButton::clicked, this, [this] { start(); });
    connect(m_ui->btCancel, &QPushButton::clicked, this, &FormBluetoothConnect::reject);
}

void FormBluetoothConnect::reject()
{
    // Leaving in the middle of a step leaves nothing half-open behind: not a set-up, and not
    // a computer whose identification is unfinished.
    if (m_runLink) {
        if (m_runLink->isReady())
            m_runLink->controllerDisConnect();
        else
            m_runLink->abortConnection();
    }
    finish();
    QDialog::reject();
}

QString FormBluetoothConnect::scanErrorText(int scanError)
{
    switch (scanError) {
    case QBluetoothDeviceDiscoveryAgent::PoweredOffError:
        return tr("Bluetooth is switched off. Switch it on (system settings, or "
                  "\"bluetoothctl power on\") and try again.");
    case QBluetoothDeviceDiscoveryAgent::InvalidBluetoothAdapterError:
        return tr("No Bluetooth adapter found. Plug in a Bluetooth 4.0 (Low Energy) adapter, "
                  "check that the system's Bluetooth service runs, and try again.");
    case QBluetoothDeviceDiscoveryAgent::InputOutputError:
        return tr("Bluetooth does not answer. Check that the system's Bluetooth service runs "
                  "(on Linux: bluetoothd) and that the adapter is not blocked (rfkill), then try "
                  "again.");
    case QBluetoothDeviceDiscoveryAgent::MissingPermissionsError:
        return tr("This program may not use Bluetooth. Allow it in the system's settings and "
                  "try again.");
    case QBluetoothDeviceDiscoveryAgent::LocationServiceTurnedOffError:
        return tr("The location service is off; the system needs it to search for Bluetooth "
                  "devices. Switch it on and try again.");
    default:
        return tr("The Bluetooth search failed (error %1). Check the computer's Bluetooth "
                  "adapter and try again.")
            .arg(scanError);
    }
}

FormBluetoothConnect::~FormBluetoothConnect()
{
    finish();
}

TarskBle* FormBluetoothConnect::link() const
{
    return m_fixedLink ? m_fixedLink : bleLink;
}

QString FormBluetoothConnect::message() const
{
    return m_ui->log->text();
}

int FormBluetoothConnect::runConnection()
{
    if (!start())
        return 0;
    const int result = exec();
    finish();
    return result == QDialog::Accepted ? 1 : 0;
}

bool FormBluetoothConnect::start()
{
    finish();
    setResult(QDialog::Rejected);
    m_runLink = link();
    if (!m_runLink) {
        m_ui->log->setText(tr("No Bluetooth link"));
        m_ui->bottomBar->show();
        return false;
    }
    m_connections << connect(
        m_runLink, &TarskBle::onCreateController, this, &FormBluetoothConnect::onCreateController);
    m_connections << connect(m_runLink, &TarskBle::onConnectController, this,
        &FormBluetoothConnect::onConnectController);
    m_connections << connect(
        m_runLink, &TarskBle::onErrorController, this, &FormBluetoothConnect::onErrorController);
    m_connections << connect(
        m_runLink, &TarskBle::onEndCommand, this, &FormBluetoothConnect::onEndCommand);
    m_connections << connect(
        m_runLink, &TarskBle::onExchangeError, this, &FormBluetoothConnect::onExchangeError);

    m_ui->bottomBar->hide();
    m_ui->btRetry->hide();
    m_ui->runBar->show();
    startSearchAnimation();
    if (m_runLink->hasController()) {
        m_ui->log->setText(tr("Connect to computer..."));
        m_runLink->controllerConnect();
    } else {
        m_ui->log->setText(tr("Search computer..."));
        m_runLink->createController();
    }
    return true;
}

void FormBluetoothConnect::finish()
{
    for (const QMetaObject::Connection& c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    m_runLink = nullptr;
    // Whatever ended the run, the picture rests.
    stopSearchAnimation();
    m_ui->runBar->hide();
    m_ui->bottomBar->show();
}

void FormBluetoothConnect::startSearchAnimation()
{
    // Idempotent: a repeated signal must not restart or stop a running animation.
    if (m_animation)
        return;
    m_animation = new QTimer(this);
    m_animation->setInterval(kAnimationMs);
    m_step = 1;
    connect(m_animation, &QTimer::timeout, this, [this] {
        setPicture(m_step);
        m_step = m_step >= 3 ? 0 : m_step + 1;
    });
    m_animation->start();
}

void FormBluetoothConnect::stopSearchAnimation()
{
    if (!m_animation)
        return;
    m_animation->stop();
    delete m_animation;
    m_animation = nullptr;
    setPicture(0);
}

void FormBluetoothConnect::setPicture(int step)
{
    m_ui->imgBluetooth->setStyleSheet(
        QStringLiteral("image: url(:/TestGraphics/icons/bluetooth-smartphone-step%1.png);")
            .arg(step));
}

void FormBluetoothConnect::fail(const QString& text)
{
    if (!text.isEmpty())
        m_ui->log->setText(text);
    m_ui->runBar->hide();
    m_ui->bottomBar->show();
    m_ui->btRetry->show();
    stopSearchAnimation();
}

void FormBluetoothConnect::onCreateController(
    CreateControllerStatus::CreateControllerStatusIn pStatus)
{
    switch (pStatus) {
    case CreateControllerStatus::NotFound:
        fail(tr("No Device Found"));
        break;
    case CreateControllerStatus::CreateFailed:
        fail(tr("Problem on Create Device"));
        break;
    case CreateControllerStatus::Created:
        if (m_runLink)
            m_runLink->controllerConnect();
        break;
    case CreateControllerStatus::ScanError:
        fail(scanErrorText(m_runLink ? m_runLink->scanError() : 0));
        break;
    default:
        fail(QString());
        break;
    }
}

void FormBluetoothConnect::onConnectController(
    ConnectControllerStatus::ConnectControllerStatusIn pStatus)
{
    switch (pStatus) {
    case ConnectControllerStatus::NoController:
        fail(tr("No Controller"));
        break;
    case ConnectControllerStatus::ServiceNotFound:
        fail(tr("No Computer Found"));
        break;
    case ConnectControllerStatus::SetUpTimeout:
        fail(tr("The computer did not answer in time while %1. Bring it closer, check that its "
                "Bluetooth is on, and try again.")
                 .arg(m_runLink ? m_runLink->setUpStepText() : QString()));
        break;
    case ConnectControllerStatus::SetUpRefused:
        fail(tr("The computer's Bluetooth refused the connection while %1. Switch the computer "
                "off and on, and try again.")
                 .arg(m_runLink ? m_runLink->setUpStepText() : QString()));
        break;
    case ConnectControllerStatus::SetUpDisconnected:
        fail(tr("The computer disconnected while %1. Bring it closer and press Try again.")
                 .arg(m_runLink ? m_runLink->setUpStepText() : QString()));
        break;
    case ConnectControllerStatus::Connected:
        m_ui->log->setText(tr("Device Connected"));
        stopSearchAnimation();
        m_runLink->startCommand(VeltraCommand::GetInfo);
        break;
    default:
        fail(QString());
        break;
    }
}

void FormBluetoothConnect::onErrorController(QLowEnergyController::Error pError)
{
    if (pError == QLowEnergyController::InvalidBluetoothAdapterError) {
        fail(scanErrorText(QBluetoothDeviceDiscoveryAgent::InvalidBluetoothAdapterError));
        return;
    }
    fail(tr("Controller Error: ") + TarskBle::controllerErrorText(pError));
}

void FormBluetoothConnect::onExchangeError(VeltraCommandIn, ExchangeError::ExchangeErrorIn pError)
{
    failIdentification(TarskBle::exchangeErrorAdvice(pError));
}

void FormBluetoothConnect::failIdentification(const QString& text)
{
    // A computer known only in part (no serial, no mode) would defeat the new-dive and
    // duplicate checks and could open the wrong road: it is not left connected.
    if (m_runLink && m_runLink->isConnected())
        m_runLink->controllerDisConnect();
    fail(text + QLatin1Char('\n') + tr("The computer was not identified and is disconnected."));
}

void FormBluetoothConnect::onEndCommand(VeltraCommandIn pCommand)
{
    if (!m_runLink)
        return;
    const ComputerInfo& info = m_runLink->computerInfo();
    switch (pCommand) {
    case VeltraCommand::GetInfo:
        if (info.variant != 2) {
            // Computers of another variant are not served by this program.
            m_runLink->controllerDisConnect();
            fail(tr("Error: Unauthorized access"));
            return;
        }
        m_ui->log->setText(tr("Firmware version: ") + info.versionText);
        m_runLink->startCommand(VeltraCommand::GetSerialNumber);
        break;
    case VeltraCommand::GetSerialNumber:
        if (info.serialNumber.isEmpty()) {
            failIdentification(tr("The computer sent no serial number."));
            return;
        }
        m_ui->log->setText(tr("Serial number: ") + info.serialNumber);
        m_runLink->startCommand(VeltraCommand::GetAmbientPressure);
        break;
    case VeltraCommand::GetAmbientPressure:
        // Sent in mbar: three decimals of bar, two of psi.
        m_ui->log->setText(tr("Ambient pressure: ")
            + Units::format(Quantity::Pressure, info.ambientPressure / 1000.0,
                DisplayUnits::current().pressure == UnitSystem::Imperial ? 2 : 3,
                DisplayUnits::current(), QLocale()));
        m_runLink->startCommand(VeltraCommand::GetSettings);
        break;
    case VeltraCommand::GetSettingsNoExtension:
    case VeltraCommand::GetSettings:
        // Dives are told apart by their computer: a nameless one would match any other.
        if (info.settings.computerNameText().trimmed().isEmpty()) {
            failIdentification(tr("The computer sent no name."));
            return;
        }
        accept();
        break;
    default:
        break;
    }
}
