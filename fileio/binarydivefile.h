#pragma once

#include "fileio/divelinesio.h"

// The computer simulator's ".divebin" dive file. Read only.
class BinaryDiveFile : public DiveLinesIO
{
public:
    bool read(const QString& path, DiveProfile& dive) override;
    // The format cannot be written: always false, no file is created.
    bool write(const QString& path, DiveProfile& dive) override;
    DiveOrigin fileType() const override { return DiveOriginBinary; }

    // Set after a read that succeeded with a remark (a file holding fewer samples than its
    // header announces); empty otherwise.
    QString warningString() const { return m_warning; }
    QStringList warnings() const override
    {
        return m_warning.isEmpty() ? QStringList() : QStringList { m_warning };
    }

private:
    QString m_warning;
};
