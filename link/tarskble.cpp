#include "link/tarskble.h"

#include "link/qtbletransport.h"

TarskBle* bleLink = nullptr;

const QBluetoothUuid TarskBle::serviceUuid(QStringLiteral("49535343-fe7d-4ae5-8fa9-9fafd205e455"));
const QBluetoothUuid TarskBle::characteristicUuid(
    QStringLiteral("49535343-1e4d-4bd9-ba61-23c647249616"));
const QBluetoothUuid TarskBle::descriptorUuid(
    QStringLiteral("00002902-0000-1000-8000-00805f9b34fb"));

using namespace VeltraCommand;

namespace {

// Whether a reply announced (or damaged) with `reply` ends the exchange started by `command`.
bool answers(quint8 command, quint8 reply)
{
    switch (command) {
    case SetSimulatedPressure:
        return reply == GetAmbientPressure || reply == SetSimulatedPressure;
    case GetDiveSamplesWithTissues:
        return reply == GetDiveSamples || reply == GetDiveSamplesWithTissues;
    case GetValuePair2:
        return reply == GetValuePair || reply == GetValuePair2;
    case GetSettings:
        // Older computers answer the settings request without the extension.
        return reply == GetSettings || reply == GetSettingsNoExtension;
    default:
        return reply == command;
    }
}

bool expectsReply(quint8 command)
{
    return command != None && command != Reserved16 && command != SetOwner
        && command != ProgramFinished;
}

} // namespace

TarskBle::TarskBle(QObject* parent, LogCallback log, BleTransport* transport)
    : QObject(parent)
    , m_logCallback(std::move(log))
    , m_transport(transport ? transport : new QtBleTransport)
{
    if (!bleLink)
        bleLink = this;
    m_transport->setParent(this);

    m_batchTimer.setSingleShot(true);
    m_batchTimer.setInterval(kBatchIntervalMs);
    connect(&m_batchTimer, &QTimer::timeout, this, &TarskBle::decodeFrames);
    m_replyTimer.setSingleShot(true);
    m_replyTimer.setInterval(kReplyTimeoutMs);
    connect(&m_replyTimer, &QTimer::timeout, this, &TarskBle::replyTimedOut);
    m_setUpTimer.setSingleShot(true);
    m_setUpTimer.setInterval(kSetUpTimeoutMs);
    connect(&m_setUpTimer, &QTimer::timeout, this, &TarskBle::setUpTimedOut);
    m_owedTimer.setSingleShot(true);
    m_owedTimer.setInterval(kOwedReplySilenceMs);
    connect(&m_owedTimer, &QTimer::timeout, this, [this] {
        this->log(QStringLiteral("%1 owed replies never came: forgotten").arg(m_owed.size()));
        m_owed.clear();
    });

    BleTransport* t = m_transport;
    connect(t, &BleTransport::deviceDiscovered, this, &TarskBle::deviceDiscovered);
    connect(t, &BleTransport::scanFinished, this, &TarskBle::scanFinished);
    connect(t, &BleTransport::scanCanceled, this, &TarskBle::scanCanceled);
    connect(t, &BleTransport::scanError, this, &TarskBle::scanErrorOccurred);
    connect(t, &BleTransport::serviceDiscovered, this, &TarskBle::serviceDiscovered);
    connect(t, &BleTransport::discoveryFinished, this, &TarskBle::discoveryFinished);
    connect(t, &BleTransport::controllerError, this, &TarskBle::controllerErrorOccured);
    connect(t, &BleTransport::controllerConnected, this, &TarskBle::controllerConnected);
    connect(t, &BleTransport::controllerDisconnected, this, &TarskBle::controllerDisConnected);
    connect(t, &BleTransport::serviceStateChanged, this, &TarskBle::stateChanged);
    connect(t, &BleTransport::characteristicChanged, this, &TarskBle::characteristicChanged);
    connect(t, &BleTransport::characteristicRead, this, &TarskBle::characteristicRead);
    connect(t, &BleTransport::characteristicWritten, this, &TarskBle::characteristicWritten);
    connect(t, &BleTransport::descriptorRead, this, &TarskBle::descriptorRead);
    connect(t, &BleTransport::descriptorWritten, this, &TarskBle::descriptorWritten);
    connect(t, &BleTransport::serviceError, this, &TarskBle::errorOccurred);
}

TarskBle::~TarskBle()
{
    // The transport is our child and would outlive this body; stop hearing from it.
    m_transport->disconnect(this);
    if (bleLink == this)
        bleLink = nullptr;
}

void TarskBle::log(const QString& text) const
{
    if (m_logCallback)
        m_logCallback(text);
}

void TarskBle::setStatus(const QString& text)
{
    m_statusText = text;
    emit updateChanged();
}

// ---- Sending -------------------------------------------------------------------------------

void TarskBle::resetExchange()
{
    m_decoder.clear();
    m_reportedDrops = 0;
    m_batchTimer.stop();
    m_batchMode = false;
    m_replyTimer.stop();
    m_pending = None;
    m_pressureBusy = false;
    m_overflowLogged = false;
    m_finishFrame.clear();
    m_owed.clear();
    m_owedTimer.stop();
}

void TarskBle::startCommand(VeltraCommand::VeltraCommandIn pCommand)
{
    sendFrame(pCommand);
}

void TarskBle::startGetDiveSamples(uint16_t diveName, bool dbg)
{
    m_info.rawSampleBytes.clear();
    QByteArray payload;
    appendU16(payload, diveName);
    sendFrame(dbg ? GetDiveSamplesWithTissues : GetDiveSamples, payload);
}

bool TarskBle::setOwnerName(const QString& name)
{
    const QByteArray bytes = name.toUtf8();
    if (bytes.isEmpty() || bytes.size() > kOwnerNameMaxBytes) {
        log(QStringLiteral("Owner name of %1 bytes not sent").arg(bytes.size()));
        return false;
    }
    return sendFrame(SetOwner, bytes);
}

bool TarskBle::setSimulatedPressure(uint32_t mbar)
{
    if (m_pressureBusy || !m_ready || m_pending != None)
        return false;
    m_pressureBusy = true;
    QByteArray payload;
    appendU32(payload, mbar);
    sendFrame(SetSimulatedPressure, payload);
    return true;
}

bool TarskBle::sendFrame(quint8 code, const QByteArray& payload)
{
    const auto command = static_cast<VeltraCommandIn>(code);
    if (!m_ready || !m_transport->hasService()) {
        log(QStringLiteral("Command %1 not sent: no computer connected").arg(code));
        emit onExchangeError(command, ExchangeError::NotReady);
        return false;
    }
    if (m_pending != None) {
        // A second command would take the one pending slot and its reply the first one's.
        log(QStringLiteral("Command %1 not sent: command %2 awaits its reply")
                .arg(code)
                .arg(static_cast<int>(m_pending)));
        emit onExchangeError(command, ExchangeError::Busy);
        return false;
    }
    if (payload.size() + 1 > kMaxFrameBody) {
        log(QStringLiteral("Command %1 not sent: payload too long").arg(code));
        return false;
    }

    switch (code) {
    case 0:
    case 1:
    case 3:
    case 7:
    case 10:
    case 13:
    case 14:
    case 15:
    case 16:
    case 255:
        m_batchMode = false;
        break;
    case 2:
        m_batchMode = true;
        m_info.textLines.clear();
        break;
    case 19:
        m_batchMode = true;
        m_info.diveHeaderReplies.clear();
        break;
    case 5:
    case 17:
    case 20:
    case 22:
    case 24:
        m_batchMode = true;
        break;
    default:
        break;
    }

    m_overflowLogged = false;
    if (expectsReply(code)) {
        // Whatever waits undecoded now came before this command and cannot be its reply.
        if (m_pending == None && m_decoder.buffered() > 0) {
            log(QStringLiteral("Dropped %1 stale bytes").arg(m_decoder.buffered()));
            m_decoder.clear();
            m_reportedDrops = 0;
        }
        m_pending = command;
        m_owedCameDuringPending = false;
        m_replyTimer.start();
    }
    m_transport->writeCharacteristic(characteristicUuid, buildFrame(code, payload));
    return true;
}

// ---- Receiving -----------------------------------------------------------------------------

void TarskBle::characteristicChanged(const QBluetoothUuid&, const QByteArray& value)
{
    if (value.isEmpty())
        return;
    m_decoder.append(value);
    // A stream is alive as long as notifications keep coming.
    if (m_pending != None)
        m_replyTimer.start();
    if (!m_owed.isEmpty())
        m_owedTimer.start();
    if (!m_batchMode) {
        decodeFrames();
        return;
    }
    m_batchTimer.start();
    // Never let a long burst pile up without bound: decode early what is complete.
    if (m_decoder.buffered() >= kBatchDecodeBytes)
        decodeFrames();
}

void TarskBle::decodeFrames()
{
    for (;;) {
        QByteArray body;
        quint8 code = 0;
        const FrameDecoder::Status status = m_decoder.next(&body, &code);
        if (m_decoder.droppedBytes() > m_reportedDrops) {
            log(QStringLiteral("Dropped %1 bytes outside frames")
                    .arg(m_decoder.droppedBytes() - m_reportedDrops));
            m_reportedDrops = m_decoder.droppedBytes();
            // Bytes lost in the middle of a reply (a damaged marker): the frames around them
            // would give a short or shifted reply, so the command fails as a whole.
            if (m_pending != None && status != FrameDecoder::Status::BadCrc
                && status != FrameDecoder::Status::BadLength)
                failPending(ExchangeError::InvalidFrame);
        }
        if (status == FrameDecoder::Status::NeedMore)
            break;
        if (status == FrameDecoder::Status::Frame) {
            dispatch(body);
            continue;
        }
        log(QStringLiteral("Damaged frame for command %1").arg(code));
        // Where a late reply ends and the awaited one starts is lost with this frame.
        if (!m_owed.isEmpty() && answers(m_owed.first(), code))
            m_owed.removeFirst();
        if (m_pending != None && answers(m_pending, code))
            finishPending();
        if (m_program.isRunning() && m_program.awaitedCode() == code)
            abortProgram(QStringLiteral("damaged acknowledgement"));
        emit onExchangeError(static_cast<VeltraCommandIn>(code), ExchangeError::InvalidCrc);
    }
}

void TarskBle::failPending(ExchangeError::ExchangeErrorIn error)
{
    const VeltraCommandIn command = m_pending;
    log(QStringLiteral("Reply to command %1 damaged").arg(static_cast<int>(command)));
    abortProgram(QStringLiteral("damaged acknowledgement"));
    finishPending();
    emit onExchangeError(command, error);
}

void TarskBle::finishPending()
{
    m_replyTimer.stop();
    if (m_pending == SetSimulatedPressure)
        m_pressureBusy = false;
    m_pending = None;
}

void TarskBle::announce(VeltraCommandIn code)
{
    if (m_pending != None && answers(m_pending, code))
        finishPending();
    emit onEndCommand(code);
}

void TarskBle::replyTimedOut()
{
    // Whatever complete frames wait for the batch timer are not late: decode them first.
    if (m_batchTimer.isActive()) {
        m_batchTimer.stop();
        decodeFrames();
    }
    if (m_pending == None)
        return;
    const VeltraCommandIn command = m_pending;
    log(QStringLiteral("No reply to command %1").arg(static_cast<int>(command)));
    abortProgram(QStringLiteral("no acknowledgement"));
    m_decoder.clear();
    m_reportedDrops = 0;
    m_pressureBusy = false;
    finishPending();
    // Its reply may still come, ahead of the next command's: it is owed, not lost. Unless a
    // reply taken as owed came while it waited: that was perhaps its own, the owed one lost,
    // and owing again would make every later attempt fail the same way.
    if (m_owedCameDuringPending)
        log(QStringLiteral("A late reply came meanwhile: command %1 owes none").arg(command));
    else if (command != BeginProgram && command != Program && command != EndProgram) {
        m_owed.append(command);
        m_owedTimer.start();
    }
    emit onExchangeError(command, ExchangeError::Timeout);
}

// A late reply (after a time-out, or to a command given up) must not be taken for the answer of
// the next command or fill the record of another one. Programming acknowledgements are matched
// by the programming sequence itself.
bool TarskBle::acceptsReply(quint8 code, qsizetype size)
{
    if (code == BeginProgram || code == Program || code == EndProgram)
        return true;
    const bool streamed = code == GetTextLines || code == GetDiveList || code == GetDiveSamples
        || code == GetDiveSamplesWithTissues;
    if (takenAsOwed(code, !streamed || size == 1))
        return false;
    if (m_pending == None || !answers(m_pending, code)) {
        log(QStringLiteral("Reply %1 answers no pending command: dropped").arg(code));
        return false;
    }
    return true;
}

void TarskBle::dispatch(const QByteArray& body)
{
    const quint8 code = static_cast<quint8>(body[0]);
    if (!acceptsReply(code, body.size()))
        return;
    switch (code) {
    case BeginProgram:
    case Program:
    case EndProgram:
        programAcknowledged(code, BodyReader(body, 1).u8() != 0);
        break;
    case GetTextLines:
    case GetDiveList:
    case GetDiveSamples:
    case GetDiveSamplesWithTissues:
        // A stream of replies, closed by one that carries nothing but its code.
        if (body.size() > 1)
            appendStreamed(code, body);
        else
            announce(code == GetDiveSamplesWithTissues ? GetDiveSamples
                                                       : static_cast<VeltraCommandIn>(code));
        break;
    case ResetComputer:
        if (m_pending == ResetComputer)
            finishPending();
        if (m_transport->hasController())
            controllerDisConnect();
        break;
    default:
        storeReply(code, body);
        break;
    }
}

void TarskBle::appendStreamed(quint8 code, const QByteArray& body)
{
    const qsizetype n = body.size();
    if (code == GetTextLines) {
        m_info.textLines += zeroTerminatedText(body, 1, n - 1) + QLatin1Char('\n');
    } else if (code == GetDiveList) {
        if (m_info.diveHeaderReplies.size() < kMaxDiveHeaders) {
            m_info.diveHeaderReplies.append(body);
        } else if (!m_overflowLogged) {
            log(QStringLiteral("Dive list too long: headers beyond %1 dropped")
                    .arg(kMaxDiveHeaders));
            m_overflowLogged = true;
        }
    } else if (m_info.rawSampleBytes.size() + n - 1 <= kMaxSampleBytes) {
        m_info.rawSampleBytes.append(body.constData() + 1, n - 1);
    } else if (!m_overflowLogged) {
        log(QStringLiteral("Sample stream too long: bytes beyond %1 dropped").arg(kMaxSampleBytes));
        m_overflowLogged = true;
    }
}

// The one-frame replies: each fills its part of the computer's record and ends its command.
void TarskBle::storeReply(quint8 code, const QByteArray& body)
{
    BodyReader r(body, 1);
    switch (code) {
    case GetInfo:
        parseIdentity(body, m_info);
        break;
    case GetSerialNumber:
        m_info.serialNumber = parseSerialNumber(body, m_info.modeDigit);
        break;
    case GetSettingsNoExtension:
    case GetSettings:
        m_info.settings = parseSettings(body, code == GetSettings);
        break;
    case GetValue7:
    case GetValue8:
        m_info.value64 = r.u64();
        break;
    case GetAmbientPressure:
    case SetSimulatedPressure:
        r.skip(1);
        m_info.ambientPressure = r.u32();
        m_info.secondPressureValue = r.u16();
        if (code == SetSimulatedPressure)
            m_pressureBusy = false;
        code = GetAmbientPressure;
        break;
    case GetBlock:
        m_info.block128 = r.bytes(128);
        m_info.blockByte = r.u8();
        break;
    case GetOwner:
        m_info.ownerName = zeroTerminatedText(body, 1, kOwnerNameMaxBytes + 1);
        break;
    case GetValuePair:
    case GetValuePair2:
        m_info.valuePair[0] = r.u32();
        m_info.valuePair[1] = r.u32();
        code = GetValuePair;
        break;
    case GetPressureExtended:
        m_info.reply28Value32 = r.u32();
        m_info.ambientPressure = r.u32();
        m_info.reply28Value16 = r.u16();
        break;
    default:
        return;
    }
    announce(static_cast<VeltraCommandIn>(code));
}

bool TarskBle::takenAsOwed(quint8 code, bool lastFrame)
{
    if (m_owed.isEmpty() || !answers(m_owed.first(), code))
        return false;
    if (lastFrame) {
        log(QStringLiteral("Late reply to command %1 discarded").arg(m_owed.first()));
        m_owed.removeFirst();
        m_owedCameDuringPending = m_pending != None;
        if (m_owed.isEmpty())
            m_owedTimer.stop();
    }
    return true;
}
