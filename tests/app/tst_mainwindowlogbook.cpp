#include "app/diveimport.h"
#include "app/mainwindow.h"
#include "logbook/divedetails.h"
#include "logbook/logbookdatabase.h"

#include <QtTest>
#include <QtWidgets>

namespace {

// A dive of one minute down to depthM.
DiveProfile makeDive(const QString& name, qint64 start, double depthM)
{
    DiveProfile dive;
    dive.name = name;
    dive.computer = QStringLiteral("Veltra");
    dive.serial = QStringLiteral("S1");
    dive.dateTime = start;
    dive.gases = { DiveGas() };
    for (int t = 0; t <= 60; t += 10) {
        DiveSample s;
        s.time = t;
        s.depth = t == 0 || t == 60 ? 0.0 : depthM;
        s.temperature = 18;
        s.gasIndex = 0;
        dive.samples.append(s);
    }
    return dive;
}

QStringList names(QTableWidget* list)
{
    QStringList result;
    for (int row = 0; row < list->rowCount(); ++row)
        result << list->item(row, 0)->text();
    return result;
}

} // namespace

class TestMainWindowLogbook : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("VeltraDesktop")); }
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
        qputenv("XDG_DATA_HOME", m_home->path().toUtf8());
        QDir().mkpath(dataDir());
        QCOMPARE(db().openOrCreate(dataDir() + QStringLiteral("/diveDB.db")), 0);
        QCOMPARE(db().storeDive(makeDive("Arch", 1700000000, 18)), 0);
        QCOMPARE(db().storeDive(makeDive("Blue", 1700100000, 32)), 0);
        QCOMPARE(db().storeDive(makeDive("Cove", 1700200000, 9)), 0);
        db().close();
    }

    void cleanup()
    {
        db().close();
        m_home.reset();
    }

    void detailsSavedAndUndone()
    {
        auto window = std::make_unique<MainWindow>();
        auto* list = window->findChild<QTableWidget*>("diveList");
        QCOMPARE(names(list), QStringList({ "Cove", "Blue", "Arch" })); // newest first
        window->openDiveProfileItem(list->item(1, 0));
        const int blue = 2;

        auto* site = window->findChild<QLineEdit*>("edSite");
        QVERIFY(site && !site->isReadOnly());
        site->setText("Blue Hole");
        emit site->editingFinished(); // the field is left
        DiveDetails stored;
        QVERIFY(db().loadDetails(blue, stored));
        QCOMPARE(stored.site, QString("Blue Hole"));

        // Undo and redo from the Edit menu put the file and the field back.
        QMenu* edit = window->findChild<QMenu*>("menuEdit");
        QVERIFY(edit);
        edit->actions().at(0)->trigger();
        QVERIFY(db().loadDetails(blue, stored));
        QCOMPARE(stored.site, QString());
        QCOMPARE(site->text(), QString());
        edit->actions().at(1)->trigger();
        QVERIFY(db().loadDetails(blue, stored));
        QCOMPARE(stored.site, QString("Blue Hole"));

        // Notes still being typed when the window closes are kept.
        window->findChild<QPlainTextEdit*>("edNotes")->setPlainText("Turtle at 20 m");
        window->close();
        QVERIFY(db().loadDetails(blue, stored));
        QCOMPARE(stored.notes, QString("Turtle at 20 m"));
        QCOMPARE(stored.site, QString("Blue Hole"));
    }

    void searchSortAndStatistics()
    {
        auto window = std::make_unique<MainWindow>();
        auto* list = window->findChild<QTableWidget*>("diveList");
        QVERIFY(db().updateDetails(1, DiveDetails { 1, "Arch", "Gozo", { "Zoë" }, "", 0, {} }));
        QVERIFY(db().updateDetails(3, DiveDetails { 3, "Cove", "Gozo", {}, "", 0, {} }));

        auto* search = window->findChild<QLineEdit*>("edSearch");
        search->setText("GOZO");
        QTRY_COMPARE(names(list), QStringList({ "Cove", "Arch" }));
        // Depth, deepest first; a second click turns the order round.
        list->horizontalHeader()->sectionClicked(3);
        QCOMPARE(names(list), QStringList({ "Arch", "Cove" }));
        list->horizontalHeader()->sectionClicked(3);
        QCOMPARE(names(list), QStringList({ "Cove", "Arch" }));

        // The statistics follow the search: two dives, the deepest is Arch at 18 m.
        auto* tabs = window->findChild<QTabWidget*>("tabMain");
        tabs->setCurrentIndex(tabs->count() - 1);
        const QString totals = window->findChild<QLabel*>("lbStatisticsTotals")->text();
        QVERIFY2(totals.contains("<td>2</td>"), qPrintable(totals));
        QVERIFY2(totals.contains("dive:1\">18.0 m"), qPrintable(totals));
        search->setText("zoe");
        QTRY_VERIFY(
            window->findChild<QLabel*>("lbStatisticsTotals")->text().contains("<td>1</td>"));
    }

    void importUndoneInOneStep()
    {
        // The dives of the multi-dive file come in; one undo takes them all back out and redo
        // stores them again with their samples.
        auto window = std::make_unique<MainWindow>();
        auto* list = window->findChild<QTableWidget*>("diveList");
        const int before = list->rowCount();
        const ImportReport report = window->importDives(
            { QStringLiteral(VELTRA_TEST_DATA "/uddf/multi_dive.uddf") }, false);
        const int stored = report.count(ImportEntry::Stored);
        QVERIFY(stored >= 2);
        QCOMPARE(list->rowCount(), before + stored);
        QMenu* edit = window->findChild<QMenu*>("menuEdit");
        QVERIFY(edit);
        edit->actions().at(0)->trigger();
        QCOMPARE(list->rowCount(), before);
        edit->actions().at(1)->trigger();
        QCOMPARE(list->rowCount(), before + stored);
        for (const ImportEntry& entry : report.entries) {
            DiveProfile dive;
            if (entry.kind == ImportEntry::Stored)
                QVERIFY(db().loadDive(entry.diveId, dive) && !dive.samples.isEmpty());
        }
    }

private:
    QString dataDir() const { return m_home->path() + QStringLiteral("/VeltraDesktop"); }
    LogbookDatabase& db() { return LogbookDatabase::instance(); }
    std::unique_ptr<QTemporaryDir> m_home;
};

QTEST_MAIN(TestMainWindowLogbook)
#include "tst_mainwindowlogbook.moc"
