#pragma once

#include "link/linkenums.h"

#include <QObject>
#include <QPointer>
#include <QString>

class TarskBle;

// After an installation the computer restarts with its new firmware: the connection is closed
// and opened again and the version read back, so that "successful" means the computer runs
// what was sent. Reacts to the link's signals; finished() comes once.
class FirmwareVerifier : public QObject
{
    Q_OBJECT
public:
    FirmwareVerifier(TarskBle* link, const QString& expectedVersion, QObject* parent = nullptr);
    void start();

signals:
    // `reported` is the version the computer gives, empty when it could not be read.
    void finished(bool ok, const QString& reported);

private:
    void reconnect();
    void finish(bool ok, const QString& reported);

    QPointer<TarskBle> m_link;
    QString m_expected;
    bool m_reconnecting = false;
    bool m_done = false;
    QList<QMetaObject::Connection> m_connections;
};
