#pragma once

#include <functional>

class QSettings;
class QTableView;

// The dive list's choice of columns: the header's context menu shows or hides each one, and the
// choice is kept in the settings (list/hiddenColumns) for the next start.
namespace DiveListColumns {

// Hides the columns the settings (or, the first time, the defaults) hide, and gives the header
// its menu; changed runs after each change, to fill the cells the list now shows.
void install(QTableView& list, QSettings* settings, const std::function<void()>& changed);

// What the menu does for one column: false (nothing changed) for the last column shown.
bool setColumnShown(QTableView& list, QSettings* settings, int column, bool shown);

} // namespace DiveListColumns
