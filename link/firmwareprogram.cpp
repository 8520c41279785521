#include "link/firmwareprogram.h"

#include "link/deviceframe.h"
#include "link/linkenums.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>

namespace {

// A decimal version part, saturated at 255; anything that is not plain digits counts 0.
quint32 versionPart(const QString& text)
{
    if (text.isEmpty())
        return 0;
    quint32 value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
        value = qMin<quint32>(value * 10 + (c.unicode() - '0'), 255);
    }
    return value;
}

bool printableLetter(quint32 code)
{
    return code > 0x20 && code < 0x7F;
}

} // namespace

QString firmwareStatusText(FirmwareStatus status)
{
    switch (status) {
    case FirmwareStatus::Ok:
        return QCoreApplication::translate("FirmwareProgram", "No Error");
    case FirmwareStatus::NotConnected:
        return QCoreApplication::translate("FirmwareProgram", "No computer connected");
    case FirmwareStatus::NotFirmwareMode:
        return QCoreApplication::translate(
            "FirmwareProgram", "The computer is not in firmware mode");
    case FirmwareStatus::EmptyImage:
        return QCoreApplication::translate("FirmwareProgram", "The firmware image is empty");
    case FirmwareStatus::ImageTooLarge:
        return QCoreApplication::translate(
            "FirmwareProgram", "The firmware image is larger than %1 bytes")
            .arg(kMaxFirmwareBytes);
    case FirmwareStatus::EmptyName:
        return QCoreApplication::translate("FirmwareProgram", "The firmware name is empty");
    case FirmwareStatus::NameTooLong:
        return QCoreApplication::translate(
            "FirmwareProgram", "The firmware name is longer than %1 bytes")
            .arg(kFirmwareNameBytes);
    case FirmwareStatus::OtherFamily:
        return QCoreApplication::translate("FirmwareProgram",
            "This file is not firmware for this computer: its name must start with the "
            "computer's name.");
    case FirmwareStatus::NoVersion:
        return QCoreApplication::translate("FirmwareProgram",
            "The file name gives no firmware version (name.x.y.z.letter, as in "
            "Veltra.1.2.3.b.bin).");
    }
    return QCoreApplication::translate("FirmwareProgram", "Unknown error");
}

FirmwareStatus parseFirmwareName(const QString& name, FirmwareIdentity* identity)
{
    const QStringList parts = name.split(QLatin1Char('.'));
    const QByteArray prefix = parts.value(0).toUtf8();
    if (prefix.isEmpty())
        return FirmwareStatus::EmptyName;
    // A cut name could match another firmware in the computer: refuse rather than cut.
    if (prefix.size() > kFirmwareNameBytes)
        return FirmwareStatus::NameTooLong;

    const QString letterPart = parts.value(4);
    quint32 letter = '0';
    if (!letterPart.isEmpty() && printableLetter(letterPart.at(0).unicode()))
        letter = letterPart.at(0).unicode();
    const quint32 word = versionPart(parts.value(1)) << 24 | versionPart(parts.value(2)) << 16
        | versionPart(parts.value(3)) << 8 | letter;

    identity->name = prefix;
    identity->versionWord = word;
    identity->versionText = versionWordText(word);
    return FirmwareStatus::Ok;
}

FirmwareStatus checkFirmwareFileName(const QString& name, const QString& computerFamily)
{
    FirmwareIdentity identity;
    const FirmwareStatus status = parseFirmwareName(name, &identity);
    if (status != FirmwareStatus::Ok)
        return status;
    if (computerFamily.isEmpty()
        || QString::fromUtf8(identity.name).compare(computerFamily, Qt::CaseInsensitive) != 0)
        return FirmwareStatus::OtherFamily;
    const QStringList parts = name.split(QLatin1Char('.'));
    bool real = parts.size() >= 4;
    for (int i = 1; real && i < 4; ++i) {
        const QString& part = parts[i];
        real = !part.isEmpty() && part.size() <= 3
            && std::all_of(part.begin(), part.end(), [](QChar c) { return c.isDigit(); })
            && part.toInt() <= 255;
    }
    if (!real || (identity.versionWord >> 8) == 0)
        return FirmwareStatus::NoVersion;
    return FirmwareStatus::Ok;
}

QString versionWordText(quint32 word)
{
    const quint32 letter = word & 0xFF;
    return QStringLiteral("%1.%2.%3.%4")
        .arg(word >> 24)
        .arg((word >> 16) & 0xFF)
        .arg((word >> 8) & 0xFF)
        .arg(printableLetter(letter) ? QChar(letter) : QLatin1Char('0'));
}

QByteArray beginProgramPayload(const FirmwareIdentity& identity, const QByteArray& image)
{
    QByteArray payload = identity.name.left(kFirmwareNameBytes);
    payload.append(QByteArray(kFirmwareNameBytes - payload.size(), '\0'));
    appendU32(payload, identity.versionWord);
    appendU32(payload, static_cast<quint32>(image.size()));
    appendU32(payload, frameCrc(image));
    return payload;
}

int firmwarePercent(qint64 sent, qint64 size)
{
    if (size <= 0)
        return 0;
    sent = qBound<qint64>(0, sent, size);
    return static_cast<int>(sent * 100 / size);
}

FirmwareStatus FirmwareProgrammer::start(const QByteArray& image, const QString& name)
{
    if (image.isEmpty())
        return FirmwareStatus::EmptyImage;
    if (image.size() > kMaxFirmwareBytes)
        return FirmwareStatus::ImageTooLarge;
    FirmwareIdentity identity;
    const FirmwareStatus status = parseFirmwareName(name, &identity);
    if (status != FirmwareStatus::Ok)
        return status;

    m_image = image;
    m_identity = identity;
    m_payload = beginProgramPayload(identity, image);
    m_offset = 0;
    m_lastPercent = -1;
    m_phase = Phase::BeginSent;
    return FirmwareStatus::Ok;
}

quint8 FirmwareProgrammer::awaitedCode() const
{
    switch (m_phase) {
    case Phase::BeginSent:
        return VeltraCommand::BeginProgram;
    case Phase::ChunkSent:
        return VeltraCommand::Program;
    case Phase::EndSent:
        return VeltraCommand::EndProgram;
    default:
        return 0;
    }
}

FirmwareProgrammer::Step FirmwareProgrammer::acknowledge(quint8 code, bool accepted)
{
    // Only the acknowledgement of the step in flight moves the sequence: a stray or repeated one
    // would otherwise send a chunk nobody asked for.
    if (code == 0 || code != awaitedCode())
        return {};
    if (!accepted) {
        m_phase = Phase::Failed;
        Step step;
        step.kind = Step::Refused;
        return step;
    }
    switch (m_phase) {
    case Phase::BeginSent:
        return nextChunk();
    case Phase::ChunkSent:
        if (!done())
            return nextChunk();
        m_phase = Phase::EndSent;
        return { Step::SendEnd, {}, -1, -1 };
    case Phase::EndSent:
        m_phase = Phase::Finished;
        return { Step::Finish, {}, -1, -1 };
    default:
        return {};
    }
}

FirmwareProgrammer::Step FirmwareProgrammer::nextChunk()
{
    Step step;
    step.kind = Step::SendChunk;
    step.chunk = m_image.mid(m_offset, kFirmwareChunkBytes);
    m_offset += step.chunk.size();
    const int percent = firmwarePercent(m_offset, m_image.size());
    if (percent != m_lastPercent) {
        step.reportSent = static_cast<int>(m_offset);
        step.reportPercent = percent;
    }
    m_lastPercent = percent;
    m_phase = Phase::ChunkSent;
    return step;
}

void FirmwareProgrammer::fail()
{
    if (isRunning())
        m_phase = Phase::Failed;
}
