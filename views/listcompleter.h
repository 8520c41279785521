#pragma once

#include <QStringList>

class QLineEdit;

// Lists typed separated by commas (or semicolons); blanks around names go.
QStringList splitTypedList(const QString& text);

// Completes the name being typed after the last comma from the names given, keeping the names
// before it.
void installListCompleter(QLineEdit* edit, const QStringList& names);
