#pragma once

#include <QDialog>
#include <QStringList>

#include <memory>

struct DiveFilter;
namespace Ui {
class FormFilterClass;
}

// The dive list's filter dialog: by computer name and by date and time of day.
class FormFilter : public QDialog
{
    Q_OBJECT
public:
    explicit FormFilter(QWidget* parent);
    ~FormFilter() override;

    // Shows the filter's values; one checkable row per computer name of the logbook.
    void setFilter(const DiveFilter& filter, const QStringList& computers);
    // Writes the dialog's choices into the filter. Values of a switched-off
    // restriction are left as they were, so they come back when it is switched on.
    void readInto(DiveFilter& filter) const;

private:
    void checkAll(bool checked);

    std::unique_ptr<Ui::FormFilterClass> m_ui;
};
