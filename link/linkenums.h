#pragma once

#include <QObject>

// Values carried through the link's signals. Each enum sits in its own namespace so the
// meta-object names read like VeltraCommand::VeltraCommandIn.

namespace VeltraCommand {
Q_NAMESPACE
// Codes are the command bytes on the wire.
enum VeltraCommandIn : quint8 {
    None = 0,
    GetInfo = 1,
    GetTextLines = 2,
    GetSerialNumber = 3,
    GetSettingsNoExtension = 5,
    GetValue7 = 7,
    GetValue8 = 8,
    GetAmbientPressure = 9,
    SetSimulatedPressure = 10,
    BeginProgram = 13,
    Program = 14,
    EndProgram = 15,
    Reserved16 = 16,
    GetBlock = 17,
    GetDiveList = 19,
    GetDiveSamples = 20,
    GetDiveSamplesWithTissues = 21,
    GetOwner = 22,
    SetOwner = 23,
    GetSettings = 24,
    GetValuePair = 25,
    GetValuePair2 = 26,
    GetPressureExtended = 28,
    ResetComputer = 254,
    ProgramFinished = 255,
};
Q_ENUM_NS(VeltraCommandIn)
} // namespace VeltraCommand

namespace ExchangeError {
Q_NAMESPACE
enum ExchangeErrorIn {
    InvalidCrc = 0,
    BeginProgramError = 1,
    ProgramError = 2,
    EndProgramError = 3,
    // No reply (or no further notification of a stream) within the reply time-out.
    Timeout = 4,
    // A command was asked for while no computer was ready to receive it; nothing was sent.
    NotReady = 5,
    // Bytes of the reply were lost (a damaged frame marker): what arrived cannot be trusted.
    InvalidFrame = 6,
    // Another command awaits its reply; nothing was sent (the link carries one at a time).
    Busy = 7,
    // The reply arrived whole but cannot be what the computer means (a serial of zeros).
    InvalidReply = 8,
};
Q_ENUM_NS(ExchangeErrorIn)
} // namespace ExchangeError

namespace CreateControllerStatus {
Q_NAMESPACE
enum CreateControllerStatusIn {
    NotFound = 0,
    CreateFailed = 1,
    Created = 2,
    ScanError = 3,
};
Q_ENUM_NS(CreateControllerStatusIn)
} // namespace CreateControllerStatus

namespace ConnectControllerStatus {
Q_NAMESPACE
enum ConnectControllerStatusIn {
    NoController = 0,
    ServiceNotFound = 1,
    Connected = 2,
    // The set-up (connect, services, notifications) did not finish in time; setUpStepText()
    // says which step was waited for.
    SetUpTimeout = 3,
    // The stack refused a set-up step twice (a service error): setUpStepText() says which.
    SetUpRefused = 4,
    // The computer went away (a clean disconnect) before the set-up finished;
    // setUpStepText() says during which step.
    SetUpDisconnected = 5,
};
Q_ENUM_NS(ConnectControllerStatusIn)
} // namespace ConnectControllerStatus
