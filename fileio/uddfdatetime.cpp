#include "fileio/uddfdatetime.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

namespace {

class Cursor
{
public:
    explicit Cursor(const QString& text)
        : m_text(text)
    { }
    bool atEnd() const { return m_pos >= m_text.size(); }
    QChar peek() const { return atEnd() ? QChar() : m_text.at(m_pos); }
    bool take(QChar c)
    {
        if (peek() != c)
            return false;
        ++m_pos;
        return true;
    }
    // Exactly `count` ASCII digits.
    bool digits(int count, int& value)
    {
        value = 0;
        for (int i = 0; i < count; ++i) {
            const QChar c = peek();
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
            value = value * 10 + (c.unicode() - '0');
            ++m_pos;
        }
        return true;
    }
    bool isDigit() const
    {
        const QChar c = peek();
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    }
    void skip() { ++m_pos; }

private:
    const QString& m_text;
    qsizetype m_pos = 0;
};

} // namespace

qint64 parseUddfDateTime(const QString& input)
{
    const QString text = input.trimmed();
    Cursor c(text);
    int year = 0, month = 0, day = 0;
    if (!c.digits(4, year) || !c.take(QLatin1Char('-')) || !c.digits(2, month)
        || !c.take(QLatin1Char('-')) || !c.digits(2, day))
        return 0;
    const QDate date(year, month, day);
    if (!date.isValid())
        return 0;

    int hour = 0, minute = 0, second = 0;
    if (c.take(QLatin1Char('T')) || c.take(QLatin1Char('t')) || c.take(QLatin1Char(' '))) {
        if (!c.digits(2, hour) || !c.take(QLatin1Char(':')) || !c.digits(2, minute))
            return 0;
        if (c.take(QLatin1Char(':'))) {
            if (!c.digits(2, second))
                return 0;
            if (c.take(QLatin1Char('.')) || c.take(QLatin1Char(','))) {
                if (!c.isDigit())
                    return 0;
                while (c.isDigit())
                    c.skip();
            }
        }
    }
    // 60 admits a leap second; it is carried into the next minute below.
    if (hour > 23 || minute > 59 || second > 60)
        return 0;

    bool utc = false;
    int offsetS = 0;
    if (c.take(QLatin1Char('Z')) || c.take(QLatin1Char('z'))) {
        utc = true;
    } else if (c.peek() == QLatin1Char('+') || c.peek() == QLatin1Char('-')) {
        const int sign = c.peek() == QLatin1Char('-') ? -1 : 1;
        c.skip();
        int offsetH = 0, offsetM = 0;
        if (!c.digits(2, offsetH))
            return 0;
        if (c.take(QLatin1Char(':'))) {
            if (!c.digits(2, offsetM))
                return 0;
        } else if (c.isDigit() && !c.digits(2, offsetM)) {
            return 0;
        }
        if (offsetH > 23 || offsetM > 59)
            return 0;
        utc = true;
        offsetS = sign * (offsetH * 3600 + offsetM * 60);
    }
    if (!c.atEnd())
        return 0;

    const QTime time(hour, minute, 0);
    if (utc) {
        const QDateTime dt(date, time, Qt::UTC);
        return dt.toSecsSinceEpoch() + second - offsetS;
    }
    QDateTime local(date, time, Qt::LocalTime);
    if (!local.isValid()) // a wall-clock time skipped by a daylight-saving change
        local = QDateTime(date, time.addSecs(3600), Qt::LocalTime);
    return local.isValid() ? local.toSecsSinceEpoch() + second : 0;
}

QString formatUddfDateTime(qint64 secondsSinceEpoch)
{
    const QDateTime dt = QDateTime::fromSecsSinceEpoch(secondsSinceEpoch, Qt::UTC);
    if (!dt.isValid() || dt.date().year() < 1 || dt.date().year() > 9999)
        return QString();
    return dt.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"));
}
