// The dive list's wiring: search, order, grouping, its menus and what they do to the logbook,
// the filter and the Statistics tab that counts what the list shows.
#include "app/logbookactions.h"
#include "app/mainwindow.h"
#include "dive/formattime.h"
#include "logbook/divecounts.h"
#include "plannerui/planificationtab.h"
#include "ui_mainwindow.h"
#include "views/divelistcolumns.h"
#include "views/divelistview.h"
#include "views/formfilter.h"
#include "views/logbookcommands.h"
#include "views/multifielddialog.h"
#include "views/statisticspage.h"
#include "views/statisticsview.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>
#include <QShortcut>
#include <QTimer>
#include <QUndoStack>

void MainWindow::createLogbookFeatures()
{
    if (m_settings)
        m_order = DiveListOrder::load(*m_settings);
    createSearchBox();
    createListHeader();
    createEditMenu();
    connect(m_undoStack, &QUndoStack::indexChanged, this, &MainWindow::logbookChanged);
    createSummaryFeatures();
    createStatisticsTab();
}

void MainWindow::createSearchBox()
{
    // The search box above the list; it narrows what the filter keeps.
    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("edSearch"));
    m_search->setPlaceholderText(tr("Search dives"));
    m_search->setClearButtonEnabled(true);
    m_ui->verticalLayout_4->insertWidget(0, m_search);
    m_searchTimer = new QTimer(this);
    m_searchTimer->setSingleShot(true);
    m_searchTimer->setInterval(150);
    connect(m_search, &QLineEdit::textChanged, m_searchTimer, qOverload<>(&QTimer::start));
    connect(m_searchTimer, &QTimer::timeout, this, [this] {
        m_filter.search = m_search->text();
        fillDiveList();
    });
}

void MainWindow::createListHeader()
{
    QTableView* list = m_ui->diveList;
    // A click or the arrow keys show the dive: the shown dive is the current row.
    // The list's model first: its selection model carries the current row.
    DiveListView::model(*list);
    connect(list->selectionModel(), &QItemSelectionModel::currentChanged, this,
        [this](const QModelIndex& index) {
            const int id = DiveListView::diveIdOf(*m_ui->diveList, index);
            if (id >= 0 && id != m_shownDiveId)
                openDiveProfileItem(index);
        });
    connect(list, &QWidget::customContextMenuRequested, this, &MainWindow::onDiveListContextMenu);
    connect(list, &QAbstractItemView::clicked, this,
        [this](const QModelIndex& index) { DiveListView::toggleGroup(*m_ui->diveList, index); });
    QHeaderView* header = list->horizontalHeader();
    // The dive number reads first; the name keeps the first model column, which carries the id.
    header->moveSection(DiveListView::NumberColumn, 0);
    list->setColumnWidth(DiveListView::NumberColumn, 48);
    DiveListColumns::install(*list, m_settings, [this] { fillDiveList(); });
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(
        m_order.column, m_order.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    connect(header, &QHeaderView::sectionClicked, this, &MainWindow::sortByColumn);
    for (const int key : { int(Qt::Key_Return), int(Qt::Key_Enter) }) {
        auto* open = new QShortcut(QKeySequence(key), list, nullptr, nullptr, Qt::WidgetShortcut);
        connect(open, &QShortcut::activated, this,
            [this] { openDiveProfileItem(m_ui->diveList->currentIndex()); });
    }
}

void MainWindow::arrangeDiveList()
{
    m_ui->splitVert->setStretchFactor(1, 1);
    m_ui->splitVert->setSizes({ 400, 1000 });
    QTableView* list = m_ui->diveList;
    // The last column takes what is left of the pane, down to 40 pixels.
    list->horizontalHeader()->setMinimumSectionSize(40);
    list->horizontalHeader()->setStretchLastSection(false);
    list->horizontalHeader()->setSectionResizeMode(DiveListView::SiteColumn, QHeaderView::Stretch);
    list->setColumnWidth(0, 100);
    // The date column is 120 pixels unless the font needs more for a whole date and time.
    QFont bold = list->font();
    bold.setBold(true);
    list->setColumnWidth(1,
        std::max(120,
            QFontMetrics(bold).horizontalAdvance(
                diveStartText(QDateTime(QDate(2026, 12, 28), QTime(23, 59))))
                + 12));
    list->setColumnWidth(2, 70);
    list->setWordWrap(false);
    list->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
}

void MainWindow::createEditMenu()
{
    auto* edit = new QMenu(tr("&Edit"), this);
    edit->setObjectName(QStringLiteral("menuEdit"));
    menuBar()->insertMenu(m_ui->menuHelp->menuAction(), edit);
    QAction* undo = m_undoStack->createUndoAction(edit, tr("&Undo"));
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    QAction* redo = m_undoStack->createRedoAction(edit, tr("&Redo"));
    redo->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    edit->addAction(undo);
    edit->addAction(redo);
    edit->addSeparator();
    edit->addAction(tr("Renumber dives by date"), this, &MainWindow::renumberDives);
    m_logbookActions = new LogbookActions(this, m_undoStack, m_ui->menuFile,
        m_ui->actionPreferences, [this] { return DiveListView::selectedDiveIds(*m_ui->diveList); });
    connect(m_logbookActions, &LogbookActions::diveAdded, this, [this](int id) {
        const QModelIndex index = DiveListView::indexOfDive(*m_ui->diveList, id);
        if (index.isValid())
            m_ui->diveList->setCurrentIndex(index);
    });
    QAction* grouped = edit->addAction(tr("Group dives by computer"));
    grouped->setCheckable(true);
    grouped->setChecked(m_order.groupedByComputer);
    connect(grouped, &QAction::toggled, this, &MainWindow::setGroupedByComputer);
    QAction* byTrip = edit->addAction(tr("Group dives by trip"));
    byTrip->setCheckable(true);
    byTrip->setChecked(m_order.groupedByTrip);
    // One grouping at a time.
    connect(byTrip, &QAction::toggled, this, [this, grouped](bool on) {
        m_order.groupedByTrip = on;
        saveListOrder();
        if (on && grouped->isChecked())
            grouped->setChecked(false);
        else
            fillDiveList();
    });
    connect(grouped, &QAction::toggled, byTrip, [byTrip](bool on) {
        if (on)
            byTrip->setChecked(false);
    });
}

void MainWindow::createStatisticsTab()
{
    m_statisticsPage = new StatisticsPage(this);
    m_statistics = m_statisticsPage->overview();
    m_ui->tabMain->addTab(m_statisticsPage, tr("Statistics"));
    connect(m_ui->tabMain, &QTabWidget::currentChanged, this, [this] {
        if (m_ui->tabMain->currentWidget() == m_statisticsPage && m_statisticsStale)
            showStatistics();
    });
    connect(m_statistics, &StatisticsView::openDive, this, [this](int id) {
        const QModelIndex index = DiveListView::indexOfDive(*m_ui->diveList, id);
        if (index.isValid()) {
            m_ui->tabMain->setCurrentIndex(0);
            m_ui->diveList->setCurrentIndex(index);
            openDiveProfileItem(index);
        }
    });
}

void MainWindow::showStatistics()
{
    m_statistics->setStatistics(computeStatistics(m_listed));
    m_statisticsPage->setCounts(computeDiveCounts(m_listed), int(m_listed.size()));
    m_statisticsStale = false;
}

void MainWindow::sortByColumn(int column)
{
    if (!m_order.click(column))
        return;
    m_ui->diveList->horizontalHeader()->setSortIndicator(
        m_order.column, m_order.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    saveListOrder();
    fillDiveList();
}

void MainWindow::setGroupedByComputer(bool grouped)
{
    m_order.groupedByComputer = grouped;
    saveListOrder();
    fillDiveList();
}

void MainWindow::saveListOrder()
{
    if (m_settings)
        m_order.save(*m_settings);
}

void MainWindow::renumberDives()
{
    if (QMessageBox::question(this, tr("Renumber dives"),
            tr("Number every dive 1, 2, 3... in date order?"), QMessageBox::Yes | QMessageBox::No)
        != QMessageBox::Yes)
        return;
    const QString failed = pushLogbookCommand(*m_undoStack, new RenumberDivesCommand());
    if (!failed.isEmpty())
        QMessageBox::critical(this, tr("Database Error"), failed);
}

void MainWindow::fillDiveList()
{
    QList<DiveListEntry> entries;
    int computers = 0;
    if (!LogbookDatabase::instance().listDives(m_filter, entries, computers)) {
        entries.clear();
        computers = 0;
    }
    m_order.arrange(entries);
    const bool narrowed = m_filter.isActive() || !m_filter.search.trimmed().isEmpty();
    const QString empty = narrowed
        ? tr("No dive matches: clear the search box or the filter to see every dive.")
        : tr("No dives yet: download them from your computer, import dive files or use Log > Add "
             "dive.");
    if (m_order.byTrip()) {
        DiveListView::fillByTrip(*m_ui->diveList, *m_ui->lbFilter, entries, empty);
    } else {
        DiveListView::fill(
            *m_ui->diveList, *m_ui->lbFilter, entries, computers, m_order.groupedByComputer, empty);
    }
    m_listed = std::move(entries);
    m_statisticsStale = true;
    if (m_statistics && m_ui->tabMain->currentWidget() == m_statisticsPage)
        showStatistics();
    if (m_shownDiveId >= 0)
        highlightDiveRow(DiveListView::indexOfDive(*m_ui->diveList, m_shownDiveId));
}

void MainWindow::highlightDiveRow(const QModelIndex& index)
{
    DiveListView::highlight(*m_ui->diveList, index);
}

QMenu* MainWindow::createDiveListMenu(const QModelIndex& item)
{
    // Kept as a persistent index: a refill while the menu is open turns it invalid rather than
    // pointing at another dive.
    const QPersistentModelIndex kept(item);
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setToolTipsVisible(true);
    menu->addAction(tr("Open"), this, [this, kept]() { openDiveProfileItem(kept); });
    menu->addAction(tr("Delete"), this, &MainWindow::deleteSelectedDives);
    menu->addSeparator();
    menu->addAction(tr("Rename"), this, [this, kept]() { renameDive(kept); });
    menu->addAction(tr("Export"), this, [this, kept]() { exportFromList(kept); });
    QMenu* separator = menu->addMenu(tr("csv separator"));
    QAction* dot = separator->addAction(tr("Dot ."), this, [this]() { setCsvSeparator(false); });
    dot->setCheckable(true);
    dot->setChecked(!m_csvComma);
    QAction* comma = separator->addAction(tr("Comma ,"), this, [this]() { setCsvSeparator(true); });
    comma->setCheckable(true);
    comma->setChecked(m_csvComma);
    menu->addSeparator();
    menu->addAction(tr("Add to the plan"), this, [this, kept]() { planStoredDive(kept, false); });
    if (m_planTab->hasCurrentDive())
        menu->addAction(tr("Replace the current dive of the plan"), this,
            [this, kept]() { planStoredDive(kept, true); });
    return menu;
}

void MainWindow::onDiveListContextMenu(const QPoint& pos)
{
    const QModelIndex item = m_ui->diveList->indexAt(pos).siblingAtColumn(0);
    if (!item.isValid())
        return;
    QMenu* menu = createDiveListMenu(item);
    menu->popup(m_ui->diveList->viewport()->mapToGlobal(pos));
}

void MainWindow::planStoredDive(const QModelIndex& item, bool replace)
{
    const int diveId = DiveListView::diveIdOf(*m_ui->diveList, item);
    DiveProfile dive;
    if (diveId < 0 || !LogbookDatabase::instance().loadDive(diveId, dive)) {
        QMessageBox::critical(this, tr("Database Error"), tr("Impossible to read profile"));
        return;
    }
    const bool done
        = replace ? m_planTab->replaceCurrentProfile(dive) : m_planTab->addDiveProfile(dive);
    if (done)
        m_ui->tabMain->setCurrentWidget(m_ui->tab_7);
}

void MainWindow::deleteSelectedDives()
{
    QTableView* list = m_ui->diveList;
    const QList<int> ids = DiveListView::selectedDiveIds(*list);
    if (ids.isEmpty())
        return;
    QStringList labels;
    for (int id : ids)
        labels << DiveListView::indexOfDive(*list, id).data().toString();
    const QString question = ids.size() == 1
        ? tr("Do you really want to delete the dive \"%1\"?").arg(labels.constFirst())
        : tr("Do you really want to delete these %1 dives?").arg(ids.size());
    if (QMessageBox::question(this, tr("Delete dive"), question, QMessageBox::Yes | QMessageBox::No)
        != QMessageBox::Yes)
        return;
    // Undoable: the dives stay in memory for the session.
    const QString failed = pushLogbookCommand(*m_undoStack, new DeleteDivesCommand(ids, labels));
    list->clearSelection();
    if (!failed.isEmpty()) {
        QMessageBox::critical(this, tr("Database Error"),
            tr("Impossible to delete profile(") + failed + QLatin1Char(')'));
    }
}

void MainWindow::renameDive(const QModelIndex& item)
{
    const int id = DiveListView::diveIdOf(*m_ui->diveList, item);
    if (id < 0)
        return;
    const QString old = item.siblingAtColumn(0).data().toString();
    MultiFieldDialog dialog(tr("Rename"));
    dialog.addTextField(tr("Name"), old);
    if (dialog.run() != QDialog::Accepted)
        return;
    const QString name = dialog.value(tr("Name")).toString();
    if (name == old || name.trimmed().isEmpty()) {
        QMessageBox::critical(this, tr("Error"), tr("Invalid name"));
        return;
    }
    // The push refreshes the list and the shown dive: item is gone after it.
    if (!pushLogbookCommand(*m_undoStack, new RenameDiveCommand(id, old, name)).isEmpty())
        QMessageBox::critical(this, tr("Error"), tr("Name already exists"));
}

void MainWindow::setFilter()
{
    if (!m_formFilter)
        m_formFilter = new FormFilter(this);
    m_formFilter->setFilter(m_filter, LogbookDatabase::instance().listComputers());
    if (m_formFilter->exec() != QDialog::Accepted)
        return;
    m_formFilter->readInto(m_filter);
    fillDiveList();
    showFilterState();
}

void MainWindow::showFilterState()
{
    const bool active = m_filter.isActive();
    m_ui->btFilter->setText(active ? tr("Filter (on)") : tr("Filter"));
    QFont font = m_ui->btFilter->font();
    font.setBold(active);
    m_ui->btFilter->setFont(font);
    m_ui->btFilter->setToolTip(active ? tr("Some dives are hidden by the filter") : QString());
}
