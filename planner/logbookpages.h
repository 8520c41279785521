#pragma once

// Printed logbook pages: two dives an A4 page, each with its numbers, site, buddies, gases and
// air use, the profile drawn as vector lines, the notes and a box for a buddy's or an
// instructor's signature. Qt Core only, like the slate, so the command line prints the same.

#include "dive/units.h"

#include <QByteArray>
#include <QList>
#include <QLocale>
#include <QString>

class DiveProfile;

// In the units given, numbers and dates as the locale writes them.
QByteArray logbookPdf(const QList<DiveProfile>& dives, const DisplayUnits& units = DisplayUnits(),
    const QLocale& locale = QLocale::c());
// Writes it atomically: on failure the previous file stays and error says why.
bool writeLogbookPdf(const QString& path, const QList<DiveProfile>& dives, QString* error,
    const DisplayUnits& units = DisplayUnits(), const QLocale& locale = QLocale::c());
