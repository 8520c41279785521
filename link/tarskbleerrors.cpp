// The link's error texts: the technical words for the log and the plain advice for the diver.

#include "link/tarskble.h"

QString TarskBle::controllerErrorText(QLowEnergyController::Error error)
{
    switch (static_cast<int>(error)) {
    case 0:
        return QStringLiteral("No Error");
    case 2:
        return QStringLiteral("Unknown Remote Device Error");
    case 3:
        return QStringLiteral("Network Error");
    case 4:
        return QStringLiteral("Invalid Bluetooth AdapterError");
    case 5:
        return QStringLiteral("Connection Error");
    case 6:
        return QStringLiteral("Advertising Error");
    case 7:
        return QStringLiteral("RemoteHost Closed Error");
    case 8:
        return QStringLiteral("Authorization Error");
    case 9:
        return QStringLiteral("Missing PermissionsError");
    default:
        return QStringLiteral("Unknown Error");
    }
}

QString TarskBle::serviceErrorText(QLowEnergyService::ServiceError error)
{
    switch (static_cast<int>(error)) {
    case 0:
        return QStringLiteral("No Error");
    case 1:
        return QStringLiteral("Operation Error");
    case 2:
        return QStringLiteral("Characteristic Write Error");
    case 3:
        return QStringLiteral("Descriptor Write Error");
    case 5:
        return QStringLiteral("Characteristic Read Error");
    case 6:
        return QStringLiteral("Descriptor Read Error");
    default:
        return QStringLiteral("Unknown Error");
    }
}

QString TarskBle::exchangeErrorText(ExchangeError::ExchangeErrorIn error)
{
    switch (error) {
    case ExchangeError::InvalidCrc:
        return QStringLiteral("Invalid CRC");
    case ExchangeError::BeginProgramError:
        return QStringLiteral("Begin Program Error");
    case ExchangeError::ProgramError:
        return QStringLiteral("Program Error");
    case ExchangeError::EndProgramError:
        return QStringLiteral("End Program Error");
    case ExchangeError::Timeout:
        return QStringLiteral("Timeout");
    case ExchangeError::NotReady:
        return QStringLiteral("Computer not connected");
    case ExchangeError::InvalidFrame:
        return QStringLiteral("Invalid frame");
    case ExchangeError::Busy:
        return QStringLiteral("Busy");
    case ExchangeError::InvalidReply:
        return QStringLiteral("Invalid reply");
    }
    return QStringLiteral("Unknown error");
}

QString TarskBle::exchangeErrorAdvice(ExchangeError::ExchangeErrorIn error)
{
    switch (error) {
    case ExchangeError::Timeout:
        return tr("The computer stopped answering. Keep it close and press Retry.");
    case ExchangeError::InvalidCrc:
    case ExchangeError::InvalidFrame:
    case ExchangeError::InvalidReply:
        return tr("What the computer sent arrived damaged. Keep it close and press Retry.");
    case ExchangeError::NotReady:
        return tr("The computer is not connected. Connect it again.");
    case ExchangeError::Busy:
        return tr("The computer is still busy with another request. Wait a moment and try "
                  "again.");
    case ExchangeError::BeginProgramError:
    case ExchangeError::ProgramError:
    case ExchangeError::EndProgramError:
        break;
    }
    return tr("The computer refused the firmware. Restart it in firmware mode and try again.");
}
