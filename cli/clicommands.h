#pragma once

#include <QStringList>

class QTextStream;

// Runs one veltra-cli command line (without the program name). Results go to `out`, messages
// to `err`; returns the process exit status: 0 success, 1 a file or store failed, 2 bad usage.
int runCli(const QStringList& args, QTextStream& out, QTextStream& err);

// The help text.
QString cliUsage();
