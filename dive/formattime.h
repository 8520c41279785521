#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QtGlobal>

// Whole seconds as "mm:ss" below one hour and "hh:mm:ss" from one hour on; hours go on
// counting past 24 ("25:00:00"). Negative values show as "00:00".
QString formatTime(int seconds);

// A dive's start as every view shows it (list, Summary, filter, download list, printed pages):
// the locale's short date with the year in four digits, then hh:mm, of the time given (already
// local): "05/03/2026 07:04" in French, "3/5/2026 07:04" in American English.
QString diveStartText(const QDateTime& local, const QLocale& locale = QLocale());
// The date part's format, for the date editors that must read the same.
QString diveDateFormat(const QLocale& locale = QLocale());

// Texts of the dive download list, computed from a dive header's raw values.
// "dd/mm/yyyy hh:mm" in UTC, or "error" when the time cannot be shown.
QString diveDateText(qint64 startTime);
// endTime - startTime as "hh:mm:ss" (hours not wrapping) or "mm:ss" below an hour; a negative
// difference shows as "00:00".
QString diveDurationText(qint64 startTime, qint64 endTime);
// Maximum depth in m from decimetres; 0 when not above 0.
double diveMaxDepthM(int maxDepthDm);

// Little-endian packing used by the device command protocol.
void appendUInt16(QByteArray& bytes, quint16 value);
void appendUInt32(QByteArray& bytes, quint32 value);
