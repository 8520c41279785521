#pragma once

#include "link/linkenums.h"

#include <QDialog>
#include <QLowEnergyController>

#include <memory>

namespace Ui {
class FormBluetoothConnectClass;
}
class QTimer;
class TarskBle;

// Finds, connects and identifies the dive computer: scan (or reconnect), connect, then the
// identification chain GetInfo, GetSerialNumber, GetAmbientPressure, GetSettings. Accepted only
// when every identification reply arrived intact; on any failure the link is disconnected and
// the message stays with "Try again" and Close. Cancel (or Escape) stops any step.
class FormBluetoothConnect : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kAnimationMs = 500;

    // `link` defaults to the process-wide link at each run.
    explicit FormBluetoothConnect(QWidget* parent = nullptr, TarskBle* link = nullptr);
    ~FormBluetoothConnect() override;

    // Runs the dialog modally: 1 when a computer is connected and identified, 0 otherwise.
    int runConnection();

    // The halves of runConnection for callers that run the loop themselves.
    bool start();
    void finish();

    bool isAnimating() const { return m_animation != nullptr; }
    int animationStep() const { return m_step; }
    QString message() const;

    // What the user is told for a failed Bluetooth scan (adapter missing, switched off, ...).
    static QString scanErrorText(int scanError);

    void reject() override;

public slots:
    void onCreateController(CreateControllerStatus::CreateControllerStatusIn pStatus);
    void onConnectController(ConnectControllerStatus::ConnectControllerStatusIn pStatus);
    void onErrorController(QLowEnergyController::Error pError);
    void onEndCommand(VeltraCommand::VeltraCommandIn pCommand);
    void onExchangeError(
        VeltraCommand::VeltraCommandIn pCommand, ExchangeError::ExchangeErrorIn pError);

private:
    void startSearchAnimation();
    void stopSearchAnimation();
    void fail(const QString& text);
    // An identification reply is missing or damaged: the computer is not half-connected.
    void failIdentification(const QString& text);
    void setPicture(int step);
    TarskBle* link() const;

    std::unique_ptr<Ui::FormBluetoothConnectClass> m_ui;
    TarskBle* m_fixedLink;
    TarskBle* m_runLink = nullptr;
    QTimer* m_animation = nullptr;
    int m_step = 0;
    QList<QMetaObject::Connection> m_connections;
};
