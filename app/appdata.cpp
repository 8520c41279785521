#include "app/appdata.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>

namespace AppData {

QString dataDirPath()
{
    const QStringList locations
        = QStandardPaths::standardLocations(QStandardPaths::AppLocalDataLocation);
    return locations.isEmpty() ? QString() : locations.first();
}

bool ensureDir(const QString& path)
{
    if (path.isEmpty())
        return false;
    // mkpath creates every missing level: a fresh account may lack the parent folders too.
    if (!QDir().mkpath(path))
        return false;
    const QFileInfo info(path);
    return info.isDir() && info.isWritable();
}

void reportDirFailure(QWidget* parent, const QString& path)
{
    QMessageBox::critical(parent, QCoreApplication::translate("MainWindow", "Error"),
        QCoreApplication::translate("MainWindow",
            "Impossible to create the application data folder\n%1\nThe program cannot start.")
            .arg(QDir::toNativeSeparators(path)));
}

} // namespace AppData
