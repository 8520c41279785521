// How the application picks the computer's transport: the demo switch.

#include "app/computerlink.h"
#include "link/qtbletransport.h"
#include "link/tarskble.h"
#include "link/virtualdivecomputer.h"

#include <QTemporaryDir>
#include <QTest>

class TestMainWindowComputer : public QObject
{
    Q_OBJECT

private slots:
    void demoSwitchChoosesTransport_data()
    {
        QTest::addColumn<QByteArray>("env");
        QTest::addColumn<QString>("ini");
        QTest::addColumn<bool>("demo");
        QTest::newRow("nothing set") << QByteArray() << QString() << false;
        QTest::newRow("options.ini demoComputer=1") << QByteArray() << "1" << true;
        QTest::newRow("options.ini demoComputer=true") << QByteArray() << "true" << false;
        QTest::newRow("environment 1") << QByteArray("1") << QString() << true;
        QTest::newRow("environment 0") << QByteArray("0") << QString() << false;
    }

    void demoSwitchChoosesTransport()
    {
        QFETCH(QByteArray, env);
        QFETCH(QString, ini);
        QFETCH(bool, demo);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("options.ini"));
        if (!ini.isEmpty()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("[hidden]\ndemoComputer=" + ini.toUtf8() + "\n");
        }
        qputenv("VELTRA_DEMO_COMPUTER", env);
        const bool requested = demoComputerRequested(path);
        qunsetenv("VELTRA_DEMO_COMPUTER");
        QCOMPARE(requested, demo);
        std::unique_ptr<TarskBle> link(makeComputerLink(nullptr, {}, requested));
        QCOMPARE(qobject_cast<VirtualDiveComputer*>(link->transport()) != nullptr, demo);
        QCOMPARE(qobject_cast<QtBleTransport*>(link->transport()) != nullptr, !demo);
    }
};

QTEST_MAIN(TestMainWindowComputer)
#include "tst_mainwindowcomputer.moc"
