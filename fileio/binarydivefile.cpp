#include "fileio/binarydivefile.h"

#include "dive/diveprofile.h"
#include "fileio/binarydiveparser.h"

#include <QCoreApplication>
#include <QFile>

bool BinaryDiveFile::read(const QString& path, DiveProfile& dive)
{
    m_warning.clear();
    setErrorString(QString());
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setErrorString(QCoreApplication::translate("BinaryDiveFile", "Cannot open %1: %2")
                           .arg(fileNameOf(path), file.errorString()));
        return false;
    }
    BinaryDiveContent content;
    if (file.size() > BinaryDive::MaxFileSize) {
        content.status = BinaryDiveStatus::TooLarge;
    } else {
        const QByteArray data = file.readAll();
        if (data.size() != file.size()) {
            setErrorString(QCoreApplication::translate("BinaryDiveFile", "Cannot read %1: %2")
                               .arg(fileNameOf(path), file.errorString()));
            return false;
        }
        content = parseBinaryDive(data);
    }
    if (!binaryDiveUsable(content.status)) {
        setErrorString(QCoreApplication::translate("BinaryDiveFile", "%1: %2")
                           .arg(fileNameOf(path), binaryDiveStatusText(content)));
        return false;
    }
    if (content.status != BinaryDiveStatus::Ok)
        m_warning = binaryDiveStatusText(content);
    // Fill a copy so the caller's profile changes only as a whole.
    DiveProfile loaded = dive;
    binaryDiveToProfile(content, loaded);
    dive = std::move(loaded);
    return true;
}

bool BinaryDiveFile::write(const QString&, DiveProfile&)
{
    setErrorString(
        QCoreApplication::translate("BinaryDiveFile", "Binary dive files cannot be written"));
    return false;
}
