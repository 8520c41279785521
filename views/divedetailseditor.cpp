#include "views/divedetailseditor.h"

#include "views/listcompleter.h"
#include "views/starrating.h"

#include <QCompleter>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QStringListModel>

#include <limits>

namespace {

QStringList splitList(const QString& text)
{
    return splitTypedList(text);
}

} // namespace

DiveDetailsEditor::DiveDetailsEditor(
    QGridLayout* grid, int column, QLineEdit* place, QLineEdit* site, QWidget* parent)
    : QObject(parent)
    , m_place(place)
    , m_site(site)
{
    m_number = new QSpinBox(parent);
    m_number->setObjectName(QStringLiteral("sbDiveNumber"));
    m_number->setRange(0, std::numeric_limits<int>::max());
    m_number->setSpecialValueText(tr("none"));
    m_buddies = new QLineEdit(parent);
    m_buddies->setObjectName(QStringLiteral("edBuddies"));
    m_buddies->setPlaceholderText(tr("Names separated by commas"));
    m_tags = new QLineEdit(parent);
    m_tags->setObjectName(QStringLiteral("edTags"));
    m_tags->setPlaceholderText(tr("Words separated by commas"));
    m_rating = new StarRating(parent);
    m_rating->setObjectName(QStringLiteral("sbRating"));
    m_notes = new QPlainTextEdit(parent);
    m_notes->setObjectName(QStringLiteral("edNotes"));
    m_notes->setTabChangesFocus(true);
    m_notes->setMinimumHeight(40);

    layOut(grid, column, parent);

    for (QLineEdit* edit : { m_place, m_site, m_buddies, m_tags }) {
        edit->setReadOnly(false);
        connect(edit, &QLineEdit::editingFinished, this, &DiveDetailsEditor::commit);
    }
    m_place->setPlaceholderText(tr("Region or place"));
    connect(m_number, &QSpinBox::editingFinished, this, &DiveDetailsEditor::commit);
    // A star picked is saved at once.
    connect(m_rating, &StarRating::valueChanged, this, &DiveDetailsEditor::commit);
    m_notes->installEventFilter(this);
}

void DiveDetailsEditor::layOut(QGridLayout* grid, int column, QWidget* parent)
{
    // The site and place fields leave their rows (with their labels) for full rows of their
    // own beside the dive's numbers.
    QWidget* placeLabel = nullptr;
    QWidget* siteLabel = nullptr;
    for (auto [field, label] :
        { std::pair { m_place, &placeLabel }, std::pair { m_site, &siteLabel } }) {
        int row = 0;
        int col = 0;
        int rows = 0;
        int cols = 0;
        grid->getItemPosition(grid->indexOf(field), &row, &col, &rows, &cols);
        if (QLayoutItem* item = grid->itemAtPosition(row, col - 1))
            *label = item->widget();
        grid->removeWidget(field);
        if (*label)
            grid->removeWidget(*label);
    }
    const QList<std::pair<QWidget*, QWidget*>> rows = { { siteLabel, m_site },
        { placeLabel, m_place }, { new QLabel(tr("Buddies"), parent), m_buddies },
        { new QLabel(tr("Tags"), parent), m_tags },
        { new QLabel(tr("Rating"), parent), m_rating } };
    int row = 0;
    for (const auto& [label, field] : rows) {
        if (label)
            grid->addWidget(label, row, column);
        grid->addWidget(field, row++, column + 1);
    }
    grid->addWidget(new QLabel(tr("Notes"), parent), row, column, Qt::AlignTop);
    grid->addWidget(m_notes, row, column + 1, 7 - row, 1);
    // The number goes under the depths, where the place was.
    grid->addWidget(new QLabel(tr("Number"), parent), 5, 0);
    grid->addWidget(m_number, 5, 1);
}

bool DiveDetailsEditor::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_notes && event->type() == QEvent::FocusOut)
        commit();
    return QObject::eventFilter(watched, event);
}

void DiveDetailsEditor::setDetails(const DiveDetails& details)
{
    m_filling = true;
    m_shown = details;
    m_place->setText(details.location);
    m_site->setText(details.site);
    m_number->setValue(details.number);
    m_buddies->setText(details.buddies.join(QStringLiteral(", ")));
    m_tags->setText(details.tags.join(QStringLiteral(", ")));
    m_rating->setValue(details.rating);
    m_notes->setPlainText(details.notes);
    for (QLineEdit* edit : { m_place, m_site, m_buddies, m_tags })
        edit->setCursorPosition(0);
    m_filling = false;
}

DiveDetails DiveDetailsEditor::details() const
{
    // What the Summary does not show (country, position, trip) stays as it was; a new place
    // takes the country and position of the site of that name.
    DiveDetails d = m_shown;
    d.location = m_place->text();
    d.site = m_site->text();
    if (d.site != m_shown.site || d.location != m_shown.location) {
        d.country.clear();
        d.position.reset();
    }
    d.number = m_number->value();
    // A list shown unchanged keeps its exact names (a name may hold a comma).
    d.buddies = m_buddies->text() == m_shown.buddies.join(QStringLiteral(", "))
        ? m_shown.buddies
        : splitList(m_buddies->text());
    d.tags = m_tags->text() == m_shown.tags.join(QStringLiteral(", ")) ? m_shown.tags
                                                                       : splitList(m_tags->text());
    d.rating = m_rating->value();
    d.notes = m_notes->toPlainText();
    return d;
}

void DiveDetailsEditor::commit()
{
    if (m_filling)
        return;
    const DiveDetails now = details();
    if (now == m_shown)
        return;
    const DiveDetails before = m_shown;
    m_shown = now;
    emit edited(before, now);
}

void DiveDetailsEditor::setCompletions(
    const QStringList& sites, const QStringList& buddies, const QStringList& tags)
{
    // The completers stay; only their lists change.
    if (!m_site->completer()) {
        m_site->setCompleter(new QCompleter(m_site));
        m_site->completer()->setCaseSensitivity(Qt::CaseInsensitive);
        installListCompleter(m_buddies, {});
        installListCompleter(m_tags, {});
    }
    const std::pair<QLineEdit*, const QStringList*> fields[]
        = { { m_site, &sites }, { m_buddies, &buddies }, { m_tags, &tags } };
    for (const auto& [edit, names] : fields) {
        auto* model = qobject_cast<QStringListModel*>(edit->completer()->model());
        if (!model) {
            model = new QStringListModel(edit->completer());
            edit->completer()->setModel(model);
        }
        model->setStringList(*names);
    }
}

void DiveDetailsEditor::setEnabled(bool enabled)
{
    for (QWidget* w : std::initializer_list<QWidget*> {
             m_place, m_site, m_number, m_buddies, m_tags, m_rating, m_notes })
        w->setEnabled(enabled);
}
