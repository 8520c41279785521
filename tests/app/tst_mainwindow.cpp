#include "app/demodives.h"
#include "app/mainwindow.h"
#include "app/preferencesdialog.h"
#include "fileio/csvfile.h"
#include "fileio/divelinesio.h"
#include "logbook/logbookdatabase.h"
#include "views/formfilter.h"
#include "views/graphview.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QDialog>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <QTranslator>
#include <QtTest>

#include <functional>

namespace {

using Points = QList<QPair<double, double>>;

// Waits for the next modal windows and hands each to its answer in turn; used to
// answer the message boxes and input dialogs that the window runs modally.
class ModalAnswer : public QObject
{
public:
    using Answer = std::function<void(QWidget*)>;
    explicit ModalAnswer(Answer answer)
        : ModalAnswer(QList<Answer> { std::move(answer) })
    { }
    explicit ModalAnswer(QList<Answer> answers)
        : m_answers(std::move(answers))
    {
        connect(&m_timer, &QTimer::timeout, this, [this]() {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible()) {
                if (++m_tries > 1000)
                    m_timer.stop();
                return;
            }
            const int index = count++;
            seen = true;
            if (count == m_answers.size())
                m_timer.stop();
            m_answers[index](modal);
        });
        m_timer.start(10);
    }
    bool seen = false;
    int count = 0;

private:
    QList<Answer> m_answers;
    QTimer m_timer;
    int m_tries = 0;
};

// Answers the next message boxes with the buttons, in order, recording titles and texts.
struct BoxAnswer
{
    QStringList titles;
    QStringList texts;
    QString title;
    QString text;
    bool seen() const { return answer && answer->seen; }
    std::unique_ptr<ModalAnswer> answer;

    explicit BoxAnswer(QList<QMessageBox::StandardButton> buttons = { QMessageBox::Ok })
    {
        QList<ModalAnswer::Answer> answers;
        for (QMessageBox::StandardButton button : buttons) {
            answers.append([this, button](QWidget* modal) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                if (!box) {
                    modal->close();
                    return;
                }
                title = box->windowTitle();
                text = box->text();
                titles << title;
                texts << text;
                QAbstractButton* b = box->button(button);
                if (b)
                    b->click();
                else
                    box->reject();
            });
        }
        answer = std::make_unique<ModalAnswer>(answers);
    }
    explicit BoxAnswer(QMessageBox::StandardButton button)
        : BoxAnswer(QList<QMessageBox::StandardButton> { button })
    { }
};

// Types the text into the first line edit of the next input dialog and presses Ok
// (or Cancel).
std::unique_ptr<ModalAnswer> typeIntoDialog(const QString& text, bool accept = true)
{
    return std::make_unique<ModalAnswer>([text, accept](QWidget* modal) {
        auto* edit = modal->findChild<QLineEdit*>();
        if (edit)
            edit->setText(text);
        auto* dialog = qobject_cast<QDialog*>(modal);
        if (dialog)
            accept ? dialog->accept() : dialog->reject();
    });
}

// A tab-separated sample table in the 20-column form the CSV reader takes.
QByteArray csvTable(const QList<QPair<double, double>>& points)
{
    QByteArray out = "time\tdepth\n";
    for (const auto& p : points) {
        QStringList fields(20, QStringLiteral("0"));
        fields[0] = QString::number(p.first);
        fields[1] = QString::number(p.second);
        fields[15] = QStringLiteral("19.5");
        out += fields.join(QLatin1Char('\t')).toUtf8() + '\n';
    }
    return out;
}

bool sameIcon(const QIcon& icon, const QString& path)
{
    if (!QFile::exists(path) || icon.isNull())
        return false;
    return icon.pixmap(16, 16).toImage() == QIcon(path).pixmap(16, 16).toImage();
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("VeltraDesktop")); }
    void init();
    void cleanup();

    void hiddenFeatures_data();
    void hiddenFeatures();
    void preferencesWrittenBackAndApplied();
    void fitsLaptopScreen();
    void readoutNotStaleAfterSwitch();
    void screenshots();
    void openCsvShowsDive();
    void openUddfShowsDiveAndStoresUnderItsComputer();
    void failedOpenKeepsShownDive();
    void dropOnlyTakesUddfAndDivebin_data();
    void dropOnlyTakesUddfAndDivebin();
    void storeLandsUnderItsComputer();
    void secondStoreReportsDuplicate();
    void storeRefusesEmptyName();
    void listCountsOfTwoComputers();
    void renameRules_data();
    void renameRules();
    void deleteAsksFirst();
    void deleteIgnoresGroupRows();
    void deleteNamesDivesNotDeleted();
    void filterDialogDrivesList();
    void saveSelectionCutsTheRange();
    void exportRefusesDivebin();
    void exportReportsWriteFailure();
    void exportUsesSavedSeparator();
    void separatorSurvivesRestart_data();
    void separatorSurvivesRestart();
    void alertLeds_data();
    void alertLeds();
    void aboutWindowGoesAway();
    void dataFolderCreatedWithParents();
    void dataFolderImpossible();

private:
    MainWindow* makeWindow();
    QString dataDir() const { return m_home->path() + QStringLiteral("/VeltraDesktop"); }
    void writeOptions(const QMap<QString, int>& values);
    void storeDemoDives();
    QTableWidget* diveList(MainWindow* w) { return w->findChild<QTableWidget*>("diveList"); }
    QString writeCsv(const QString& name, const QList<QPair<double, double>>& points);

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<MainWindow> m_window;
};

void TestMainWindow::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    qputenv("XDG_DATA_HOME", m_home->path().toUtf8());
    QDir().mkpath(dataDir());
    // These tests count the header rows of the list grouped by computer, oldest dive first.
    QSettings settings(dataDir() + QStringLiteral("/settings.cfg"), QSettings::IniFormat);
    settings.setValue(QStringLiteral("list/groupByComputer"), true);
    settings.setValue(QStringLiteral("list/sortDescending"), false);
}

void TestMainWindow::cleanup()
{
    m_window.reset();
    LogbookDatabase::instance().close();
    m_home.reset();
}

MainWindow* TestMainWindow::makeWindow()
{
    m_window.reset();
    m_window = std::make_unique<MainWindow>();
    return m_window.get();
}

void TestMainWindow::writeOptions(const QMap<QString, int>& values)
{
    QSettings options(dataDir() + QStringLiteral("/options.ini"), QSettings::IniFormat);
    for (auto it = values.begin(); it != values.end(); ++it)
        options.setValue(QStringLiteral("hidden/") + it.key(), it.value());
    options.sync();
}

void TestMainWindow::storeDemoDives()
{
    LogbookDatabase& logbook = LogbookDatabase::instance();
    QCOMPARE(logbook.openOrCreate(dataDir() + QStringLiteral("/diveDB.db")), 0);
    for (const DemoDives::Plan& plan : DemoDives::demoPlans())
        QCOMPARE(logbook.storeDive(DemoDives::makeDive(plan)), 0);
    logbook.close();
}

QString TestMainWindow::writeCsv(const QString& name, const QList<QPair<double, double>>& points)
{
    const QString path = m_home->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(csvTable(points)) < 0)
        return QString();
    return path;
}

void TestMainWindow::hiddenFeatures_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("value");
    QTest::newRow("no options file") << QString() << 0;
    for (const char* key : { "simulation", "planificationaddon", "planification", "import",
             "alerts", "programname", "developer" }) {
        QTest::newRow(qPrintable(QString("%1=1").arg(key))) << QString(key) << 1;
        QTest::newRow(qPrintable(QString("%1=2 acts as 0").arg(key))) << QString(key) << 2;
    }
}

void TestMainWindow::hiddenFeatures()
{
    QFETCH(QString, key);
    QFETCH(int, value);
    if (!key.isEmpty())
        writeOptions({ { key, value } });
    MainWindow* w = makeWindow();
    w->show();
    QVERIFY(w->isUsable());
    // A missing key takes its default: what a diver needs is shown, the developer's tools not.
    const auto on = [&](const char* k, bool byDefault) {
        return key == QLatin1String(k) ? value == 1 : byDefault;
    };

    auto* tabProfile = w->findChild<QTabWidget*>("tabProfile");
    QCOMPARE(tabProfile->isTabVisible(3), on("simulation", false));
    QCOMPARE(tabProfile->isTabVisible(4), on("simulation", false));
    QCOMPARE(w->findChild<QWidget*>("wdPlanifAddOn")->isVisibleTo(w->findChild<QWidget*>("tab_7")),
        on("planificationaddon", true));
    QCOMPARE(w->findChild<QTabWidget*>("tabMain")->isTabVisible(1), on("planification", true));
    QCOMPARE(w->findChild<QWidget*>("btImportDive")->isVisible(), on("import", true));
    QCOMPARE(w->findChild<QWidget*>("btStoreDive")->isVisible(), on("import", true));
    QCOMPARE(w->findChild<QAction*>("actionOpen")->isEnabled(), on("import", true));
    QCOMPARE(w->findChild<QWidget*>("gbAlerts")->isVisible(), on("alerts", true));
    QCOMPARE(w->deviceMenu()->actions().value(1)->isVisible(), on("programname", false));
    QCOMPARE(w->findChild<QWidget*>("btTest")->isVisible(), on("developer", false));
    QCOMPARE(w->findChild<QWidget*>("btSolve")->isVisibleTo(w->findChild<QWidget*>("tab_7")),
        on("developer", false));
    // "Download dives" works with the computer actions.
    QVERIFY(w->deviceMenu()->actions().value(0)->isEnabled());
    // The simulation tab connects on its own button.
    QVERIFY(w->findChild<QWidget*>("btConnectBluetooth")->isEnabled());
    QVERIFY(!w->findChild<QWidget*>("btStoreDive")->isEnabled());
    QVERIFY(QFile::exists(dataDir() + QStringLiteral("/diveDB.db")));
}

void TestMainWindow::preferencesWrittenBackAndApplied()
{
    // A key the dialog does not show (the demo's) must survive the write.
    writeOptions({ { "demoComputer", 1 } });
    MainWindow* w = makeWindow();
    w->show();
    QVERIFY(w->findChild<QWidget*>("btImportDive")->isVisible());
    auto answer = std::make_unique<ModalAnswer>([](QWidget* modal) {
        auto* dialog = qobject_cast<PreferencesDialog*>(modal);
        QVERIFY(dialog);
        dialog->findChild<QCheckBox*>("ck_import")->setChecked(false);
        dialog->findChild<QCheckBox*>("ck_developer")->setChecked(true);
        dialog->accept();
    });
    w->editPreferences();
    QVERIFY(answer->seen);
    // Applied at once...
    QVERIFY(!w->findChild<QWidget*>("btImportDive")->isVisible());
    QVERIFY(!w->findChild<QAction*>("actionOpen")->isEnabled());
    QVERIFY(w->findChild<QWidget*>("btTest")->isVisible());
    // ...and kept for the next start, beside what was there.
    const QSettings options(dataDir() + QStringLiteral("/options.ini"), QSettings::IniFormat);
    QCOMPARE(options.value("hidden/import").toInt(), 0);
    QCOMPARE(options.value("hidden/developer").toInt(), 1);
    QCOMPARE(options.value("hidden/planification").toInt(), 1);
    QCOMPARE(options.value("hidden/demoComputer").toInt(), 1);
    w = makeWindow();
    w->show();
    QVERIFY(!w->findChild<QWidget*>("btImportDive")->isVisible());
}

void TestMainWindow::fitsLaptopScreen()
{
    // A 1366x768 screen less a panel and the title bar leaves about 700 pixels.
    storeDemoDives();
    MainWindow* w = makeWindow();
    w->show();
    const QSize smallest = w->minimumSizeHint().expandedTo(w->minimumSize());
    QVERIFY2(smallest.width() <= 1280 && smallest.height() <= 690,
        qPrintable(QString("%1x%2").arg(smallest.width()).arg(smallest.height())));
    FormFilter filter(w);
    QVERIFY(filter.minimumSizeHint().height() <= 690);
}

void TestMainWindow::readoutNotStaleAfterSwitch()
{
    storeDemoDives();
    MainWindow* w = makeWindow();
    w->resize(1260, 823);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    w->openDiveProfileItem(diveList(w)->item(1, 0));
    QWidget* viewport = w->graphView()->viewport();
    const QPoint at(viewport->width() / 2, viewport->height() / 2);
    QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(viewport->mapToGlobal(at)),
        Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    QVERIFY(!w->graphView()->readoutText().isEmpty());
    QVERIFY(!w->findChild<QTextEdit*>("edPositionInformation")->toPlainText().isEmpty());
    // Another dive: nothing read on the first one stays on screen.
    w->openDiveProfileItem(diveList(w)->item(2, 0));
    QVERIFY(w->graphView()->readoutText().isEmpty());
    QVERIFY(w->findChild<QTextEdit*>("edPositionInformation")->toPlainText().isEmpty());
}

void TestMainWindow::screenshots()
{
    // By hand: VELTRA_TEST_SCREENSHOTS=<folder> [VELTRA_TEST_QM=<.qm file>] and a real screen
    // (xvfb-run with QT_QPA_PLATFORM=xcb) of the size to look at.
    const QString out = qEnvironmentVariable("VELTRA_TEST_SCREENSHOTS");
    if (out.isEmpty())
        QSKIP("VELTRA_TEST_SCREENSHOTS names no folder");
    QTranslator translator;
    const QString qm = qEnvironmentVariable("VELTRA_TEST_QM");
    if (!qm.isEmpty()) {
        QVERIFY(translator.load(qm));
        QCoreApplication::installTranslator(&translator);
    }
    storeDemoDives();
    writeOptions({ { "simulation", 1 } });
    MainWindow* w = makeWindow();
    // The whole screen, as a maximised window (Xvfb has no window manager to do it).
    w->setGeometry(w->screen()->availableGeometry());
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QTest::qWait(300);
    // The dive with the most gases.
    QTableWidget* list = diveList(w);
    QTableWidgetItem* best = nullptr;
    int gases = -1;
    for (int row = 0; row < list->rowCount(); ++row) {
        QTableWidgetItem* item = list->item(row, 0);
        if (!item || item->data(Qt::UserRole).toInt() <= 0)
            continue;
        w->openDiveProfileItem(item);
        if (w->currentDive().gases.size() > gases) {
            gases = int(w->currentDive().gases.size());
            best = item;
        }
    }
    QVERIFY(best);
    w->openDiveProfileItem(best);
    const auto shoot = [&](QWidget* widget, const QString& name) {
        QCoreApplication::processEvents();
        QTest::qWait(100);
        QVERIFY(widget->grab().save(QDir(out).filePath(name + QStringLiteral(".png"))));
    };
    // The cursor over the graph, for its read-out.
    QWidget* viewport = w->graphView()->viewport();
    const QPoint cursor(viewport->width() * 3 / 5, viewport->height() / 2);
    QMouseEvent move(QEvent::MouseMove, QPointF(cursor), QPointF(viewport->mapToGlobal(cursor)),
        Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    auto* profileTabs = w->findChild<QTabWidget*>("tabProfile");
    for (int i = 0; i < profileTabs->count(); ++i) {
        if (!profileTabs->isTabVisible(i))
            continue;
        profileTabs->setCurrentIndex(i);
        shoot(w, QStringLiteral("main-%1").arg(i));
    }
    profileTabs->setCurrentIndex(0);
    auto* mainTabs = w->findChild<QTabWidget*>("tabMain");
    mainTabs->setCurrentIndex(1);
    shoot(w, QStringLiteral("planner"));
    mainTabs->setCurrentIndex(0);

    FormFilter filter(w);
    filter.setFilter(DiveFilter(), LogbookDatabase::instance().listComputers());
    filter.show();
    shoot(&filter, QStringLiteral("filter"));
    PreferencesDialog preferences(HiddenOptions(), w);
    preferences.show();
    shoot(&preferences, QStringLiteral("preferences"));
    w->about();
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->objectName() == QLatin1String("AboutWindow")) {
            shoot(top, QStringLiteral("about"));
            top->close();
        }
    }
    if (!qm.isEmpty())
        QCoreApplication::removeTranslator(&translator);
}


void TestMainWindow::openCsvShowsDive()
{
    // 0 to 30 m in 2 min, 75 min in all: the duration keeps its hour.
    const QString path = writeCsv(QStringLiteral("morning.csv"),
        { { 0, 0 }, { 120, 30 }, { 2400, 30 }, { 4400, 5 }, { 4500, 0 } });
    QVERIFY(!path.isEmpty());
    MainWindow* w = makeWindow();
    QVERIFY(w->openDiveFile(path));
    QCOMPARE(w->findChild<QLineEdit*>("edDiveName")->text(), QString("morning"));
    QCOMPARE(w->findChild<QLineEdit*>("edDuration")->text(), QString("01:15:00"));
    QCOMPARE(w->findChild<QLineEdit*>("edMaxDepth")->text(), QString("30.0"));
    // Mean of the five sample depths: (0 + 30 + 30 + 5 + 0) / 5 = 13.0.
    QCOMPARE(w->findChild<QLineEdit*>("edAverageDepth")->text(), QString("13.0"));
    QVERIFY(w->findChild<QWidget*>("btStoreDive")->isEnabled());
    QCOMPARE(w->currentDive().samples.size(), 5);
    QSettings settings(dataDir() + QStringLiteral("/settings.cfg"), QSettings::IniFormat);
    QCOMPARE(settings.value("directories/lastDiveFile").toString(), m_home->path());
}

void TestMainWindow::openUddfShowsDiveAndStoresUnderItsComputer()
{
    storeDemoDives();
    // A dive of the second demo computer, written by the program's own UDDF writer.
    DemoDives::Plan plan = DemoDives::demoPlans().value(3);
    plan.name = QStringLiteral("5");
    DiveProfile dive = DemoDives::makeDive(plan);
    // Another dive than the stored demo one (the logbook refuses the same dive twice).
    dive.dateTime += 86400;
    dive.samples[dive.samples.size() - 2].depth += 0.1;
    const QString path = m_home->filePath(QStringLiteral("boat.uddf"));
    QVERIFY(exportDive(dive, path));

    MainWindow* w = makeWindow();
    QVERIFY(w->openDiveFile(path));
    QCOMPARE(w->findChild<QLineEdit*>("edComputerName")->text(), QString("QRD-M"));
    QCOMPARE(w->findChild<QLineEdit*>("edComputerSerial")->text(), QString("QRD-03352"));
    QCOMPARE(
        w->findChild<QLineEdit*>("edMaxDepth")->text(), QString::number(dive.maxDepth, 'f', 1));
    // Plan: 20 m reached at 18 m/min, 15 + 15 min of levels, 9 m/min ascents, 3 min at 5 m.
    const double expectedS
        = 20.0 / 18 * 60 + 15 * 60 + 6.0 / 9 * 60 + 15 * 60 + 9.0 / 9 * 60 + 3 * 60 + 5.0 / 9 * 60;
    QCOMPARE(w->findChild<QLineEdit*>("edDuration")->text(),
        QStringLiteral("%1:%2")
            .arg(int(expectedS) / 60, 2, 10, QLatin1Char('0'))
            .arg(int(expectedS) % 60, 2, 10, QLatin1Char('0')));
    QCOMPARE(w->findChild<QTableWidget*>("tblGases")->item(0, 0)->text(), QString("Nx32"));

    auto typing = typeIntoDialog(QStringLiteral("5"));
    w->storeCurrentDive();
    QVERIFY(typing->seen);
    QTableWidget* list = diveList(w);
    QCOMPARE(list->rowCount(), 8);
    QCOMPARE(list->item(0, 0)->text(), QString("QRD-M - QRD-03352 - 3 dives"));
    QList<QTableWidgetItem*> stored = list->findItems("5", Qt::MatchExactly);
    stored.removeIf([](const QTableWidgetItem* item) { return item->column() != 0; });
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored.first()->font().weight(), int(QFont::Bold));
}

void TestMainWindow::failedOpenKeepsShownDive()
{
    const QString good = writeCsv(QStringLiteral("good.csv"), { { 0, 0 }, { 60, 12 }, { 600, 0 } });
    MainWindow* w = makeWindow();
    QVERIFY(w->openDiveFile(good));

    BoxAnswer box;
    QVERIFY(!w->openDiveFile(m_home->filePath(QStringLiteral("missing.csv"))));
    QVERIFY(box.seen());
    QCOMPARE(box.title, QString("Error"));
    QVERIFY(box.text.startsWith(QStringLiteral("Impossible to open file")));
    QCOMPARE(w->currentDive().name, QString("good"));
    QCOMPARE(w->currentDive().samples.size(), 3);
    QCOMPARE(w->findChild<QLineEdit*>("edDiveName")->text(), QString("good"));
}

void TestMainWindow::dropOnlyTakesUddfAndDivebin_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("message");
    QTest::newRow("text file is refused, naming what works") << "a.txt"
                                                             << "a.txt cannot be opened here";
    QTest::newRow("suffix in capitals is refused") << "a.UDDF"
                                                   << "a.UDDF cannot be opened here";
    QTest::newRow("missing uddf fails to open") << "a.uddf"
                                                << "Impossible to open file";
    QTest::newRow("missing csv fails to open") << "a.csv"
                                               << "Impossible to open file";
}

void TestMainWindow::dropOnlyTakesUddfAndDivebin()
{
    QFETCH(QString, file);
    QFETCH(QString, message);
    MainWindow* w = makeWindow();
    BoxAnswer box;
    w->dropFiles({ m_home->filePath(file), m_home->filePath("other.uddf") });
    QVERIFY(box.seen());
    QVERIFY2(box.text.startsWith(message), qPrintable(box.text));
}

void TestMainWindow::storeLandsUnderItsComputer()
{
    storeDemoDives();
    const QString path = writeCsv(QStringLiteral("reef.csv"), { { 0, 0 }, { 60, 8 }, { 900, 0 } });
    MainWindow* w = makeWindow();
    QCOMPARE(diveList(w)->rowCount(), 7);
    QVERIFY(w->openDiveFile(path));
    auto typing = typeIntoDialog(QStringLiteral("Reef at noon"));
    w->storeCurrentDive();
    QVERIFY(typing->seen);
    // A file dive has no computer: a third group, "No name" with an empty serial, sorts first.
    QTableWidget* list = diveList(w);
    QCOMPARE(list->rowCount(), 9);
    QCOMPARE(list->item(0, 0)->text(), QString("No name -  - 1 dives"));
    QCOMPARE(list->item(1, 0)->text(), QString("Reef at noon"));
    QVERIFY(list->item(1, 0)->data(Qt::UserRole).toInt() >= 1);
    QVERIFY(!w->findChild<QWidget*>("btStoreDive")->isEnabled());
    QCOMPARE(w->findChild<QLabel*>("lbFilter")->text(), QString("3 Names / 6 Dives"));
}

void TestMainWindow::secondStoreReportsDuplicate()
{
    const QString path = writeCsv(QStringLiteral("dup.csv"), { { 0, 0 }, { 60, 8 }, { 900, 0 } });
    MainWindow* w = makeWindow();
    QVERIFY(w->openDiveFile(path));
    {
        auto typing = typeIntoDialog(QStringLiteral("Wreck"));
        w->storeCurrentDive();
    }
    QVERIFY(w->openDiveFile(path));
    auto typing = typeIntoDialog(QStringLiteral("Wreck"));
    BoxAnswer box;
    w->storeCurrentDive();
    QVERIFY(box.seen());
    // The same samples: the logbook has this dive, whatever it is named.
    QCOMPARE(box.title, QString("Store dive"));
    QVERIFY(box.text.startsWith("This dive is already in the logbook as dive "));
    QVERIFY(w->findChild<QWidget*>("btStoreDive")->isEnabled());
    // The refused name is not kept.
    QCOMPARE(w->currentDive().name, QString("dup"));
    QCOMPARE(diveList(w)->rowCount(), 2);
}

void TestMainWindow::storeRefusesEmptyName()
{
    const QString path = writeCsv(QStringLiteral("x.csv"), { { 0, 0 }, { 60, 8 }, { 900, 0 } });
    MainWindow* w = makeWindow();
    QVERIFY(w->openDiveFile(path));
    auto typing = typeIntoDialog(QStringLiteral("   "));
    BoxAnswer box;
    w->storeCurrentDive();
    QVERIFY(box.seen());
    QCOMPARE(box.text, QString("Invalid name"));
    QCOMPARE(diveList(w)->rowCount(), 0);
    QCOMPARE(w->currentDive().name, QString("x"));
}

void TestMainWindow::listCountsOfTwoComputers()
{
    storeDemoDives();
    MainWindow* w = makeWindow();
    QTableWidget* list = diveList(w);
    // Demo logbook: three dives of one computer, two of the other.
    QCOMPARE(list->rowCount(), 7);
    QCOMPARE(w->findChild<QLabel*>("lbFilter")->text(), QString("2 Names / 5 Dives"));
    QStringList groups;
    for (int row = 0; row < 7; ++row) {
        if (list->item(row, 0)->data(Qt::UserRole).toInt() < 0)
            groups << list->item(row, 0)->text();
    }
    QCOMPARE(
        groups, (QStringList { "QRD-M - QRD-03352 - 2 dives", "Veltra - VLT-20417 - 3 dives" }));

    // Opening a row shows it, highlighted, with the store button off.
    w->openDiveProfileItem(list->item(4, 2));
    QCOMPARE(w->currentDive().computer, QString("Veltra"));
    QCOMPARE(w->findChild<QLineEdit*>("edDiveName")->text(), list->item(4, 0)->text());
    QCOMPARE(list->item(4, 0)->font().weight(), int(QFont::Bold));
    QVERIFY(!w->findChild<QWidget*>("btStoreDive")->isEnabled());
    QCOMPARE(w->findChild<QLineEdit*>("edSampleInterval")->text(), QString("5 s"));
    QCOMPARE(w->findChild<QTableWidget*>("tblGases")->rowCount(), 1);
}

void TestMainWindow::renameRules_data()
{
    QTest::addColumn<QString>("newName");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    // Row 1 is dive "3" of QRD-03352; the same serial also has dive "4".
    QTest::newRow("same name") << "3"
                               << "Invalid name"
                               << "3";
    QTest::newRow("empty name") << ""
                                << "Invalid name"
                                << "3";
    QTest::newRow("name of another dive of that computer") << "4"
                                                           << "Name already exists"
                                                           << "3";
    QTest::newRow("name of a dive of the other computer") << "12"
                                                          << ""
                                                          << "12";
    QTest::newRow("fresh name") << "Blue hole"
                                << ""
                                << "Blue hole";
}

void TestMainWindow::renameRules()
{
    QFETCH(QString, newName);
    QFETCH(QString, message);
    QFETCH(QString, shown);
    storeDemoDives();
    MainWindow* w = makeWindow();
    QTableWidget* list = diveList(w);
    QCOMPARE(list->item(1, 0)->text(), QString("3"));
    const int id = list->item(1, 0)->data(Qt::UserRole).toInt();
    auto typing = typeIntoDialog(newName);
    BoxAnswer box;
    w->renameDive(list->item(1, 3));
    QCOMPARE(box.seen(), !message.isEmpty());
    QCOMPARE(box.text, message);
    QCOMPARE(list->item(1, 0)->text(), shown);
    DiveProfile stored;
    QVERIFY(LogbookDatabase::instance().loadDive(id, stored));
    QCOMPARE(stored.name, shown);
}

void TestMainWindow::deleteAsksFirst()
{
    storeDemoDives();
    MainWindow* w = makeWindow();
    QTableWidget* list = diveList(w);
    list->selectRow(1);
    {
        BoxAnswer no(QMessageBox::No);
        w->deleteSelectedDives();
        QVERIFY(no.seen());
    }
    QCOMPARE(list->rowCount(), 7);

    list->setSelectionMode(QAbstractItemView::MultiSelection);
    list->selectRow(5);
    BoxAnswer yes(QMessageBox::Yes);
    w->deleteSelectedDives();
    QVERIFY(yes.seen());
    // One dive gone from each computer: 2 groups + 3 dives.
    QCOMPARE(list->rowCount(), 5);
    QCOMPARE(w->findChild<QLabel*>("lbFilter")->text(), QString("2 Names / 3 Dives"));
}

void TestMainWindow::deleteIgnoresGroupRows()
{
    storeDemoDives();
    MainWindow* w = makeWindow();
    QTableWidget* list = diveList(w);
    list->selectRow(0);
    BoxAnswer box(QMessageBox::Yes);
    w->deleteSelectedDives();
    QTest::qWait(50);
    QVERIFY(!box.seen());
    QCOMPARE(list->rowCount(), 7);
}

void TestMainWindow::deleteNamesDivesNotDeleted()
{
    storeDemoDives();
    MainWindow* w = makeWindow();
    QTableWidget* list = diveList(w);
    list->setSelectionMode(QAbstractItemView::MultiSelection);
    list->selectRow(1); // dive "3"
    list->selectRow(2); // dive "4"
    // Someone else removes dive "4" first: its delete fails, dive "3" still goes.
    QVERIFY(LogbookDatabase::instance().deleteDive(list->item(2, 0)->data(Qt::UserRole).toInt()));
    BoxAnswer boxes({ QMessageBox::Yes, QMessageBox::Ok });
    w->deleteSelectedDives();
    QCOMPARE(boxes.answer->count, 2);
    QCOMPARE(boxes.titles.value(1), QString("Database Error"));
    QCOMPARE(boxes.texts.value(1), QString("Impossible to delete profile(4)"));
    QCOMPARE(w->findChild<QLabel*>("lbFilter")->text(), QString("1 Names / 3 Dives"));
}

void TestMainWindow::filterDialogDrivesList()
{
    storeDemoDives();
    MainWindow* w = makeWindow();
    auto answer = std::make_unique<ModalAnswer>([](QWidget* modal) {
        auto* form = qobject_cast<FormFilter*>(modal);
        QVERIFY(form);
        form->findChild<QGroupBox*>("grComputer")->setChecked(true);
        auto* table = form->findChild<QTableWidget*>("tblComputers");
        QCOMPARE(table->rowCount(), 2);
        // Sorted names: QRD-M, Veltra. Keep Veltra only.
        table->item(0, 0)->setCheckState(Qt::Unchecked);
        form->accept();
    });
    w->setFilter();
    QVERIFY(answer->seen);
    QVERIFY(w->diveFilter().byComputer);
    QCOMPARE(w->diveFilter().computers, QStringList { "Veltra" });
    QCOMPARE(diveList(w)->rowCount(), 4);
    QCOMPARE(w->findChild<QLabel*>("lbFilter")->text(), QString("1 Names / 3 Dives"));

    // Dates: 13 June 2026 only (two Veltra dives that day, local time near UTC).
    answer = std::make_unique<ModalAnswer>([](QWidget* modal) {
        auto* form = qobject_cast<FormFilter*>(modal);
        // The dialog shows the filter it was given.
        QCOMPARE(form->findChild<QTableWidget*>("tblComputers")->item(0, 0)->checkState(),
            Qt::Unchecked);
        QCOMPARE(
            form->findChild<QTableWidget*>("tblComputers")->item(1, 0)->checkState(), Qt::Checked);
        form->findChild<QGroupBox*>("grComputer")->setChecked(false);
        form->findChild<QGroupBox*>("grDateTime")->setChecked(true);
        form->findChild<QDateEdit*>("startDate")->setDate(QDate(2026, 6, 13));
        form->findChild<QGroupBox*>("grEndDate")->setChecked(true);
        form->findChild<QDateEdit*>("endDate")->setDate(QDate(2026, 6, 13));
        form->accept();
    });
    w->setFilter();
    QVERIFY(answer->seen);
    QVERIFY(!w->diveFilter().byComputer);
    QVERIFY(w->diveFilter().byDate);
    QCOMPARE(diveList(w)->rowCount(), 3);

    // Cancel changes nothing.
    answer = std::make_unique<ModalAnswer>([](QWidget* modal) {
        modal->findChild<QGroupBox*>("grDateTime")->setChecked(false);
        qobject_cast<QDialog*>(modal)->reject();
    });
    w->setFilter();
    QVERIFY(w->diveFilter().byDate);
    QCOMPARE(diveList(w)->rowCount(), 3);
}

void TestMainWindow::saveSelectionCutsTheRange()
{
    // 20 m from 60 s to 1800 s.
    const QString csv = writeCsv(QStringLiteral("flat.csv"),
        { { 0, 0 }, { 60, 20 }, { 600, 20 }, { 1200, 20 }, { 1800, 20 }, { 1920, 0 } });
    MainWindow* w = makeWindow();
    w->resize(1260, 823);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QVERIFY(w->openDiveFile(csv));
    GraphView* graph = w->graphView();
    QMenu before;
    QVERIFY(!graph->contextMenuHook(before));

    // Shift and the left button drag a range across the middle of the plot.
    QWidget* viewport = graph->viewport();
    const int y = viewport->height() / 2;
    const QPoint a(viewport->width() * 2 / 5, y);
    const QPoint b(viewport->width() * 3 / 5, y);
    const auto send = [viewport](QEvent::Type type, QPoint pos, Qt::MouseButton button,
                          Qt::MouseButtons buttons, Qt::KeyboardModifiers mods) {
        QMouseEvent event(
            type, QPointF(pos), QPointF(viewport->mapToGlobal(pos)), button, buttons, mods);
        QApplication::sendEvent(viewport, &event);
    };
    send(QEvent::MouseMove, a, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    send(QEvent::MouseButtonPress, a, Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
    send(QEvent::MouseMove, b, Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
    send(QEvent::MouseButtonRelease, b, Qt::LeftButton, Qt::NoButton, Qt::ShiftModifier);
    const auto range = graph->selectedRange();
    QVERIFY2(range.first > 60 && range.second > range.first && range.second < 1800,
        qPrintable(QString("%1 %2").arg(range.first).arg(range.second)));

    QMenu menu;
    QVERIFY(graph->contextMenuHook(menu));

    const QString path = m_home->filePath(QStringLiteral("cut.uddf"));
    QVERIFY(w->saveSelection(path));
    // The cut: a descent of 2 s per metre to 20 m, the range itself, then 6 s per metre up.
    QVERIFY(w->openDiveFile(path));
    QCOMPARE(w->currentDive().duration, 40.0 + (range.second - range.first) + 120.0);
    QCOMPARE(w->currentDive().maxDepth, 20.0);

    BoxAnswer refused;
    QVERIFY(!w->saveSelection(m_home->filePath(QStringLiteral("cut.divebin"))));
    QCOMPARE(refused.text,
        QString(
            "cut.divebin: the file name must end in .uddf or .csv to choose the file's format."));
}

void TestMainWindow::exportRefusesDivebin()
{
    storeDemoDives();
    MainWindow* w = makeWindow();
    const int id = diveList(w)->item(1, 0)->data(Qt::UserRole).toInt();
    const QString path = m_home->filePath(QStringLiteral("out.divebin"));
    BoxAnswer box;
    QVERIFY(!w->exportStoredDive(id, path));
    QCOMPARE(box.title, QString("Error"));
    QVERIFY2(box.text.startsWith("out.divebin: the file name must end in .uddf or .csv"),
        qPrintable(box.text));
    QVERIFY(!QFile::exists(path));
}

void TestMainWindow::exportReportsWriteFailure()
{
    storeDemoDives();
    MainWindow* w = makeWindow();
    const int id = diveList(w)->item(1, 0)->data(Qt::UserRole).toInt();
    // A folder that does not exist cannot take the file.
    BoxAnswer box;
    QVERIFY(!w->exportStoredDive(id, m_home->filePath(QStringLiteral("no/such/dir/out.csv"))));
    QVERIFY(box.seen());
    QCOMPARE(box.title, QString("Error"));
    QVERIFY(box.text.startsWith(QStringLiteral("Impossible to write file")));
    // A dive that is not in the logbook.
    BoxAnswer missing;
    QVERIFY(!w->exportStoredDive(4242, m_home->filePath(QStringLiteral("out.csv"))));
    QCOMPARE(missing.title, QString("Database Error"));
    QCOMPARE(missing.text, QString("Impossible to read profile"));
}

void TestMainWindow::exportUsesSavedSeparator()
{
    storeDemoDives();
    MainWindow* w = makeWindow();
    const int id = diveList(w)->item(1, 0)->data(Qt::UserRole).toInt();
    w->setCsvSeparator(true);
    // Another writer left the process-wide mode at dot.
    CsvFile::setMode(0);
    const QString path = m_home->filePath(QStringLiteral("comma.csv"));
    QVERIFY(w->exportStoredDive(id, path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QVERIFY(lines.size() > 2);
    // The surface pressure of 1.013 bar is stored in mbar and comes back as 1.012 (truncated
    // on storing); with the comma choice it is written with a decimal comma.
    QVERIFY2(lines[1].contains("1,012") || lines[1].contains("1,013"), lines[1].constData());
    QVERIFY(!lines[1].contains("1.01"));
}

void TestMainWindow::separatorSurvivesRestart_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("comma");
    QTest::newRow("true as written by the program") << "true" << true;
    QTest::newRow("false") << "false" << false;
    QTest::newRow("older files with 1") << "1" << true;
    QTest::newRow("missing key") << "" << false;
}

void TestMainWindow::separatorSurvivesRestart()
{
    QFETCH(QString, stored);
    QFETCH(bool, comma);
    QFile file(dataDir() + QStringLiteral("/settings.cfg"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    if (!stored.isEmpty())
        file.write("[export]\ncsvSeparator=" + stored.toUtf8() + "\n");
    file.close();
    MainWindow* w = makeWindow();
    QCOMPARE(w->csvSeparator(), comma);

    // What the window writes, it reads back after a restart.
    w->setCsvSeparator(!comma);
    w = makeWindow();
    QCOMPARE(w->csvSeparator(), !comma);
}

void TestMainWindow::alertLeds_data()
{
    QTest::addColumn<Points>("points");
    QTest::addColumn<quint32>("word");
    QTest::addColumn<QString>("light");
    QTest::addColumn<QString>("icon");
    // Ascents worked by hand: 8 m in 60 s is 8 m/min, 14 m in 60 s is 14 m/min (within 2 of
    // the 15 m/min limit), 20 m in 60 s is 20 m/min.
    const Points slow { { 0, 0 }, { 120, 8 }, { 900, 8 }, { 960, 0 } };
    const Points near { { 0, 0 }, { 120, 14 }, { 900, 14 }, { 960, 0 } };
    const Points fast { { 0, 0 }, { 120, 20 }, { 900, 20 }, { 960, 0 } };
    QTest::newRow("RR word without a fast segment is green") << slow << (1u << 22) << "alertRR"
                                                             << "Led_Green";
    QTest::newRow("ascent near the limit is orange") << near << 0u << "alertRR"
                                                     << "Led_Orange";
    QTest::newRow("fast ascent segment is red") << fast << 0u << "alertRR"
                                                << "Led_Red";
    QTest::newRow("second dive of the day is green") << slow << (1u << 30) << "alertDives24H"
                                                     << "Led_Green";
    QTest::newRow("third dive of the day is orange") << slow << (2u << 30) << "alertDives24H"
                                                     << "Led_Orange";
    QTest::newRow("one yoyo is orange") << slow << (1u << 26) << "alertYoyo"
                                        << "Led_Orange";
    QTest::newRow("ceiling level 3 is red") << slow << (3u << 2) << "alertCeil"
                                            << "Led_Red";
    QTest::newRow("security warning is red") << slow << (1u << 28) << "alertSecurity"
                                             << "Led_Red";
}

void TestMainWindow::alertLeds()
{
    QFETCH(Points, points);
    QFETCH(quint32, word);
    QFETCH(QString, light);
    QFETCH(QString, icon);
    const QString csv = writeCsv(QStringLiteral("a.csv"), points);
    MainWindow* w = makeWindow();
    QVERIFY(w->openDiveFile(csv));
    DiveProfile dive = w->currentDive();
    dive.alerts = word;
    LogbookDatabase& logbook = LogbookDatabase::instance();
    int id = -1;
    QCOMPARE(logbook.storeDive(dive, &id), 0);
    w->fillDiveList();
    w->openDiveProfileItem(diveList(w)->item(1, 0));
    auto* button = w->findChild<QAbstractButton*>(light);
    QVERIFY(sameIcon(button->icon(), QStringLiteral(":/TestGraphics/icons/") + icon + ".png"));
    QVERIFY(!button->toolTip().isEmpty());
}

void TestMainWindow::aboutWindowGoesAway()
{
    MainWindow* w = makeWindow();
    // A small window in the middle of the screen: the picture opens centred on it.
    const QRect screen = w->screen()->availableGeometry();
    w->setGeometry(QRect(QPoint(), QSize(400, 300)).translated(screen.center() - QPoint(200, 150)));
    w->show();
    w->about();
    QPointer<QWidget> about;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->objectName() == QLatin1String("AboutWindow"))
            about = top;
    }
    QVERIFY(about);
    QVERIFY(about->isVisible());
    // Inside the screen, and off the window's centre only where a screen edge stops it.
    const QRect place = about->geometry();
    QVERIFY(screen.contains(place));
    const QPoint off = place.center() - w->frameGeometry().center();
    QVERIFY(
        std::abs(off.x()) <= 2 || place.left() == screen.left() || place.right() == screen.right());
    QVERIFY(
        std::abs(off.y()) <= 2 || place.top() == screen.top() || place.bottom() == screen.bottom());
    QPushButton* ok = about->findChild<QPushButton*>("btAboutOk");
    auto* version = about->findChild<QLabel*>("lbAboutVersion");
    QCOMPARE(version->text(), QStringLiteral("V") + QApplication::applicationVersion());
    // The button never covers the version.
    QVERIFY(!ok->geometry().intersects(version->geometry()));
    ok->click();
    QTRY_VERIFY(about.isNull());

    // Escape closes it too, and each opening is a window of its own that goes away.
    w->about();
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->objectName() == QLatin1String("AboutWindow"))
            about = top;
    }
    QVERIFY(about);
    QTest::keyClick(about, Qt::Key_Escape);
    QTRY_VERIFY(about.isNull());
}

void TestMainWindow::dataFolderCreatedWithParents()
{
    // A fresh account: not even the parent of the data folder exists.
    const QString home = m_home->filePath(QStringLiteral("a/b/share"));
    qputenv("XDG_DATA_HOME", home.toUtf8());
    MainWindow* w = makeWindow();
    QVERIFY(w->isUsable());
    QVERIFY(QFile::exists(home + QStringLiteral("/VeltraDesktop/diveDB.db")));
}

void TestMainWindow::dataFolderImpossible()
{
    // The data folder would have to live under a plain file.
    QFile blocker(m_home->filePath(QStringLiteral("file")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("XDG_DATA_HOME", blocker.fileName().toUtf8());
    BoxAnswer box;
    MainWindow* w = makeWindow();
    QVERIFY(box.seen());
    QCOMPARE(box.title, QString("Error"));
    QVERIFY(
        box.text.startsWith(QStringLiteral("Impossible to create the application data folder")));
    QVERIFY(!w->isUsable());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
