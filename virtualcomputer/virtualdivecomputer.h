#pragma once

#include "link/bletransport.h"

#include <QBluetoothAddress>
#include <QBluetoothDeviceInfo>
#include <QList>
#include <QQueue>
#include <QTimer>

#include <memory>

// The dives a virtual computer holds. It answers the dive list with one reply per header and a
// sample request with the stream of that dive.
class VirtualDiveStore
{
public:
    virtual ~VirtualDiveStore() = default;
    // Payloads of the dive list replies (without the code byte), in the order they are sent.
    virtual QList<QByteArray> headerPayloads() const = 0;
    // The sample stream of dive `number` (empty when there is none).
    virtual QByteArray sampleStream(quint16 number, bool withTissues) const = 0;
};

class EmptyDiveStore : public VirtualDiveStore
{
public:
    QList<QByteArray> headerPayloads() const override { return {}; }
    QByteArray sampleStream(quint16, bool) const override { return {}; }
};

// A dive computer living in-process behind the transport seam. It advertises, connects, serves
// the data characteristic and answers commands in real frames with a real CRC, cut into
// notifications the way a BLE link delivers them. Used by the tests and by the demo mode.
// Everything it does happens later, from the event loop, as with a real radio.
class VirtualDiveComputer : public BleTransport
{
    Q_OBJECT
public:
    enum class SettingsLayout { A, B };

    // Mode bytes of the identity reply: normal mode and firmware (bootloader) mode, variant 2.
    static constexpr quint8 kNormalModeByte = 21;
    static constexpr quint8 kFirmwareModeByte = 22;

    explicit VirtualDiveComputer(QObject* parent = nullptr);

    // What it shows in a scan.
    void setAdvertisedName(const QString& name) { m_name = name; }
    void setAddress(const QBluetoothAddress& address) { m_address = address; }
    void setAdvertising(bool on) { m_advertising = on; }
    void setLowEnergy(bool on) { m_lowEnergy = on; }
    void setNeighbours(const QList<QBluetoothDeviceInfo>& devices) { m_neighbours = devices; }
    // How long a scan runs before it finishes on its own (capped by the link's window).
    void setScanWindow(int ms) { m_scanWindowMs = ms; }
    // How long after the start of a scan the devices around show up.
    void setScanDelay(int ms) { m_scanDelayMs = ms; }
    QBluetoothDeviceInfo deviceInfo() const;

    // Faults of the connection and the GATT set-up.
    void setReachable(bool on) { m_reachable = on; }
    void setControllerCreationFails(bool on) { m_controllerFails = on; }
    void setServicePresent(bool on) { m_servicePresent = on; }
    void setCharacteristicPresent(bool on) { m_characteristicPresent = on; }
    void setDescriptorPresent(bool on) { m_descriptorPresent = on; }
    void setDescriptorWriteFails(bool on) { m_descriptorWriteFails = on; }
    // A set-up step the stack never finishes (no signal at all), as a hung radio does.
    enum class SilentStep { None, Connect, Services, Details, Descriptor };
    void setSilentStep(SilentStep step) { m_silentStep = step; }
    // The computer drops the connection (out of range, battery).
    void dropConnection();

    // Identity and state.
    void setModeByte(quint8 modeByte) { m_modeByte = modeByte; }
    quint8 modeByte() const { return m_modeByte; }
    void setVersionWord(quint32 word) { m_versionWord = word; }
    void setSerialWords(quint32 a, quint32 b, quint32 c);
    // Serial of computers whose mode digit is 0: six bytes and a letter.
    void setShortSerial(const QByteArray& sixBytes, char letter);
    void setAmbientPressure(quint32 mbar) { m_ambientMbar = mbar; }
    quint32 ambientPressure() const { return m_ambientMbar; }
    void setSettingsLayout(SettingsLayout layout, quint8 subVersion);
    void setComputerName(const QByteArray& name) { m_computerName = name; }
    void setWaterType(quint8 type) { m_waterType = type; }
    void setSurfacePressure(quint16 mbar) { m_surfaceMbar = mbar; }
    void setOwnerName(const QByteArray& utf8) { m_owner = utf8; }
    QByteArray ownerName() const { return m_owner; }
    void setDiveStore(std::shared_ptr<const VirtualDiveStore> store);
    // Refuse the acknowledgement of BeginProgram (13), Program (14) or EndProgram (15).
    void setRefused(quint8 code, bool refuse);
    // Acknowledges every programming step twice, as a confused radio might; `apart` sends the
    // copy in a notification of its own instead of beside the first.
    void setDuplicateAcknowledgements(bool on, bool apart = false)
    {
        m_duplicateAcks = on;
        m_duplicatesApart = apart;
    }
    // The bytes received by Program frames since the last BeginProgram.
    QByteArray programmedImage() const { return m_image; }
    // What BeginProgram announced: name field (32 bytes), version word, size, CRC word.
    QByteArray programName() const { return m_programName; }
    quint32 programVersionWord() const { return m_programVersion; }
    quint32 programSize() const { return m_programSize; }
    quint32 programCrcWord() const { return m_programCrc; }
    // Sizes of the Program frames' payloads since the last BeginProgram, in arrival order.
    const QList<int>& programChunkSizes() const { return m_chunkSizes; }
    // Why a programming step since the last BeginProgram was first refused (empty if none).
    QString programFault() const { return m_programFault; }
    // ProgramFinished arrived after an accepted EndProgram: the image is installed and the
    // computer reports its version from now on.
    bool firmwareInstalled() const { return m_installed; }

    // How replies travel: cut every `bytes` bytes (20 on a default link), or 0 for a whole reply,
    // all its frames merged, in one notification.
    void setNotificationSize(int bytes) { m_notificationSize = bytes; }
    void setNotificationInterval(int ms) { m_notifyTimer.setInterval(ms); }
    // Puts an empty notification between the pieces of every reply.
    void setEmptyNotifications(bool on) { m_emptyNotifications = on; }
    // Stops answering (a lost reply) while false.
    void setAnswering(bool on) { m_answering = on; }
    // Damages the CRC of the next reply frame.
    void corruptNextReply() { m_corruptNext = true; }
    // Damages the marker of frame `index` (0 = first) of the next reply, as a radio that
    // flipped one bit would: the frame's bytes no longer look like a frame.
    void corruptNextMarker(int index) { m_corruptMarkerAt = index; }
    // Holds every reply for `ms` before it leaves (0 = at once), longer than the link waits.
    void setReplyDelay(int ms) { m_replyDelayMs = ms; }
    // The next `count` notification switch writes are refused with a service error.
    void setDescriptorWriteFailures(int count) { m_descriptorFailures = count; }
    // Sends raw bytes as one notification, as a disturbed link might.
    void injectNotification(const QByteArray& bytes);

    // What it received: every frame written to it, in order, as written.
    const QList<QByteArray>& writes() const { return m_writes; }
    int rejectedFrames() const { return m_rejected; }
    bool notificationsOn() const { return m_notificationsOn; }
    bool isConnected() const { return m_connected; }

    // CRC of the computer's own firmware, written the table way (independent of the link's).
    static quint16 crc16(const QByteArray& data);
    static QByteArray frame(quint8 code, const QByteArray& payload = {});
    // A settings reply body (code byte first) built from the layout's field list.
    QByteArray settingsBody(bool withExtension) const;

    void startScan(int timeoutMs) override;
    void stopScan() override;
    bool isScanning() const override { return m_scanning; }
    bool createController(const QBluetoothDeviceInfo& device) override;
    bool hasController() const override { return m_hasController; }
    void releaseController() override;
    void connectToDevice() override;
    void disconnectFromDevice() override;
    void discoverServices() override;
    bool createService(const QBluetoothUuid& service) override;
    bool hasService() const override { return m_hasService; }
    void releaseService() override { m_hasService = false; }
    void discoverServiceDetails() override;
    CharacteristicInfo characteristicInfo(
        const QBluetoothUuid& characteristic, const QBluetoothUuid& descriptor) const override;
    void writeDescriptor(const QBluetoothUuid& characteristic, const QBluetoothUuid& descriptor,
        const QByteArray& value) override;
    void writeCharacteristic(
        const QBluetoothUuid& characteristic, const QByteArray& value) override;

private:
    // What leaves, in order: notifications and the confirmations of writes, which a radio
    // delivers in the order the computer produced them.
    struct Outgoing
    {
        QByteArray bytes;
        bool writeConfirmation = false;
        // Carries the end of the first copy of a programming acknowledgement.
        bool acknowledgement = false;
    };

    // Forgets everything of the current connection (shared by a clean and a dropped end).
    void endConnection();
    void later(std::function<void()> step);
    void handleFrame(const QByteArray& frame);
    static QByteArray checkedBody(const QByteArray& in);
    void replyStream(quint8 code, quint16 number);
    // BeginProgram (13), Program (14), EndProgram (15): checked, then acknowledged.
    void acknowledgeProgramStep(quint8 code, const QByteArray& payload);
    void reply(const QList<QByteArray>& frames);
    void enqueue(const QList<QByteArray>& frames, int markAt);
    void push(Outgoing item);
    void sendNextNotification();
    QByteArray identityPayload() const;
    QByteArray serialPayload() const;
    QByteArray pressurePayload() const;
    // Checks a programming step; an empty text means it is acknowledged.
    QString programStep(quint8 code, const QByteArray& payload);

    QString m_name = QStringLiteral("Veltra");
    QBluetoothAddress m_address { QStringLiteral("00:1E:C0:7A:11:2E") };
    bool m_advertising = true;
    bool m_lowEnergy = true;
    QList<QBluetoothDeviceInfo> m_neighbours;
    int m_scanWindowMs = 3000;
    int m_scanDelayMs = 0;
    bool m_scanning = false;
    QTimer m_scanTimer;

    bool m_reachable = true;
    bool m_controllerFails = false;
    bool m_servicePresent = true;
    bool m_characteristicPresent = true;
    bool m_descriptorPresent = true;
    bool m_descriptorWriteFails = false;
    SilentStep m_silentStep = SilentStep::None;
    bool m_hasController = false;
    bool m_connected = false;
    bool m_hasService = false;
    bool m_notificationsOn = false;
    // Bumped whenever the connection ends, so steps posted for an earlier one are dropped.
    int m_connection = 0;

    quint8 m_modeByte = kNormalModeByte;
    quint32 m_versionWord = 0x01020362;
    quint32 m_serial[3] = { 0x00A1B2C3, 0x17250004, 0x0000BEEF };
    QByteArray m_shortSerial = QByteArray::fromHex("0a0b0c0d0e0f");
    char m_serialLetter = 'K';
    quint32 m_ambientMbar = 1013;
    SettingsLayout m_layout = SettingsLayout::B;
    quint8 m_subVersion = 5;
    QByteArray m_computerName = "Veltra Demo";
    quint8 m_waterType = 1;
    quint16 m_surfaceMbar = 1013;
    QByteArray m_owner = "Demo Diver";
    std::shared_ptr<const VirtualDiveStore> m_store;
    bool m_refused[3] = { false, false, false };
    bool m_duplicateAcks = false;
    bool m_duplicatesApart = false;
    // Programming frames handled and acknowledgements delivered since BeginProgram: a frame
    // that arrives before the previous one's acknowledgement left means the sender ran ahead.
    int m_stepsHandled = 0;
    int m_acksDelivered = 0;
    bool m_markNextReply = false;
    enum class ProgramState { Idle, Receiving, Ended };
    ProgramState m_programState = ProgramState::Idle;
    QByteArray m_image;
    QByteArray m_programName;
    quint32 m_programVersion = 0;
    quint32 m_programSize = 0;
    quint32 m_programCrc = 0;
    QList<int> m_chunkSizes;
    QString m_programFault;
    bool m_installed = false;

    int m_notificationSize = 20;
    bool m_emptyNotifications = false;
    bool m_answering = true;
    bool m_corruptNext = false;
    int m_corruptMarkerAt = -1;
    int m_replyDelayMs = 0;
    int m_descriptorFailures = 0;
    QQueue<Outgoing> m_outbox;
    QTimer m_notifyTimer;
    QList<QByteArray> m_writes;
    int m_rejected = 0;
};
