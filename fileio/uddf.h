#pragma once

#include "fileio/divelinesio.h"

#include <QByteArray>
#include <QString>

class DiveProfile;

// UDDF 3.2 dive files. The reader takes the first dive of the document (identity, computer,
// gases, start time, waypoints); the writer produces a document this reader and other dive
// software read back with the dive's name, start time, computer, serial, gases and samples.
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
    };

    bool read(const QString& path, DiveProfile& dive) override;
    bool write(const QString& path, DiveProfile& dive) override;
    DiveOrigin fileType() const override { return DiveOriginUddf; }

    Status lastStatus() const { return m_status; }
    static QString statusText(Status status);

    // The reading and writing without file access (also what the fuzz target drives). On any
    // status but Ok the profile is untouched.
    static Status readData(const QByteArray& data, DiveProfile& dive);
    static QByteArray toDocument(const DiveProfile& dive);

private:
    bool finish(Status status);

    Status m_status = Status::Ok;
};
