#include "computer/firmwareverify.h"

#include "link/tarskble.h"

FirmwareVerifier::FirmwareVerifier(TarskBle* link, const QString& expectedVersion, QObject* parent)
    : QObject(parent)
    , m_link(link)
    , m_expected(expectedVersion)
{ }

void FirmwareVerifier::start()
{
    if (!m_link) {
        finish(false, QString());
        return;
    }
    TarskBle* l = m_link;
    m_connections << connect(l, &TarskBle::onDisconnectController, this, [this] { reconnect(); });
    m_connections << connect(l, &TarskBle::onConnectController, this,
        [this](ConnectControllerStatus::ConnectControllerStatusIn status) {
            if (status != ConnectControllerStatus::Connected) {
                finish(false, QString());
                return;
            }
            m_link->startCommand(VeltraCommand::GetInfo);
        });
    m_connections << connect(
        l, &TarskBle::onEndCommand, this, [this](VeltraCommand::VeltraCommandIn code) {
            if (code != VeltraCommand::GetInfo || !m_reconnecting)
                return;
            const QString reported = m_link->computerInfo().versionText;
            finish(reported == m_expected, reported);
        });
    m_connections << connect(l, &TarskBle::onExchangeError, this,
        [this](VeltraCommand::VeltraCommandIn code, ExchangeError::ExchangeErrorIn) {
            if (code == VeltraCommand::GetInfo && m_reconnecting)
                finish(false, QString());
        });
    // A computer that restarted on its own has closed the connection already.
    if (l->isConnected())
        l->controllerDisConnect();
    else
        reconnect();
}

void FirmwareVerifier::reconnect()
{
    if (m_reconnecting || m_done || !m_link)
        return;
    m_reconnecting = true;
    m_link->controllerConnect();
}

void FirmwareVerifier::finish(bool ok, const QString& reported)
{
    if (m_done)
        return;
    m_done = true;
    for (const QMetaObject::Connection& c : std::as_const(m_connections))
        disconnect(c);
    emit finished(ok, reported);
}
