#pragma once

#include <QList>
#include <QObject>

#include <functional>

class QMainWindow;
class QMenu;
class QAction;
class QUndoStack;
struct DiveTrip;

// The window's logbook actions beyond the list itself: the Log menu (Add dive, trips, sites)
// and File > Print logbook. Every change goes through the undo stack.
class LogbookActions : public QObject
{
    Q_OBJECT
public:
    // selected gives the dive ids chosen in the list, in list order.
    LogbookActions(QMainWindow* window, QUndoStack* stack, QMenu* fileMenu, QAction* printBefore,
        std::function<QList<int>()> selected);

    // Offers the dives just stored as new trips, where two days or less part them.
    void offerTrips(const QList<int>& storedIds);
    // Prints the dives into the PDF; false (after saying why) when it could not be written.
    bool printDives(const QList<int>& diveIds, const QString& path);
    // The names of the logbook's sites, each once, for completion.
    static QStringList siteNames();

signals:
    // A dive was added by hand: show it.
    void diveAdded(int diveId);

private:
    void addDive();
    void newTripFromSelection();
    void takeSelectionOutOfTrip();
    // The trip of the first selected dive; false (after saying so) when it has none.
    bool selectedTrip(DiveTrip& trip);
    void editTrip();
    void deleteTrip();
    void printLogbook();
    void showSites();
    void report(const QString& problem);

    QMainWindow* m_window;
    QUndoStack* m_stack;
    std::function<QList<int>()> m_selected;
};
