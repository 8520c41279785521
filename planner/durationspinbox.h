#pragma once

#include <QSpinBox>

// A duration in whole minutes shown as hours and minutes ("26H05mn"). Unlike a time of day,
// hours go past 23, so surface intervals of a day or more can be entered.
class DurationSpinBox : public QSpinBox
{
    Q_OBJECT

public:
    explicit DurationSpinBox(QWidget* parent = nullptr);

    int seconds() const { return value() * 60; }
    void setSeconds(int seconds) { setValue((seconds + 30) / 60); }

    static QString text(int minutes);
    // Accepts "26H05mn", "26h05", "26:05", "26H", "95mn", "1H75" (2H15) and a bare number of
    // minutes; -1 when the text is no duration.
    static int minutesOf(const QString& text);

protected:
    QString textFromValue(int value) const override;
    int valueFromText(const QString& text) const override;
    QValidator::State validate(QString& input, int& pos) const override;
};
