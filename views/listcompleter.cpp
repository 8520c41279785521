#include "views/listcompleter.h"

#include <QCompleter>
#include <QLineEdit>
#include <QRegularExpression>
#include <QStringListModel>

namespace {

// A completer that looks at the text after the last separator only.
class ListCompleter : public QCompleter
{
public:
    ListCompleter(const QStringList& names, QLineEdit* edit)
        : QCompleter(names, edit)
    {
        setCaseSensitivity(Qt::CaseInsensitive);
        setFilterMode(Qt::MatchStartsWith);
    }

    QStringList splitPath(const QString& path) const override
    {
        const qsizetype cut
            = std::max(path.lastIndexOf(QLatin1Char(',')), path.lastIndexOf(QLatin1Char(';')));
        return { path.mid(cut + 1).trimmed() };
    }

    QString pathFromIndex(const QModelIndex& index) const override
    {
        const auto* edit = qobject_cast<const QLineEdit*>(widget());
        const QString typed = edit ? edit->text() : QString();
        const qsizetype cut
            = std::max(typed.lastIndexOf(QLatin1Char(',')), typed.lastIndexOf(QLatin1Char(';')));
        const QString kept = cut >= 0 ? typed.left(cut + 1) + QLatin1Char(' ') : QString();
        return kept + index.data().toString();
    }
};

} // namespace

QStringList splitTypedList(const QString& text)
{
    QStringList list;
    for (const QString& part : text.split(QRegularExpression(QStringLiteral("[,;]")))) {
        const QString name = part.trimmed();
        if (!name.isEmpty())
            list << name;
    }
    return list;
}

void installListCompleter(QLineEdit* edit, const QStringList& names)
{
    edit->setCompleter(new ListCompleter(names, edit));
}
