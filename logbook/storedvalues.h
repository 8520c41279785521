#pragma once

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>
#include <QVariant>

#include <cmath>

// How the logbook writes and reads back its stored values, shared by the code that stores
// dives and the code that lists and edits them.
namespace StoredValues {

inline QString tr(const char* text)
{
    return QCoreApplication::translate("LogbookDatabase", text);
}

// A null QString binds as SQL NULL, and "serial = NULL" never matches: store empty text.
inline QVariant textValue(const QString& text)
{
    return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text);
}

// Whole millibar, rounded; NULL for a value that is not a pressure at all.
inline QVariant millibar(double bar)
{
    if (!std::isfinite(bar) || std::fabs(bar) > 1.0e9)
        return QVariant();
    return QVariant(qint64(std::llround(bar * 1000.0)));
}

// An integer column read back; false for NULL or a value that is not an integer.
inline bool readInteger(const QVariant& value, qint64& out)
{
    if (value.isNull())
        return false;
    bool ok = false;
    const qint64 v = value.toLongLong(&ok);
    if (!ok)
        return false;
    out = v;
    return true;
}

inline qint64 integerInRange(const QVariant& value, qint64 low, qint64 high, qint64 fallback)
{
    qint64 v = 0;
    if (!readInteger(value, v) || v < low || v > high)
        return fallback;
    return v;
}

inline double realValue(const QVariant& value)
{
    if (value.isNull())
        return 0.0;
    bool ok = false;
    const double v = value.toDouble(&ok);
    return ok ? v : 0.0;
}

// A list stored as a JSON array of strings; the common empty list costs no parsing.
inline QStringList storedList(const QVariant& value)
{
    QStringList list;
    const QString text = value.toString();
    if (text.size() <= 2)
        return list;
    // Without a backslash no name holds a quote, so the text splits exactly at "," (the JSON
    // parser costs more than the rest of a listed row).
    if (text.startsWith(QLatin1String("[\"")) && text.endsWith(QLatin1String("\"]"))
        && !text.contains(QLatin1Char('\\')))
        return text.mid(2, text.size() - 4).split(QStringLiteral("\",\""));
    for (const QJsonValue& item : QJsonDocument::fromJson(text.toUtf8()).array()) {
        if (item.isString())
            list << item.toString();
    }
    return list;
}

} // namespace StoredValues
