#pragma once

#include <QColor>
#include <QWidget>

class QPropertyAnimation;

// Circular progress indicator: a pie that fills clockwise from twelve o'clock while a maximum
// is set, and a spinning sector while the maximum is 0. Drawing goes through the global pixmap
// cache keyed on every input, so an unchanged repaint only blits.
class ProgressCircle : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int value READ value WRITE setValue NOTIFY valueChanged)
    Q_PROPERTY(int maximum READ maximum WRITE setMaximum NOTIFY maximumChanged)
    Q_PROPERTY(qreal innerRadius READ innerRadius WRITE setInnerRadius)
    Q_PROPERTY(qreal outerRadius READ outerRadius WRITE setOuterRadius)
    Q_PROPERTY(QColor color READ color WRITE setColor)
    Q_PROPERTY(int visibleValue READ visibleValue WRITE setVisibleValue)
    Q_PROPERTY(
        qreal infiniteAnimationValue READ infiniteAnimationValue WRITE setInfiniteAnimationValue)

public:
    explicit ProgressCircle(QWidget* parent = nullptr);

    int value() const { return m_value; }
    int maximum() const { return m_maximum; }
    qreal innerRadius() const { return m_innerRadius; }
    qreal outerRadius() const { return m_outerRadius; }
    QColor color() const { return m_color; }
    int visibleValue() const { return m_visibleValue; }
    qreal infiniteAnimationValue() const { return m_infiniteAnimationValue; }
    bool isSpinning() const;

    // The picture for the current state, as the widget blits it (also used by tests).
    QPixmap generatePixmap() const;
    QString cacheKey() const;

signals:
    void valueChanged(int);
    void maximumChanged(int);

public slots:
    void setValue(int value);
    void setMaximum(int maximum);
    void setInnerRadius(qreal innerRadius);
    void setOuterRadius(qreal outerRadius);
    void setColor(QColor color);
    void setInfiniteAnimationValue(qreal value);
    void setVisibleValue(int value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_value = 0;
    int m_maximum = 0;
    qreal m_innerRadius = 0.6;
    qreal m_outerRadius = 1.0;
    QColor m_color = QColor(110, 190, 235);
    int m_visibleValue = 0;
    qreal m_infiniteAnimationValue = 0.0;
    QPropertyAnimation* m_valueAnimation = nullptr;
    QPropertyAnimation* m_infiniteAnimation = nullptr;
};
