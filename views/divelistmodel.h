#pragma once

#include "logbook/logbookdatabase.h"
#include "logbook/logbookstats.h"

#include <QAbstractTableModel>
#include <QList>

#include <functional>

// The rows of the dive list: one per dive, in the order given, and optionally a header row
// over each group of dives. A cell formats its text only when the view asks for it, so a
// logbook of 50,000 dives costs the few rows on screen rather than a string per cell.
// Rows carry the dive id in Qt::UserRole; header rows carry -1.
class DiveListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // Whether two neighbouring dives go under one header, and the text of that header.
    struct Grouping
    {
        std::function<bool(const DiveListEntry&, const DiveListEntry&)> same;
        std::function<QString(const DiveListEntry&, int count)> title;
    };

    explicit DiveListModel(QObject* parent = nullptr);

    // Replaces every row; without a grouping there are no header rows.
    void setEntries(QList<DiveListEntry> entries, const Grouping* grouping);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // -1 for a header row or a row out of range.
    int diveIdAt(int row) const;
    bool isHeader(int row) const;
    // The row of that dive, or -1.
    int rowOfDive(int diveId) const;
    QList<int> headerRows() const;

    // The dive drawn bold in the link colour of the view's palette (the model's parent), read
    // when drawn so that it follows a change of palette; -1 for none.
    void setMarked(int diveId);

private:
    QVariant diveData(const DiveListEntry& e, int column, int role) const;
    QVariant headerRowData(int group, int column, int role) const;

    QList<DiveListEntry> m_entries;
    // An entry's index, or -1 - g for the header of group g.
    QList<int> m_rows;
    QStringList m_groupTitles;
    int m_markedId = -1;
    // The zone is read once per fill: a conversion to local time per row reads it every time.
    LocalClock m_clock;
};
