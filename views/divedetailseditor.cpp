#include "views/divedetailseditor.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSpinBox>

#include <limits>

namespace {

// Lists are typed separated by commas (or semicolons); blanks around names go.
QStringList splitList(const QString& text)
{
    QStringList list;
    for (const QString& part : text.split(QRegularExpression(QStringLiteral("[,;]")))) {
        const QString name = part.trimmed();
        if (!name.isEmpty())
            list << name;
    }
    return list;
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
    m_rating = new QSpinBox(parent);
    m_rating->setObjectName(QStringLiteral("sbRating"));
    m_rating->setRange(0, 5);
    m_rating->setSuffix(tr(" / 5"));
    m_notes = new QPlainTextEdit(parent);
    m_notes->setObjectName(QStringLiteral("edNotes"));
    m_notes->setTabChangesFocus(true);
    m_notes->setMinimumHeight(40);

    const QList<std::pair<QString, QWidget*>> rows = { { tr("Number"), m_number },
        { tr("Buddies"), m_buddies }, { tr("Tags"), m_tags }, { tr("Rating"), m_rating } };
    int row = 0;
    for (const auto& [label, field] : rows) {
        grid->addWidget(new QLabel(label, parent), row, column);
        grid->addWidget(field, row++, column + 1);
    }
    grid->addWidget(new QLabel(tr("Notes"), parent), row, column, Qt::AlignTop);
    grid->addWidget(m_notes, row, column + 1, 7 - row, 1);

    for (QLineEdit* edit : { m_place, m_site, m_buddies, m_tags }) {
        edit->setReadOnly(false);
        connect(edit, &QLineEdit::editingFinished, this, &DiveDetailsEditor::commit);
    }
    m_place->setPlaceholderText(tr("Country or region"));
    for (QSpinBox* box : { m_number, m_rating })
        connect(box, &QSpinBox::editingFinished, this, &DiveDetailsEditor::commit);
    // Stars are picked with the arrows: save each step at once.
    connect(m_rating, &QSpinBox::valueChanged, this, &DiveDetailsEditor::commit);
    m_notes->installEventFilter(this);
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

void DiveDetailsEditor::setEnabled(bool enabled)
{
    for (QWidget* w : std::initializer_list<QWidget*> {
             m_place, m_site, m_number, m_buddies, m_tags, m_rating, m_notes })
        w->setEnabled(enabled);
}
