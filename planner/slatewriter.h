#pragma once

// The underwater slate: a small PDF written with Qt Core alone, so the command line (which links
// no GUI library) and the planner tab print the same pages. Text only, in the PDF standard
// Helvetica fonts with the Windows-1252 (WinAnsi) encoding. Each dive starts a page; text never
// shrinks below 14 pt, so a long dive runs onto more pages (table headers repeated) and a table
// too wide for the page is split into column groups that each keep the first column.

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

// A4 sheets, or A6 cards for a wrist slate.
enum class SlateSize { A4, A6 };

// The whole PDF document.
QByteArray slatePdf(const QList<SlatePage>& pages, SlateSize size = SlateSize::A4);

// Writes the PDF atomically: on failure the previous file stays and `error` says why.
bool writeSlate(const QString& path, const QList<SlatePage>& pages, QString* error,
    SlateSize size = SlateSize::A4);

// What the slate and the printed logbook pages share: a PDF of pages of that size in points
// (A4 by default), each given as its content stream (PDF operators, fonts /F1 Helvetica and
// /F2 Helvetica-Bold).
QByteArray pdfDocument(
    const QList<QByteArray>& pageContents, double width = 595, double height = 842);
// A PDF string literal of the text in WinAnsi bytes (other characters become '?').
QByteArray pdfLiteral(const QString& text);
QByteArray pdfNumber(double value);
