#include "views/logbookcommands.h"

#include "logbook/logbookdatabase.h"

#include <QCoreApplication>
#include <QUndoStack>

namespace {

// lupdate finds tr() only on a class: this one gives the messages of this file their
// context, the same for the translation tools and at run time.
class LogbookCommandText
{
    Q_DECLARE_TR_FUNCTIONS(LogbookCommand)
};

LogbookDatabase& logbook()
{
    return LogbookDatabase::instance();
}

// How the undo and redo texts name a dive ("Undo rating of dive 12"): by its number, by its
// name when it has none.
QString diveLabel(int number, const QString& name)
{
    return number > 0 ? LogbookCommandText::tr("dive %1").arg(number)
                      : LogbookCommandText::tr("dive \"%1\"").arg(name);
}

// The one detail that changed, or the details as a whole.
QString changedDetail(const DiveDetails& a, const DiveDetails& b, const QString& dive)
{
    const std::pair<bool, const char*> fields[] = {
        { a.rating != b.rating, QT_TRANSLATE_NOOP("LogbookCommand", "rating of %1") },
        { a.site != b.site, QT_TRANSLATE_NOOP("LogbookCommand", "site of %1") },
        { a.location != b.location, QT_TRANSLATE_NOOP("LogbookCommand", "place of %1") },
        { a.number != b.number, QT_TRANSLATE_NOOP("LogbookCommand", "number of %1") },
        { a.buddies != b.buddies, QT_TRANSLATE_NOOP("LogbookCommand", "buddies of %1") },
        { a.tags != b.tags, QT_TRANSLATE_NOOP("LogbookCommand", "tags of %1") },
        { a.notes != b.notes, QT_TRANSLATE_NOOP("LogbookCommand", "notes of %1") },
    };
    const char* only = nullptr;
    int changed = 0;
    for (const auto& [differs, text] : fields) {
        if (differs) {
            only = text;
            ++changed;
        }
    }
    return changed == 1 ? LogbookCommandText::tr(only).arg(dive)
                        : LogbookCommandText::tr("details of %1").arg(dive);
}

} // namespace

QString pushLogbookCommand(QUndoStack& stack, LogbookCommand* command)
{
    const QString before = command->failed();
    command->redo();
    QStringList errors;
    for (const QString& e : { before, command->failed() }) {
        if (!e.isEmpty())
            errors << e;
    }
    if (command->changed()) {
        command->skipNextRedo();
        stack.push(command);
    } else {
        delete command;
    }
    return errors.join(QStringLiteral(", "));
}

DeleteDivesCommand::DeleteDivesCommand(const QList<int>& diveIds, const QStringList& labels)
{
    QStringList unread;
    for (int i = 0; i < diveIds.size(); ++i) {
        Kept kept { diveIds[i], DiveProfile(), false };
        if (logbook().loadDive(kept.id, kept.dive))
            m_dives.append(kept);
        else
            unread << (i < labels.size() ? labels[i] : QString::number(kept.id));
    }
    setError(unread.join(QStringLiteral(", ")));
    setText(m_dives.size() == 1
            ? LogbookCommandText::tr("deletion of %1")
                  .arg(diveLabel(m_dives[0].dive.number, m_dives[0].dive.name))
            : LogbookCommandText::tr("deletion of %1 dives").arg(m_dives.size()));
}

void DeleteDivesCommand::redo()
{
    if (takeSkip())
        return;
    QStringList failed;
    bool any = false;
    for (Kept& kept : m_dives) {
        if (kept.deleted)
            continue;
        kept.deleted = logbook().deleteDive(kept.id);
        any = any || kept.deleted;
        if (!kept.deleted)
            failed << kept.dive.name;
    }
    setChanged(any);
    // The names alone: the caller says what failed.
    setError(failed.join(QStringLiteral(", ")));
}

void DeleteDivesCommand::undo()
{
    QStringList failed;
    for (Kept& kept : m_dives) {
        if (!kept.deleted)
            continue;
        int id = -1;
        if (logbook().restoreDive(kept.dive, kept.id, &id) == LogbookDatabase::Success) {
            kept.id = id;
            kept.deleted = false;
        } else {
            failed << kept.dive.name + QStringLiteral(": ") + logbook().lastError();
        }
    }
    setError(failed.join(QLatin1Char('\n')));
}

QList<int> DeleteDivesCommand::diveIds() const
{
    QList<int> ids;
    for (const Kept& kept : m_dives)
        ids << kept.id;
    return ids;
}

RenameDiveCommand::RenameDiveCommand(int diveId, const QString& oldName, const QString& newName)
    : m_id(diveId)
    , m_old(oldName)
    , m_new(newName)
{
    setText(LogbookCommandText::tr("renaming of \"%1\" to \"%2\"").arg(oldName, newName));
}

void RenameDiveCommand::redo()
{
    if (takeSkip())
        return;
    const bool done = logbook().renameDive(m_id, m_new);
    setChanged(done);
    setError(done ? QString() : logbook().lastError());
}

void RenameDiveCommand::undo()
{
    setError(logbook().renameDive(m_id, m_old) ? QString() : logbook().lastError());
}

EditDetailsCommand::EditDetailsCommand(
    int diveId, const DiveDetails& before, const DiveDetails& after, const QString& diveName)
    : m_id(diveId)
    , m_before(before)
    , m_after(after)
{
    setText(changedDetail(
        before, after, diveLabel(before.number > 0 ? before.number : after.number, diveName)));
}

void EditDetailsCommand::redo()
{
    if (takeSkip())
        return;
    const bool done = logbook().updateDetails(m_id, m_after);
    setChanged(done);
    setError(done ? QString() : logbook().lastError());
}

void EditDetailsCommand::undo()
{
    setError(logbook().updateDetails(m_id, m_before) ? QString() : logbook().lastError());
}

ImportDiveCommand::ImportDiveCommand(const DiveProfile& dive, int storedId)
    : m_dive(dive)
    , m_id(storedId)
{
    if (storedId >= 0) {
        // Already stored: keep the dive as the logbook has it (its number included).
        logbook().loadDive(storedId, m_dive);
        setChanged(true);
        skipNextRedo();
    }
    setText(LogbookCommandText::tr("import of %1").arg(diveLabel(m_dive.number, m_dive.name)));
}

void ImportDiveCommand::redo()
{
    if (takeSkip())
        return;
    int id = -1;
    const int outcome
        = m_id < 0 ? logbook().storeDive(m_dive, &id) : logbook().restoreDive(m_dive, m_id, &id);
    if (m_outcome < 0)
        m_outcome = outcome;
    setChanged(outcome == LogbookDatabase::Success);
    if (outcome != LogbookDatabase::Success) {
        setError(logbook().lastError());
        return;
    }
    // The number it was given stays with it when it comes back.
    if (m_id < 0)
        logbook().loadDive(id, m_dive);
    m_id = id;
    setError(QString());
}

void ImportDiveCommand::undo()
{
    setError(m_id >= 0 && logbook().deleteDive(m_id) ? QString() : logbook().lastError());
}

RenumberDivesCommand::RenumberDivesCommand()
{
    setText(LogbookCommandText::tr("renumbering of the dives by date"));
}

void RenumberDivesCommand::redo()
{
    if (takeSkip())
        return;
    // The numbers are read at each redo: a redo after other edits puts back those edits' numbers.
    const bool done = logbook().diveNumbers(m_before) && logbook().renumberDives();
    setChanged(done);
    setError(done ? QString() : logbook().lastError());
}

void RenumberDivesCommand::undo()
{
    setError(logbook().setDiveNumbers(m_before) ? QString() : logbook().lastError());
}
