#include "planner/durationspinbox.h"

#include <QRegularExpression>

namespace {
constexpr int kMaxMinutes = 14 * 24 * 60; // two weeks: every tissue is long back at rest
}

DurationSpinBox::DurationSpinBox(QWidget* parent)
    : QSpinBox(parent)
{
    setRange(0, kMaxMinutes);
    setSingleStep(5);
    setAccelerated(true);
}

QString DurationSpinBox::text(int minutes)
{
    return QStringLiteral("%1H%2mn")
        .arg(minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

int DurationSpinBox::minutesOf(const QString& input)
{
    static const QRegularExpression hoursMinutes(
        QStringLiteral("^\\s*(\\d{1,3})\\s*[Hh:]\\s*(\\d{0,2})\\s*(mn|m|min)?\\s*$"));
    static const QRegularExpression minutesOnly(
        QStringLiteral("^\\s*(\\d{1,5})\\s*(mn|m|min)?\\s*$"));
    QRegularExpressionMatch m = hoursMinutes.match(input);
    if (m.hasMatch()) {
        // Minutes typed over the shown ones are kept even past the hour ("1H75" is 2H15): the
        // diver meant that many minutes.
        const int minutes = m.captured(2).isEmpty() ? 0 : m.captured(2).toInt();
        return m.captured(1).toInt() * 60 + minutes;
    }
    m = minutesOnly.match(input);
    if (m.hasMatch())
        return m.captured(1).toInt();
    return -1;
}

QString DurationSpinBox::textFromValue(int value) const
{
    return text(value);
}

int DurationSpinBox::valueFromText(const QString& input) const
{
    const int minutes = minutesOf(input);
    return minutes < 0 ? value() : minutes;
}

QValidator::State DurationSpinBox::validate(QString& input, int&) const
{
    const int minutes = minutesOf(input);
    if (minutes < 0)
        return QValidator::Intermediate; // the user may be half-way through typing
    return minutes <= maximum() ? QValidator::Acceptable : QValidator::Invalid;
}
