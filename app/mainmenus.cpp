// The window's keys and the menus the form does not hold: Computer, and Help's guide and
// shortcuts; the dive computer's wiring (download, owner name, firmware).
#include "app/computerlink.h"
#include "app/helpwindow.h"
#include "app/logbookactions.h"
#include "app/mainwindow.h"
#include "computer/computeractions.h"
#include "computer/firmwaremgt.h"
#include "link/tarskble.h"
#include "ui_mainwindow.h"
#include "views/logbookcommands.h"
#include "views/multifielddialog.h"

#include <QDir>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QShortcut>
#include <QUndoStack>

void MainWindow::createMenusAndKeys()
{
    m_ui->actionOpen->setShortcut(QKeySequence::Open);
    m_ui->actionQuit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    auto* remove
        = new QShortcut(QKeySequence::Delete, m_ui->diveList, nullptr, nullptr, Qt::WidgetShortcut);
    connect(remove, &QShortcut::activated, this, &MainWindow::deleteSelectedDives);

    // The computer's actions, as on the picture's menus, for those who look in the menu bar.
    auto* computer = new QMenu(tr("&Computer"), this);
    computer->setObjectName(QStringLiteral("menuComputer"));
    menuBar()->insertMenu(m_ui->menuHelp->menuAction(), computer);
    computer->addAction(m_downloadAction);
    computer->addAction(m_programNameAction);
    computer->addAction(
        tr("Install firmware..."), this, [this] { FirmwareMgt::openManager(this, m_appDataDir); });
    computer->addSeparator();
    QAction* close = computer->addAction(
        tr("Close connection"), this, [this] { m_computer->closeConnection(); });
    QAction* reset
        = computer->addAction(tr("Reset computer"), this, [this] { m_computer->resetComputer(); });
    connect(computer, &QMenu::aboutToShow, this, [close, reset] {
        const bool connected = bleLink && bleLink->isConnected();
        close->setEnabled(connected);
        reset->setEnabled(connected);
    });

    QAction* guide = new QAction(tr("User guide"), this);
    guide->setShortcut(QKeySequence::HelpContents);
    connect(guide, &QAction::triggered, this, &MainWindow::showUserGuide);
    QAction* keys = new QAction(tr("Keyboard shortcuts"), this);
    connect(keys, &QAction::triggered, this, &MainWindow::showShortcuts);
    m_ui->menuHelp->insertActions(m_ui->actionAbout, { guide, keys });
    m_ui->menuHelp->insertSeparator(m_ui->actionAbout);
}

void MainWindow::showUserGuide()
{
    auto* help = findChild<HelpWindow*>();
    if (!help)
        help = new HelpWindow(this);
    help->show();
    help->raise();
    help->activateWindow();
}

void MainWindow::showShortcuts()
{
    const std::pair<QKeySequence, QString> keys[] = {
        { QKeySequence::Open, tr("Open a dive file") },
        { QKeySequence(Qt::Key_Return), tr("Show the dive selected in the list") },
        { QKeySequence::Delete, tr("Delete the dives selected in the list") },
        { QKeySequence(Qt::CTRL | Qt::Key_Z), tr("Undo") },
        { QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), tr("Redo") },
        { QKeySequence::HelpContents, tr("User guide") },
        { QKeySequence(Qt::CTRL | Qt::Key_Q), tr("Quit") },
    };
    QString rows;
    for (const auto& [key, what] : keys)
        rows += QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>")
                    .arg(key.toString(QKeySequence::NativeText).toHtmlEscaped(),
                        what.toHtmlEscaped());
    const QString graph = tr("On the graph: the wheel zooms in time, Control + wheel in depth, the "
                             "middle button drags, Shift + left button selects a time range.");
    QMessageBox box(QMessageBox::NoIcon, tr("Keyboard shortcuts"),
        QStringLiteral("<table cellspacing=\"6\">%1</table><p>%2</p>")
            .arg(rows, graph.toHtmlEscaped()),
        QMessageBox::Close, this);
    box.setObjectName(QStringLiteral("shortcutsBox"));
    box.button(QMessageBox::Close)->setText(tr("Close"));
    box.exec();
}

void MainWindow::createComputerActions()
{
    // The computer's menu on its picture; the actions live in computer/.
    m_ui->imgVeltra->setContextMenuPolicy(Qt::CustomContextMenu);
    m_deviceMenu = new QMenu(this);
    m_deviceMenu->setToolTipsVisible(true);
    m_downloadAction = m_deviceMenu->addAction(tr("Download dives"));
    m_programNameAction = m_deviceMenu->addAction(tr("Program name"));
    m_ui->btImportVeltra->setMenu(m_deviceMenu);
    ComputerActions::Hooks hooks;
    hooks.console = [this](const QString& line) { logToConsole(line); };
    hooks.downloadStored = [this](const DiveProfile& dive, int diveId) {
        pushLogbookCommand(*m_undoStack, new ImportDiveCommand(dive, diveId));
    };
    hooks.askOwner = [](QWidget*, const QString& current) -> std::optional<QString> {
        MultiFieldDialog dialog(tr("Set owner"));
        dialog.addTextField(tr("Owner name"), current);
        if (dialog.run() != QDialog::Accepted)
            return std::nullopt;
        return dialog.value(tr("Owner name")).toString();
    };
    // The simulation tab follows the link's disconnection itself.
    hooks.disconnected = [] {};
    hooks.openFirmwareManager = [this] { FirmwareMgt::openManager(this, m_appDataDir); };
    // The program, not the link, chooses what the link runs over.
    const bool demo
        = demoComputerRequested(QDir(m_appDataDir).filePath(QStringLiteral("options.ini")));
    hooks.makeLink = [demo](QObject* parent, TarskBle::LogCallback log) {
        return makeComputerLink(parent, std::move(log), demo);
    };
    hooks.extendMenu = [](QMenu& menu) { addDemoComputerActions(menu, bleLink); };
    hooks.linkLogPath = QDir(m_appDataDir).filePath(QStringLiteral("link.log"));
    m_computer = new ComputerActions(this, m_ui->imgVeltra, hooks);
    m_ui->menuHelp->addAction(tr("Save link log..."), m_computer, &ComputerActions::saveLinkLog);
    // Dives downloaded together within days of each other are offered as a trip.
    connect(m_computer, &ComputerActions::divesStored, this, [this] {
        const QList<int> ids = std::exchange(m_downloadedIds, {});
        m_logbookActions->offerTrips(ids);
    });
    connect(m_downloadAction, &QAction::triggered, this, &MainWindow::onDownloadDives);
    connect(m_programNameAction, &QAction::triggered, this, &MainWindow::onProgramName);
}

int MainWindow::connectTarskBle()
{
    return m_computer->connectTarskBle();
}

void MainWindow::onDownloadDives()
{
    m_computer->onDownloadDives();
}

void MainWindow::onProgramName()
{
    m_computer->onProgramName();
}
