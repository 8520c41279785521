#include "app/demodives.h"
#include "app/diveimport.h"
#include "app/mainwindow.h"
#include "app/preferencesdialog.h"
#include "dive/units.h"
#include "fileio/csvfile.h"
#include "fileio/divelinesio.h"
#include "logbook/divedetails.h"
#include "logbook/diveplaces.h"
#include "logbook/logbookdatabase.h"
#include "planner/plancomparison.h"
#include "planner/plancompute.h"
#include "views/divelistview.h"
#include "views/diveprofileitem.h"
#include "views/formfilter.h"
#include "views/graphview.h"
#include "views/replaylayer.h"
#include "views/starrating.h"

#include <QTextBrowser>
#include <QTranslator>
#include <QtCharts>
#include <QtTest>
#include <QtWidgets>

#include <functional>

namespace {

using Points = QList<QPair<double, double>>;

// Hands the next modal windows, in turn, to its answers: the window runs its message boxes
// and input dialogs modally.
class ModalAnswer : public QObject
{
public:
    using Answer = std::function<void(QWidget*)>;
    explicit ModalAnswer(QList<Answer> answers = {})
        : answers(std::move(answers))
    {
        connect(&m_timer, &QTimer::timeout, this, [this]() {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && modal->isVisible() && count < this->answers.size())
                this->answers[count++](modal);
            else if (++m_tries > 1000)
                m_timer.stop();
        });
        m_timer.start(10);
    }

    bool seen() const { return count > 0; }
    QList<Answer> answers;
    int count = 0;

private:
    QTimer m_timer;
    int m_tries = 0;
};

// Answers the next message boxes with the buttons, in order, keeping their titles and texts.
struct BoxAnswer : ModalAnswer
{
    QStringList titles;
    QStringList texts;
    QString text() const { return texts.value(0); }

    explicit BoxAnswer(QList<QMessageBox::StandardButton> buttons = { QMessageBox::Ok })
    {
        for (QMessageBox::StandardButton button : buttons) {
            answers.append([this, button](QWidget* modal) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                if (!box) {
                    modal->close();
                    return;
                }
                titles << box->windowTitle();
                texts << box->text();
                if (QAbstractButton* b = box->button(button))
                    b->click();
                else
                    box->reject();
            });
        }
    }
};

// Types the text into the next input dialog and presses Ok.
std::unique_ptr<ModalAnswer> typeIntoDialog(const QString& text)
{
    return std::make_unique<ModalAnswer>(QList<ModalAnswer::Answer> { [text](QWidget* modal) {
        if (auto* edit = modal->findChild<QLineEdit*>())
            edit->setText(text);
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->accept();
    } });
}

bool sameIcon(const QIcon& icon, const QString& path)
{
    return QFile::exists(path) && !icon.isNull()
        && icon.pixmap(16, 16).toImage() == QIcon(path).pixmap(16, 16).toImage();
}

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

QStringList names(QTableView* list)
{
    QStringList result;
    for (int row = 0; row < list->model()->rowCount(); ++row)
        result << list->model()->index(row, 0).data().toString();
    return result;
}

// The first-column index of the row that shows that name.
QModelIndex matchName(QTableView* list, const QString& name)
{
    return list->model()
        ->match(list->model()->index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchExactly)
        .value(0);
}

} // namespace

class TestMainWindow : public QObject
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
        // These tests count the header rows of the list grouped by computer, oldest dive first.
        QSettings settings(dataDir() + QStringLiteral("/settings.cfg"), QSettings::IniFormat);
        settings.setValue(QStringLiteral("list/groupByComputer"), true);
        settings.setValue(QStringLiteral("list/sortDescending"), false);
        // Metric whatever the machine's locale.
        DisplayUnits().save(settings);
    }

    void cleanup()
    {
        m_window.reset();
        LogbookDatabase::instance().close();
        m_home.reset();
    }

    void hiddenFeatures_data()
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

    void hiddenFeatures()
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
        const auto shown
            = [w](const char* name) { return w->findChild<QWidget*>(name)->isVisible(); };
        QWidget* planTab = w->findChild<QWidget*>("tab_7");
        auto* tabProfile = w->findChild<QTabWidget*>("tabProfile");
        QCOMPARE(tabProfile->isTabVisible(3), on("simulation", false));
        QCOMPARE(tabProfile->isTabVisible(4), on("simulation", false));
        QCOMPARE(w->findChild<QWidget*>("wdPlanifAddOn")->isVisibleTo(planTab),
            on("planificationaddon", true));
        QCOMPARE(w->findChild<QTabWidget*>("tabMain")->isTabVisible(1), on("planification", true));
        QCOMPARE(shown("btImportDive"), on("import", true));
        QCOMPARE(shown("btStoreDive"), on("import", true));
        QCOMPARE(w->findChild<QAction*>("actionOpen")->isEnabled(), on("import", true));
        QCOMPARE(shown("gbAlerts"), on("alerts", true));
        QCOMPARE(w->deviceMenu()->actions().value(1)->isVisible(), on("programname", false));
        QCOMPARE(shown("btTest"), on("developer", false));
        QCOMPARE(w->findChild<QWidget*>("btSolve")->isVisibleTo(planTab), on("developer", false));
    }

    void preferencesWrittenBackAndApplied()
    {
        // A key the dialog does not show (the demo's) must survive the write.
        writeOptions({ { "demoComputer", 1 } });
        MainWindow* w = makeWindow();
        w->show();
        ModalAnswer answer({ [](QWidget* modal) {
            auto* dialog = qobject_cast<PreferencesDialog*>(modal);
            QVERIFY(dialog);
            dialog->findChild<QCheckBox*>("ck_import")->setChecked(false);
            dialog->findChild<QCheckBox*>("ck_developer")->setChecked(true);
            dialog->findChild<QSpinBox*>("spReplayGfLow")->setValue(40);
            dialog->findChild<QSpinBox*>("spReplayGfHigh")->setValue(85);
            dialog->accept();
        } });
        w->editPreferences();
        QVERIFY(answer.seen());
        // Applied at once...
        QVERIFY(!w->findChild<QWidget*>("btImportDive")->isVisible());
        QVERIFY(w->findChild<QWidget*>("btTest")->isVisible());
        // ...and kept for the next start, beside what was there.
        const QSettings options(dataDir() + QStringLiteral("/options.ini"), QSettings::IniFormat);
        QCOMPARE(options.value("hidden/import").toInt(), 0);
        QCOMPARE(options.value("hidden/developer").toInt(), 1);
        QCOMPARE(options.value("hidden/demoComputer").toInt(), 1);
        // The replay's factors reach both graphs and the next start.
        QCOMPARE(w->graphView()->replayLayer()->options().gfHigh, 85);
        QCOMPARE(w->findChild<QToolButton*>("btReplay")->text(), QStringLiteral("My GF 40/85"));
        QCOMPARE(makeWindow()->graphView()->replayLayer()->options().gfLow, 40);
    }

    void screenAndReadout()
    {
        storeDemoDives();
        MainWindow* w = makeWindow();
        w->show();
        // It fits a 1366x768 screen less a panel and the title bar, about 700 pixels, in English
        // and with the longer French labels.
        const QSize smallest = w->minimumSizeHint().expandedTo(w->minimumSize());
        QVERIFY2(smallest.width() <= 1280 && smallest.height() <= 690,
            qPrintable(QString("%1x%2").arg(smallest.width()).arg(smallest.height())));
        {
            QTranslator french;
            QVERIFY(french.load(QStringLiteral("VeltraDesktop_fr"), VELTRA_QM_DIR));
            QCoreApplication::installTranslator(&french);
            MainWindow translated;
            // The filter's date page, the widest, opens without a sideways scroll bar.
            FormFilter filter(&translated);
            auto* tools = filter.findChild<QToolBox*>("toolBox");
            tools->setCurrentIndex(1);
            filter.show();
            QVERIFY(QTest::qWaitForWindowExposed(&filter));
            for (const QScrollBar* bar : tools->findChildren<QScrollBar*>())
                QVERIFY(bar->orientation() == Qt::Vertical || !bar->isVisible());
            QCoreApplication::removeTranslator(&french);
            const QSize frenchSmallest = translated.minimumSizeHint();
            QVERIFY2(frenchSmallest.width() <= 1280 && frenchSmallest.height() <= 690,
                qPrintable(
                    QString("%1x%2").arg(frenchSmallest.width()).arg(frenchSmallest.height())));
        }
        QVERIFY(FormFilter(w).minimumSizeHint().height() <= 690);
        w->resize(1260, 823);
        QVERIFY(QTest::qWaitForWindowExposed(w));
        // Opening a row shows it, with the store button off.
        w->openDiveProfileItem(diveList(w)->model()->index(1, 2));
        QCOMPARE(lineText(w, "edDiveName"), diveList(w)->model()->index(1, 0).data().toString());
        // The start reads as in the list.
        QCOMPARE(lineText(w, "edDateTime"),
            diveList(w)->model()->index(1, DiveListView::DateColumn).data().toString());
        QCOMPARE(lineText(w, "edSampleInterval"), QString("5 s"));
        QVERIFY(!w->findChild<QWidget*>("btStoreDive")->isEnabled());
        QWidget* viewport = w->graphView()->viewport();
        const QPoint at(viewport->width() / 2, viewport->height() / 2);
        QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(viewport->mapToGlobal(at)),
            Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
        QVERIFY(!w->graphView()->readoutText().isEmpty());
        auto* position = w->findChild<QTextEdit*>("edPositionInformation");
        QVERIFY(!position->toPlainText().isEmpty());
        // By hand: VELTRA_TEST_SCREENSHOTS=<folder>, to look at the window at 1366x768.
        const QString out = qEnvironmentVariable("VELTRA_TEST_SCREENSHOTS");
        if (!out.isEmpty()) {
            w->resize(1366, 768);
            QTest::qWait(50);
            QVERIFY(w->grab().save(out + "/main.png"));
        }
        // Another dive: nothing read on the first one stays on screen.
        w->openDiveProfileItem(diveList(w)->model()->index(2, 0));
        QVERIFY(w->graphView()->readoutText().isEmpty());
        QVERIFY(position->toPlainText().isEmpty());
    }

    void replayScreenshots()
    {
        // By hand: VELTRA_TEST_SCREENSHOTS=<folder>, for the README's replay pictures.
        const QString out = qEnvironmentVariable("VELTRA_TEST_SCREENSHOTS");
        if (out.isEmpty())
            QSKIP("VELTRA_TEST_SCREENSHOTS names no folder");
        // Planned: 45 m for 25 min on air, EAN50 from 21 m, GF 30/80. Dived: the same two
        // minutes longer at the bottom, the ascent as planned, logged every 5 s.
        Planification plan;
        plan.dives[0] = PlanifDive::makeDefault(0);
        PlanifDive& planned = *plan.dives[0];
        planned.profile.gases = { DiveGas {} };
        planned.settings.decoGases = { PlanGas { 50, 0, PlanGasRole::Deco, 0.0f } };
        planned.profile.samples[1] = { 135, 45 };
        planned.profile.samples[2] = { 1500, 45 };
        for (DiveSample& s : planned.profile.samples)
            s.gasIndex = 0;
        planned.settings.gfLow = 30;
        planned.settings.gfHigh = 80;
        plan.currentIndex = 0;
        computePlan(plan, {});
        const QList<DiveSample> planPoints = planProfilePoints(planned.profile);
        DiveProfile dived;
        dived.name = QStringLiteral("Wreck");
        dived.gases = planned.profile.gases;
        for (int t = 0, k = 1; k < planPoints.size(); t += 5) {
            const double planT = t > 1620 ? t - 120 : std::min(t, 1500);
            while (k < planPoints.size() && planPoints[k].time < planT)
                ++k;
            if (k == planPoints.size())
                break;
            const DiveSample& a = planPoints[k - 1];
            const DiveSample& b = planPoints[k];
            DiveSample s;
            s.time = t;
            s.depth = a.depth + (b.depth - a.depth) * (planT - a.time) / (b.time - a.time);
            s.gasIndex = b.gasIndex;
            s.temperature = 14;
            dived.samples.append(s);
        }
        dived.computeStatistics();
        const QString path = m_home->filePath(QStringLiteral("wreck.uddf"));
        QVERIFY(exportDive(dived, path));
        for (const bool french : { false, true }) {
            QTranslator translator;
            if (french) {
                QVERIFY(translator.load(QStringLiteral("VeltraDesktop_fr"), VELTRA_QM_DIR));
                QCoreApplication::installTranslator(&translator);
            }
            MainWindow* w = makeWindow();
            w->resize(1366, 768);
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w));
            QVERIFY(w->openDiveFile(path));
            ReplayGraphOptions options;
            options.ppO2 = options.ppN2 = options.mod = true;
            w->graphView()->replayLayer()->setOptions(options);
            w->graphView()->replayLayer()->setComparison(
                planPoints, QStringLiteral("wreck.diveplan"));
            QWidget* viewport = w->graphView()->viewport();
            const QPoint at(w->graphView()->profileItem()->mapToScene(3150, 0).toPoint());
            QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(viewport->mapToGlobal(at)),
                Qt::NoButton, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(viewport, &move);
            QVERIFY(w->grab().save(out + (french ? "/replay-fr.png" : "/replay.png")));
            QCoreApplication::removeTranslator(&translator);
        }
    }

    void openCsvShowsDive()
    {
        // 0 to 30 m in 2 min, 75 min in all: the duration keeps its hour.
        const QString path = writeCsv(QStringLiteral("morning.csv"),
            { { 0, 0 }, { 120, 30 }, { 2400, 30 }, { 4400, 5 }, { 4500, 0 } });
        MainWindow* w = makeWindow();
        QVERIFY(w->openDiveFile(path));
        QCOMPARE(lineText(w, "edDiveName"), QString("morning"));
        QCOMPARE(lineText(w, "edDuration"), QString("01:15:00"));
        QCOMPARE(lineText(w, "edMaxDepth"), QString("30.0\u00a0m"));
        // Mean of the five sample depths: (0 + 30 + 30 + 5 + 0) / 5 = 13.0.
        QCOMPARE(lineText(w, "edAverageDepth"), QString("13.0\u00a0m"));
        // In feet from Preferences, at once: 30 m / 0.3048 = 98.4 ft, 13 m = 42.7 ft.
        ModalAnswer feet({ [](QWidget* modal) {
            modal->findChild<QComboBox*>("cbUnitsDepth")->setCurrentIndex(1);
            qobject_cast<QDialog*>(modal)->accept();
        } });
        w->editPreferences();
        QCOMPARE(lineText(w, "edMaxDepth"), QString("98.4\u00a0ft"));
        QCOMPARE(lineText(w, "edAverageDepth"), QString("42.7\u00a0ft"));
        QSettings settings(dataDir() + QStringLiteral("/settings.cfg"), QSettings::IniFormat);
        QCOMPARE(settings.value("units/depth").toString(), QString("imperial"));
        QCOMPARE(settings.value("directories/lastDiveFile").toString(), m_home->path());

        // A file that fails to open leaves the shown dive as it was.
        BoxAnswer box;
        QVERIFY(!w->openDiveFile(m_home->filePath(QStringLiteral("missing.csv"))));
        QCOMPARE(box.titles, QStringList { "Error" });
        QVERIFY(box.text().startsWith(QStringLiteral("Impossible to open file")));
        QCOMPARE(w->currentDive().samples.size(), 5);
        QCOMPARE(lineText(w, "edDiveName"), QString("morning"));
        // A drop opens the first file, whatever its name: the content chooses the reader.
        const std::pair<const char*, const char*> drops[]
            = { { "a.txt", "Impossible to open file" }, { "a.UDDF", "Impossible to open file" },
                  { "a.uddf", "Impossible to open file" }, { "a.csv", "Impossible to open file" } };
        for (const auto& [file, message] : drops) {
            BoxAnswer box;
            w->dropFiles({ m_home->filePath(file), m_home->filePath("other.uddf") });
            QVERIFY2(box.text().startsWith(message), qPrintable(box.text()));
        }
    }

    void storeRules()
    {
        storeDemoDives();
        // A dive of the second demo computer, written by the program's own UDDF writer, a day after
        // the stored one and with other samples (the logbook refuses the same dive twice).
        DiveProfile dive = DemoDives::makeDive(DemoDives::demoPlans().value(3));
        dive.dateTime += 86400;
        dive.samples[dive.samples.size() - 2].depth += 0.1;
        const QString path = m_home->filePath(QStringLiteral("boat.uddf"));
        QVERIFY(exportDive(dive, path));
        MainWindow* w = makeWindow();
        QTableView* list = diveList(w);
        QVERIFY(w->openDiveFile(path));
        QCOMPARE(lineText(w, "edComputerName"), QString("QRD-M"));
        QCOMPARE(lineText(w, "edComputerSerial"), QString("QRD-03352"));
        QCOMPARE(w->findChild<QTableWidget*>("tblGases")->item(0, 0)->text(), QString("Nx32"));
        {
            auto typing = typeIntoDialog(QStringLiteral("   "));
            BoxAnswer box;
            w->storeCurrentDive();
            QCOMPARE(box.text(), QString("Invalid name"));
            QCOMPARE(list->model()->rowCount(), 7);
        }
        auto typing = typeIntoDialog(QStringLiteral("Boat"));
        w->storeCurrentDive();
        // Stored under its computer, shown as the open dive.
        QCOMPARE(
            list->model()->index(0, 0).data().toString(), QString("QRD-M - QRD-03352 - 3 dives"));
        QCOMPARE(
            matchName(list, "Boat").data(Qt::FontRole).value<QFont>().weight(), int(QFont::Bold));
        QVERIFY(!w->findChild<QWidget*>("btStoreDive")->isEnabled());

        // The same dive again: the logbook has it, whatever it is named.
        QVERIFY(w->openDiveFile(path));
        const QString name = w->currentDive().name;
        typing = typeIntoDialog(QStringLiteral("Wreck"));
        BoxAnswer box;
        w->storeCurrentDive();
        QCOMPARE(box.titles, QStringList { "Store dive" });
        QVERIFY(box.text().startsWith("This dive is already in the logbook as dive "));
        QVERIFY(w->findChild<QWidget*>("btStoreDive")->isEnabled());
        QCOMPARE(w->currentDive().name, name); // the refused name is not kept
        QCOMPARE(list->model()->rowCount(), 8);
    }

    void renameExportDelete()
    {
        storeDemoDives();
        MainWindow* w = makeWindow();
        QTableView* list = diveList(w);
        // Row 1 is dive "3" of QRD-03352; the same serial also has dive "4".
        QCOMPARE(list->model()->index(1, 0).data().toString(), QString("3"));
        const int id = list->model()->index(1, 0).data(Qt::UserRole).toInt();
        const std::pair<const char*, const char*> tries[] = { { "3", "Invalid name" },
            { "", "Invalid name" }, { "4", "Name already exists" }, { "Blue hole", "" } };
        QString shown = "3";
        for (const auto& [name, message] : tries) {
            auto typing = typeIntoDialog(name);
            BoxAnswer box;
            w->renameDive(list->model()->index(1, 3));
            QCOMPARE(box.text(), QString(message));
            if (box.texts.isEmpty())
                shown = name;
            QCOMPARE(list->model()->index(1, 0).data().toString(), shown);
            DiveProfile stored;
            QVERIFY(LogbookDatabase::instance().loadDive(id, stored));
            QCOMPARE(stored.name, shown);
        }

        // Exports that cannot be written say why and leave no file.
        const struct
        {
            int id;
            const char* file;
            const char* title;
            const char* message;
        } exports[] = {
            { id, "out.divebin", "Error", "out.divebin: the file name must end in .uddf or .csv" },
            { id, "no/such/dir/out.csv", "Error", "Impossible to write file" },
            { 4242, "out.csv", "Database Error",
                "Impossible to read profile" }, // not in the logbook
        };
        for (const auto& t : exports) {
            BoxAnswer box;
            QVERIFY(!w->exportStoredDive(t.id, m_home->filePath(t.file)));
            QCOMPARE(box.titles, QStringList { t.title });
            QVERIFY2(box.text().startsWith(t.message), qPrintable(box.text()));
            QVERIFY(!QFile::exists(m_home->filePath(t.file)));
        }

        // A save says what it did.
        QVERIFY(w->exportStoredDive(id, m_home->filePath("blue.uddf")));
        QCOMPARE(w->statusBar()->currentMessage(),
            "Dive \"Blue hole\" exported to "
                + QDir::toNativeSeparators(m_home->filePath("blue.uddf")));

        // A group row is no dive: nothing is asked, nothing goes.
        list->selectRow(0);
        {
            BoxAnswer box({ QMessageBox::Yes });
            w->deleteSelectedDives();
            QTest::qWait(50);
            QVERIFY(!box.seen());
        }
        list->selectRow(1);
        {
            BoxAnswer no({ QMessageBox::No });
            w->deleteSelectedDives();
            QVERIFY(no.seen());
        }
        QCOMPARE(list->model()->rowCount(), 7);

        list->setSelectionMode(QAbstractItemView::MultiSelection);
        list->selectRow(2); // dive "4"
        list->selectRow(5); // a Veltra dive
        // Someone else removes dive "4" first: its delete fails, the two others still go.
        QVERIFY(LogbookDatabase::instance().deleteDive(
            list->model()->index(2, 0).data(Qt::UserRole).toInt()));
        BoxAnswer boxes({ QMessageBox::Yes, QMessageBox::Ok });
        w->deleteSelectedDives();
        QCOMPARE(boxes.count, 2);
        QCOMPARE(boxes.titles.value(1), QString("Database Error"));
        QCOMPARE(boxes.texts.value(1), QString("Impossible to delete profile(4)"));
        QCOMPARE(list->model()->rowCount(), 3);
        QCOMPARE(w->findChild<QLabel*>("lbFilter")->text(), QString("2 dives"));
    }

    void filterDialogDrivesList()
    {
        storeDemoDives();
        MainWindow* w = makeWindow();
        const auto answer = [w](const ModalAnswer::Answer& fill) {
            ModalAnswer modal({ fill });
            w->setFilter();
            return modal.seen();
        };
        QVERIFY(answer([](QWidget* modal) {
            modal->findChild<QGroupBox*>("grComputer")->setChecked(true);
            auto* table = modal->findChild<QTableWidget*>("tblComputers");
            QCOMPARE(table->rowCount(), 2);
            // Sorted names: QRD-M, Veltra. Keep Veltra only.
            table->item(0, 0)->setCheckState(Qt::Unchecked);
            qobject_cast<QDialog*>(modal)->accept();
        }));
        QCOMPARE(w->diveFilter().computers, QStringList { "Veltra" });
        QCOMPARE(diveList(w)->model()->rowCount(), 4);
        QCOMPARE(w->findChild<QLabel*>("lbFilter")->text(), QString("3 dives"));
        // The dialog shows the filter it was given; Cancel changes nothing.
        QVERIFY(answer([](QWidget* modal) {
            auto* table = modal->findChild<QTableWidget*>("tblComputers");
            QCOMPARE(table->item(0, 0)->checkState(), Qt::Unchecked);
            modal->findChild<QGroupBox*>("grComputer")->setChecked(false);
            qobject_cast<QDialog*>(modal)->reject();
        }));
        QVERIFY(w->diveFilter().byComputer);
        QCOMPARE(diveList(w)->model()->rowCount(), 4);
    }

    void saveSelectionCutsTheRange()
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
        const auto texts = [graph]() {
            QMenu menu;
            graph->contextMenuHook(menu);
            QStringList list;
            for (const QAction* action : menu.actions())
                list << action->text();
            return list;
        };
        // Without a range the menu offers only to compare the dive with a plan.
        QCOMPARE(texts(), QStringList { "Compare with a plan..." });

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
        QVERIFY(texts().contains("Save selection"));

        const QString path = m_home->filePath(QStringLiteral("cut.uddf"));
        QVERIFY(w->saveSelection(path));
        // The cut: a descent of 2 s per metre to 20 m, the range itself, then 6 s per metre up.
        QVERIFY(w->openDiveFile(path));
        QCOMPARE(w->currentDive().duration, 40.0 + (range.second - range.first) + 120.0);
        QCOMPARE(w->currentDive().maxDepth, 20.0);

        BoxAnswer refused;
        QVERIFY(!w->saveSelection(m_home->filePath(QStringLiteral("cut.divebin"))));
        QCOMPARE(refused.text(),
            QString("cut.divebin: the file name must end in .uddf or .csv to choose the file's "
                    "format."));
    }

    void csvSeparator_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("comma");
        QTest::newRow("true as written by the program") << "true" << true;
        QTest::newRow("older files with 1") << "1" << true;
        QTest::newRow("missing key") << "" << false;
    }

    void csvSeparator()
    {
        QFETCH(QString, stored);
        QFETCH(bool, comma);
        storeDemoDives();
        QFile file(dataDir() + QStringLiteral("/settings.cfg"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        if (!stored.isEmpty())
            file.write("[export]\ncsvSeparator=" + stored.toUtf8() + "\n");
        file.close();
        MainWindow* w = makeWindow();
        QCOMPARE(w->csvSeparator(), comma);
        // Another writer left the process-wide mode at the other choice. The surface pressure of
        // 1.013 bar is stored in mbar and comes back as 1.012 (truncated on storing).
        CsvFile::setMode(comma ? 0 : 1);
        const QString path = m_home->filePath(QStringLiteral("out.csv"));
        QVERIFY(w->exportStoredDive(
            diveList(w)->model()->index(1, 0).data(Qt::UserRole).toInt(), path));
        QFile csv(path);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QByteArray line = csv.readAll().split('\n').value(1);
        QVERIFY2(line.contains(comma ? "1,01" : "1.01") && !(comma && line.contains("1.01")),
            line.constData());
        // What the window writes, it reads back after a restart.
        w->setCsvSeparator(!comma);
        QCOMPARE(makeWindow()->csvSeparator(), !comma);
    }

    void alertLeds()
    {
        // 20 m in 60 s is 20 m/min, over the 15 m/min limit; 8 m in 60 s is within it. The word of
        // the second dive adds a third dive of the day, a yoyo, ceiling level 3 and a warning.
        const struct
        {
            const char* name;
            Points points;
            quint32 word;
            const char* leds[5];
        } dives[] = {
            { "calm", { { 0, 0 }, { 120, 8 }, { 900, 8 }, { 960, 0 } }, 0,
                { "Green", "Green", "Green", "Green", "Green" } },
            { "busy", { { 0, 0 }, { 120, 20 }, { 900, 20 }, { 960, 0 } },
                (2u << 30) | (1u << 26) | (3u << 2) | (1u << 28),
                { "Red", "Orange", "Orange", "Red", "Red" } },
        };
        const char* lights[]
            = { "alertRR", "alertDives24H", "alertYoyo", "alertCeil", "alertSecurity" };
        MainWindow* w = makeWindow();
        // No dive shown yet: grey, not a green "all fine".
        for (const char* light : lights)
            QVERIFY(sameIcon(w->findChild<QAbstractButton*>(light)->icon(),
                ":/TestGraphics/icons/Led_Grey.png"));
        for (const auto& d : dives) {
            QVERIFY(w->openDiveFile(writeCsv(QString(d.name) + ".csv", d.points)));
            DiveProfile dive = w->currentDive();
            dive.alerts = d.word;
            QCOMPARE(LogbookDatabase::instance().storeDive(dive), 0);
            w->fillDiveList();
            w->openDiveProfileItem(matchName(diveList(w), d.name));
            for (int i = 0; i < 5; ++i) {
                auto* button = w->findChild<QAbstractButton*>(lights[i]);
                const QString icon
                    = QStringLiteral(":/TestGraphics/icons/Led_%1.png").arg(d.leds[i]);
                QVERIFY2(sameIcon(button->icon(), icon), lights[i]);
                QVERIFY(!button->toolTip().isEmpty());
            }
        }
    }

    void helpAndKeys()
    {
        MainWindow* w = makeWindow();
        QStringList keys;
        for (const QAction* action : w->findChildren<QAction*>())
            keys << action->shortcut().toString();
        for (const char* key : { "Ctrl+O", "Ctrl+Q", "F1", "Ctrl+Z" })
            QVERIFY2(keys.contains(key), key);
        QCOMPARE(w->findChild<QMenu*>("menuComputer")->actions().size(), 6); // separator included
        // The guide, in the language of the translation loaded, finds every picture it shows.
        for (const bool french : { false, true }) {
            QTranslator translator;
            QVERIFY(translator.load(QStringLiteral("VeltraDesktop_fr"), VELTRA_QM_DIR));
            if (french)
                QCoreApplication::installTranslator(&translator);
            w->showUserGuide();
            auto* guide = w->findChild<QTextBrowser*>("guideBrowser");
            QVERIFY(guide->toPlainText().contains(french ? "Premier lancement" : "First start"));
            QCoreApplication::removeTranslator(&translator);
            delete guide->parentWidget();
        }
    }

    void screenshots()
    {
        // By hand: VELTRA_TEST_SCREENSHOTS=<folder>, the window, guide and preferences at
        // 1366x768 in English and French, to look at.
        const QString out = qEnvironmentVariable("VELTRA_TEST_SCREENSHOTS");
        if (out.isEmpty())
            QSKIP("VELTRA_TEST_SCREENSHOTS names no folder");
        storeDemoDives();
        for (const QString language : { "en", "fr" }) {
            QTranslator translator;
            QTranslator qt;
            QLocale::setDefault(QLocale(language));
            if (language == "fr") {
                QVERIFY(translator.load(QStringLiteral("VeltraDesktop_fr"), VELTRA_QM_DIR));
                QVERIFY(qt.load(QStringLiteral("qtbase_fr"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
                QCoreApplication::installTranslator(&translator);
                QCoreApplication::installTranslator(&qt);
            }
            MainWindow* w = makeWindow();
            w->resize(1366, 740);
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w));
            w->openDiveProfileItem(diveList(w)->model()->index(1, 0));
            QVERIFY(w->grab().save(out + "/window-" + language + ".png"));
            auto* tabs = w->findChild<QTabWidget*>("tabMain");
            tabs->setCurrentIndex(1);
            QVERIFY(w->grab().save(out + "/planner-" + language + ".png"));
            tabs->setCurrentIndex(0);
            auto* filter = new FormFilter(w); // the window's, as the dialogs below
            filter->show();
            QVERIFY(filter->grab().save(out + "/filter-" + language + ".png"));
            w->showUserGuide();
            QVERIFY(w->findChild<QTextBrowser*>("guideBrowser")
                        ->window()
                        ->grab()
                        .save(out + "/guide-" + language + ".png"));
            auto* preferences = new PreferencesDialog(HiddenOptions(), w);
            preferences->show();
            QVERIFY(preferences->grab().save(out + "/preferences-" + language + ".png"));
            // A dark desktop (its colours as a dark theme sets them): the window and the planner.
            const QPalette light = QApplication::palette();
            QPalette dark(QColor(53, 53, 53));
            dark.setColor(QPalette::Base, QColor(35, 35, 35));
            dark.setColor(QPalette::AlternateBase, QColor(45, 45, 45));
            for (auto role : { QPalette::Text, QPalette::WindowText, QPalette::ButtonText }) {
                dark.setColor(role, Qt::white);
                dark.setColor(QPalette::Disabled, role, Qt::gray);
            }
            dark.setColor(QPalette::Link, QColor(100, 170, 255));
            dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
            QApplication::setPalette(dark);
            w->close();
            w = makeWindow();
            w->resize(1366, 740);
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w));
            w->openDiveProfileItem(diveList(w)->model()->index(1, 0));
            QVERIFY(w->grab().save(out + "/window-dark-" + language + ".png"));
            w->findChild<QTabWidget*>("tabMain")->setCurrentIndex(1);
            QVERIFY(w->grab().save(out + "/planner-dark-" + language + ".png"));
            QApplication::setPalette(light);
            QLocale::setDefault(QLocale::c());
            QCoreApplication::removeTranslator(&translator);
            QCoreApplication::removeTranslator(&qt);
        }
    }

    void aboutWindowGoesAway()
    {
        MainWindow* w = makeWindow();
        // A small window in the middle of the screen: the picture opens centred on it.
        const QRect screen = w->screen()->availableGeometry();
        w->setGeometry(
            QRect(QPoint(), QSize(400, 300)).translated(screen.center() - QPoint(200, 150)));
        w->show();
        const auto open = [w]() {
            w->about();
            QPointer<QWidget> about;
            for (QWidget* top : QApplication::topLevelWidgets()) {
                if (top->objectName() == QLatin1String("AboutWindow") && top->isVisible())
                    about = top;
            }
            return about;
        };
        // The version reads against the picture under it, on a light desktop (dark text) too.
        const QPalette desktop = QApplication::palette();
        QApplication::setPalette(QPalette(QColor(239, 239, 239)));
        QPointer<QWidget> about = open();
        QApplication::setPalette(desktop);
        QVERIFY(about);
        auto* version = about->findChild<QLabel*>("lbAboutVersion");
        const QColor under = QPixmap(":/TestGraphics/icons/splashscreen.png")
                                 .toImage()
                                 .pixelColor(version->geometry().center());
        QVERIFY(qAbs(version->palette().color(QPalette::WindowText).lightness() - under.lightness())
            > 100);
        const QRect place = about->geometry();
        QVERIFY(screen.contains(place));
        const QPoint off = place.center() - w->frameGeometry().center();
        // Off the window's centre only where a screen edge stops it.
        QVERIFY(std::abs(off.x()) <= 2 || place.left() == screen.left()
            || place.right() == screen.right());
        QVERIFY(std::abs(off.y()) <= 2 || place.top() == screen.top()
            || place.bottom() == screen.bottom());
        about->findChild<QPushButton*>("btAboutOk")->click();
        QTRY_VERIFY(about.isNull());
        // Escape closes it too, and each opening is a window of its own that goes away.
        about = open();
        QVERIFY(about);
        QTest::keyClick(about, Qt::Key_Escape);
        QTRY_VERIFY(about.isNull());
    }

    void dataFolder_data()
    {
        QTest::addColumn<bool>("possible");
        QTest::newRow("a fresh account: not even the parents exist") << true;
        QTest::newRow("the data folder would be under a plain file") << false;
    }

    void dataFolder()
    {
        QFETCH(bool, possible);
        const QString home = m_home->filePath(possible ? "a/b/share" : "file");
        if (!possible) {
            QFile blocker(home);
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }
        qputenv("XDG_DATA_HOME", home.toUtf8());
        BoxAnswer box;
        MainWindow* w = makeWindow();
        QCOMPARE(w->isUsable(), possible);
        QCOMPARE(QFile::exists(home + QStringLiteral("/VeltraDesktop/diveDB.db")), possible);
        if (!possible) {
            QCOMPARE(box.titles, QStringList { "Error" });
            QVERIFY(box.text().startsWith("Impossible to create the application data folder"));
        }
    }

    void logbookInUse()
    {
        // Another live program holds the logbook: its lock file names it as QLockFile writes it
        // (the process id, the name of its executable, the host).
        QProcess holder;
        holder.start(QStringLiteral("sleep"), { QStringLiteral("60") });
        QVERIFY(holder.waitForStarted());
        const QString lock = dataDir() + QStringLiteral("/diveDB.db.lock");
        const auto writeLock = [&lock](qint64 pid, const QString& executable) {
            QFile file(lock);
            return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
                && file.write(
                       QStringLiteral("%1\n%2\n%3\n")
                           .arg(pid)
                           .arg(QFileInfo(executable).fileName(), QSysInfo::machineHostName())
                           .toUtf8())
                > 0;
        };
        QVERIFY(writeLock(holder.processId(),
            QFileInfo(QStringLiteral("/proc/%1/exe").arg(holder.processId())).symLinkTarget()));
        {
            BoxAnswer box;
            MainWindow* w = makeWindow();
            QCOMPARE(box.titles, QStringList { "Logbook in use" });
            QVERIFY2(box.text().contains(QDir::toNativeSeparators(dataDir() + "/diveDB.db"))
                    && box.text().contains(QString::number(holder.processId())),
                qPrintable(box.text()));
            // The window works without the logbook, and the other program keeps its lock.
            QVERIFY(w->isUsable());
            QVERIFY(!LogbookDatabase::instance().isOpen());
            QVERIFY(QFile::exists(lock));
        }
        holder.kill();
        holder.waitForFinished();

        // A lock of this very process (a second window) is no other program.
        QVERIFY(
            writeLock(QCoreApplication::applicationPid(), QCoreApplication::applicationFilePath()));
        BoxAnswer box;
        makeWindow();
        QTest::qWait(50);
        QVERIFY(!box.seen());
        QVERIFY(LogbookDatabase::instance().isOpen());
    }

    void logbookEditsUndone()
    {
        storeThreeDives();
        MainWindow* window = makeWindow();
        auto* list = window->findChild<QTableView*>("diveList");
        QMenu* edit = window->findChild<QMenu*>("menuEdit");
        QVERIFY(edit);
        // The dives of the multi-dive file come in; one undo takes them all back out and redo
        // stores them again with their samples.
        const ImportReport report = window->importDives(
            { QStringLiteral(VELTRA_TEST_DATA "/uddf/multi_dive.uddf") }, false);
        QCOMPARE(report.count(ImportEntry::Stored), 3);
        QCOMPARE(list->model()->rowCount(), 6);
        edit->actions().at(0)->trigger();
        QCOMPARE(names(list), QStringList({ "Cove", "Blue", "Arch" })); // newest first
        edit->actions().at(1)->trigger();
        QCOMPARE(list->model()->rowCount(), 6);
        DiveProfile dive;
        QCOMPARE(report.entries.at(0).kind, ImportEntry::Stored);
        QVERIFY(db().loadDive(report.entries.at(0).diveId, dive) && !dive.samples.isEmpty());

        // A field is saved when left; undo and redo put the file and the field back.
        // What the Summary does not show (the trip) is kept.
        const int blue = 2;
        DiveTrip trip;
        trip.name = "Gozo";
        QVERIFY(db().storeTrip(trip) && db().setDivesTrip({ blue }, trip.id));
        window->openDiveProfileItem(list->model()->index(1, 0));
        auto* site = window->findChild<QLineEdit*>("edSite");
        QVERIFY(site && !site->isReadOnly());
        site->setText("Blue Hole");
        emit site->editingFinished();
        DiveDetails stored;
        QVERIFY(db().loadDetails(blue, stored));
        QCOMPARE(stored.site, QString("Blue Hole"));
        QCOMPARE(stored.trip, QString("Gozo"));
        edit->actions().at(0)->trigger();
        QVERIFY(db().loadDetails(blue, stored));
        QCOMPARE(stored.site, QString());
        QCOMPARE(site->text(), QString());
        edit->actions().at(1)->trigger();
        QVERIFY(db().loadDetails(blue, stored));
        QCOMPARE(stored.site, QString("Blue Hole"));

        // Deleted, the dive's Summary takes no edit; the undo of the delete shows it again and
        // the edits typed after it are saved.
        for (int row = 0; row < list->model()->rowCount(); ++row) {
            if (list->model()->index(row, 0).data(Qt::UserRole).toInt() == blue)
                list->selectRow(row);
        }
        {
            BoxAnswer yes({ QMessageBox::Yes });
            window->deleteSelectedDives();
            QCOMPARE(yes.text(), QString("Do you really want to delete the dive \"Blue\"?"));
        }
        QVERIFY(!db().loadDetails(blue, stored));
        QVERIFY(!site->isEnabled());
        QCOMPARE(edit->actions().at(0)->text(), QString("&Undo deletion of dive 2"));
        edit->actions().at(0)->trigger();
        QVERIFY(site->isEnabled());
        QCOMPARE(site->text(), QString("Blue Hole"));
        site->setText("Canyon");
        emit site->editingFinished();
        window->findChild<StarRating*>("sbRating")->choose(4);
        QVERIFY(db().loadDetails(blue, stored));
        QCOMPARE(std::make_pair(stored.site, stored.rating), std::make_pair(QString("Canyon"), 4));
        QCOMPARE(edit->actions().at(0)->text(), QString("&Undo rating of dive 2"));

        // Notes still being typed when the window closes are kept.
        window->findChild<QPlainTextEdit*>("edNotes")->setPlainText("Turtle at 20 m");
        window->close();
        QVERIFY(db().loadDetails(blue, stored));
        QCOMPARE(stored.notes, QString("Turtle at 20 m"));
        QCOMPARE(stored.site, QString("Canyon"));
    }

    void searchSortAndStatistics()
    {
        storeThreeDives();
        MainWindow* window = makeWindow();
        auto* list = window->findChild<QTableView*>("diveList");
        DiveDetails arch;
        arch.number = 1;
        arch.site = "Arch";
        arch.location = "Gozo";
        arch.buddies = QStringList { "Zoë" };
        QVERIFY(db().updateDetails(1, arch));
        DiveDetails cove;
        cove.number = 3;
        cove.site = "Cove";
        cove.location = "Gozo";
        QVERIFY(db().updateDetails(3, cove));

        auto* search = window->findChild<QLineEdit*>("edSearch");
        search->setText("GOZO");
        QTRY_COMPARE(names(list), QStringList({ "Cove", "Arch" }));
        // Depth, deepest first; a second click turns the order round.
        list->horizontalHeader()->sectionClicked(3);
        QCOMPARE(names(list), QStringList({ "Arch", "Cove" }));
        list->horizontalHeader()->sectionClicked(3);
        QCOMPARE(names(list), QStringList({ "Cove", "Arch" }));
        // Buddies have no order: a click there keeps the depth order (it read past the sort keys).
        list->horizontalHeader()->sectionClicked(DiveListView::BuddiesColumn);
        QCOMPARE(list->horizontalHeader()->sortIndicatorSection(), 3);
        QCOMPARE(names(list), QStringList({ "Cove", "Arch" }));
        // A click on any cell, or an arrow key, shows the dive of that row.
        auto* shown = window->findChild<QLineEdit*>("edDiveName");
        list->setCurrentIndex(list->model()->index(1, 2));
        QCOMPARE(shown->text(), QString("Arch"));
        QTest::keyClick(list, Qt::Key_Up);
        QCOMPARE(shown->text(), QString("Cove"));

        // The statistics follow the search: two dives, the deepest is Arch at 18 m.
        auto* tabs = window->findChild<QTabWidget*>("tabMain");
        tabs->setCurrentIndex(tabs->count() - 1);
        const QString totals = window->findChild<QLabel*>("lbStatisticsTotals")->text();
        QVERIFY2(totals.contains("<td>2</td>"), qPrintable(totals));
        QVERIFY2(totals.contains("dive:1\">18.0 m"), qPrintable(totals));
        // In imperial units the bars are converted: Arch's 18 m falls in the 15-20 m step,
        // labelled 15 / 0.3048 = 49.2 -> "49" ft; both dives' lowest 18 C read 18 x 1.8 + 32 =
        // 64.4 F.
        DisplayUnits::setCurrent(DisplayUnits::all(UnitSystem::Imperial));
        search->setText("gozo");
        const auto chart = [&](const QString& title) -> QChart* {
            for (QChartView* view : window->findChildren<QChartView*>()) {
                if (view->chart()->title().startsWith(title))
                    return view->chart();
            }
            return nullptr;
        };
        QTRY_VERIFY(chart("Water temperature by month (°F)"));
        const auto bars = [&](const QString& title) {
            return qobject_cast<QBarSeries*>(chart(title)->series().value(0))->barSets().value(0);
        };
        QCOMPARE(bars("Water temperature")->at(0), 64.4);
        auto* depths = qobject_cast<QBarCategoryAxis*>(
            chart("Maximum depth (ft")->axes(Qt::Horizontal).value(0));
        QCOMPARE(depths->categories().value(3), QString("49"));
        DisplayUnits::setCurrent(DisplayUnits());
        search->setText("zoe");
        QTRY_VERIFY(
            window->findChild<QLabel*>("lbStatisticsTotals")->text().contains("<td>1</td>"));
        auto* empty = window->findChild<QLabel*>("lbStatisticsEmpty");
        QVERIFY(!empty->isVisibleTo(window));
        search->setText("nowhere");
        QTRY_VERIFY(empty->isVisibleTo(window));
        QCOMPARE(empty->text(), QString("No dives yet"));
    }

private:
    MainWindow* makeWindow()
    {
        m_window.reset();
        m_window = std::make_unique<MainWindow>();
        // Files without a start date take the offered one (the file's modification time).
        FileQuestions questions;
        questions.startDate = [](const QString&, qint64 guess) { return guess; };
        m_window->setFileQuestions(questions);
        return m_window.get();
    }

    QString dataDir() const { return m_home->path() + QStringLiteral("/VeltraDesktop"); }
    void writeOptions(const QMap<QString, int>& values)
    {
        QSettings options(dataDir() + QStringLiteral("/options.ini"), QSettings::IniFormat);
        for (auto it = values.begin(); it != values.end(); ++it)
            options.setValue(QStringLiteral("hidden/") + it.key(), it.value());
    }

    LogbookDatabase& db() { return LogbookDatabase::instance(); }
    // Arch (18 m), Blue (32 m) and Cove (9 m), listed newest first without groups.
    void storeThreeDives()
    {
        QSettings(dataDir() + QStringLiteral("/settings.cfg"), QSettings::IniFormat).remove("list");
        QCOMPARE(db().openOrCreate(dataDir() + QStringLiteral("/diveDB.db")), 0);
        QCOMPARE(db().storeDive(makeDive("Arch", 1700000000, 18)), 0);
        QCOMPARE(db().storeDive(makeDive("Blue", 1700100000, 32)), 0);
        QCOMPARE(db().storeDive(makeDive("Cove", 1700200000, 9)), 0);
        db().close();
    }

    void storeDemoDives()
    {
        LogbookDatabase& logbook = LogbookDatabase::instance();
        QCOMPARE(logbook.openOrCreate(dataDir() + QStringLiteral("/diveDB.db")), 0);
        for (const DemoDives::Plan& plan : DemoDives::demoPlans())
            QCOMPARE(logbook.storeDive(DemoDives::makeDive(plan)), 0);
        logbook.close();
    }

    QTableView* diveList(MainWindow* w) { return w->findChild<QTableView*>("diveList"); }
    QString lineText(MainWindow* w, const char* name)
    {
        return w->findChild<QLineEdit*>(name)->text();
    }

    QString writeCsv(const QString& name, const Points& points)
    {
        QByteArray table = "time\tdepth\n";
        for (const auto& p : points) {
            QStringList fields(20, QStringLiteral("0"));
            fields[0] = QString::number(p.first);
            fields[1] = QString::number(p.second);
            fields[15] = QStringLiteral("19.5");
            table += fields.join(QLatin1Char('\t')).toUtf8() + '\n';
        }
        const QString path = m_home->filePath(name);
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(table) == table.size() ? path
                                                                                    : QString();
    }

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<MainWindow> m_window;
};

// A tab-separated sample table in the 20-column form the CSV reader takes.

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
