#pragma once

#include "dive/diveprofile.h"
#include "logbook/divedetails.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QUndoCommand>

// Undoable changes to the logbook, for the main window's QUndoStack. Each keeps what it needs
// to put the file back: a delete keeps the whole dive (samples, gases, details) in memory for
// the session. A step that fails is reported through failed() and leaves the file as it was.
class LogbookCommand : public QUndoCommand
{
public:
    using QUndoCommand::QUndoCommand;
    // The error of the last redo or undo, empty when it went through.
    QString failed() const { return m_error; }
    // Whether the last redo changed the logbook at all.
    bool changed() const { return m_changed; }
    void skipNextRedo() { m_skip = true; }

protected:
    void setError(const QString& error) { m_error = error; }
    void setChanged(bool changed) { m_changed = changed; }
    // True (once) when the next redo is to be skipped: the command already ran.
    bool takeSkip()
    {
        const bool skip = m_skip;
        m_skip = false;
        return skip;
    }

private:
    QString m_error;
    bool m_changed = false;
    bool m_skip = false;
};

class QUndoStack;
// Runs the command once and, when it changed the logbook, hands it to the stack without
// running it again; otherwise deletes it. Returns the error, empty when all went through.
QString pushLogbookCommand(QUndoStack& stack, LogbookCommand* command);

class DeleteDivesCommand : public LogbookCommand
{
public:
    // Reads the dives now; those that cannot be read are left out. failed() names the dives
    // not deleted, by their labels (the ids when no labels are given).
    explicit DeleteDivesCommand(const QList<int>& diveIds, const QStringList& labels = {});
    void redo() override;
    void undo() override;
    // The ids deleted (after undo, the ids the dives came back under).
    QList<int> diveIds() const;

private:
    struct Kept
    {
        int id;
        DiveProfile dive;
        bool deleted = false;
    };
    QList<Kept> m_dives;
};

class RenameDiveCommand : public LogbookCommand
{
public:
    RenameDiveCommand(int diveId, const QString& oldName, const QString& newName);
    void redo() override;
    void undo() override;

private:
    int m_id;
    QString m_old;
    QString m_new;
};

class EditDetailsCommand : public LogbookCommand
{
public:
    // diveName names the dive in the undo text when it has no number.
    EditDetailsCommand(int diveId, const DiveDetails& before, const DiveDetails& after,
        const QString& diveName = QString());
    void redo() override;
    void undo() override;
    int diveId() const { return m_id; }

private:
    int m_id;
    DiveDetails m_before;
    DiveDetails m_after;
};

// Stores a dive; undo deletes it again, redo brings it back under the same id when free.
// Construct it with the id of a dive already stored to make that store undoable.
class ImportDiveCommand : public LogbookCommand
{
public:
    explicit ImportDiveCommand(const DiveProfile& dive, int storedId = -1);
    void redo() override;
    void undo() override;
    int diveId() const { return m_id; }
    // The outcome code of the first store (LogbookDatabase::Outcome).
    int outcome() const { return m_outcome; }

private:
    DiveProfile m_dive;
    int m_id;
    int m_outcome = -1;
};

// Numbers every dive 1, 2, ... in date order; undo gives every dive its number back.
class RenumberDivesCommand : public LogbookCommand
{
public:
    RenumberDivesCommand();
    void redo() override;
    void undo() override;

private:
    QHash<int, int> m_before; // number by dive id
};
