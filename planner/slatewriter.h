#pragma once

// The underwater slate: a small PDF written with Qt Core alone, so the command line (which links
// no GUI library) and the planner tab print the same pages. Text only, in the PDF standard
// Helvetica fonts with the Windows-1252 (WinAnsi) encoding; one A4 page per dive.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

struct SlateTable
{
    QString title;
    QStringList header;
    QList<QStringList> rows;
};

struct SlatePage
{
    QString title;
    QStringList summary; // short lines under the title (run time, GF, CNS, OTU)
    QList<SlateTable> tables;
    QStringList warnings;
};

// The whole PDF document.
QByteArray slatePdf(const QList<SlatePage>& pages);

// Writes the PDF atomically: on failure the previous file stays and `error` says why.
bool writeSlate(const QString& path, const QList<SlatePage>& pages, QString* error);
