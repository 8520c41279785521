// Helpers shared by the file tests.
#pragma once

#include "dive/diveprofile.h"

#include <QFile>
#include <QStringList>
#include <QtEndian>

// A little-endian value at a byte offset, for files laid out by hand.
template <typename T> void put(QByteArray& bytes, int offset, T value)
{
    qToLittleEndian<T>(value, reinterpret_cast<uchar*>(bytes.data()) + offset);
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A file of the given size that costs no disk (sparse), to meet the readers' size limits.
inline bool sparseFile(const QString& path, qint64 size)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.resize(size);
}

inline QString num(double value)
{
    return QString::number(value, 'g', 6);
}

inline QString mixOf(const DiveProfile& dive, int index)
{
    return index < 0 || index >= dive.gases.size()
        ? QStringLiteral("-")
        : QStringLiteral("%1/%2").arg(dive.gases.at(index).o2).arg(dive.gases.at(index).he);
}

// What a reader must get right, field by field: name, computer, serial, start, number, gases
// ("name o2/he", sorted), tanks ("mix:start-end" bar), site, buddies, notes, samples
// ("time:depth:temperature:mix" with cns, ceiling and alert bits when set). Gases are named by
// their mix, so the order in which a file defines them does not matter.
inline QStringList describe(const DiveProfile& d)
{
    QStringList gases;
    QStringList tanks;
    QStringList samples;
    for (const DiveGas& g : d.gases)
        gases << QStringLiteral("%1 %2/%3").arg(g.name).arg(g.o2).arg(g.he);
    gases.sort();
    for (const DiveProfile::TankPressure& t : d.tanks)
        tanks << mixOf(d, t.gasIndex) + ':' + num(t.startBar) + '-' + num(t.endBar);
    for (const DiveSample& s : d.samples) {
        QString text
            = QStringList { num(s.time), num(s.depth), num(s.temperature), mixOf(d, s.gasIndex) }
                  .join(':');
        if (s.cns != 0)
            text += " cns" + num(s.cns);
        if (s.decoCeiling != 0)
            text += " ceil" + num(s.decoCeiling);
        if (s.alertFlags != 0)
            text += " alert" + QString::number(s.alertFlags);
        samples << text;
    }
    return { d.name, d.computer, d.serial, QString::number(d.dateTime), QString::number(d.number),
        gases.join(','), tanks.join(','), d.site, d.buddies.join(','), d.notes, samples.join(' ') };
}
