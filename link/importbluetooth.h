#pragma once

#include "dive/devicerecords.h"
#include "dive/diveprofile.h"
#include "link/linkenums.h"

#include <QDialog>
#include <QList>
#include <QTimer>

#include <functional>
#include <memory>

namespace Ui {
class ImportBluetoothClass;
}
class QListWidgetItem;
class TarskBle;

// The dive download: lists the computer's dives, lets the user tick them, downloads the ticked
// ones one after the other, checks each stream against its header, converts it and stores it at
// once (so a crash later loses nothing). A dive whose transfer or check fails can be fetched
// again or skipped; a dive the logbook refuses stays here to be stored again or exported.
class ImportBluetooth : public QDialog
{
    Q_OBJECT
public:
    // Tells whether the logbook already holds the listed dive (header only, no samples).
    using StoredCheck = std::function<bool(const DiveProfile& listed)>;
    using LogCallback = std::function<void(const QString&)>;
    // Stores one converted dive: 0 when the logbook took it, 2 when it holds that dive already
    // (LogbookDatabase::Outcome); the name may change to one still free.
    using StoreDive = std::function<int(DiveProfile&)>;
    // Connects the computer again after it went away; true when it is ready.
    using Reconnect = std::function<bool()>;
    // Saves a dive the logbook refused into a file the user chooses.
    using ExportDive = std::function<void(QWidget* parent, DiveProfile&)>;
    // Asked before closing while refused dives are still only here; true closes.
    using ConfirmClose = std::function<bool(const QString& text)>;

    // Quiet time after a damaged frame before the dive may be fetched again, so the rest of the
    // damaged stream cannot mix into the new one.
    static constexpr int kSettleMs = 1500;

    explicit ImportBluetooth(QWidget* parent = nullptr, TarskBle* link = nullptr);
    ~ImportBluetooth() override;

    void setStoredCheck(StoredCheck check) { m_storedCheck = std::move(check); }
    void setLog(LogCallback log) { m_log = std::move(log); }
    void setStoreDive(StoreDive store) { m_storeDive = std::move(store); }
    void setExportDive(ExportDive exportDive) { m_exportDive = std::move(exportDive); }
    void setConfirmClose(ConfirmClose confirm) { m_confirmClose = std::move(confirm); }
    void setReconnect(Reconnect reconnect) { m_reconnect = std::move(reconnect); }

    // Closing with dives that exist nowhere else asks first.
    void done(int result) override;
    void setSettleInterval(int ms) { m_settleTimer.setInterval(ms); }

    // Runs the dialog modally; converted dives are appended to `destination`. Non-zero when at
    // least one dive was converted.
    int downloadDives(QList<DiveProfile>& destination);

    // The two halves of downloadDives, for callers that drive the dialog themselves: start()
    // asks for the dive list (false when no computer is ready), finish() releases the link.
    bool start(QList<DiveProfile>* destination);
    void finish();

    int imported() const { return m_imported; }
    bool isBusy() const { return m_busy; }
    const QList<DiveHeader>& headers() const { return m_headers; }
    QList<quint16> importQueue() const { return m_importQueue; }
    QList<quint16> failedDives() const { return m_failed; }
    int storedCount() const { return m_stored; }
    // Converted dives the logbook refused, kept until stored again or exported.
    const QList<DiveProfile>& unstoredDives() const { return m_unstored; }

public slots:
    void on_btImport_clicked();
    void onEndCommand(VeltraCommand::VeltraCommandIn pCommand);
    void onExchangeError(
        VeltraCommand::VeltraCommandIn pCommand, ExchangeError::ExchangeErrorIn pError);
    void on_btRetry_clicked();
    void on_btSkip_clicked();
    void on_btStoreAgain_clicked();
    void on_btExport_clicked();
    void on_btCancel_clicked();
    void on_btReconnect_clicked();

private:
    enum class State {
        Idle,
        Listing,
        ListSettling,
        ListFailed,
        Ready,
        Downloading,
        Settling,
        DiveFailed,
        Disconnected
    };

    void requestList();
    void fillList();
    void fetch(quint16 number);
    void convertCurrent();
    // `advice` is shown, `reason` (the technical word) goes to the log.
    void failCurrent(const QString& advice, const QString& reason, bool settle);
    void failList(ExchangeError::ExchangeErrorIn error);
    void listDive(const DiveHeader& header, const QList<quint16>& repeated, int& alreadyStored);
    const DiveHeader* headerOf(quint16 number) const;
    void storeConverted(DiveProfile dive);
    void showUnstored();
    void next();
    void finishQueue();
    void setBusy(bool busy);
    void showRetry(bool visible, bool enabled, bool canSkip);
    void notificationArrived(const QByteArray& value);
    void streamSettled();
    QListWidgetItem* itemOf(quint16 number) const;
    void log(const QString& text) const;

    std::unique_ptr<Ui::ImportBluetoothClass> m_ui;
    TarskBle* m_link;
    QList<DiveProfile>* m_destination = nullptr;
    int m_imported = 0;
    QList<quint16> m_importQueue;
    QList<quint16> m_done;
    QList<quint16> m_failed;
    QList<DiveHeader> m_headers; // in arrival order
    State m_state = State::Idle;
    bool m_busy = false;
    bool m_withTissues = false;
    qint64 m_receivedBytes = 0;
    qint64 m_expectedBytes = 0;
    // The first bytes of the stream: they give its record and frame sizes.
    QByteArray m_streamHead;
    bool m_cancelRequested = false;
    QString m_serial; // of the computer the list came from
    Reconnect m_reconnect;
    QTimer m_settleTimer;
    StoredCheck m_storedCheck;
    StoreDive m_storeDive;
    ExportDive m_exportDive;
    ConfirmClose m_confirmClose;
    QList<DiveProfile> m_unstored;
    int m_stored = 0;
    LogCallback m_log;
    QList<QMetaObject::Connection> m_connections;
};
