#pragma once

#include <QWidget>

class QToolButton;

// A rating of 0 to 5 stars: a click on a star gives that many, a click on the last star lit
// takes them all away. The keys + and - (or the arrows) step it.
class StarRating : public QWidget
{
    Q_OBJECT
public:
    explicit StarRating(QWidget* parent = nullptr);
    int value() const { return m_value; }
    // Shows the value without reporting a change.
    void setValue(int value);
    // What a click on that star does: shows it and reports the change.
    void choose(int value);

signals:
    void valueChanged(int value);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QToolButton* m_stars[5];
    int m_value = 0;
};
