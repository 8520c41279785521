#pragma once

// Turns a dive as the computer delivers it (header plus decoded samples) into a DiveProfile.

#include "dive/devicerecords.h"
#include "dive/diveprofile.h"

#include <QList>
#include <QString>

// What the link knew of the computer when the dive arrived.
struct DownloadSource
{
    QString firmwareVersion;
    QString computerName;
    QString serial;
};

DiveProfile convertDownloadedDive(
    const DiveHeader& header, const QList<DeviceSample>& samples, const DownloadSource& source);

// The computer's name from its 32-byte settings field: the text up to the first zero byte.
QString computerNameFromField(const QByteArray& field);
