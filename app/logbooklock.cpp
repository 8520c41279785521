#include "app/logbooklock.h"

#include <QCoreApplication>
#include <QDir>
#include <QLockFile>

QString lockLogbook(const QString& databasePath, std::unique_ptr<QLockFile>& lock)
{
    lock = std::make_unique<QLockFile>(databasePath + QStringLiteral(".lock"));
    lock->setStaleLockTime(0);
    if (lock->tryLock(0))
        return {};
    qint64 pid = 0;
    QString host;
    QString application;
    const bool known = lock->getLockInfo(&pid, &host, &application);
    lock.reset();
    // The same process (a second window) shares the connection.
    if (known && pid == QCoreApplication::applicationPid())
        return {};
    return QCoreApplication::translate("MainWindow",
        "The logbook %1 is already open in another VeltraDesktop (process %2 on %3).\n"
        "Close it, then start VeltraDesktop again; this window works without the logbook.")
        .arg(QDir::toNativeSeparators(databasePath))
        .arg(pid)
        .arg(host);
}
