#pragma once

#include "fileio/divelinesio.h"

#include <QByteArray>
#include <QList>
#include <QString>

class DiveProfile;

// UDDF 3.2 dive files. The reader takes every dive of every repetition group, each with its
// own computer, start time, gases, switches, tank pressures, site, buddies and notes; UDDF 3.3
// and prefixed or default namespaces read the same. The writer produces documents valid
// against the UDDF 3.2.2 schema holding one or many dives, which this reader reads back.
class UDDF : public DiveLinesIO
{
public:
    enum class Status {
        Ok,
        CannotOpen,
        TooLarge,
        NotXml,
        NotUddf, // well-formed XML whose top-level element is not "uddf"
        WriteFailed,
        NoDive, // a UDDF document without any dive that has samples
    };

    // The first dive of the file that has samples.
    bool read(const QString& path, DiveProfile& dive) override;
    bool readDives(
        const QString& path, QList<DiveProfile>& dives, QList<RefusedDive>& refused) override;
    bool write(const QString& path, DiveProfile& dive) override;
    bool writeDives(const QString& path, const QList<DiveProfile>& dives) override;
    DiveOrigin fileType() const override { return DiveOriginUddf; }

    Status lastStatus() const { return m_status; }
    static QString statusText(Status status);

    // The reading and writing without file access (also what the fuzz targets drive). On any
    // status but Ok the outputs are untouched. readData takes the first dive with samples.
    static Status readData(const QByteArray& data, DiveProfile& dive);
    static Status readAllData(
        const QByteArray& data, QList<DiveProfile>& dives, QList<RefusedDive>& refused);
    static QByteArray toDocument(const DiveProfile& dive);
    static QByteArray toDocument(const QList<DiveProfile>& dives);

    // Dive names travel as the dive's XML id. Names that are no valid id ("42", "Reef 2")
    // are written in a reversible escaped form; ids of other programs read unchanged.
    static QByteArray diveIdOf(const QString& name);
    static QString diveNameOf(const QByteArray& id);

private:
    bool finish(Status status);

    Status m_status = Status::Ok;
};
