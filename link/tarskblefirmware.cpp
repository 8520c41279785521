// The firmware upload over the link: BeginProgram, one Program frame per block, EndProgram and
// ProgramFinished, each sent on the acknowledgement of the one before (the sequence itself is
// FirmwareProgrammer's).

#include "link/tarskble.h"

using namespace VeltraCommand;

namespace {

ExchangeError::ExchangeErrorIn programError(quint8 code)
{
    return code == BeginProgram ? ExchangeError::BeginProgramError
        : code == Program       ? ExchangeError::ProgramError
                                : ExchangeError::EndProgramError;
}

} // namespace

void TarskBle::characteristicWritten(const QBluetoothUuid&, const QByteArray& value)
{
    // Only the programming frame in flight can be confirmed, and only once.
    if (m_program.isRunning() && value == m_programFrame && m_programConfirmed < m_programWritten) {
        ++m_programConfirmed;
        takeProgramStepWhenDue();
    }
    // The computer has the closing command: only now is the image its own.
    if (!m_finishFrame.isEmpty() && value == m_finishFrame) {
        m_finishFrame.clear();
        log(QStringLiteral("ProgramFinished confirmed"));
        emit onEndCommand(ProgramFinished);
    }
}

// Acknowledgements carry no block index, so each is tied to a write: it counts only while a
// programming frame has been written and not yet acknowledged. One that comes before its write's
// confirmation still counts (the stack may report the two in either order); one more than the
// frames written is a duplicate, and can never release a block the computer has not asked for.
void TarskBle::programAcknowledged(quint8 code, bool accepted)
{
    if (!m_program.isRunning() || m_program.awaitedCode() != code) {
        // Not part of a running installation: a command sent on its own still gets its answer,
        // but nothing is sent on its behalf.
        if (!m_program.isRunning() && m_pending == code) {
            finishPending();
            if (!accepted)
                emit onExchangeError(static_cast<VeltraCommandIn>(code), programError(code));
            return;
        }
        log(QStringLiteral("Acknowledgement %1 out of turn ignored").arg(code));
        return;
    }
    if (m_programAcked >= m_programWritten) {
        log(QStringLiteral("Acknowledgement %1 beyond the frames written: duplicate ignored")
                .arg(code));
        return;
    }
    ++m_programAcked;
    m_programAccepted = accepted;
    takeProgramStepWhenDue();
}

// The next step waits for both the acknowledgement and the write confirmation of the frame in
// flight (a refusal needs no confirmation: nothing follows it), and runs once the notification
// that brought the acknowledgement is decoded, so a copy beside it finds every frame acknowledged.
void TarskBle::takeProgramStepWhenDue()
{
    if (!programStepDue() || m_programStepQueued)
        return;
    m_programStepQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_programStepQueued = false;
            if (programStepDue())
                takeProgramStep();
        },
        Qt::QueuedConnection);
}

bool TarskBle::programStepDue() const
{
    return m_program.isRunning() && m_programAcked == m_programWritten
        && (m_programConfirmed == m_programWritten || !m_programAccepted);
}

void TarskBle::takeProgramStep()
{
    const quint8 code = m_program.awaitedCode();
    if (m_pending == code)
        finishPending();
    const FirmwareProgrammer::Step step = m_program.acknowledge(code, m_programAccepted);
    switch (step.kind) {
    case FirmwareProgrammer::Step::Nothing:
        break;
    case FirmwareProgrammer::Step::Refused:
        log(QStringLiteral("Firmware step %1 refused").arg(code));
        emit onExchangeError(static_cast<VeltraCommandIn>(code), programError(code));
        break;
    case FirmwareProgrammer::Step::SendChunk:
        if (step.reportPercent >= 0)
            emit onUploadFirmwareProgress(step.reportSent, step.reportPercent);
        sendProgramFrame(Program, step.chunk);
        break;
    case FirmwareProgrammer::Step::SendEnd:
        sendProgramFrame(EndProgram);
        break;
    case FirmwareProgrammer::Step::Finish:
        m_programElapsedMs = m_programClock.elapsed();
        log(QStringLiteral("Firmware installed in %1 ms").arg(m_programElapsedMs));
        emit onUploadFirmwareProgress(0, 100);
        emit onEndCommand(EndProgram);
        m_finishFrame = buildFrame(ProgramFinished);
        if (!sendFrame(ProgramFinished))
            m_finishFrame.clear();
        break;
    }
}

bool TarskBle::sendProgramFrame(quint8 code, const QByteArray& payload)
{
    m_programFrame = buildFrame(code, payload);
    ++m_programWritten;
    if (sendFrame(code, payload))
        return true;
    m_program.fail();
    return false;
}

void TarskBle::abortProgram(const QString& why)
{
    if (!m_program.isRunning())
        return;
    log(QStringLiteral("Firmware installation stopped: ") + why);
    m_program.fail();
}

FirmwareStatus TarskBle::firmwareReadiness() const
{
    if (!m_ready || !m_transport->hasService())
        return FirmwareStatus::NotConnected;
    if (m_info.mode != 2)
        return FirmwareStatus::NotFirmwareMode;
    return FirmwareStatus::Ok;
}

int TarskBle::setFirmware(const QByteArray& image, const QString& name, FirmwareStatus* status)
{
    FirmwareStatus result = firmwareReadiness();
    if (result == FirmwareStatus::Ok) {
        m_program.fail();
        result = m_program.start(image, name);
    }
    if (status)
        *status = result;
    if (result != FirmwareStatus::Ok) {
        log(QStringLiteral("Firmware not sent: ") + QLatin1String(firmwareStatusName(result)));
        return -1;
    }
    m_programElapsedMs = 0;
    m_programClock.start();
    m_programWritten = m_programConfirmed = m_programAcked = 0;
    log(QStringLiteral("Firmware %1 version %2, %3 bytes")
            .arg(QString::fromUtf8(m_program.identity().name), m_program.identity().versionText)
            .arg(image.size()));
    if (!sendProgramFrame(BeginProgram, m_program.payload()))
        return -1;
    return static_cast<int>(image.size());
}
