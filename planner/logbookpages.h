#pragma once

// Printed logbook pages: two dives an A4 page, each with its numbers, site, buddies, gases and
// air use, the profile drawn as vector lines, the notes and a box for a buddy's or an
// instructor's signature. Qt Core only, like the slate, so the command line prints the same.

#include <QByteArray>
#include <QList>
#include <QString>

class DiveProfile;

QByteArray logbookPdf(const QList<DiveProfile>& dives);
// Writes it atomically: on failure the previous file stays and error says why.
bool writeLogbookPdf(const QString& path, const QList<DiveProfile>& dives, QString* error);
