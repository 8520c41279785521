// Starts the real executable on a temporary data folder.
#include <QtTest>

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void createsLogbookAndClosesCleanly()
    {
        QTemporaryDir home;
        QVERIFY(home.isValid());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        // A data home whose folders do not exist yet, as on a fresh account.
        const QString dataHome = home.filePath("fresh/share");
        env.insert("XDG_DATA_HOME", dataHome);
        env.remove("VELTRA_DEMO_COMPUTER");

        QProcess app;
        app.setProcessEnvironment(env);
        app.setProgram(QStringLiteral(VELTRA_EXECUTABLE));
        app.start();
        QVERIFY2(app.waitForStarted(), qPrintable(app.errorString()));

        const QString db = dataHome + "/VeltraDesktop/diveDB.db";
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(db), 60000);
        QCOMPARE(app.state(), QProcess::Running);

        // Asked to stop, the program closes its window and ends normally.
        app.terminate();
        QVERIFY(app.waitForFinished(60000));
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), 0);
        QVERIFY(QFileInfo(db).size() > 0);
        const QString errors = QString::fromLocal8Bit(app.readAllStandardError());
        QVERIFY2(!errors.contains("QSqlDatabase"), qPrintable(errors));
    }

    void frenchTranslationBesideExecutable()
    {
        const QString folder = QFileInfo(QStringLiteral(VELTRA_EXECUTABLE)).absolutePath();
        QTranslator translator;
        QVERIFY(translator.load(QStringLiteral("VeltraDesktop_fr"), folder));
        QCOMPARE(translator.translate("MainWindowClass", "Dives management"),
            QString::fromUtf8("Gestion des plongées"));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
