#include "views/sitesview.h"

#include "logbook/diveplaces.h"
#include "logbook/logbookdatabase.h"
#include "logbook/sitesgeojson.h"
#include "views/placecommands.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QUndoStack>
#include <QVBoxLayout>

namespace {

enum Column { Name, Location, Country, Latitude, Longitude, Dives, Count };

QString degrees(const std::optional<GeoPosition>& position, bool latitude)
{
    if (!position)
        return QString();
    return QString::number(latitude ? position->latitude : position->longitude, 'f', 6);
}

} // namespace

SitesView::SitesView(QUndoStack& stack, QWidget* parent)
    : QDialog(parent)
    , m_stack(stack)
{
    setWindowTitle(tr("Dive sites"));
    resize(760, 420);
    auto* layout = new QVBoxLayout(this);
    m_table = new QTableWidget(0, Count, this);
    m_table->setObjectName(QStringLiteral("tblSites"));
    m_table->setHorizontalHeaderLabels({ tr("Site"), tr("Location"), tr("Country"), tr("Latitude"),
        tr("Longitude"), tr("Dives") });
    m_table->horizontalHeader()->setSectionResizeMode(Name, QHeaderView::Stretch);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    layout->addWidget(m_table);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* merge = buttons->addButton(tr("Merge selected"), QDialogButtonBox::ActionRole);
    QPushButton* geo = buttons->addButton(tr("Export GeoJSON..."), QDialogButtonBox::ActionRole);
    connect(merge, &QPushButton::clicked, this, &SitesView::mergeSelected);
    connect(geo, &QPushButton::clicked, this, &SitesView::exportGeoJson);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    connect(m_table, &QTableWidget::cellChanged, this, &SitesView::cellEdited);
    connect(&m_stack, &QUndoStack::indexChanged, this, &SitesView::refresh);
    refresh();
}

void SitesView::refresh()
{
    QList<DiveSite> sites;
    LogbookDatabase::instance().listSites(sites);
    m_filling = true;
    m_table->setRowCount(int(sites.size()));
    for (int row = 0; row < sites.size(); ++row) {
        const DiveSite& s = sites.at(row);
        const QString cells[] = { s.name, s.location, s.country, degrees(s.position, true),
            degrees(s.position, false), QString::number(s.dives) };
        for (int column = 0; column < Count; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            item->setData(Qt::UserRole, s.id);
            if (column == Dives)
                item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            m_table->setItem(row, column, item);
        }
    }
    m_filling = false;
}

void SitesView::cellEdited(int row, int column)
{
    if (m_filling)
        return;
    const int id = m_table->item(row, column)->data(Qt::UserRole).toInt();
    DiveSite before;
    if (!LogbookDatabase::instance().loadSite(id, before))
        return;
    DiveSite after = before;
    const QString text = m_table->item(row, column)->text().trimmed();
    const QString latitude = column == Latitude ? text : m_table->item(row, Latitude)->text();
    const QString longitude = column == Longitude ? text : m_table->item(row, Longitude)->text();
    QString problem;
    if (column == Name)
        after.name = text;
    else if (column == Location)
        after.location = text;
    else if (column == Country)
        after.country = text;
    else if (latitude.isEmpty() && longitude.isEmpty())
        after.position.reset();
    else if (!latitude.isEmpty() && !longitude.isEmpty()) {
        after.position = parsePosition(latitude + QLatin1Char(',') + longitude);
        if (!after.position)
            problem = tr("A position is a latitude from -90 to 90 and a longitude from -180 to "
                         "180 degrees.");
    } else {
        return; // the other half of the position is still to come
    }
    if (problem.isEmpty() && !after.sameFields(before))
        problem = pushLogbookCommand(m_stack, new StoreSiteCommand(before, after));
    if (!problem.isEmpty()) {
        QMessageBox::warning(this, windowTitle(), problem);
        refresh();
    }
}

void SitesView::mergeSelected()
{
    QList<int> ids;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows())
        ids << m_table->item(index.row(), Name)->data(Qt::UserRole).toInt();
    if (ids.size() != 2) {
        QMessageBox::information(
            this, windowTitle(), tr("Select the two sites to merge: the first one is kept."));
        return;
    }
    const QString problem = pushLogbookCommand(m_stack, new MergeSitesCommand(ids[0], ids[1]));
    if (!problem.isEmpty())
        QMessageBox::warning(this, windowTitle(), problem);
}

void SitesView::exportGeoJson()
{
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Export sites"), QStringLiteral("sites.geojson"), tr("GeoJSON (*.geojson)"));
    if (path.isEmpty())
        return;
    QList<DiveSite> sites;
    QString error;
    if (!LogbookDatabase::instance().listSites(sites) || !writeSitesGeoJson(path, sites, &error))
        QMessageBox::critical(
            this, windowTitle(), error.isEmpty() ? LogbookDatabase::instance().lastError() : error);
}
