#include "virtualcomputer/virtualdivecomputer.h"

#include "link/tarskble.h"

#include <array>

namespace {

void putU16(QByteArray& out, quint16 v)
{
    out.append(static_cast<char>(v & 0xFF));
    out.append(static_cast<char>(v >> 8));
}

void putU32(QByteArray& out, quint32 v)
{
    putU16(out, static_cast<quint16>(v));
    putU16(out, static_cast<quint16>(v >> 16));
}

void putU64(QByteArray& out, quint64 v)
{
    putU32(out, static_cast<quint32>(v));
    putU32(out, static_cast<quint32>(v >> 32));
}

QByteArray padded(const QByteArray& text, int width)
{
    QByteArray out = text.left(width - 1);
    out.append(QByteArray(width - out.size(), '\0'));
    return out;
}

// Table of the direct (non-augmented) CRC-16 with polynomial 0x1021.
std::array<quint16, 256> makeCrcTable()
{
    std::array<quint16, 256> table {};
    for (int i = 0; i < 256; ++i) {
        quint16 crc = static_cast<quint16>(i << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<quint16>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
        table[i] = crc;
    }
    return table;
}

constexpr int kSampleChunkBytes = 240;

} // namespace

quint16 VirtualDiveComputer::crc16(const QByteArray& data)
{
    static const std::array<quint16, 256> table = makeCrcTable();
    // The direct form with this start value equals the augmented form preset with 0xFFFF.
    quint16 crc = 0x1D0F;
    for (const char c : data)
        crc = static_cast<quint16>(
            (crc << 8) ^ table[((crc >> 8) ^ static_cast<quint8>(c)) & 0xFF]);
    return crc;
}

QByteArray VirtualDiveComputer::frame(quint8 code, const QByteArray& payload)
{
    const QByteArray body = QByteArray(1, static_cast<char>(code)) + payload;
    QByteArray out("\xDC\xDC", 2);
    putU16(out, static_cast<quint16>(body.size()));
    putU16(out, crc16(body));
    putU16(out, 0);
    return out + body;
}

VirtualDiveComputer::VirtualDiveComputer(QObject* parent)
    : BleTransport(parent)
    , m_store(std::make_shared<EmptyDiveStore>())
{
    QBluetoothDeviceInfo band(
        QBluetoothAddress(QStringLiteral("C4:7C:8D:00:00:01")), QStringLiteral("Fitness Band"), 0);
    band.setCoreConfigurations(QBluetoothDeviceInfo::LowEnergyCoreConfiguration);
    m_neighbours << band;

    m_scanTimer.setSingleShot(true);
    connect(&m_scanTimer, &QTimer::timeout, this, [this] {
        m_scanning = false;
        emit scanFinished();
    });
    m_notifyTimer.setInterval(0);
    connect(&m_notifyTimer, &QTimer::timeout, this, &VirtualDiveComputer::sendNextNotification);
}

QBluetoothDeviceInfo VirtualDiveComputer::deviceInfo() const
{
    QBluetoothDeviceInfo info(m_address, m_name, 0);
    info.setCoreConfigurations(m_lowEnergy ? QBluetoothDeviceInfo::LowEnergyCoreConfiguration
                                           : QBluetoothDeviceInfo::BaseRateCoreConfiguration);
    return info;
}

void VirtualDiveComputer::later(std::function<void()> step)
{
    const int connection = m_connection;
    QTimer::singleShot(0, this, [this, connection, step = std::move(step)] {
        if (connection == m_connection)
            step();
    });
}

void VirtualDiveComputer::setSerialWords(quint32 a, quint32 b, quint32 c)
{
    m_serial[0] = a;
    m_serial[1] = b;
    m_serial[2] = c;
}

void VirtualDiveComputer::setShortSerial(const QByteArray& sixBytes, char letter)
{
    m_shortSerial = sixBytes.left(6);
    m_serialLetter = letter;
}

void VirtualDiveComputer::setSettingsLayout(SettingsLayout layout, quint8 subVersion)
{
    m_layout = layout;
    m_subVersion = subVersion;
}

void VirtualDiveComputer::setDiveStore(std::shared_ptr<const VirtualDiveStore> store)
{
    m_store = store ? std::move(store) : std::make_shared<EmptyDiveStore>();
}

void VirtualDiveComputer::setRefused(quint8 code, bool refuse)
{
    if (code >= 13 && code <= 15)
        m_refused[code - 13] = refuse;
}

// ---- Scan and connection -------------------------------------------------------------------

void VirtualDiveComputer::startScan(int timeoutMs)
{
    if (m_scanning)
        return;
    m_scanning = true;
    m_scanTimer.start(qMin(timeoutMs, m_scanWindowMs));
    QTimer::singleShot(m_scanDelayMs, this, [this] {
        if (!m_scanning)
            return;
        for (const QBluetoothDeviceInfo& device : std::as_const(m_neighbours)) {
            emit deviceDiscovered(device);
            if (!m_scanning)
                return;
        }
        if (m_advertising)
            emit deviceDiscovered(deviceInfo());
    });
}

void VirtualDiveComputer::stopScan()
{
    if (!m_scanning)
        return;
    m_scanning = false;
    m_scanTimer.stop();
    QTimer::singleShot(0, this, [this] { emit scanCanceled(); });
}

bool VirtualDiveComputer::createController(const QBluetoothDeviceInfo& device)
{
    if (m_controllerFails || device.address() != m_address)
        return false;
    m_hasController = true;
    return true;
}

void VirtualDiveComputer::releaseController()
{
    ++m_connection;
    m_hasController = false;
    m_connected = false;
    m_hasService = false;
    m_notificationsOn = false;
    m_outbox.clear();
    m_notifyTimer.stop();
}

void VirtualDiveComputer::connectToDevice()
{
    later([this] {
        if (!m_hasController || m_silentStep == SilentStep::Connect)
            return;
        if (!m_reachable || !m_advertising) {
            emit controllerError(QLowEnergyController::ConnectionError);
            return;
        }
        m_connected = true;
        emit controllerConnected();
    });
}

void VirtualDiveComputer::disconnectFromDevice()
{
    later([this] {
        if (!m_connected)
            return;
        endConnection();
        emit controllerDisconnected();
    });
}

void VirtualDiveComputer::endConnection()
{
    // Replies still queued belong to the connection that ended.
    m_connected = false;
    m_hasService = false;
    m_notificationsOn = false;
    ++m_connection;
    m_outbox.clear();
    m_notifyTimer.stop();
}

void VirtualDiveComputer::dropConnection()
{
    if (!m_connected)
        return;
    endConnection();
    QTimer::singleShot(0, this, [this] {
        emit controllerError(QLowEnergyController::RemoteHostClosedError);
        emit controllerDisconnected();
    });
}

void VirtualDiveComputer::discoverServices()
{
    later([this] {
        if (m_silentStep == SilentStep::Services)
            return;
        emit serviceDiscovered(QBluetoothUuid(QBluetoothUuid::ServiceClassUuid::GenericAccess));
        if (m_servicePresent)
            emit serviceDiscovered(TarskBle::serviceUuid);
        emit discoveryFinished();
    });
}

bool VirtualDiveComputer::createService(const QBluetoothUuid& service)
{
    m_hasService = m_connected && m_servicePresent && service == TarskBle::serviceUuid;
    return m_hasService;
}

void VirtualDiveComputer::discoverServiceDetails()
{
    later([this] {
        if (!m_hasService)
            return;
        emit serviceStateChanged(QLowEnergyService::RemoteServiceDiscovering);
        if (m_silentStep == SilentStep::Details)
            return;
        emit serviceStateChanged(QLowEnergyService::RemoteServiceDiscovered);
    });
}

BleTransport::CharacteristicInfo VirtualDiveComputer::characteristicInfo(
    const QBluetoothUuid& characteristic, const QBluetoothUuid& descriptor) const
{
    CharacteristicInfo info;
    info.valid
        = m_hasService && m_characteristicPresent && characteristic == TarskBle::characteristicUuid;
    if (!info.valid)
        return info;
    // Write without response, write, notify.
    info.properties = 0x04 | 0x08 | 0x10;
    info.descriptorValid = m_descriptorPresent && descriptor == TarskBle::descriptorUuid;
    info.descriptorType = info.descriptorValid ? 0x2902 : 0;
    return info;
}

void VirtualDiveComputer::writeDescriptor(
    const QBluetoothUuid&, const QBluetoothUuid& descriptor, const QByteArray& value)
{
    later([this, descriptor, value] {
        if (m_silentStep == SilentStep::Descriptor)
            return;
        if (m_descriptorFailures > 0) {
            --m_descriptorFailures;
            emit serviceError(QLowEnergyService::DescriptorWriteError);
            return;
        }
        if (m_descriptorWriteFails || !m_hasService) {
            emit serviceError(QLowEnergyService::DescriptorWriteError);
            return;
        }
        m_notificationsOn = value == QByteArray::fromHex("0100");
        emit descriptorWritten(descriptor, value);
    });
}

void VirtualDiveComputer::writeCharacteristic(
    const QBluetoothUuid& characteristic, const QByteArray& value)
{
    m_writes.append(value);
    later([this, characteristic, value] {
        if (!m_hasService) {
            emit serviceError(QLowEnergyService::CharacteristicWriteError);
            return;
        }
        push({ value, true });
        handleFrame(value);
    });
}

// ---- Commands ------------------------------------------------------------------------------

void VirtualDiveComputer::handleFrame(const QByteArray& in)
{
    const QByteArray body = checkedBody(in);
    if (body.isEmpty()) {
        ++m_rejected;
        return;
    }
    const quint8 code = static_cast<quint8>(body[0]);
    const QByteArray payload = body.mid(1);
    auto u16At = [&payload](int at) {
        return payload.size() < at + 2
            ? 0
            : static_cast<quint8>(payload[at]) | (static_cast<quint8>(payload[at + 1]) << 8);
    };

    switch (code) {
    case 1:
        reply({ frame(1, identityPayload()) });
        break;
    case 3:
        reply({ frame(3, serialPayload()) });
        break;
    case 5:
        reply({ frame(5, settingsBody(false).mid(1)) });
        break;
    case 9:
        reply({ frame(9, pressurePayload()) });
        break;
    case 10:
        if (payload.size() >= 4)
            m_ambientMbar = static_cast<quint32>(u16At(0)) | (static_cast<quint32>(u16At(2)) << 16);
        reply({ frame(10, pressurePayload()) });
        break;
    case 13:
    case 14:
    case 15:
        acknowledgeProgramStep(code, payload);
        break;
    case 255:
        // The bootloader takes the checked image; no answer.
        if (m_programState == ProgramState::Ended) {
            m_installed = true;
            m_versionWord = m_programVersion;
            m_programState = ProgramState::Idle;
        }
        break;
    case 19:
    case 20:
    case 21:
        replyStream(code, static_cast<quint16>(u16At(0)));
        break;
    case 22: {
        QByteArray text = m_owner.left(31);
        text.append('\0');
        reply({ frame(22, text) });
        break;
    }
    case 23:
        m_owner = payload.left(31);
        break;
    case 24:
        reply({ frame(24, settingsBody(true).mid(1)) });
        break;
    case 254:
        reply({ frame(254) });
        break;
    default:
        // 255 and anything unknown: no answer.
        break;
    }
}

// One whole frame per write: the body when marker, length and CRC hold, empty otherwise.
QByteArray VirtualDiveComputer::checkedBody(const QByteArray& in)
{
    if (in.size() < 9 || static_cast<quint8>(in[0]) != 0xDC || static_cast<quint8>(in[1]) != 0xDC)
        return {};
    const int n = static_cast<quint8>(in[2]) | (static_cast<quint8>(in[3]) << 8);
    const QByteArray body = in.mid(8);
    const quint32 crc = static_cast<quint8>(in[4]) | (static_cast<quint8>(in[5]) << 8)
        | (static_cast<quint8>(in[6]) << 16) | (quint32(static_cast<quint8>(in[7])) << 24);
    if (n == 0 || body.size() != n || crc != crc16(body))
        return {};
    return body;
}

// The dive list (19) or a dive's samples (20, 21 with tissues): one frame per header or chunk,
// closed by an empty one.
void VirtualDiveComputer::replyStream(quint8 code, quint16 number)
{
    QList<QByteArray> frames;
    if (code == 19) {
        for (const QByteArray& header : m_store->headerPayloads())
            frames << frame(19, header);
    } else {
        const QByteArray stream = m_store->sampleStream(number, code == 21);
        for (qsizetype at = 0; at < stream.size(); at += kSampleChunkBytes)
            frames << frame(code, stream.mid(at, kSampleChunkBytes));
    }
    frames << frame(code);
    reply(frames);
}

void VirtualDiveComputer::acknowledgeProgramStep(quint8 code, const QByteArray& payload)
{
    QString fault;
    if (code == 13) {
        m_stepsHandled = 0;
        m_acksDelivered = 0;
    } else if (m_acksDelivered < m_stepsHandled) {
        fault = QStringLiteral("step sent before the previous acknowledgement");
    }
    ++m_stepsHandled;
    if (fault.isEmpty())
        fault = programStep(code, payload);
    if (fault.isEmpty() && m_refused[code - 13])
        fault = QStringLiteral("refused on command");
    if (!fault.isEmpty()) {
        // The first fault is the cause; what follows it is refused as a consequence.
        if (m_programFault.isEmpty())
            m_programFault = fault;
        m_programState = ProgramState::Idle;
    }
    const QByteArray ack = frame(code, QByteArray(1, fault.isEmpty() ? '\1' : '\0'));
    m_markNextReply = true;
    if (m_duplicateAcks && m_duplicatesApart) {
        reply({ ack });
        reply({ ack });
    } else if (m_duplicateAcks) {
        reply({ ack, ack });
    } else {
        reply({ ack });
    }
}

QString VirtualDiveComputer::programStep(quint8 code, const QByteArray& payload)
{
    int digit = m_modeByte;
    for (int i = 0; i < 2 && digit > 10; ++i)
        digit -= 10;
    if (digit != 2)
        return QStringLiteral("not in firmware mode");

    auto u32At = [&payload](int at) {
        quint32 v = 0;
        for (int i = 3; i >= 0; --i)
            v = (v << 8) | static_cast<quint8>(payload[at + i]);
        return v;
    };

    if (code == 13) {
        m_programState = ProgramState::Idle;
        m_image.clear();
        m_chunkSizes.clear();
        m_programFault.clear();
        m_installed = false;
        if (payload.size() != 44)
            return QStringLiteral("description of %1 bytes, 44 expected").arg(payload.size());
        m_programName = payload.left(32);
        m_programVersion = u32At(32);
        m_programSize = u32At(36);
        m_programCrc = u32At(40);
        if (static_cast<quint8>(m_programName[0]) == 0)
            return QStringLiteral("no firmware name");
        if (m_programSize == 0 || m_programSize > 4 * 1024 * 1024)
            return QStringLiteral("image size %1 out of range").arg(m_programSize);
        if (m_programCrc > 0xFFFF)
            return QStringLiteral("CRC word with upper bits set");
        m_programState = ProgramState::Receiving;
        return {};
    }
    if (code == 14) {
        if (m_programState != ProgramState::Receiving)
            return QStringLiteral("image bytes without a description");
        m_chunkSizes.append(int(payload.size()));
        if (payload.isEmpty() || payload.size() > 128)
            return QStringLiteral("block of %1 bytes").arg(payload.size());
        // Only the last block may be short: a short one in the middle means lost bytes.
        if (m_image.size() % 128 != 0)
            return QStringLiteral("block after a short block");
        if (quint32(m_image.size() + payload.size()) > m_programSize)
            return QStringLiteral("more bytes than announced");
        m_image.append(payload);
        return {};
    }
    if (m_programState != ProgramState::Receiving)
        return QStringLiteral("end without a description");
    if (quint32(m_image.size()) != m_programSize)
        return QStringLiteral("%1 bytes received, %2 announced")
            .arg(m_image.size())
            .arg(m_programSize);
    if (crc16(m_image) != m_programCrc)
        return QStringLiteral("image CRC does not match");
    m_programState = ProgramState::Ended;
    return {};
}

QByteArray VirtualDiveComputer::identityPayload() const
{
    QByteArray p;
    putU32(p, m_versionWord);
    p.append(static_cast<char>(m_modeByte));
    return p;
}

QByteArray VirtualDiveComputer::serialPayload() const
{
    QByteArray p;
    int digit = m_modeByte;
    for (int i = 0; i < 2 && digit > 10; ++i)
        digit -= 10;
    if (digit != 0) {
        for (const quint32 word : m_serial)
            putU32(p, word);
        return p;
    }
    // Older firmware: six bytes, lowest first, and a letter.
    p.append(m_shortSerial);
    p.append(m_serialLetter);
    return p;
}

QByteArray VirtualDiveComputer::pressurePayload() const
{
    QByteArray p(1, '\0');
    putU32(p, m_ambientMbar);
    putU16(p, 215); // temperature in tenths of a degree
    return p;
}

QByteArray VirtualDiveComputer::settingsBody(bool withExtension) const
{
    // Field values count up, so every field sits at a recognisable place.
    quint8 next = 1;
    QByteArray b(1, static_cast<char>(withExtension ? 24 : 5));
    auto u8s = [&](int count) {
        for (int i = 0; i < count; ++i)
            b.append(static_cast<char>(next++));
    };
    auto u16s = [&](int count) {
        for (int i = 0; i < count; ++i)
            putU16(b, static_cast<quint16>(0x100 + next++));
    };
    const int s = m_subVersion;
    if (m_layout != SettingsLayout::A || s != 0) {
        putU16(b, static_cast<quint16>(0x100 | s));
        b.append(static_cast<char>(m_layout == SettingsLayout::A ? 1 : 2));
    }
    putU16(b, 7);
    // Common block.
    u8s(4);
    u16s(1);
    b.append(static_cast<char>(m_waterType));
    putU16(b, m_surfaceMbar);
    u8s(2);

    if (m_layout == SettingsLayout::A) {
        u8s(8);
        u16s(s > 12 ? 12 : 8);
        u8s(1);
        u16s(3);
        b.append(padded(m_computerName, 32));
        u8s(6);
        u16s(1);
        u8s(2);
        putU64(b, 0x1122334455667788ULL);
        b.append(padded("second text", 32));
        if (!withExtension)
            return b;
        putU64(b, 42);
        b.append('\2');
        b.append(QByteArray(2 * 11, '\x5A'));
        putU64(b, 43);
        u8s(1);
        u16s(8);
        u8s(3);
        putU64(b, 44);
        putU64(b, 45);
        u8s(1);
        u16s(3);
        if (s >= 13)
            u16s(6);
        return b;
    }
    u8s(9);
    u16s(8);
    u8s(1);
    for (int g = 0; g < 3; ++g) {
        u16s(2);
        u8s(1);
    }
    if (s >= 2) {
        u16s(8);
        if (s >= 5)
            b.append(QByteArray(3, '\x5A'));
    }
    b.append(padded(m_computerName, 32));
    u8s(5);
    u16s(1);
    u8s(2);
    putU64(b, 0x1122334455667788ULL);
    b.append(QByteArray(76, '\x5A'));
    b.append(padded("second text", 32));
    if (!withExtension)
        return b;
    u16s(1);
    u8s(2);
    u16s(4);
    u8s(1);
    return b;
}

// ---- Notifications -------------------------------------------------------------------------

void VirtualDiveComputer::reply(const QList<QByteArray>& frames)
{
    const bool marked = m_markNextReply;
    m_markNextReply = false;
    if (!m_answering || !m_notificationsOn)
        return;
    QList<QByteArray> out = frames;
    for (int i = 0; i < out.size(); ++i) {
        QByteArray& f = out[i];
        if (m_corruptNext) {
            f[f.size() - 1] = static_cast<char>(f[f.size() - 1] ^ 0x01);
            m_corruptNext = false;
        }
        if (i == m_corruptMarkerAt) {
            f[1] = static_cast<char>(f[1] ^ 0x01);
            m_corruptMarkerAt = -1;
        }
    }
    if (m_corruptMarkerAt >= 0)
        m_corruptMarkerAt = -1;
    const int markAt = marked && !out.isEmpty() ? int(out.first().size()) : -1;
    if (m_replyDelayMs <= 0) {
        enqueue(out, markAt);
        return;
    }
    const int connection = m_connection;
    QTimer::singleShot(m_replyDelayMs, this, [this, connection, out, markAt] {
        if (connection == m_connection)
            enqueue(out, markAt);
    });
}

void VirtualDiveComputer::enqueue(const QList<QByteArray>& frames, int markAt)
{
    QByteArray stream;
    for (const QByteArray& f : frames)
        stream.append(f);
    const int size = m_notificationSize > 0 ? m_notificationSize : int(stream.size());
    for (qsizetype at = 0; at < stream.size(); at += size) {
        const bool mark = markAt > at && markAt <= at + size;
        push({ stream.mid(at, size), false, mark });
        if (m_emptyNotifications)
            push({ QByteArray() });
    }
}

void VirtualDiveComputer::push(Outgoing item)
{
    m_outbox.enqueue(std::move(item));
    if (!m_notifyTimer.isActive())
        m_notifyTimer.start();
}

void VirtualDiveComputer::injectNotification(const QByteArray& bytes)
{
    push({ bytes });
}

void VirtualDiveComputer::sendNextNotification()
{
    if (m_outbox.isEmpty()) {
        m_notifyTimer.stop();
        return;
    }
    const Outgoing item = m_outbox.dequeue();
    if (m_outbox.isEmpty())
        m_notifyTimer.stop();
    if (item.acknowledgement)
        ++m_acksDelivered;
    if (item.writeConfirmation)
        emit characteristicWritten(TarskBle::characteristicUuid, item.bytes);
    else
        emit characteristicChanged(TarskBle::characteristicUuid, item.bytes);
}
